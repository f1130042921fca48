#include "cpk2avi/Transcoder.h"

#include "cpk2avi/Mp4Settings.h"
#include "movie/CinepakFrame.h"
#include "platform/Bytes.h"

#include <algorithm>
#include <cstdint>

namespace hotaru {

namespace {

// The burner's reason, in the converter's words.
ConvertError fontFailure(const SubtitleBurner::FontError& e)
{
    using Reason = SubtitleBurner::FontError::Reason;
    if (e.reason == Reason::NoFont)
        return ConvertError("cannot draw the subtitles: no font found; set HOTARU_SUBTITLE_FONT to a font file");
    const std::string unusable = "cannot draw the subtitles with " + inQuotes(e.font);
    switch (e.reason) {
    case Reason::Unreadable:
        return ConvertError(unusable + ": it cannot be read");
    case Reason::TooLarge:
        return ConvertError(unusable + ": it is too large for a font");
    case Reason::NotAFont:
        return ConvertError(unusable + ": it is no font FreeType reads");
    case Reason::NoSize:
    case Reason::NoFont:
        break;
    }
    return ConvertError(unusable + ": it has no letters of " + std::to_string(e.pixels) + " pixels");
}

}  // namespace

Transcoder::Transcoder(const std::string& in, const std::string& out, const OutputFormat& format, int scale,
                       const Subtitles* subtitles, bool burnSubtitles)
    : input_(in), out_(out), format_(format), picture_(newFrame())
{
    const AVStream& video = input_.video();
    const int width = video.codecpar->width;
    const int height = video.codecpar->height;
    if (scale % 2 != 0 && (width % 2 != 0 || height % 2 != 0))
        throw ConvertError("cannot encode the pictures of " + inQuotes(in) + " as H.264: their size " +
                           std::to_string(width) + "x" + std::to_string(height) +
                           " is odd, and H.264 in 4:2:0 needs even sides; an AVI or a Matroska file at its own "
                           "size can hold it");
    if (video.time_base.num <= 0 || video.time_base.den <= 0)
        throw ConvertError(inQuotes(in) + " is damaged: its video has no clock");
    openVideoDecoder();

    const std::string container(format.container);
    const AVOutputFormat* writer = av_guess_format(container.c_str(), nullptr, nullptr);
    if (!writer)
        throw ConvertError("cannot write " + inQuotes(out) + ": this build has no " + container + " writer");
    const bool globalHeader = (writer->flags & AVFMT_GLOBALHEADER) != 0;
    // The source's own clock, so every frame keeps its exact time.
    video_ = std::make_unique<H264Encoder>(in, width, height, scale, video.time_base, input_.frameRate(), globalHeader);
    toVideo_ = [this](AVPacket& pkt) { write(pkt, *videoOut_, video_->context().time_base); };
    if (subtitles && burnSubtitles) {
        // Drawn at the enlarged size, so the letters stay sharp.
        try {
            burner_ = std::make_unique<SubtitleBurner>(*subtitles, width * scale, height * scale);
        } catch (const SubtitleBurner::FontError& e) {
            throw fontFailure(e);
        }
        const AVRational clock = video.time_base;
        video_->setOverlay([this, clock](AVFrame& picture, std::int64_t pts) {
            burner_->draw(picture, av_rescale_q(pts, clock, AVRational{1, 1000}));
        });
    } else if (subtitles) {
        subtitles_.emplace(*subtitles, subtitleCodecFor(*subtitles, format.subtitles == SubtitleTrack::MovText), out);
    }
    if (!input_.hasAudio())
        return;
    if (format.sound == SoundHandling::Pcm) {
        pcm_.emplace(input_);
    } else {
        audio_ = std::make_unique<AacEncoder>(in, input_.sampleFormat(), input_.channels(), input_.sampleRate(),
                                              globalHeader);
        toAudio_ = [this](AVPacket& pkt) { write(pkt, *audioOut_, audio_->context().time_base); };
    }
}

void Transcoder::run(const std::string& tempPath, TrailerWriter writeTrailer)
{
    openOutput(tempPath);
    if (subtitles_)
        subtitles_->writeCues(*output_);
    PacketPtr pkt = newPacket();
    PacketPtr soundPacket = newPacket();
    const auto encodeSound = [&](const AVFrame& sound) {
        if (audio_) {
            audio_->encode(sound, toAudio_);
            return;
        }
        pcm_->packet(sound, *audioOut_, *soundPacket);
        check(av_interleaved_write_frame(output_.get(), soundPacket.get()));
    };
    while (input_.read(*pkt)) {
        if (input_.isVideo(*pkt))
            decodeVideo(*pkt);
        else if (input_.isAudio(*pkt))
            input_.decodeAudio(pkt.get(), encodeSound);
        av_packet_unref(pkt.get());
    }
    if (videoFrames_ == 0)
        throw ConvertError(inQuotes(input_.name()) + " holds no video frames");
    video_->finish(toVideo_);
    if (input_.hasAudio())
        input_.decodeAudio(nullptr, encodeSound);
    if (audio_)
        audio_->finish(toAudio_);
    // With faststart the writer moves the data here, reading the file again by its URL.
    finishOutput(*output_, out_, writeTrailer);
}

void Transcoder::check(int rc) const { checkWrite(rc, out_); }

void Transcoder::openVideoDecoder()
{
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_CINEPAK);
    if (!codec)
        throw ConvertError("cannot write " + inQuotes(out_) + ": this build has no Cinepak decoder");
    cinepak_.reset(avcodec_alloc_context3(codec));
    if (!cinepak_)
        throw std::bad_alloc();
    int rc = avcodec_parameters_to_context(cinepak_.get(), input_.video().codecpar);
    if (rc >= 0)
        rc = avcodec_open2(cinepak_.get(), codec, nullptr);
    if (rc < 0)
        throw ConvertError("cannot decode the video of " + inQuotes(input_.name()) + ": " + avErrorText(rc));
}

void Transcoder::openOutput(const std::string& tempPath)
{
    // The writer opens the file again by this name to move the index ahead.
    const std::string url = fileUrl(tempPath);
    AVFormatContext* raw = nullptr;
    check(avformat_alloc_output_context2(&raw, nullptr, std::string(format_.container).c_str(), url.c_str()));
    output_.reset(raw);
    videoOut_ = newStream(video_->context());
    videoOut_->avg_frame_rate = input_.frameRate();
    videoOut_->sample_aspect_ratio = video_->context().sample_aspect_ratio;
    if (audio_)
        audioOut_ = newStream(audio_->context());
    else if (pcm_)
        audioOut_ = &pcm_->addTo(*output_);
    if (subtitles_)
        subtitles_->addTo(*output_);

    check(avio_open(&output_->pb, url.c_str(), AVIO_FLAG_WRITE));
    AVDictionary* options = nullptr;
    if (format_.format == VideoFormat::Mp4)
        for (const auto& [name, value] : Mp4Settings::MuxerOptions)
            av_dict_set(&options, name, value, 0);
    const int rc = avformat_write_header(output_.get(), &options);
    const bool unknownOption = av_dict_count(options) > 0;
    av_dict_free(&options);
    check(rc);
    if (unknownOption)
        throw ConvertError("cannot write " + inQuotes(out_) + ": the " + std::string(format_.container) +
                           " writer does not take the settings given");
}

AVStream* Transcoder::newStream(const AVCodecContext& encoder)
{
    AVStream* st = avformat_new_stream(output_.get(), nullptr);
    if (!st)
        throw std::bad_alloc();
    check(avcodec_parameters_from_context(st->codecpar, &encoder));
    st->time_base = encoder.time_base;
    return st;
}

void Transcoder::decodeVideo(const AVPacket& pkt)
{
    ++videoFrames_;
    const std::string damaged =
        "video frame " + std::to_string(videoFrames_) + " of " + inQuotes(input_.name()) + " is damaged";
    // The decoder passes over much it cannot read; the frame's own lengths must agree.
    frameBytes_.assign(pkt.data, pkt.data + pkt.size);
    if (standardizeCinepakFrame(frameBytes_) == FrameRepair::Malformed)
        throw ConvertError(damaged);

    // Every frame keeps its own time; a missing or repeated one follows the last.
    const AVRational clock = input_.video().time_base;
    std::int64_t pts = pkt.pts != AV_NOPTS_VALUE ? pkt.pts : pkt.dts;
    if (pts == AV_NOPTS_VALUE || pts <= lastPts_)
        pts = lastPts_ + 1;
    const std::int64_t gap = lastPts_ >= 0 ? pts - lastPts_ : 0;
    lastPts_ = pts;
    std::int64_t duration = pkt.duration;
    if (duration <= 0)
        duration = std::max<std::int64_t>(1, av_rescale_q(1, av_inv_q(input_.frameRate()), clock));
    // The MP4 writer keeps how long each frame lasts in 32 bits of its own clock.
    // Matroska's clock is coarser, so what fits an MP4 fits it too.
    const auto mustFit = [&](std::int64_t ticks, int frame) {
        if (av_rescale_q(ticks, clock, videoOut_->time_base) > INT32_MAX)
            throw ConvertError(inQuotes(input_.name()) + " is damaged: its video jumps " +
                               std::to_string(av_rescale_q(ticks, clock, AVRational{1, 1})) + " s ahead after frame " +
                               std::to_string(frame) + ", more than an " + asciiUpper(format_.name) + " can hold");
    };
    mustFit(gap, videoFrames_ - 1);
    mustFit(duration, videoFrames_);

    int rc = avcodec_send_packet(cinepak_.get(), &pkt);
    if (rc < 0)
        throw ConvertError(damaged + ": " + avErrorText(rc));
    int pictures = 0;
    while ((rc = avcodec_receive_frame(cinepak_.get(), picture_.get())) >= 0) {
        ++pictures;
        video_->encode(*picture_, pts, duration, toVideo_);
        av_frame_unref(picture_.get());
    }
    if (rc != AVERROR(EAGAIN) && rc != AVERROR_EOF)
        throw ConvertError(damaged + ": " + avErrorText(rc));
    // Cinepak holds nothing back: one packet, one picture.
    if (pictures != 1)
        throw ConvertError(damaged);
}

void Transcoder::write(AVPacket& pkt, AVStream& stream, AVRational timeBase)
{
    av_packet_rescale_ts(&pkt, timeBase, stream.time_base);
    pkt.stream_index = stream.index;
    check(av_interleaved_write_frame(output_.get(), &pkt));
}

}  // namespace hotaru
