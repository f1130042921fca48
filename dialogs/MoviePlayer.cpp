#include "dialogs/MoviePlayer.h"

#include "cpk2avi/MovieStream.h"
#include "gui/AudioOutput.h"
#include "gui/SystemServices.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
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

constexpr int TickMilliseconds = 5;
constexpr double CatchUpSeconds = 0.25;
constexpr qint64 MostCarriedMicroseconds = 40000;

}  // namespace

// The decoding thread and what it has decoded ahead. The player takes from
// it; the thread never touches the player.
class MovieFeed {
public:
    struct Info {
        bool opened = false;
        int width = 0, height = 0;
        double seconds = 0;
        int sampleRate = 0, channels = 0;
    };

    MovieFeed(MoviePlayer::StreamMaker make, std::function<void()> opened)
        : thread_([this, make = std::move(make), opened = std::move(opened)] { run(make, opened); })
    {
    }

    ~MovieFeed()
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

    Info info()
    {
        const std::lock_guard lock(mutex_);
        return info_;
    }

    // What is queued goes; pieces from `seconds` on follow.
    void seek(double seconds)
    {
        {
            const std::lock_guard lock(mutex_);
            seekTo_ = seconds;
            clear();
        }
        wake_.notify_all();
    }

    // Sound nobody will hear is not kept.
    void dropSound()
    {
        {
            const std::lock_guard lock(mutex_);
            dropSound_ = true;
            sound_.clear();
            soundOffset_ = soundSamples_ = 0;
        }
        wake_.notify_all();
    }

    // The picture to show by `now` (any first one when `now` is null), and
    // how many due before it were passed over. Pictures only a little late
    // come one a call, so a clock that leaps a few frames (a device's clock
    // does as it settles) still shows each; later ones are passed over.
    std::optional<hotaru::MoviePiece> takePicture(std::optional<double> now, int& passedOver)
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

    // Up to `bytes` bytes of sound into `out`; how many.
    qint64 takeSound(char* out, qint64 bytes)
    {
        qint64 taken = 0;
        {
            const std::lock_guard lock(mutex_);
            while (taken + 1 < bytes && !sound_.empty()) {
                const std::vector<std::int16_t>& front = sound_.front().samples;
                const std::size_t n = std::min(front.size() - soundOffset_, std::size_t(bytes - taken) / 2);
                std::memcpy(out + taken, front.data() + soundOffset_, n * 2);
                taken += qint64(n * 2);
                soundOffset_ += n;
                soundSamples_ -= n;
                if (soundOffset_ == front.size()) {
                    sound_.pop_front();
                    soundOffset_ = 0;
                }
                if (n == 0)
                    break;
            }
        }
        if (taken)
            wake_.notify_all();
        return taken;
    }

    // The movie is decoded to its end (or its damage) and all of it taken.
    bool drained(bool& damaged, double& damagedAt)
    {
        const std::lock_guard lock(mutex_);
        damaged = damaged_;
        damagedAt = damagedAt_;
        return ended_ && !seekTo_ && pictures_.empty() && sound_.empty();
    }

private:
    void clear()
    {
        pictures_.clear();
        sound_.clear();
        soundOffset_ = soundSamples_ = 0;
        ended_ = damaged_ = false;
    }

    bool full() const
    {
        const double sound = info_.sampleRate ? double(soundSamples_) / (info_.sampleRate * info_.channels) : 0;
        const bool soundEnough = dropSound_ || !info_.sampleRate || sound >= EnoughSound;
        return (pictures_.size() >= EnoughPictures && soundEnough) || pictures_.size() >= MostPictures ||
               sound >= MostSound;
    }

    void run(const MoviePlayer::StreamMaker& make, const std::function<void()>& opened)
    {
        std::unique_ptr<hotaru::MovieStream> stream;
        try {
            stream = make([this] { return leaving_.load(); });
        } catch (...) {
            stream.reset();  // an archive that cannot be opened: nothing to play
        }
        {
            const std::lock_guard lock(mutex_);
            if (stream && stream->opened())
                info_ = {true,
                         stream->width(),
                         stream->height(),
                         stream->seconds(),
                         stream->sampleRate(),
                         stream->channels()};
            else
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

    std::mutex mutex_;
    std::condition_variable wake_;
    Info info_;
    std::deque<hotaru::MoviePiece> pictures_;
    std::deque<hotaru::MoviePiece> sound_;
    std::size_t soundOffset_ = 0;   // samples of the first piece already taken
    std::size_t soundSamples_ = 0;  // queued, all channels together
    std::optional<double> seekTo_;
    bool dropSound_ = false;
    bool ended_ = false;
    bool damaged_ = false;
    double damagedAt_ = 0;
    bool stop_ = false;
    std::atomic<bool> leaving_{false};  // asked by the disc's reads, outside the mutex
    std::thread thread_;                // last: it starts once everything above is ready
};

MoviePlayer::MoviePlayer(gui::SystemServices& services, StreamMaker make, QObject* parent)
    : QObject(parent), services_(services)
{
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(TickMilliseconds);
    connect(&timer_, &QTimer::timeout, this, &MoviePlayer::tick);
    // Called on the decoding thread, which ends before the player goes; the
    // player hears of it on its own thread, or not at all once gone.
    feed_ = std::make_unique<MovieFeed>(
        std::move(make), [this] { QMetaObject::invokeMethod(this, &MoviePlayer::onOpened, Qt::QueuedConnection); });
}

MoviePlayer::~MoviePlayer()
{
    // Silent at once; then the thread ends after the read it is in.
    audio_.reset();
    feed_.reset();
}

void MoviePlayer::onOpened()
{
    const MovieFeed::Info info = feed_->info();
    if (!info.opened) {
        Q_EMIT cannotOpen();
        return;
    }
    open_ = true;
    length_ = info.seconds;
    width_ = info.width;
    height_ = info.height;
    sampleRate_ = info.sampleRate;
    channels_ = info.channels;
    Q_EMIT opened(length_, width_, height_);
    restartClock(0);
    showNext_ = true;
    if (wantPlaying_)
        play();
    else
        timer_.start();
}

double MoviePlayer::position() const
{
    if (!playing_)
        return pausedAt_;
    double at = base_;
    if (audio_) {
        // A device tells what it has played in steps; between them the wall
        // clock carries on, a little way at most, so that pictures due
        // between two steps are not passed over and never run ahead of
        // the sound by more than that.
        const qint64 played = audio_->playedMicroseconds();
        if (played != lastPlayed_) {
            lastPlayed_ = played;
            sinceLastPlayed_.start();
        }
        const qint64 carried = sinceLastPlayed_.isValid() && played > 0 ? sinceLastPlayed_.nsecsElapsed() / 1000 : 0;
        at += double(played + std::min(carried, MostCarriedMicroseconds)) / 1e6;
    } else {
        at += double(wall_.nsecsElapsed()) / 1e9;
    }
    return std::min(at, length_);
}

// The clock starts again at `at`: a fresh sound device, so that nothing
// queued from before is heard.
void MoviePlayer::restartClock(double at)
{
    audio_.reset();
    lastPlayed_ = -1;
    sinceLastPlayed_.invalidate();
    base_ = pausedAt_ = at;
    soundWritten_ = 0;
    if (sampleRate_ > 0 && !soundGone_)
        audio_ = services_.openAudio(sampleRate_, channels_);
    if (!audio_)
        dropSound();
    else if (!playing_)
        audio_->suspend();
    wall_.start();
}

void MoviePlayer::play()
{
    wantPlaying_ = true;
    if (!open_ || playing_)
        return;
    bool broken = false;
    double brokenAt = 0;
    if (feed_->drained(broken, brokenAt) && (broken || pausedAt_ >= length_ - 1e-3))
        seek(0);  // played to the end: from the start again
    else if (!audio_ && sampleRate_ > 0 && !soundGone_)
        seek(pausedAt_);  // the device was let go: a fresh one, from here
    playing_ = true;
    // A suspended device's clock stood still; the wall clock did not.
    if (audio_) {
        lastPlayed_ = -1;
        sinceLastPlayed_.invalidate();
        audio_->resume();
    } else {
        base_ = pausedAt_;
        wall_.start();
    }
    timer_.start();
    Q_EMIT playingChanged(true);
}

void MoviePlayer::pause()
{
    wantPlaying_ = false;
    if (!playing_)
        return;
    pausedAt_ = position();
    playing_ = false;
    if (audio_)
        audio_->suspend();
    if (!showNext_)
        timer_.stop();
    Q_EMIT playingChanged(false);
}

void MoviePlayer::dropSound()
{
    const bool had = sampleRate_ > 0 && !soundGone_;
    soundGone_ = true;
    feed_->dropSound();
    if (had)
        Q_EMIT soundUnavailable();
}

void MoviePlayer::stop()
{
    pause();
    audio_.reset();
    timer_.stop();
    showNext_ = false;
}

void MoviePlayer::togglePlaying()
{
    if (playing_)
        pause();
    else
        play();
}

void MoviePlayer::seek(double seconds)
{
    if (!open_)
        return;
    const double to = std::clamp(seconds, 0.0, length_);
    feed_->seek(to);
    restartClock(to);
    showNext_ = true;
    timer_.start();
    shownPosition_ = to;
    Q_EMIT positionChanged(to);
}

void MoviePlayer::feedSound()
{
    if (!audio_)
        return;
    if (audio_->failed()) {
        // The device went away: the pictures go on by the wall clock.
        const double at = position();
        audio_.reset();
        dropSound();
        base_ = at;
        wall_.start();
        return;
    }
    const qint64 room = audio_->room() & ~qint64(2 * channels_ - 1);
    if (room <= 0)
        return;
    QByteArray bytes(room, Qt::Uninitialized);
    const qint64 n = feed_->takeSound(bytes.data(), room);
    if (n > 0) {
        audio_->write(bytes.constData(), n);
        soundWritten_ += n;
    }
}

void MoviePlayer::tick()
{
    if (playing_)
        feedSound();
    int passedOver = 0;
    std::optional<hotaru::MoviePiece> due =
        feed_->takePicture(playing_ ? std::optional<double>(position()) : std::nullopt, passedOver);
    if (playing_ && !showNext_)
        dropped_ += passedOver;
    if (due) {
        showNext_ = false;
        Q_EMIT picture(QImage(due->rgb.data(), width_, height_, width_ * 3, QImage::Format_RGB888).copy());
    }
    if (!playing_) {
        if (!showNext_)
            timer_.stop();
        return;
    }
    // The slider and the time move in tenths of a second: no more often.
    if (const double now = position(); std::abs(now - shownPosition_) >= 0.1) {
        shownPosition_ = now;
        Q_EMIT positionChanged(now);
    }

    bool broken = false;
    double brokenAt = 0;
    if (!feed_->drained(broken, brokenAt))
        return;
    if (audio_) {
        // What was written must be heard out first.
        const qint64 bytesPerSecond = qint64(sampleRate_) * channels_ * 2;
        if (audio_->playedMicroseconds() + 20000 < soundWritten_ * 1000000 / bytesPerSecond)
            return;
        // The sound ended before the pictures: the wall clock takes over.
        if (broken || position() + 0.05 < length_) {
            const double at = position();
            audio_.reset();
            base_ = at;
            wall_.start();
        }
    }
    if (!broken && position() + 1e-3 < length_)
        return;  // the last picture still shows out its time
    const double end = broken ? brokenAt : length_;
    pausedAt_ = end;
    playing_ = false;
    timer_.stop();
    audio_.reset();
    Q_EMIT positionChanged(end);
    Q_EMIT playingChanged(false);
    if (broken)
        Q_EMIT damaged(brokenAt);
    else
        Q_EMIT finished();
}

}  // namespace dialogs
