#include "dialogs/MoviePlayer.h"

#include "dialogs/MovieFeed.h"

#include "gui/AudioOutput.h"
#include "gui/SystemServices.h"
#include "movie/MovieStream.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

namespace dialogs {

namespace {

// Pictures are checked for this often; the sound device pulls on its own.
constexpr int TickMilliseconds = 5;

}  // namespace

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
    base_ = pausedAt_ = 0;
    wall_.start();
    openDevice(0);
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
    const double at = audio_ ? feed_->soundTime(playedBytes()) : base_ + double(wall_.nsecsElapsed()) / 1e9;
    return std::min(at, length_);
}

qint64 MoviePlayer::playedBytes() const { return audio_->playedMicroseconds() * sampleRate_ / 1000000 * channels_ * 2; }

// A sound device for the movie's sound from `at`, where the feed stands; it
// stays through seeks and pauses until let go.
void MoviePlayer::openDevice(double at)
{
    audio_.reset();
    if (sampleRate_ > 0 && !soundGone_) {
        feed_->soundDeviceOpened(at);
        audio_ = services_.openAudio(sampleRate_, channels_, *feed_);
    }
    if (!audio_)
        dropSound();
    else if (!playing_)
        audio_->suspend();
}

// The wall clock leads from here on: the device failed or the sound ended.
void MoviePlayer::letDeviceGo()
{
    const double at = position();
    audio_.reset();
    base_ = at;
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
    base_ = pausedAt_ = to;
    wall_.start();
    if (!audio_)
        openDevice(to);
    showNext_ = true;
    timer_.start();
    shownPosition_ = to;
    Q_EMIT positionChanged(to);
}

void MoviePlayer::tick()
{
    if (audio_ && audio_->failed()) {
        letDeviceGo();
        dropSound();
    }
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
    // The slider and the time move in tenths of a second: told once a tenth,
    // whenever a new one begins (so that a clock held by the device still
    // reaches the second it stands in).
    if (const double now = position(); std::floor(now * 10) != std::floor(shownPosition_ * 10)) {
        shownPosition_ = now;
        Q_EMIT positionChanged(now);
    }

    bool broken = false;
    double brokenAt = 0;
    if (!feed_->drained(broken, brokenAt))
        return;
    if (audio_) {
        // What the device was given must be heard out first.
        if (!feed_->soundHeardOut(playedBytes()))
            return;
        // The sound ended before the pictures: the wall clock takes over.
        if (broken || position() + 0.05 < length_)
            letDeviceGo();
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
