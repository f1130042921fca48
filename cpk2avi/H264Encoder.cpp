#include "cpk2avi/H264Encoder.h"

#include "cpk2avi/ConvertError.h"
#include "cpk2avi/Mp4Settings.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <cstring>

namespace hotaru {

H264Encoder::H264Encoder(const std::string& source, int width, int height, int scale, AVRational timeBase,
                         AVRational frameRate, bool globalHeader)
    : source_(source), width_(width), height_(height), scale_(scale), yuv_(newFrame()), packet_(newPacket())
{
    width *= scale;
    height *= scale;
    const AVCodec* codec = avcodec_find_encoder_by_name(Mp4Settings::VideoEncoder);
    if (!codec)
        throw ConvertError(std::string("cannot write MP4: this build has no ") + Mp4Settings::VideoEncoder +
                           " encoder");
    encoder_.reset(avcodec_alloc_context3(codec));
    if (!encoder_)
        throw std::bad_alloc();
    encoder_->width = width;
    encoder_->height = height;
    encoder_->pix_fmt = AV_PIX_FMT_YUV420P;
    encoder_->sample_aspect_ratio = AVRational{1, 1};  // square pixels, so players do not stretch them
    encoder_->time_base = timeBase;
    encoder_->framerate = frameRate;
    if (globalHeader)
        encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    AVDictionary* options = nullptr;
    for (const auto& [name, value] : Mp4Settings::VideoOptions)
        av_dict_set(&options, name, value, 0);
    const int rc = avcodec_open2(encoder_.get(), codec, &options);
    const bool unknownOption = av_dict_count(options) > 0;
    av_dict_free(&options);
    if (rc < 0)
        throw ConvertError("cannot start the H.264 encoder for " + inQuotes(source_) + ": " + avErrorText(rc));
    if (unknownOption)
        throw ConvertError("cannot start the H.264 encoder: it does not take the settings given");

    yuv_->format = AV_PIX_FMT_YUV420P;
    yuv_->width = width;
    yuv_->height = height;
    if (av_frame_get_buffer(yuv_.get(), 0) < 0)
        throw std::bad_alloc();
}

void H264Encoder::ScalerDeleter::operator()(SwsContext* s) const { sws_freeContext(s); }

void H264Encoder::encode(const AVFrame& picture, std::int64_t pts, std::int64_t duration, const PacketSink& sink)
{
    if (picture.width != width_ || picture.height != height_)
        throw ConvertError("the picture size of " + inQuotes(source_) + " changes midway");
    convert(scale_ > 1 ? enlarged(picture) : picture);
    if (overlay_)
        overlay_(*yuv_, pts);
    yuv_->pts = pts;
    durations_[pts] = duration;
    if (const int rc = avcodec_send_frame(encoder_.get(), yuv_.get()); rc < 0)
        fail(rc);
    drain(sink);
}

void H264Encoder::finish(const PacketSink& sink)
{
    if (const int rc = avcodec_send_frame(encoder_.get(), nullptr); rc < 0)
        fail(rc);
    drain(sink);
}

void H264Encoder::convert(const AVFrame& picture)
{
    if (!scaler_ || scalerFormat_ != picture.format) {
        scaler_.reset(sws_alloc_context());
        if (!scaler_)
            throw std::bad_alloc();
        scalerFormat_ = picture.format;
        // Flags by name, as the ffmpeg command takes them.
        const bool set = av_opt_set_int(scaler_.get(), "srcw", picture.width, 0) >= 0 &&
                         av_opt_set_int(scaler_.get(), "srch", picture.height, 0) >= 0 &&
                         av_opt_set_int(scaler_.get(), "src_format", picture.format, 0) >= 0 &&
                         av_opt_set_int(scaler_.get(), "dstw", picture.width, 0) >= 0 &&
                         av_opt_set_int(scaler_.get(), "dsth", picture.height, 0) >= 0 &&
                         av_opt_set_int(scaler_.get(), "dst_format", AV_PIX_FMT_YUV420P, 0) >= 0 &&
                         av_opt_set(scaler_.get(), "sws_flags", Mp4Settings::ScaleFlags, 0) >= 0;
        if (!set || sws_init_context(scaler_.get(), nullptr, nullptr) < 0)
            throw ConvertError("cannot convert the pictures of " + inQuotes(source_) + " to YUV 4:2:0");
    }
    // The encoder may still hold the last picture.
    if (av_frame_make_writable(yuv_.get()) < 0)
        throw std::bad_alloc();
    if (sws_scale(scaler_.get(), picture.data, picture.linesize, 0, picture.height, yuv_->data, yuv_->linesize) < 0)
        throw ConvertError("cannot convert the pictures of " + inQuotes(source_) + " to YUV 4:2:0");
}

// Each pixel as a scale_ x scale_ block: nearest neighbour, nothing blurred.
const AVFrame& H264Encoder::enlarged(const AVFrame& picture)
{
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(picture.format));
    if (!desc || desc->nb_components == 0 || (desc->flags & AV_PIX_FMT_FLAG_PLANAR) != 0 || desc->comp[0].step <= 0 ||
        (desc->flags & AV_PIX_FMT_FLAG_BITSTREAM) != 0)
        throw ConvertError("cannot enlarge the pictures of " + inQuotes(source_) + ": their pixel format is unusual");
    if (!large_ || large_->format != picture.format) {
        large_ = newFrame();
        large_->format = picture.format;
        large_->width = picture.width * scale_;
        large_->height = picture.height * scale_;
        if (av_frame_get_buffer(large_.get(), 0) < 0)
            throw std::bad_alloc();
    }
    if (av_frame_make_writable(large_.get()) < 0)
        throw std::bad_alloc();
    const int step = desc->comp[0].step;  // bytes per pixel of a packed format
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* from = picture.data[0] + std::ptrdiff_t(y) * picture.linesize[0];
        std::uint8_t* row = large_->data[0] + std::ptrdiff_t(y) * scale_ * large_->linesize[0];
        std::uint8_t* to = row;
        for (int x = 0; x < picture.width; ++x, from += step)
            for (int i = 0; i < scale_; ++i, to += step)
                std::memcpy(to, from, static_cast<std::size_t>(step));
        for (int i = 1; i < scale_; ++i)
            std::memcpy(row + std::ptrdiff_t(i) * large_->linesize[0], row,
                        static_cast<std::size_t>(step) * static_cast<std::size_t>(large_->width));
    }
    // A palette goes with its pictures.
    if ((desc->flags & AV_PIX_FMT_FLAG_PAL) != 0 && picture.data[1])
        std::memcpy(large_->data[1], picture.data[1], AVPALETTE_SIZE);
    return *large_;
}

void H264Encoder::drain(const PacketSink& sink)
{
    int rc;
    while ((rc = avcodec_receive_packet(encoder_.get(), packet_.get())) >= 0) {
        // x264 keeps each picture's pts, not how long it is shown.
        if (const auto it = durations_.find(packet_->pts); it != durations_.end()) {
            packet_->duration = it->second;
            durations_.erase(it);
        }
        sink(*packet_);
        av_packet_unref(packet_.get());
    }
    if (rc != AVERROR(EAGAIN) && rc != AVERROR_EOF)
        fail(rc);
}

void H264Encoder::fail(int rc) const
{
    throw ConvertError("cannot encode the video of " + inQuotes(source_) + ": " + avErrorText(rc));
}

}  // namespace hotaru
