#pragma once

#include "gui/AudioOutput.h"

#include <memory>

class QAudioSink;

namespace gui {

class SoundPull;

// The system's default sound device, through Qt Multimedia, pulling from
// its source as it plays.
class QtAudioOutput final : public AudioOutput {
public:
    // Nothing when there is no device or it cannot play this format.
    static std::unique_ptr<QtAudioOutput> open(int sampleRate, int channels, SoundSource& source);
    ~QtAudioOutput() override;

    qint64 playedMicroseconds() const override;
    void suspend() override;
    void resume() override;
    bool failed() const override;

private:
    QtAudioOutput(std::unique_ptr<SoundPull> pull, std::unique_ptr<QAudioSink> sink);

    std::unique_ptr<SoundPull> pull_;  // outlives the sink that reads it
    std::unique_ptr<QAudioSink> sink_;
};

}  // namespace gui
