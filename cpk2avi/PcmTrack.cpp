#include "cpk2avi/PcmTrack.h"

#include "cpk2avi/PcmPacking.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <climits>
#include <cstring>
#include <new>

namespace hotaru {

PcmTrack::PcmTrack(const FilmInput& input) : input_(input)
{
    switch (input.sampleFormat()) {
    case AV_SAMPLE_FMT_U8:
    case AV_SAMPLE_FMT_U8P:
        codec_ = AV_CODEC_ID_PCM_U8;
        bytesPerSample_ = 1;
        break;
    case AV_SAMPLE_FMT_S16:
    case AV_SAMPLE_FMT_S16P:
        codec_ = AV_CODEC_ID_PCM_S16LE;
        bytesPerSample_ = 2;
        break;
    default:
        throw ConvertError("the audio of " + inQuotes(input.name()) + " has an unsupported sample format");
    }
}

AVStream& PcmTrack::addTo(AVFormatContext& output) const
{
    AVStream* stream = avformat_new_stream(&output, nullptr);
    if (!stream)
        throw std::bad_alloc();
    const int channels = input_.channels();
    const int sampleRate = input_.sampleRate();
    AVCodecParameters* par = stream->codecpar;
    par->codec_type = AVMEDIA_TYPE_AUDIO;
    par->codec_id = codec_;
    par->sample_rate = sampleRate;
    av_channel_layout_default(&par->ch_layout, channels);
    par->bits_per_coded_sample = bytesPerSample_ * CHAR_BIT;
    par->block_align = channels * bytesPerSample_;
    par->bit_rate = static_cast<std::int64_t>(sampleRate) * par->block_align * CHAR_BIT;
    stream->time_base = AVRational{1, sampleRate};
    return *stream;
}

void PcmTrack::packet(const AVFrame& frame, const AVStream& stream, AVPacket& out)
{
    PcmSamples samples;
    samples.planes = frame.extended_data;
    samples.channels = input_.channels();
    samples.sampleCount = frame.nb_samples;
    samples.bytesPerSample = bytesPerSample_;
    samples.planar = av_sample_fmt_is_planar(input_.sampleFormat()) != 0;
    bytes_.clear();
    appendInterleavedPcm(samples, bytes_);

    av_packet_unref(&out);
    if (av_new_packet(&out, static_cast<int>(bytes_.size())) < 0)
        throw std::bad_alloc();
    std::memcpy(out.data, bytes_.data(), bytes_.size());
    const AVRational perSample{1, input_.sampleRate()};
    out.stream_index = stream.index;
    out.pts = out.dts = av_rescale_q(samplesWritten_, perSample, stream.time_base);
    out.duration = av_rescale_q(frame.nb_samples, perSample, stream.time_base);
    out.flags |= AV_PKT_FLAG_KEY;
    samplesWritten_ += frame.nb_samples;
}

}  // namespace hotaru
