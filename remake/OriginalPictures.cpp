#include "remake/OriginalPictures.h"

#include "movie/CinepakFrame.h"
#include "remake/MovieRemake.h"

namespace hotaru {

namespace {

void allocate(AVFrame& f, AVPixelFormat format, int width, int height)
{
    f.format = format;
    f.width = width;
    f.height = height;
    if (av_frame_get_buffer(&f, 0) < 0)
        throw std::bad_alloc();
}

}  // namespace

OriginalPictures::OriginalPictures(int width, int height, const Subtitles& subtitles)
    : width_(width), height_(height), subtitles_(subtitles)
{
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_CINEPAK);
    if (!codec)
        throw RemakeFailure(RemakeFailure::EncoderMissing);
    decoder_.reset(avcodec_alloc_context3(codec));
    if (!decoder_)
        throw std::bad_alloc();
    decoder_->width = width;
    decoder_->height = height;
    if (avcodec_open2(decoder_.get(), codec, nullptr) < 0)
        throw RemakeFailure(RemakeFailure::EncoderMissing);
    try {
        burner_ = std::make_unique<SubtitleBurner>(subtitles, width, height);
    } catch (const SubtitleBurner::FontError& e) {
        throw RemakeFailure(RemakeFailure::NoFont, e.font);
    }
    allocate(*yuv_, AV_PIX_FMT_YUV420P, width, height);
    allocate(*rgb_, AV_PIX_FMT_RGB24, width, height);
}

void OriginalPictures::convert(const AVFrame& from, AVFrame& to, ScalerPtr& scaler)
{
    scaler.reset(sws_getCachedContext(scaler.release(), from.width, from.height, AVPixelFormat(from.format), to.width,
                                      to.height, AVPixelFormat(to.format), SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!scaler || av_frame_make_writable(&to) < 0)
        throw std::bad_alloc();
    sws_scale(scaler.get(), from.data, from.linesize, 0, from.height, to.data, to.linesize);
}

AVFrame& OriginalPictures::picture(const std::vector<std::uint8_t>& filmFrame, std::int64_t ms)
{
    // The decoder passes over much it cannot read; the frame's own lengths must agree.
    frame_ = filmFrame;
    if (standardizeCinepakFrame(frame_) == FrameRepair::Malformed)
        throw RemakeFailure(RemakeFailure::OriginalUnreadable);
    av_packet_unref(packet_.get());
    if (av_new_packet(packet_.get(), static_cast<int>(frame_.size())) < 0)
        throw std::bad_alloc();
    std::copy(frame_.begin(), frame_.end(), packet_->data);
    av_frame_unref(decoded_.get());
    if (avcodec_send_packet(decoder_.get(), packet_.get()) < 0 ||
        avcodec_receive_frame(decoder_.get(), decoded_.get()) < 0)
        throw RemakeFailure(RemakeFailure::OriginalUnreadable);
    if (!cueAt(subtitles_, ms)) {
        if (decoded_->format == AV_PIX_FMT_RGB24 && decoded_->width == width_ && decoded_->height == height_)
            return *decoded_;
        convert(*decoded_, *rgb_, toRgb_);
        return *rgb_;
    }
    // The burner draws into YUV 4:2:0; only pictures with a cue go there and back.
    convert(*decoded_, *yuv_, toYuv_);
    burner_->draw(*yuv_, ms);
    convert(*yuv_, *rgb_, toRgb_);
    return *rgb_;
}

}  // namespace hotaru
