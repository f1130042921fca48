#include "movie/MovieStream.h"

#include "movie/AvHandles.h"
#include "movie/CinepakFrame.h"
#include "movie/FilmSource.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cmath>
#include <deque>
#include <span>
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

}  // namespace

// The open decoders of one pass through the movie, and what they have
// decoded but not yet handed out.
class MovieStream::Decoders {
public:
    Decoders(AVStream& video, AVStream* sound, int channels) : video_(video), sound_(sound), channels_(channels)
    {
        picture_ = openDecoder(*video.codecpar);
        if (sound && channels > 0)
            audio_ = openDecoder(*sound->codecpar);
    }

    bool ready() const { return picture_ != nullptr; }
    bool hasSound() const { return audio_ != nullptr; }

    // The packet's pictures and sound into the pending pieces; false when it
    // cannot be decoded. Pieces that end before `from` are decoded (pictures
    // need the frames before them) but neither converted nor kept.
    bool decode(const AVPacket& pkt, double from)
    {
        if (pkt.stream_index == video_.index)
            return decodePicture(pkt, from);
        if (sound_ && pkt.stream_index == sound_->index && audio_)
            return decodeSound(pkt, from);
        return true;
    }

    std::deque<MoviePiece> pending;

private:
    bool decodePicture(const AVPacket& pkt, double from)
    {
        // The decoder passes over much it cannot read; the frame's own length must agree.
        if (filmPaddingSize(std::span<const std::uint8_t>(pkt.data, std::size_t(pkt.size))) < 0 ||
            avcodec_send_packet(picture_.get(), &pkt) < 0)
            return false;
        int rc;
        while ((rc = avcodec_receive_frame(picture_.get(), frame_.get())) >= 0) {
            const double time = double(frame_->pts) * av_q2d(video_.time_base);
            bool converted = true;
            if (time + 1e-6 >= from) {
                MoviePiece out{MoviePiece::Kind::Picture, time, {}, {}};
                converted = convert(*frame_, out.rgb);
                if (converted)
                    pending.emplace_back(std::move(out));
            }
            av_frame_unref(frame_.get());
            if (!converted)
                return false;
        }
        return rc == AVERROR(EAGAIN);
    }

    bool convert(const AVFrame& f, std::vector<std::uint8_t>& rgb)
    {
        if (f.width != video_.codecpar->width || f.height != video_.codecpar->height)
            return false;  // a frame may not change the movie's size
        scaler_.reset(sws_getCachedContext(scaler_.release(), f.width, f.height, AVPixelFormat(f.format), f.width,
                                           f.height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr));
        if (!scaler_)
            return false;
        rgb.resize(std::size_t(f.width) * std::size_t(f.height) * 3);
        std::uint8_t* planes[4] = {rgb.data(), nullptr, nullptr, nullptr};
        int strides[4] = {f.width * 3, 0, 0, 0};
        return sws_scale(scaler_.get(), f.data, f.linesize, 0, f.height, planes, strides) == f.height;
    }

    bool decodeSound(const AVPacket& pkt, double from)
    {
        if (avcodec_send_packet(audio_.get(), &pkt) < 0)
            return false;
        int rc;
        while ((rc = avcodec_receive_frame(audio_.get(), frame_.get())) >= 0) {
            const bool converted = convertSound(*frame_, from);
            av_frame_unref(frame_.get());
            if (!converted)
                return false;
        }
        return rc == AVERROR(EAGAIN);
    }

    bool convertSound(const AVFrame& f, double from)
    {
        const int rate = audio_->sample_rate;
        if (f.sample_rate != rate || f.ch_layout.nb_channels != sound_->codecpar->ch_layout.nb_channels)
            return false;  // nor may the sound change its format
        if (!resampler_) {
            AVChannelLayout out;
            av_channel_layout_default(&out, channels_);
            SwrContext* raw = nullptr;
            AVChannelLayout in = f.ch_layout;  // FFmpeg 5.1 takes it by pointer to non-const
            const int rc = swr_alloc_set_opts2(&raw, &out, AV_SAMPLE_FMT_S16, rate, &in, AVSampleFormat(f.format), rate,
                                               0, nullptr);
            resampler_.reset(raw);
            if (rc < 0 || swr_init(resampler_.get()) < 0)
                return false;
        }
        MoviePiece out{MoviePiece::Kind::Sound, 0, {}, {}};
        out.time = f.pts == AV_NOPTS_VALUE ? 0 : double(f.pts) * av_q2d(sound_->time_base);
        out.samples.resize(std::size_t(f.nb_samples) * std::size_t(channels_));
        std::uint8_t* planes[1] = {reinterpret_cast<std::uint8_t*>(out.samples.data())};
        const int n = swr_convert(resampler_.get(), planes, f.nb_samples,
                                  const_cast<const std::uint8_t**>(f.extended_data), f.nb_samples);
        if (n < 0)
            return false;
        out.samples.resize(std::size_t(n) * std::size_t(channels_));
        // What lies before `from` is cut off, to the sample.
        if (out.time < from) {
            const auto cut = std::size_t(std::lround((from - out.time) * rate)) * std::size_t(channels_);
            out.samples.erase(out.samples.begin(),
                              out.samples.begin() + std::ptrdiff_t(std::min(cut, out.samples.size())));
            out.time = from;
        }
        if (!out.samples.empty())
            pending.emplace_back(std::move(out));
        return true;
    }

    AVStream& video_;
    AVStream* sound_;
    int channels_;
    CodecPtr picture_, audio_;
    FramePtr frame_ = newFrame();
    ScalerPtr scaler_;
    ResamplerPtr resampler_;
};

MovieStream::MovieStream(ArchiveRead read, std::int64_t offset, std::int64_t size)
    : read_(std::move(read)), offset_(offset), size_(size)
{
    if (!open())
        fail(0);
}

MovieStream::~MovieStream() = default;

bool MovieStream::opened() const { return decoders_ != nullptr; }

bool MovieStream::open()
{
    decoders_.reset();
    source_ = std::make_unique<FilmSource>(read_, offset_, size_);
    AVStream* video = source_->opened() ? source_->video() : nullptr;
    if (!video || source_->width() == 0)
        return false;
    width_ = source_->width();
    height_ = source_->height();
    frameRate_ = source_->frameRate();
    seconds_ = source_->seconds();
    sampleRate_ = channels_ = 0;
    if (const AVStream* sound = source_->sound()) {
        const int rate = sound->codecpar->sample_rate;
        const int channels = sound->codecpar->ch_layout.nb_channels;
        if (rate > 0 && rate <= MaxSampleRate && channels > 0 && channels <= MaxChannels) {
            sampleRate_ = rate;
            channels_ = channels;
        }
    }
    auto decoders = std::make_unique<Decoders>(*video, source_->sound(), channels_);
    if (!decoders->ready())
        return false;
    if (!decoders->hasSound())
        sampleRate_ = channels_ = 0;
    decoders_ = std::move(decoders);
    return true;
}

void MovieStream::fail(double at)
{
    damaged_ = true;
    damagedAt_ = std::max(at, skipUntil_);
    ended_ = true;
}

std::optional<MoviePiece> MovieStream::next()
{
    if (!decoders_)
        return std::nullopt;
    PacketPtr pkt = newPacket();
    while (decoders_->pending.empty() && !ended_) {
        const int rc = av_read_frame(&source_->input(), pkt.get());
        if (rc == AVERROR_EOF && !source_->readFailed()) {
            ended_ = true;
            break;
        }
        if (rc < 0) {
            fail(lastTime_);
            break;
        }
        const AVStream& stream = *source_->input().streams[pkt->stream_index];
        const double time = pkt->pts == AV_NOPTS_VALUE ? lastTime_ : double(pkt->pts) * av_q2d(stream.time_base);
        // Before the first key frame a seek lands on, pictures would decode
        // from nothing: they are passed over.
        const bool passOver = pkt->stream_index == source_->video()->index && waitForKey_ >= 0 &&
                              !((pkt->flags & AV_PKT_FLAG_KEY) && pkt->pts >= waitForKey_);
        if (!passOver)
            waitForKey_ = pkt->stream_index == source_->video()->index ? -1 : waitForKey_;
        const bool decoded = passOver || decoders_->decode(*pkt, skipUntil_);
        av_packet_unref(pkt.get());
        if (!decoded) {
            fail(time);
            break;
        }
        lastTime_ = std::max(lastTime_, time);
    }
    if (decoders_->pending.empty())
        return std::nullopt;
    MoviePiece piece = std::move(decoders_->pending.front());
    decoders_->pending.pop_front();
    return piece;
}

void MovieStream::seek(double seconds)
{
    damaged_ = ended_ = false;
    damagedAt_ = lastTime_ = 0;
    skipUntil_ = std::clamp(seconds, 0.0, std::max(0.0, seconds_));
    waitForKey_ = -1;
    if (!open()) {
        fail(0);
        return;
    }
    // From the key frame at or before the spot. FFmpeg's FILM reader counts
    // video frames as table records when it seeks, so with sound between
    // them it lands short: what comes before the key frame is passed over.
    AVStream& video = *source_->video();
    const auto target = std::int64_t(skipUntil_ / av_q2d(video.time_base));
    if (const AVIndexEntry* key = avformat_index_get_entry_from_timestamp(&video, target, AVSEEK_FLAG_BACKWARD);
        key && skipUntil_ > 0) {
        if (av_seek_frame(&source_->input(), video.index, key->timestamp, AVSEEK_FLAG_BACKWARD) >= 0)
            waitForKey_ = key->timestamp;
        else if (!open())  // a failed seek may leave the reader anywhere
            fail(0);
    }
}

}  // namespace hotaru
