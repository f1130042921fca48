#pragma once

#include <QtGlobal>

namespace gui {

// A sound device a movie plays through: signed 16-bit samples, the channels
// interleaved. Written to ahead of time; what has been heard is the clock
// pictures follow.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;

    // Bytes it takes now without waiting.
    virtual qint64 room() const = 0;
    // At most room() bytes.
    virtual void write(const char* data, qint64 bytes) = 0;
    // How much of what was written has been played, in microseconds.
    virtual qint64 playedMicroseconds() const = 0;
    virtual void suspend() = 0;
    virtual void resume() = 0;
    // The device went away or refused the sound: the clock stands still.
    virtual bool failed() const = 0;
};

}  // namespace gui
