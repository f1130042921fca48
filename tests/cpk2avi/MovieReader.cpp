#include "MovieReader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
}

#include <cstring>
#include <memory>
#include <stdexcept>

namespace {

void require(int rc, const char* what)
{
    if (rc < 0)
        throw std::runtime_error(what);
}

struct Decoder {
    AVCodecContext* ctx = nullptr;
    ~Decoder() { avcodec_free_context(&ctx); }

    void open(const AVStream* st)
    {
        const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
        if (!codec)
            throw std::runtime_error("no decoder");
        ctx = avcodec_alloc_context3(codec);
        require(avcodec_parameters_to_context(ctx, st->codecpar), "decoder parameters");
        require(avcodec_open2(ctx, codec, nullptr), "decoder open");
    }
};

void keepPicture(const AVFrame& f, Movie& m)
{
    const int rowBytes = av_image_get_linesize(static_cast<AVPixelFormat>(f.format), f.width, 0);
    std::vector<std::uint8_t> pic;
    for (int y = 0; y < f.height; ++y)
        pic.insert(pic.end(), f.data[0] + y * f.linesize[0], f.data[0] + y * f.linesize[0] + rowBytes);
    m.pictures.push_back(std::move(pic));
}

void keepSamples(const AVFrame& f, Movie& m)
{
    const auto fmt = static_cast<AVSampleFormat>(f.format);
    const int width = av_get_bytes_per_sample(fmt);
    const bool planar = av_sample_fmt_is_planar(fmt) != 0;
    const int channels = f.ch_layout.nb_channels;
    for (int i = 0; i < f.nb_samples; ++i) {
        for (int c = 0; c < channels; ++c) {
            const std::uint8_t* p =
                planar ? f.extended_data[c] + i * width : f.extended_data[0] + (i * channels + c) * width;
            if (width == 1) {
                m.samples.push_back(*p);
            } else if (width == 2) {
                std::int16_t v;
                std::memcpy(&v, p, sizeof v);
                m.samples.push_back(v);
            } else if (fmt == AV_SAMPLE_FMT_FLTP || fmt == AV_SAMPLE_FMT_FLT) {
                // AAC decodes to floats: kept on the 16-bit scale.
                float v;
                std::memcpy(&v, p, sizeof v);
                m.samples.push_back(static_cast<int>(v * 32767.0f));
            } else {
                throw std::runtime_error("unexpected sample format");
            }
        }
    }
}

void drain(Decoder& d, const AVPacket* pkt, bool video, Movie& m)
{
    require(avcodec_send_packet(d.ctx, pkt), "decode");
    AVFrame* f = av_frame_alloc();
    while (avcodec_receive_frame(d.ctx, f) >= 0) {
        if (video)
            keepPicture(*f, m);
        else
            keepSamples(*f, m);
        av_frame_unref(f);
    }
    av_frame_free(&f);
}

}  // namespace

Movie readMovie(const std::string& path)
{
    AVFormatContext* ic = nullptr;
    require(avformat_open_input(&ic, path.c_str(), nullptr, nullptr), "open");
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> guard(
        ic, [](AVFormatContext* c) { avformat_close_input(&c); });
    require(avformat_find_stream_info(ic, nullptr), "stream info");

    Movie m;
    m.format = ic->iformat->name;
    int videoIndex = av_find_best_stream(ic, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    int audioIndex = av_find_best_stream(ic, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    Decoder video, audio;
    if (videoIndex >= 0) {
        video.open(ic->streams[videoIndex]);
        m.videoCodec = avcodec_get_name(ic->streams[videoIndex]->codecpar->codec_id);
    }
    if (audioIndex >= 0) {
        const AVCodecParameters* par = ic->streams[audioIndex]->codecpar;
        audio.open(ic->streams[audioIndex]);
        m.audioCodec = avcodec_get_name(par->codec_id);
        m.channels = par->ch_layout.nb_channels;
        m.sampleRate = par->sample_rate;
    }

    AVPacket* pkt = av_packet_alloc();
    while (av_read_frame(ic, pkt) >= 0) {
        if (pkt->stream_index == videoIndex) {
            m.videoPackets.emplace_back(pkt->data, pkt->data + pkt->size);
            m.keyFrames.push_back((pkt->flags & AV_PKT_FLAG_KEY) != 0);
            drain(video, pkt, true, m);
        } else if (pkt->stream_index == audioIndex) {
            drain(audio, pkt, false, m);
        }
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    if (video.ctx)
        drain(video, nullptr, true, m);
    if (audio.ctx)
        drain(audio, nullptr, false, m);
    return m;
}
