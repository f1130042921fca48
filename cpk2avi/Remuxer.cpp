#include "cpk2avi/Remuxer.h"

#include "cpk2avi/PcmPacking.h"
#include "movie/CinepakFrame.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <climits>
#include <cstring>

namespace hotaru {

namespace {

// FILM's Cinepak pictures are always 24-bit.
constexpr int FilmCinepakBitsPerPixel = 24;
// The AVI writer fills a gap in the frame clock with empty frames, counted
// from the frames it already holds, and refuses a gap of more than this.
constexpr std::int64_t MaxAviFrameGap = 60000;

}  // namespace

Remuxer::Remuxer(const std::string& in, const std::string& out) : input_(in), out_(out)
{
    if (input_.hasAudio())
        pickPcmFormat();
}

void Remuxer::run(const std::string& tempPath, TrailerWriter writeTrailer)
{
    openOutput(tempPath);
    PacketPtr pkt = newPacket();
    const auto writeFrame = [this](const AVFrame& frame) { writeAudio(frame); };
    while (input_.read(*pkt)) {
        if (input_.isVideo(*pkt))
            writeVideo(*pkt);
        else if (input_.isAudio(*pkt))
            input_.decodeAudio(pkt.get(), writeFrame);
        av_packet_unref(pkt.get());
    }
    if (input_.hasAudio())
        input_.decodeAudio(nullptr, writeFrame);
    if (videoFrames_ == 0)
        throw ConvertError(inQuotes(input_.name()) + " holds no video frames");
    finishOutput(*output_, out_, writeTrailer);
}

void Remuxer::check(int rc) const { checkWrite(rc, out_); }

void Remuxer::pickPcmFormat()
{
    switch (input_.sampleFormat()) {
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
        throw ConvertError("the audio of " + inQuotes(input_.name()) + " has an unsupported sample format");
    }
}

void Remuxer::openOutput(const std::string& tempPath)
{
    AVFormatContext* raw = nullptr;
    check(avformat_alloc_output_context2(&raw, nullptr, "avi", tempPath.c_str()));
    output_.reset(raw);

    // AVI counts frames, so its clock ticks once per frame.
    const AVRational frameRate = input_.frameRate();
    videoOut_ = avformat_new_stream(output_.get(), nullptr);
    if (!videoOut_)
        throw std::bad_alloc();
    check(avcodec_parameters_copy(videoOut_->codecpar, input_.video().codecpar));
    videoOut_->codecpar->codec_tag = 0;
    if (videoOut_->codecpar->bits_per_coded_sample == 0)
        videoOut_->codecpar->bits_per_coded_sample = FilmCinepakBitsPerPixel;
    videoOut_->time_base = av_inv_q(frameRate);
    videoOut_->avg_frame_rate = frameRate;

    if (input_.hasAudio()) {
        audioOut_ = avformat_new_stream(output_.get(), nullptr);
        if (!audioOut_)
            throw std::bad_alloc();
        const int channels = input_.channels();
        const int sampleRate = input_.sampleRate();
        AVCodecParameters* par = audioOut_->codecpar;
        par->codec_type = AVMEDIA_TYPE_AUDIO;
        par->codec_id = audioCodec_;
        par->sample_rate = sampleRate;
        av_channel_layout_default(&par->ch_layout, channels);
        par->bits_per_coded_sample = bytesPerSample_ * CHAR_BIT;
        par->block_align = channels * bytesPerSample_;
        par->bit_rate = static_cast<std::int64_t>(sampleRate) * par->block_align * CHAR_BIT;
        audioOut_->time_base = AVRational{1, sampleRate};
    }

    check(avio_open(&output_->pb, fileUrl(tempPath).c_str(), AVIO_FLAG_WRITE));
    check(avformat_write_header(output_.get(), nullptr));
}

void Remuxer::writeVideo(const AVPacket& pkt)
{
    ++videoFrames_;
    frameBytes_.assign(pkt.data, pkt.data + pkt.size);
    if (standardizeCinepakFrame(frameBytes_) == FrameRepair::Malformed)
        throw ConvertError("video frame " + std::to_string(videoFrames_) + " of " + inQuotes(input_.name()) +
                           " is damaged");

    std::int64_t ts = pkt.pts != AV_NOPTS_VALUE ? pkt.pts : pkt.dts;
    if (ts != AV_NOPTS_VALUE)
        ts = av_rescale_q_rnd(ts, input_.video().time_base, videoOut_->time_base,
                              static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
    // AVI cannot hold two frames at one tick or a frame before the start.
    if (ts == AV_NOPTS_VALUE || ts <= lastVideoTs_)
        ts = lastVideoTs_ + 1;
    lastVideoTs_ = ts;
    if (aviFrames_ > 0 && ts > aviFrames_) {
        if (ts - aviFrames_ > MaxAviFrameGap)
            throw ConvertError(inQuotes(input_.name()) + " is damaged: its video jumps " +
                               std::to_string(ts - aviFrames_) + " frames ahead at frame " +
                               std::to_string(videoFrames_) + ", more than an AVI can skip");
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

void Remuxer::writeAudio(const AVFrame& frame)
{
    PcmSamples samples;
    samples.planes = frame.extended_data;
    samples.channels = input_.channels();
    samples.sampleCount = frame.nb_samples;
    samples.bytesPerSample = bytesPerSample_;
    samples.planar = av_sample_fmt_is_planar(input_.sampleFormat()) != 0;
    frameBytes_.clear();
    appendInterleavedPcm(samples, frameBytes_);

    PacketPtr out = newPacket();
    check(av_new_packet(out.get(), static_cast<int>(frameBytes_.size())));
    std::memcpy(out->data, frameBytes_.data(), frameBytes_.size());
    const AVRational perSample{1, input_.sampleRate()};
    out->stream_index = audioOut_->index;
    out->pts = out->dts = av_rescale_q(samplesWritten_, perSample, audioOut_->time_base);
    out->duration = av_rescale_q(frame.nb_samples, perSample, audioOut_->time_base);
    out->flags |= AV_PKT_FLAG_KEY;
    samplesWritten_ += frame.nb_samples;
    check(av_interleaved_write_frame(output_.get(), out.get()));
}

}  // namespace hotaru
