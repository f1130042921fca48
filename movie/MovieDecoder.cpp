#include "movie/MovieDecoder.h"

#include "movie/CinepakFrame.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cmath>
#include <span>
#include <tuple>
#include <utility>

namespace hotaru {

namespace {

// FILM's sound is mono or stereo at CD rates or below; anything else is a
// damaged header.
constexpr int MaxSampleRate = 48000;
constexpr int MaxChannels = 2;

CodecPtr openDecoder(const AVCodecParameters& parameters)
{
    const AVCodec* codec = avcodec_find_decoder(parameters.codec_id);
    if (!codec)
        return nullptr;
    CodecPtr decoder(avcodec_alloc_context3(codec));
    if (!decoder)
        throw std::bad_alloc();
    if (avcodec_parameters_to_context(decoder.get(), &parameters) < 0 ||
        avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return nullptr;
    return decoder;
}

// The video's tick at `seconds`, rounded down; a hair's slack keeps a
// frame's own time from landing on the tick before it.
std::int64_t tickAt(const AVStream& video, double seconds)
{
    const double ticks = std::floor(seconds / av_q2d(video.time_base) + 1e-6);
    return ticks < double(INT64_MAX / 2) ? std::int64_t(ticks) : INT64_MAX / 2;
}

// Where decoding starts to show the frame at `target`, and whether that is
// a key frame; nothing for the movie's start.
std::optional<std::pair<std::int64_t, bool>> startFor(AVStream& video, std::int64_t target, MovieDecoder::From from)
{
    if (const AVIndexEntry* e = avformat_index_get_entry_from_timestamp(&video, target, AVSEEK_FLAG_BACKWARD))
        return std::pair{e->timestamp, true};
    if (from == MovieDecoder::From::KeyOrStart)
        return std::nullopt;
    if (const AVIndexEntry* e = avformat_index_get_entry_from_timestamp(&video, target, 0))
        return std::pair{e->timestamp, true};
    const AVIndexEntry* e =
        avformat_index_get_entry_from_timestamp(&video, target, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY);
    return std::pair{e ? e->timestamp : target, false};
}

}  // namespace

MovieDecoder::MovieDecoder(ArchiveRead read, std::int64_t offset, std::int64_t size, Sound sound)
    : read_(std::move(read)), source_(read_, offset, size)
{
    AVStream* video = source_.opened() ? source_.video() : nullptr;
    if (!video || source_.width() == 0)
        return;
    picture_ = openDecoder(*video->codecpar);
    if (!picture_)
        return;
    scalePictures(source_.width(), source_.height());
    const AVStream* heard = sound == Sound::With ? source_.sound() : nullptr;
    if (!heard)
        return;
    const int rate = heard->codecpar->sample_rate;
    const int channels = heard->codecpar->ch_layout.nb_channels;
    if (rate > 0 && rate <= MaxSampleRate && channels > 0 && channels <= MaxChannels) {
        sound_ = openDecoder(*heard->codecpar);
        if (sound_) {
            sampleRate_ = rate;
            channels_ = channels;
        }
    }
}

MovieDecoder::~MovieDecoder() = default;

void MovieDecoder::scalePictures(int width, int height)
{
    av_frame_unref(scaled_.get());
    scaled_->width = width;
    scaled_->height = height;
    scaled_->format = AV_PIX_FMT_RGB24;
    if (av_frame_get_buffer(scaled_.get(), 0) < 0)
        throw std::bad_alloc();
}

bool MovieDecoder::seek(double seconds, From from)
{
    pending_.clear();
    if (picture_)
        avcodec_flush_buffers(picture_.get());
    if (sound_)
        avcodec_flush_buffers(sound_.get());
    resampler_.reset();  // nothing it holds belongs after the seek
    waitFor_ = -1;
    keyed_ = true;
    readSinceSeek_ = 0;
    maxPassedOver_ = from == From::NearestKey ? MaxPassedOver : INT_MAX;
    lastTime_ = failedAt_ = 0;
    AVStream* video = opened() ? source_.video() : nullptr;
    if (!video)
        return false;
    if (from == From::KeyOrStart && !(seconds > 0))
        return toStart();
    const auto start = startFor(*video, tickAt(*video, seconds), from);
    if (!start)
        return toStart();
    atStart_ = false;
    std::tie(waitFor_, keyed_) = *start;
    // FFmpeg's FILM reader counts video frames as table records when it
    // seeks, so with sound between them it lands short: step() passes over
    // the pictures before the frame.
    return source_.seek(video->index, waitFor_, AVSEEK_FLAG_BACKWARD | (keyed_ ? 0 : AVSEEK_FLAG_ANY));
}

bool MovieDecoder::toStart()
{
    if (atStart_)
        return true;
    AVStream& video = *source_.video();
    // The first table record: the video's earliest frame, in record terms.
    const AVIndexEntry* first = avformat_index_get_entry(&video, 0);
    atStart_ = first && source_.seek(video.index, first->timestamp, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY);
    return atStart_;
}

MovieDecoder::Step MovieDecoder::step()
{
    if (!opened())
        return Step::End;
    atStart_ = false;
    AVFormatContext& input = source_.input();
    const int rc = av_read_frame(&input, packet_.get());
    if (rc == AVERROR_EOF && !source_.readFailed())
        return Step::End;
    if (rc < 0) {
        failedAt_ = lastTime_;
        return Step::Failed;
    }
    const AVPacket& pkt = *packet_;
    const AVStream& stream = *input.streams[pkt.stream_index];
    const double time = pkt.pts == AV_NOPTS_VALUE ? lastTime_ : double(pkt.pts) * av_q2d(stream.time_base);
    bool decoded = true;
    if (pkt.stream_index == source_.video()->index)
        decoded = passOver(pkt) || decodePicture(pkt);
    else if (sound_ && pkt.stream_index == source_.sound()->index)
        decoded = decodeSound(pkt);
    ++readSinceSeek_;
    av_packet_unref(packet_.get());
    if (!decoded) {
        failedAt_ = time;
        return Step::Failed;
    }
    lastTime_ = std::max(lastTime_, time);
    return Step::Read;
}

std::optional<MoviePiece> MovieDecoder::take()
{
    if (pending_.empty())
        return std::nullopt;
    MoviePiece piece = std::move(pending_.front());
    pending_.pop_front();
    return piece;
}

// Before the frame a seek aims at, pictures would decode from nothing.
bool MovieDecoder::passOver(const AVPacket& pkt)
{
    if (waitFor_ < 0)
        return false;
    if (((!keyed_ || (pkt.flags & AV_PKT_FLAG_KEY)) && pkt.pts >= waitFor_) || readSinceSeek_ >= maxPassedOver_)
        waitFor_ = -1;
    return waitFor_ >= 0;
}

bool MovieDecoder::decodePicture(const AVPacket& pkt)
{
    // The decoder passes over much it cannot read; the frame's own length must agree.
    if (filmPaddingSize(std::span<const std::uint8_t>(pkt.data, std::size_t(pkt.size))) < 0 ||
        avcodec_send_packet(picture_.get(), &pkt) < 0)
        return false;
    const AVStream& video = *source_.video();
    int rc;
    while ((rc = avcodec_receive_frame(picture_.get(), frame_.get())) >= 0) {
        const double time = double(frame_->pts) * av_q2d(video.time_base);
        bool converted = true;
        if (time + 1e-6 >= from_) {
            MoviePiece out{MoviePiece::Kind::Picture, time, {}, {}};
            converted = convert(*frame_, out.rgb);
            if (converted)
                pending_.emplace_back(std::move(out));
        }
        av_frame_unref(frame_.get());
        if (!converted)
            return false;
    }
    return rc == AVERROR(EAGAIN);
}

bool MovieDecoder::convert(const AVFrame& f, std::vector<std::uint8_t>& rgb)
{
    const AVStream& video = *source_.video();
    if (f.width != video.codecpar->width || f.height != video.codecpar->height)
        return false;  // a frame may not change the movie's size
    const int width = scaled_->width, height = scaled_->height;
    // At the movie's own size, the pixels as they are; smaller, averaged.
    const int flags = width == f.width && height == f.height ? SWS_POINT : SWS_AREA;
    scaler_.reset(sws_getCachedContext(scaler_.release(), f.width, f.height, AVPixelFormat(f.format), width, height,
                                       AV_PIX_FMT_RGB24, flags, nullptr, nullptr, nullptr));
    if (!scaler_ ||
        sws_scale(scaler_.get(), f.data, f.linesize, 0, f.height, scaled_->data, scaled_->linesize) != height)
        return false;
    // Scaled into a frame of FFmpeg's own alignment, then packed row by row.
    const std::size_t row = std::size_t(width) * 3;
    rgb.resize(row * std::size_t(height));
    for (int y = 0; y < height; ++y)
        std::copy_n(scaled_->data[0] + std::ptrdiff_t(y) * scaled_->linesize[0], row, rgb.data() + y * row);
    return true;
}

bool MovieDecoder::decodeSound(const AVPacket& pkt)
{
    if (avcodec_send_packet(sound_.get(), &pkt) < 0)
        return false;
    int rc;
    while ((rc = avcodec_receive_frame(sound_.get(), frame_.get())) >= 0) {
        const bool converted = convertSound(*frame_);
        av_frame_unref(frame_.get());
        if (!converted)
            return false;
    }
    return rc == AVERROR(EAGAIN);
}

bool MovieDecoder::convertSound(const AVFrame& f)
{
    const AVStream& heard = *source_.sound();
    if (f.sample_rate != sampleRate_ || f.ch_layout.nb_channels != heard.codecpar->ch_layout.nb_channels)
        return false;  // nor may the sound change its format
    if (!resampler_) {
        AVChannelLayout out;
        av_channel_layout_default(&out, channels_);
        SwrContext* raw = nullptr;
        AVChannelLayout in = f.ch_layout;  // FFmpeg 5.1 takes it by pointer to non-const
        const int rc = swr_alloc_set_opts2(&raw, &out, AV_SAMPLE_FMT_S16, sampleRate_, &in, AVSampleFormat(f.format),
                                           sampleRate_, 0, nullptr);
        resampler_.reset(raw);
        if (rc < 0 || swr_init(resampler_.get()) < 0)
            return false;
    }
    MoviePiece out{MoviePiece::Kind::Sound, 0, {}, {}};
    out.time = f.pts == AV_NOPTS_VALUE ? 0 : double(f.pts) * av_q2d(heard.time_base);
    out.samples.resize(std::size_t(f.nb_samples) * std::size_t(channels_));
    std::uint8_t* planes[1] = {reinterpret_cast<std::uint8_t*>(out.samples.data())};
    const int n = swr_convert(resampler_.get(), planes, f.nb_samples, const_cast<const std::uint8_t**>(f.extended_data),
                              f.nb_samples);
    if (n < 0)
        return false;
    out.samples.resize(std::size_t(n) * std::size_t(channels_));
    // What lies before `from_` is cut off, to the sample.
    if (out.time < from_) {
        const auto cut = std::size_t(std::lround((from_ - out.time) * sampleRate_)) * std::size_t(channels_);
        out.samples.erase(out.samples.begin(), out.samples.begin() + std::ptrdiff_t(std::min(cut, out.samples.size())));
        out.time = from_;
    }
    if (!out.samples.empty())
        pending_.emplace_back(std::move(out));
    return true;
}

}  // namespace hotaru
