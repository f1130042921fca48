#include "dialogs/MovieFeed.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>

namespace dialogs {

namespace {

// How far ahead the decoding thread runs. Pictures and sound come
// interleaved, so it stops once both have enough, or either has a lot: the
// most it holds is a few seconds of a movie, never the whole.
constexpr std::size_t EnoughPictures = 8;
constexpr std::size_t MostPictures = 64;
constexpr double EnoughSound = 0.5;  // seconds
constexpr double MostSound = 8;

constexpr double CatchUpSeconds = 0.25;
// Sound pieces' times are rounded; closer than this they follow on.
constexpr double SoundJitterSeconds = 0.002;

}  // namespace

MovieFeed::MovieFeed(MoviePlayer::StreamMaker make, std::function<void()> opened)
    : thread_([this, make = std::move(make), opened = std::move(opened)] { run(make, opened); })
{
}

MovieFeed::~MovieFeed()
{
    // A read on a scratched stretch gives up at once instead of retrying.
    leaving_.store(true);
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

MovieFeed::Info MovieFeed::info()
{
    const std::lock_guard lock(mutex_);
    return info_;
}

void MovieFeed::seek(double seconds)
{
    {
        const std::lock_guard lock(mutex_);
        seekTo_ = seconds;
        clear();
        timeline_.restart(seconds);
    }
    wake_.notify_all();
}

void MovieFeed::dropSound()
{
    {
        const std::lock_guard lock(mutex_);
        dropSound_ = true;
        sound_.clear();
        soundOffset_ = soundSamples_ = 0;
    }
    wake_.notify_all();
}

std::optional<hotaru::MoviePiece> MovieFeed::takePicture(std::optional<double> now, int& passedOver)
{
    std::optional<hotaru::MoviePiece> due;
    {
        const std::lock_guard lock(mutex_);
        while (!pictures_.empty() && (!now || pictures_.front().time <= *now)) {
            if (due)
                ++passedOver;
            due = std::move(pictures_.front());
            pictures_.pop_front();
            if (!now || pictures_.empty() || *now - pictures_.front().time < CatchUpSeconds)
                break;
        }
    }
    if (due)
        wake_.notify_all();
    return due;
}

qint64 MovieFeed::readSound(char* out, qint64 bytes)
{
    bool took = false;
    qint64 filled = 0;
    {
        const std::lock_guard lock(mutex_);
        const int rate = std::max(1, info_.sampleRate), channels = std::max(1, info_.channels);
        const qint64 frameBytes = 2 * channels;
        bytes = std::max<qint64>(0, bytes - bytes % frameBytes);
        while (filled < bytes && !sound_.empty()) {
            const std::vector<std::int16_t>& front = sound_.front().samples;
            const double at = sound_.front().time + double(soundOffset_ / std::size_t(channels)) / rate;
            const std::optional<double> next = timeline_.nextTime();
            if (next && at > *next + SoundJitterSeconds) {
                // A gap in the movie's sound: silence in its place, so what
                // follows is heard at its own time.
                const qint64 n = std::min(std::llround((at - *next) * rate) * frameBytes, bytes - filled);
                std::memset(out + filled, 0, std::size_t(n));
                timeline_.handed(*next, n);
                filled += n;
                continue;
            }
            std::size_t skip = 0;
            if (next && at < *next - SoundJitterSeconds)
                skip = std::size_t(std::llround((*next - at) * rate)) * std::size_t(channels);  // heard already
            std::size_t n = std::min(front.size() - soundOffset_, std::size_t(bytes - filled) / 2);
            n -= n % std::size_t(channels);
            if (skip > 0 || n == 0) {
                n = std::min(std::max<std::size_t>(skip, 1), front.size() - soundOffset_);
            } else {
                std::memcpy(out + filled, front.data() + soundOffset_, n * 2);
                timeline_.handed(at, qint64(n * 2));
                filled += qint64(n * 2);
            }
            took = true;
            soundOffset_ += n;
            soundSamples_ -= n;
            if (soundOffset_ == front.size()) {
                sound_.pop_front();
                soundOffset_ = 0;
            }
        }
        // Nothing decoded yet: the device plays silence, and the clock waits.
        if (filled < bytes) {
            std::memset(out + filled, 0, std::size_t(bytes - filled));
            timeline_.handedSilence(bytes - filled);
        }
    }
    if (took)
        wake_.notify_all();
    return bytes;
}

qint64 MovieFeed::soundReady()
{
    const std::lock_guard lock(mutex_);
    return qint64(soundSamples_) * 2;
}

double MovieFeed::soundTime(qint64 played)
{
    const std::lock_guard lock(mutex_);
    return timeline_.timeAt(played);
}

bool MovieFeed::soundHeardOut(qint64 played)
{
    const std::lock_guard lock(mutex_);
    return sound_.empty() && timeline_.heardOut(played);
}

void MovieFeed::soundDeviceOpened(double seconds)
{
    const std::lock_guard lock(mutex_);
    timeline_.newDevice(seconds);
}

bool MovieFeed::drained(bool& damaged, double& damagedAt)
{
    const std::lock_guard lock(mutex_);
    damaged = damaged_;
    damagedAt = damagedAt_;
    return ended_ && !seekTo_ && pictures_.empty() && sound_.empty();
}

void MovieFeed::clear()
{
    pictures_.clear();
    sound_.clear();
    soundOffset_ = soundSamples_ = 0;
    ended_ = damaged_ = false;
}

bool MovieFeed::full() const
{
    const double sound = info_.sampleRate ? double(soundSamples_) / (info_.sampleRate * info_.channels) : 0;
    const bool soundEnough = dropSound_ || !info_.sampleRate || sound >= EnoughSound;
    return (pictures_.size() >= EnoughPictures && soundEnough) || pictures_.size() >= MostPictures ||
           sound >= MostSound;
}

void MovieFeed::run(const MoviePlayer::StreamMaker& make, const std::function<void()>& opened)
{
    std::unique_ptr<hotaru::MovieStream> stream;
    try {
        stream = make([this] { return leaving_.load(); });
    } catch (...) {
        stream.reset();  // an archive that cannot be opened: nothing to play
    }
    {
        const std::lock_guard lock(mutex_);
        if (stream && stream->opened()) {
            info_ = {
                true, stream->width(), stream->height(), stream->seconds(), stream->sampleRate(), stream->channels()};
            timeline_.setBytesPerSecond(std::max(1, info_.sampleRate * info_.channels * 2));
        } else
            ended_ = damaged_ = true;
    }
    opened();
    if (!info_.opened)
        return;

    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || seekTo_ || (!ended_ && !full()); });
        if (stop_)
            return;
        if (const std::optional<double> to = std::exchange(seekTo_, std::nullopt)) {
            lock.unlock();
            stream->seek(*to);
            lock.lock();
            continue;
        }
        lock.unlock();
        std::optional<hotaru::MoviePiece> piece;
        try {
            piece = stream->next();
        } catch (const std::bad_alloc&) {
            piece.reset();  // as good as damaged: what is left cannot be shown
        }
        lock.lock();
        if (seekTo_)
            continue;  // from before the seek
        if (!piece) {
            ended_ = true;
            damaged_ = stream->damaged();
            damagedAt_ = stream->damagedAt();
        } else if (piece->kind == hotaru::MoviePiece::Kind::Picture) {
            pictures_.push_back(std::move(*piece));
        } else if (!dropSound_) {
            soundSamples_ += piece->samples.size();
            sound_.push_back(std::move(*piece));
        }
    }
}

}  // namespace dialogs
