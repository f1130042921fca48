#pragma once

#include <QtGlobal>

namespace gui {

// What a sound device plays: it takes the next bytes (signed 16-bit samples,
// the channels interleaved) whenever it has room, on whatever thread it
// plays on, and always gets as many as it asks for.
class SoundSource {
public:
    virtual ~SoundSource() = default;
    virtual qint64 readSound(char* out, qint64 bytes) = 0;
    // Bytes of real sound it could give now; beyond them it gives silence.
    virtual qint64 soundReady() = 0;
};

// A sound device a movie plays through. It pulls from its source; how much
// of that it has played is the clock pictures follow.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;

    // How much of what it took from its source has been heard, in microseconds.
    virtual qint64 playedMicroseconds() const = 0;
    virtual void suspend() = 0;
    virtual void resume() = 0;
    // The device went away or refused the sound: the clock stands still.
    virtual bool failed() const = 0;
};

}  // namespace gui
