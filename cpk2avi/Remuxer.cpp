#include "cpk2avi/Remuxer.h"

#include "cpk2avi/CinepakFrame.h"
#include "cpk2avi/FsPath.h"
#include "cpk2avi/PcmPacking.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <new>
#include <unistd.h>
#ifdef _WIN32
#include "platform/Utf16.h"
#endif

namespace hotaru {

namespace {

std::string avErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// Through the file protocol, a name holding ':' is never taken for a protocol.
std::string fileUrl(const std::string& path) { return "file:" + path; }

struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

PacketPtr newPacket()
{
    PacketPtr p(av_packet_alloc());
    if (!p)
        throw std::bad_alloc();
    return p;
}

int openForReading(const std::string& path)
{
#ifdef _WIN32
    return ::_wopen(widen(path).c_str(), _O_RDONLY | _O_BINARY);  // the name is UTF-8
#else
    return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
#endif
}

InputPtr openFilm(const std::string& in)
{
    std::error_code ec;
    if (std::filesystem::is_directory(fsPath(in), ec))
        throw ConvertError(inQuotes(in) + " is a folder, not a FILM/CPK file");
    // Tell "cannot read it" apart from "not FILM" before FFmpeg blurs the two.
    const int fd = openForReading(in);
    if (fd < 0)
        throw ConvertError("cannot open " + inQuotes(in) + ": " + std::strerror(errno));
    ::close(fd);

    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, fileUrl(in).c_str(), nullptr, nullptr) < 0)
        throw ConvertError(inQuotes(in) + " is not a FILM/CPK file");
    InputPtr ic(raw);
    if (std::strcmp(ic->iformat->name, "film_cpk") != 0)
        throw ConvertError(inQuotes(in) + " is not a FILM/CPK file");
    return ic;
}

// FILM's Cinepak pictures are always 24-bit.
constexpr int FilmCinepakBitsPerPixel = 24;
// AVI keeps the picture size in 16-bit fields.
constexpr int MaxAviPictureSide = 65535;
// The AVI writer fills a gap in the frame clock with empty frames, counted
// from the frames it already holds, and refuses a gap of more than this.
constexpr std::int64_t MaxAviFrameGap = 60000;

}  // namespace

Remuxer::Remuxer(const std::string& in, const std::string& out) : in_(in), out_(out)
{
    {
        // Probing reads packets ahead and silently drops one it cannot
        // read, so it gets a reading of its own; every packet is then
        // read again from the start by input_, where a bad one fails the run.
        InputPtr probe = openFilm(in);
        if (const int rc = avformat_find_stream_info(probe.get(), nullptr); rc < 0)
            throw ConvertError("cannot read " + inQuotes(in) + ": " + avErrorText(rc));
        pickStreams(*probe);
    }
    input_ = openFilm(in);
    const AVStream* video = sameStream(videoIndex_, AV_CODEC_ID_CINEPAK);
    if (audioIndex_ >= 0)
        sameStream(audioIndex_, decoder_->codec_id);
    // As the header says: probing may have blanked a size it could not decode.
    videoPar_ = video->codecpar;
    videoTimeBase_ = video->time_base;
    const int width = videoPar_->width;
    const int height = videoPar_->height;
    if (width <= 0 || height <= 0 || width > MaxAviPictureSide || height > MaxAviPictureSide)
        throw ConvertError(inQuotes(in_) + " is damaged: its picture size " + std::to_string(width) + "x" +
                           std::to_string(height) + " is impossible");
}

void Remuxer::run(const std::string& tempPath)
{
    openOutput(tempPath);
    PacketPtr pkt = newPacket();
    for (;;) {
        const int rc = av_read_frame(input_.get(), pkt.get());
        if (rc == AVERROR_EOF)
            break;
        if (rc < 0)
            throw ConvertError("cannot read " + inQuotes(in_) + ", it may be cut short: " + avErrorText(rc));
        if (pkt->stream_index == videoIndex_)
            writeVideo(*pkt);
        else if (audioIndex_ >= 0 && pkt->stream_index == audioIndex_)
            decodeAudio(pkt.get());
        av_packet_unref(pkt.get());
    }
    if (decoder_)
        decodeAudio(nullptr);
    if (videoFrames_ == 0)
        throw ConvertError(inQuotes(in_) + " holds no video frames");
    check(av_write_trailer(output_.get()));
    avio_flush(output_->pb);
    check(output_->pb->error);
    check(avio_closep(&output_->pb));
}

void Remuxer::check(int rc) const
{
    if (rc < 0)
        throw ConvertError("cannot write " + inQuotes(out_) + ": " + avErrorText(rc));
}

void Remuxer::pickStreams(const AVFormatContext& probe)
{
    const AVStream* video = nullptr;
    const AVStream* audio = nullptr;
    for (unsigned i = 0; i < probe.nb_streams; ++i) {
        const AVStream* st = probe.streams[i];
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !video)
            video = st;
        else if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && !audio)
            audio = st;
    }
    if (!video || video->codecpar->codec_id != AV_CODEC_ID_CINEPAK)
        throw ConvertError(inQuotes(in_) + " holds no Cinepak video");
    videoIndex_ = video->index;
    // AVI counts frames, so its clock ticks once per frame; FILM clocks often tick finer.
    frameRate_ = video->r_frame_rate;
    if (frameRate_.num <= 0 || frameRate_.den <= 0)
        frameRate_ = video->avg_frame_rate;
    if (frameRate_.num <= 0 || frameRate_.den <= 0)
        frameRate_ = av_inv_q(video->time_base);
    if (audio) {
        audioIndex_ = audio->index;
        openDecoder(*audio->codecpar);
    }
}

// The unprobed reading's stream at `index`, which must be the probed one.
const AVStream* Remuxer::sameStream(int index, AVCodecID codec) const
{
    if (static_cast<unsigned>(index) >= input_->nb_streams || input_->streams[index]->codecpar->codec_id != codec)
        throw ConvertError(inQuotes(in_) + " changed while it was being read");
    return input_->streams[index];
}

void Remuxer::openDecoder(const AVCodecParameters& par)
{
    const AVCodec* codec = avcodec_find_decoder(par.codec_id);
    if (!codec)
        throw ConvertError("the audio of " + inQuotes(in_) + " uses an unknown codec");
    decoder_.reset(avcodec_alloc_context3(codec));
    if (!decoder_)
        throw std::bad_alloc();
    int rc = avcodec_parameters_to_context(decoder_.get(), &par);
    if (rc >= 0)
        rc = avcodec_open2(decoder_.get(), codec, nullptr);
    if (rc < 0)
        throw ConvertError("cannot decode the audio of " + inQuotes(in_) + ": " + avErrorText(rc));

    sampleFormat_ = decoder_->sample_fmt;
    switch (sampleFormat_) {
    case AV_SAMPLE_FMT_U8:
    case AV_SAMPLE_FMT_U8P:
        audioCodec_ = AV_CODEC_ID_PCM_U8;
        bytesPerSample_ = 1;
        break;
    case AV_SAMPLE_FMT_S16:
    case AV_SAMPLE_FMT_S16P:
        audioCodec_ = AV_CODEC_ID_PCM_S16LE;
        bytesPerSample_ = 2;
        break;
    default:
        throw ConvertError("the audio of " + inQuotes(in_) + " has an unsupported sample format");
    }
    channels_ = decoder_->ch_layout.nb_channels;
    sampleRate_ = decoder_->sample_rate;
    if (channels_ <= 0 || sampleRate_ <= 0)
        throw ConvertError("the audio of " + inQuotes(in_) + " has no channels or no sample rate");
}

void Remuxer::openOutput(const std::string& tempPath)
{
    AVFormatContext* raw = nullptr;
    check(avformat_alloc_output_context2(&raw, nullptr, "avi", tempPath.c_str()));
    output_.reset(raw);

    videoOut_ = avformat_new_stream(output_.get(), nullptr);
    if (!videoOut_)
        throw std::bad_alloc();
    check(avcodec_parameters_copy(videoOut_->codecpar, videoPar_));
    videoOut_->codecpar->codec_tag = 0;
    if (videoOut_->codecpar->bits_per_coded_sample == 0)
        videoOut_->codecpar->bits_per_coded_sample = FilmCinepakBitsPerPixel;
    videoOut_->time_base = av_inv_q(frameRate_);
    videoOut_->avg_frame_rate = frameRate_;

    if (decoder_) {
        audioOut_ = avformat_new_stream(output_.get(), nullptr);
        if (!audioOut_)
            throw std::bad_alloc();
        AVCodecParameters* par = audioOut_->codecpar;
        par->codec_type = AVMEDIA_TYPE_AUDIO;
        par->codec_id = audioCodec_;
        par->sample_rate = sampleRate_;
        av_channel_layout_default(&par->ch_layout, channels_);
        par->bits_per_coded_sample = bytesPerSample_ * CHAR_BIT;
        par->block_align = channels_ * bytesPerSample_;
        par->bit_rate = static_cast<std::int64_t>(sampleRate_) * par->block_align * CHAR_BIT;
        audioOut_->time_base = AVRational{1, sampleRate_};
    }

    check(avio_open(&output_->pb, fileUrl(tempPath).c_str(), AVIO_FLAG_WRITE));
    check(avformat_write_header(output_.get(), nullptr));
}

void Remuxer::writeVideo(const AVPacket& pkt)
{
    ++videoFrames_;
    frameBytes_.assign(pkt.data, pkt.data + pkt.size);
    if (standardizeCinepakFrame(frameBytes_) == FrameRepair::Malformed)
        throw ConvertError("video frame " + std::to_string(videoFrames_) + " of " + inQuotes(in_) + " is damaged");

    std::int64_t ts = pkt.pts != AV_NOPTS_VALUE ? pkt.pts : pkt.dts;
    if (ts != AV_NOPTS_VALUE)
        ts = av_rescale_q_rnd(ts, videoTimeBase_, videoOut_->time_base,
                              static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
    // AVI cannot hold two frames at one tick or a frame before the start.
    if (ts == AV_NOPTS_VALUE || ts <= lastVideoTs_)
        ts = lastVideoTs_ + 1;
    lastVideoTs_ = ts;
    if (aviFrames_ > 0 && ts > aviFrames_) {
        if (ts - aviFrames_ > MaxAviFrameGap)
            throw ConvertError(inQuotes(in_) + " is damaged: its video jumps " + std::to_string(ts - aviFrames_) +
                               " frames ahead at frame " + std::to_string(videoFrames_) +
                               ", more than an AVI can skip");
        aviFrames_ = ts;
    }
    ++aviFrames_;

    PacketPtr out = newPacket();
    check(av_new_packet(out.get(), static_cast<int>(frameBytes_.size())));
    std::memcpy(out->data, frameBytes_.data(), frameBytes_.size());
    out->stream_index = videoOut_->index;
    out->pts = out->dts = ts;
    if (isCinepakKeyFrame(frameBytes_))
        out->flags |= AV_PKT_FLAG_KEY;
    check(av_interleaved_write_frame(output_.get(), out.get()));
}

void Remuxer::decodeAudio(const AVPacket* pkt)
{
    int rc = avcodec_send_packet(decoder_.get(), pkt);
    if (rc < 0 && rc != AVERROR_EOF)
        throw ConvertError("cannot decode the audio of " + inQuotes(in_) + ": " + avErrorText(rc));
    if (!frame_) {
        frame_.reset(av_frame_alloc());
        if (!frame_)
            throw std::bad_alloc();
    }
    while ((rc = avcodec_receive_frame(decoder_.get(), frame_.get())) >= 0) {
        writeAudio(*frame_);
        av_frame_unref(frame_.get());
    }
    if (rc != AVERROR(EAGAIN) && rc != AVERROR_EOF)
        throw ConvertError("cannot decode the audio of " + inQuotes(in_) + ": " + avErrorText(rc));
}

void Remuxer::writeAudio(const AVFrame& frame)
{
    if (frame.format != sampleFormat_ || frame.ch_layout.nb_channels != channels_ || frame.sample_rate != sampleRate_)
        throw ConvertError("the audio format of " + inQuotes(in_) + " changes midway");
    if (frame.nb_samples <= 0)
        return;
    PcmSamples samples;
    samples.planes = frame.extended_data;
    samples.channels = channels_;
    samples.sampleCount = frame.nb_samples;
    samples.bytesPerSample = bytesPerSample_;
    samples.planar = av_sample_fmt_is_planar(sampleFormat_) != 0;
    frameBytes_.clear();
    appendInterleavedPcm(samples, frameBytes_);

    PacketPtr out = newPacket();
    check(av_new_packet(out.get(), static_cast<int>(frameBytes_.size())));
    std::memcpy(out->data, frameBytes_.data(), frameBytes_.size());
    const AVRational perSample{1, sampleRate_};
    out->stream_index = audioOut_->index;
    out->pts = out->dts = av_rescale_q(samplesWritten_, perSample, audioOut_->time_base);
    out->duration = av_rescale_q(frame.nb_samples, perSample, audioOut_->time_base);
    out->flags |= AV_PKT_FLAG_KEY;
    samplesWritten_ += frame.nb_samples;
    check(av_interleaved_write_frame(output_.get(), out.get()));
}

}  // namespace hotaru
