#pragma once

#include "gui/AudioOutput.h"

#include <memory>

class QAudioSink;
class QIODevice;

namespace gui {

// The system's default sound device, through Qt Multimedia.
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
    QtAudioOutput(std::unique_ptr<QAudioSink> sink, QIODevice* device);

    std::unique_ptr<QAudioSink> sink_;
    QIODevice* device_;  // the sink's
};

}  // namespace gui
