#include "movie/MovieThumbnail.h"

#include "movie/AvHandles.h"
#include "movie/CinepakFrame.h"
#include "movie/FilmSource.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <memory>
#include <span>
#include <utility>

namespace hotaru {

namespace {

// The work one picture may take: frames decoded, packets read in all, and
// packets passed over on the way to the third of the movie.
constexpr int MaxFrames = 60;
constexpr int MaxPackets = 8192;
constexpr int MaxSkipped = MaxPackets / 2;

// A brightness spread (standard deviation of luma, 0..255) below this is a
// blank picture: black, a fade, one flat colour.
constexpr double MinSpread = 10;

// The largest size inside the box with the movie's aspect; never bigger than the movie.
std::pair<int, int> fitted(int width, int height, int maxWidth, int maxHeight)
{
    maxWidth = std::clamp(maxWidth, 1, MaxPictureSide);
    maxHeight = std::clamp(maxHeight, 1, MaxPictureSide);
    const double scale = std::min({1.0, double(maxWidth) / width, double(maxHeight) / height});
    return {std::clamp(int(std::lround(width * scale)), 1, maxWidth),
            std::clamp(int(std::lround(height * scale)), 1, maxHeight)};
}

double lumaSpread(const std::vector<std::uint8_t>& rgb)
{
    double sum = 0, squares = 0;
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
        const double y = 0.299 * rgb[i] + 0.587 * rgb[i + 1] + 0.114 * rgb[i + 2];
        sum += y;
        squares += y * y;
    }
    const double pixels = double(rgb.size() / 3);
    const double mean = sum / pixels;
    return std::sqrt(std::max(0.0, squares / pixels - mean * mean));
}

// Decodes from a third of the way in and keeps the picture that stands for the movie.
class Picker {
public:
    Picker(AVFormatContext& input, AVStream& video, std::pair<int, int> size)
        : input_(input), video_(video), width_(size.first), height_(size.second)
    {
        scaled_->width = width_;
        scaled_->height = height_;
        scaled_->format = AV_PIX_FMT_RGB24;
        if (av_frame_get_buffer(scaled_.get(), 0) < 0)
            throw std::bad_alloc();
    }

    // Into `thumb`; false when the movie cannot be decoded.
    bool pick(Thumbnail& thumb)
    {
        const int entries = avformat_index_get_entries_count(&video_);
        if (entries <= 0 || !openDecoder())
            return false;
        const std::int64_t first = avformat_index_get_entry(&video_, 0)->timestamp;
        target_ = first + (avformat_index_get_entry(&video_, entries - 1)->timestamp - first) / 3;
        const auto [start, keyed] = startFor(target_);
        // FFmpeg's FILM reader counts video frames as table records when it
        // seeks, so with sound between them it lands short of the frame:
        // what comes before that is read but not decoded. A failed seek
        // reads from the start the same way.
        av_seek_frame(&input_, video_.index, start, AVSEEK_FLAG_BACKWARD | (keyed ? 0 : AVSEEK_FLAG_ANY));

        PacketPtr pkt = newPacket();
        bool decoding = false;
        for (int packets = 0; packets < MaxPackets && frames_ < MaxFrames && !chosen_; ++packets) {
            const int rc = av_read_frame(&input_, pkt.get());
            if (rc == AVERROR_EOF)
                break;
            if (rc < 0)
                return false;
            const bool isVideo = pkt->stream_index == video_.index;
            if (isVideo && !decoding)
                decoding = ((!keyed || (pkt->flags & AV_PKT_FLAG_KEY)) && pkt->pts >= start) || packets >= MaxSkipped;
            const bool decoded = !isVideo || !decoding || decode(*pkt);
            av_packet_unref(pkt.get());
            if (!decoded)
                return false;
        }
        if (best_.empty())
            return false;
        thumb.width = width_;
        thumb.height = height_;
        thumb.rgb = std::move(best_);
        return true;
    }

private:
    // Where decoding starts, and whether that is a key frame: the key frame
    // at or before `target`, else the next one; with none marked, any frame.
    std::pair<std::int64_t, bool> startFor(std::int64_t target)
    {
        const AVIndexEntry* e = avformat_index_get_entry_from_timestamp(&video_, target, AVSEEK_FLAG_BACKWARD);
        if (!e)
            e = avformat_index_get_entry_from_timestamp(&video_, target, 0);
        if (e)
            return {e->timestamp, true};
        e = avformat_index_get_entry_from_timestamp(&video_, target, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY);
        return {e ? e->timestamp : target, false};
    }

    // One frame through the decoder, its picture weighed against the best so far.
    bool decode(const AVPacket& pkt)
    {
        // The decoder passes over much it cannot read; the frame's own length must agree.
        if (filmPaddingSize(std::span<const std::uint8_t>(pkt.data, std::size_t(pkt.size))) < 0 ||
            avcodec_send_packet(decoder_.get(), &pkt) < 0)
            return false;
        int rc;
        while ((rc = avcodec_receive_frame(decoder_.get(), picture_.get())) >= 0) {
            ++frames_;
            const bool scaled = scale(*picture_);
            av_frame_unref(picture_.get());
            if (!scaled)
                return false;
            const double spread = lumaSpread(rgb_);
            chosen_ = pkt.pts >= target_ && spread >= MinSpread;
            if (chosen_ || spread > bestSpread_) {
                bestSpread_ = spread;
                best_.swap(rgb_);
            }
            if (chosen_)
                return true;
        }
        return rc == AVERROR(EAGAIN);
    }

    bool openDecoder()
    {
        const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_CINEPAK);
        if (!codec)
            return false;
        decoder_.reset(avcodec_alloc_context3(codec));
        if (!decoder_)
            throw std::bad_alloc();
        return avcodec_parameters_to_context(decoder_.get(), video_.codecpar) >= 0 &&
               avcodec_open2(decoder_.get(), codec, nullptr) >= 0;
    }

    // Into rgb_.
    bool scale(const AVFrame& picture)
    {
        scaler_.reset(sws_getCachedContext(scaler_.release(), picture.width, picture.height,
                                           AVPixelFormat(picture.format), width_, height_, AV_PIX_FMT_RGB24, SWS_AREA,
                                           nullptr, nullptr, nullptr));
        if (!scaler_ || sws_scale(scaler_.get(), picture.data, picture.linesize, 0, picture.height, scaled_->data,
                                  scaled_->linesize) != height_)
            return false;
        const std::size_t row = std::size_t(width_) * 3;
        rgb_.resize(row * std::size_t(height_));
        for (int y = 0; y < height_; ++y)
            std::copy_n(scaled_->data[0] + std::ptrdiff_t(y) * scaled_->linesize[0], row, rgb_.data() + y * row);
        return true;
    }

    AVFormatContext& input_;
    AVStream& video_;
    int width_, height_;
    CodecPtr decoder_;
    ScalerPtr scaler_;
    FramePtr picture_ = newFrame();
    FramePtr scaled_ = newFrame();
    std::int64_t target_ = 0;  // a third of the way in
    int frames_ = 0;           // decoded
    bool chosen_ = false;
    std::vector<std::uint8_t> rgb_, best_;
    double bestSpread_ = -1;
};

}  // namespace

Thumbnail movieThumbnail(const ArchiveRead& read, std::int64_t offset, std::int64_t size, int maxWidth, int maxHeight)
{
    Thumbnail thumb;
    FilmSource source(read, offset, size);
    thumb.movieWidth = source.width();
    thumb.movieHeight = source.height();
    thumb.frameRate = source.frameRate();
    thumb.seconds = source.seconds();
    bool pictured = false;
    if (source.video() && source.layout() == FilmSource::Layout::Fine && thumb.movieWidth > 0) {
        Picker picker(source.input(), *source.video(),
                      fitted(thumb.movieWidth, thumb.movieHeight, maxWidth, maxHeight));
        pictured = picker.pick(thumb);
    }
    // FFmpeg may take a failed read for the end of the movie.
    thumb.damaged = !pictured || source.readFailed();
    if (thumb.damaged) {
        thumb.width = thumb.height = 0;
        thumb.rgb.clear();
    }
    return thumb;
}

}  // namespace hotaru
