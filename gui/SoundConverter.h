#pragma once

#include "gui/AudioOutput.h"

#include <QAudioFormat>

#include <memory>
#include <vector>

struct SwrContext;

namespace gui {

// A source's sound (16-bit) in another rate, channel count or sample format,
// for a device that plays only its own: Qt's WASAPI sink converts only
// through Media Foundation, which it cannot load under Wine.
class SoundConverter {
public:
    // Nothing when FFmpeg cannot convert between the two.
    static std::unique_ptr<SoundConverter> make(const QAudioFormat& from, const QAudioFormat& to);
    ~SoundConverter();

    // Exactly `bytes` in whole frames, read from `source` as far as they
    // need; 0 when the conversion failed.
    qint64 read(SoundSource& source, char* out, qint64 bytes);

private:
    struct Free {
        void operator()(SwrContext* s) const;
    };
    SoundConverter(const QAudioFormat& from, const QAudioFormat& to, std::unique_ptr<SwrContext, Free> resampler);

    QAudioFormat from_, to_;
    std::unique_ptr<SwrContext, Free> resampler_;
    std::vector<char> input_, held_;  // held_: converted, not yet taken
};

}  // namespace gui
