#pragma once

#include "dialogs/MoviePlayer.h"
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

    // Starts the thread, which opens the movie through `make` and then
    // calls `opened` (on that thread).
    MovieFeed(MoviePlayer::StreamMaker make, std::function<void()> opened);
    ~MovieFeed();
    MovieFeed(const MovieFeed&) = delete;
    MovieFeed& operator=(const MovieFeed&) = delete;

    Info info();

    // What is queued goes; pieces from `seconds` on follow.
    void seek(double seconds);

    // Sound nobody will hear is not kept.
    void dropSound();

    // The picture to show by `now` (any first one when `now` is null), and
    // how many due before it were passed over. Pictures only a little late
    // come one a call, so a clock that leaps a few frames (a device's clock
    // does as it settles) still shows each; later ones are passed over.
    std::optional<hotaru::MoviePiece> takePicture(std::optional<double> now, int& passedOver);

    // Up to `bytes` bytes of sound into `out`; how many.
    qint64 takeSound(char* out, qint64 bytes);

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
