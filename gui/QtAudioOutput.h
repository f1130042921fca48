#pragma once

#include "gui/AudioOutput.h"

#include <memory>

class QAudioSink;

namespace gui {

class SoundQueue;

// The system's default sound device, through Qt Multimedia. The device pulls
// from a short queue that write() fills: pushing straight into it stalls
// PulseAudio's stream for a second or more when it starts.
class QtAudioOutput final : public AudioOutput {
public:
    // Nothing when there is no device or it cannot play this format.
    static std::unique_ptr<QtAudioOutput> open(int sampleRate, int channels);
    ~QtAudioOutput() override;

    qint64 room() const override;
    void write(const char* data, qint64 bytes) override;
    qint64 playedMicroseconds() const override;
    void suspend() override;
    void resume() override;
    bool failed() const override;

private:
    QtAudioOutput(std::unique_ptr<SoundQueue> queue, std::unique_ptr<QAudioSink> sink, qint64 capacity);

    std::unique_ptr<SoundQueue> queue_;  // outlives the sink that reads it
    std::unique_ptr<QAudioSink> sink_;
    qint64 capacity_;  // bytes the queue holds at most
};

}  // namespace gui
