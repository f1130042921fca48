#include "cpk2avi/Remuxer.h"

#include "movie/CinepakFrame.h"

#include <cstring>

namespace hotaru {

namespace {

// FILM's Cinepak pictures are always 24-bit.
constexpr int FilmCinepakBitsPerPixel = 24;
// The AVI writer fills a gap in the frame clock with empty frames, counted
// from the frames it already holds, and refuses a gap of more than this.
constexpr std::int64_t MaxAviFrameGap = 60000;

}  // namespace

Remuxer::Remuxer(const std::string& in, const std::string& out, const OutputFormat& format, const Subtitles* subtitles)
    : input_(in), out_(out), format_(format), frameSlots_(format.container == "avi")
{
    if (input_.hasAudio())
        sound_.emplace(input_);
    if (subtitles)
        subtitles_.emplace(*subtitles, subtitleCodecFor(*subtitles, format.subtitles == SubtitleTrack::MovText), out);
}

void Remuxer::run(const std::string& tempPath, TrailerWriter writeTrailer)
{
    openOutput(tempPath);
    if (subtitles_)
        subtitles_->writeCues(*output_);
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

void Remuxer::openOutput(const std::string& tempPath)
{
    AVFormatContext* raw = nullptr;
    check(avformat_alloc_output_context2(&raw, nullptr, std::string(format_.container).c_str(), tempPath.c_str()));
    output_.reset(raw);

    // AVI counts frames, so its clock ticks once per frame; others keep FILM's own clock.
    const AVRational frameRate = input_.frameRate();
    videoOut_ = avformat_new_stream(output_.get(), nullptr);
    if (!videoOut_)
        throw std::bad_alloc();
    check(avcodec_parameters_copy(videoOut_->codecpar, input_.video().codecpar));
    videoOut_->codecpar->codec_tag = 0;
    if (videoOut_->codecpar->bits_per_coded_sample == 0)
        videoOut_->codecpar->bits_per_coded_sample = FilmCinepakBitsPerPixel;
    videoOut_->time_base = frameSlots_ ? av_inv_q(frameRate) : input_.video().time_base;
    videoOut_->avg_frame_rate = frameRate;
    if (sound_)
        audioOut_ = &sound_->addTo(*output_);
    if (subtitles_)
        subtitles_->addTo(*output_);
    if (!frameSlots_) {
        // Square pixels and the tracks players pick first, said outright.
        videoOut_->sample_aspect_ratio = videoOut_->codecpar->sample_aspect_ratio = AVRational{1, 1};
        for (AVStream* stream : {videoOut_, audioOut_})
            if (stream)
                stream->disposition |= AV_DISPOSITION_DEFAULT;
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
    if (frameSlots_)
        takeFrameSlot(ts);

    PacketPtr out = newPacket();
    check(av_new_packet(out.get(), static_cast<int>(frameBytes_.size())));
    std::memcpy(out->data, frameBytes_.data(), frameBytes_.size());
    out->stream_index = videoOut_->index;
    out->pts = out->dts = ts;
    if (!frameSlots_ && pkt.duration > 0)
        out->duration = av_rescale_q(pkt.duration, input_.video().time_base, videoOut_->time_base);
    if (isCinepakKeyFrame(frameBytes_))
        out->flags |= AV_PKT_FLAG_KEY;
    check(av_interleaved_write_frame(output_.get(), out.get()));
}

// Fills the AVI's frame slots up to `ts` with empty frames, within what it can skip.
void Remuxer::takeFrameSlot(std::int64_t ts)
{
    if (aviFrames_ > 0 && ts > aviFrames_) {
        if (ts - aviFrames_ > MaxAviFrameGap)
            throw ConvertError(inQuotes(input_.name()) + " is damaged: its video jumps " +
                               std::to_string(ts - aviFrames_) + " frames ahead at frame " +
                               std::to_string(videoFrames_) + ", more than an AVI can skip");
        aviFrames_ = ts;
    }
    ++aviFrames_;
}

void Remuxer::writeAudio(const AVFrame& frame)
{
    PacketPtr out = newPacket();
    sound_->packet(frame, *audioOut_, *out);
    check(av_interleaved_write_frame(output_.get(), out.get()));
}

}  // namespace hotaru
