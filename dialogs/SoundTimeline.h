#pragma once

#include <QtGlobal>

#include <deque>
#include <optional>

namespace dialogs {

// Which moment of the movie a sound device is playing. Each run of the
// movie's sound handed to the device is kept with where it begins in the
// device's stream and the movie time it carries, so the clock is the
// sound's own time, whatever silence or gaps came between.
class SoundTimeline {
public:
    void setBytesPerSecond(int bytesPerSecond) { bytesPerSecond_ = bytesPerSecond; }

    // A new device: nothing handed yet. The clock stands at `at`.
    void newDevice(double at);
    // A seek: what the device still holds from before plays as silence, and
    // the clock stands at `at` until the sound from there is heard.
    void restart(double at);

    // `bytes` of the movie's sound from `time` go to the device next.
    void handed(double time, qint64 bytes);
    // `bytes` of silence go to the device next.
    void handedSilence(qint64 bytes) { handedBytes_ += bytes; }

    // Where the sound handed since the last restart ends, in movie time.
    std::optional<double> nextTime() const { return nextTime_; }

    // The movie time heard once the device has played `played` bytes.
    double timeAt(qint64 played);
    // Everything handed of the movie's sound has been heard by `played`.
    bool heardOut(qint64 played) const;

private:
    struct Run {
        qint64 from;  // in the device's stream
        qint64 bytes;
        double time;  // the movie's, at `from`
    };
    double endOf(const Run& run) const { return run.time + double(run.bytes) / bytesPerSecond_; }

    int bytesPerSecond_ = 1;
    qint64 handedBytes_ = 0;
    std::deque<Run> runs_;
    double standing_ = 0;  // the time told outside every run
    std::optional<double> nextTime_;
};

}  // namespace dialogs
