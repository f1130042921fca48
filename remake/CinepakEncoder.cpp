#include "remake/CinepakEncoder.h"

#include "remake/MovieRemake.h"

namespace hotaru {

namespace {

// Up to three strips a frame, as the encoder's default keeps it: the most
// the players of Cinepak's own time decode.
constexpr const char* MaxStrips = "3";

}  // namespace

CinepakEncoder::CinepakEncoder(int width, int height, const QualityStep& step) : lambda_(step.lambda)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_CINEPAK);
    if (!codec)
        throw RemakeFailure(RemakeFailure::EncoderMissing);
    if (width <= 0 || height <= 0 || width % 4 != 0 || height % 4 != 0)
        throw RemakeFailure(RemakeFailure::PictureSizeUnsupported);
    context_.reset(avcodec_alloc_context3(codec));
    if (!context_)
        throw std::bad_alloc();
    AVCodecContext& c = *context_;
    c.width = width;
    c.height = height;
    c.pix_fmt = AV_PIX_FMT_RGB24;
    c.time_base = AVRational{1, 15};  // the encoder needs one; the FILM writer keeps the real times
    c.gop_size = step.keyInterval;
    c.global_quality = step.lambda;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "max_strips", MaxStrips, 0);
    const int rc = avcodec_open2(&c, codec, &options);
    av_dict_free(&options);
    if (rc < 0)
        throw RemakeFailure(RemakeFailure::EncoderFailed);
}

CinepakEncoder::Frame CinepakEncoder::encode(AVFrame& picture)
{
    // The encoder takes its lambda from each picture, less one.
    picture.quality = lambda_ + 1;
    picture.pts = pts_++;
    Frame out;
    int rc = avcodec_send_frame(context_.get(), &picture);
    if (rc < 0)
        throw RemakeFailure(RemakeFailure::EncoderFailed);
    int frames = 0;
    while ((rc = avcodec_receive_packet(context_.get(), packet_.get())) >= 0) {
        ++frames;
        out.bytes.assign(packet_->data, packet_->data + packet_->size);
        out.key = (packet_->flags & AV_PKT_FLAG_KEY) != 0;
        av_packet_unref(packet_.get());
    }
    // Cinepak holds nothing back: one picture, one frame.
    if (rc != AVERROR(EAGAIN) || frames != 1)
        throw RemakeFailure(RemakeFailure::EncoderFailed);
    return out;
}

}  // namespace hotaru
