#pragma once

#include "dialogs/MoviePlayer.h"
#include "dialogs/SoundTimeline.h"
#include "gui/AudioOutput.h"
#include "movie/MovieStream.h"

#include <QtGlobal>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace dialogs {

// The decoding thread and what it has decoded ahead. The player takes
// pictures from it and the sound device its sound; the thread never touches
// either.
class MovieFeed final : public gui::SoundSource {
public:
    struct Info {
        bool opened = false;
        int width = 0, height = 0;
        double seconds = 0;
        int sampleRate = 0, channels = 0;
    };

    // Starts the thread, which opens the movie through `make` and then
    // calls `opened` (on that thread).
    MovieFeed(MoviePlayer::StreamMaker make, std::function<void()> opened);
    ~MovieFeed() override;
    MovieFeed(const MovieFeed&) = delete;
    MovieFeed& operator=(const MovieFeed&) = delete;

    Info info();

    // What is queued goes; pieces from `seconds` on follow. What the sound
    // device holds from before counts as silence.
    void seek(double seconds);
    // A sound device opens, to play from `seconds` (where the feed stands).
    void soundDeviceOpened(double seconds);

    // Sound nobody will hear is not kept.
    void dropSound();

    // The picture to show by `now` (any first one when `now` is null), and
    // how many due before it were passed over. Pictures only a little late
    // come one a call, so a clock that leaps a few frames (a device's clock
    // does as it settles) still shows each; later ones are passed over.
    std::optional<hotaru::MoviePiece> takePicture(std::optional<double> now, int& passedOver);

    // For the device: the sound in order, a gap in it filled with silence,
    // and silence while none is decoded.
    qint64 readSound(char* out, qint64 bytes) override;
    qint64 soundReady() override;
    // The movie time heard once the device has played `played` bytes, and
    // whether all the sound given it is heard by then.
    double soundTime(qint64 played);
    bool soundHeardOut(qint64 played);

    // The movie is decoded to its end (or its damage) and all of it taken.
    bool drained(bool& damaged, double& damagedAt);

private:
    void clear();
    bool full() const;
    void run(const MoviePlayer::StreamMaker& make, const std::function<void()>& opened);

    std::mutex mutex_;
    std::condition_variable wake_;
    Info info_;
    std::deque<hotaru::MoviePiece> pictures_;
    std::deque<hotaru::MoviePiece> sound_;
    std::size_t soundOffset_ = 0;   // samples of the first piece already taken
    std::size_t soundSamples_ = 0;  // queued, all channels together
    SoundTimeline timeline_;
    std::optional<double> seekTo_;
    bool dropSound_ = false;
    bool ended_ = false;
    bool damaged_ = false;
    double damagedAt_ = 0;
    bool stop_ = false;
    std::atomic<bool> leaving_{false};  // asked by the disc's reads, outside the mutex
    std::thread thread_;                // last: it starts once everything above is ready
};

}  // namespace dialogs
