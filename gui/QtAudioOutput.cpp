#include "gui/QtAudioOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QByteArray>
#include <QIODevice>
#include <QMediaDevices>

#include <algorithm>
#include <cstring>

namespace gui {

// Sound written ahead, read by the device as it plays. Reading an empty
// queue gives nothing: the device waits, and starts again at readyRead.
class SoundQueue final : public QIODevice {
public:
    SoundQueue() { open(QIODevice::ReadWrite | QIODevice::Unbuffered); }
    qint64 queued() const { return queued_.size(); }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return queued_.size() + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char* data, qint64 max) override
    {
        const qint64 n = std::min<qint64>(max, queued_.size());
        std::memcpy(data, queued_.constData(), std::size_t(n));
        queued_.remove(0, n);
        return n;
    }
    qint64 writeData(const char* data, qint64 bytes) override
    {
        queued_.append(data, bytes);
        Q_EMIT readyRead();
        return bytes;
    }

private:
    QByteArray queued_;
};

std::unique_ptr<QtAudioOutput> QtAudioOutput::open(int sampleRate, int channels)
{
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return nullptr;
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(channels);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        return nullptr;
    auto queue = std::make_unique<SoundQueue>();
    auto sink = std::make_unique<QAudioSink>(device, format);
    sink->start(queue.get());
    if (sink->error() == QAudio::OpenError || sink->error() == QAudio::FatalError)
        return nullptr;
    // A quarter of a second queued: enough to ride out a slow read, little
    // enough that pause and seek are heard at once.
    return std::unique_ptr<QtAudioOutput>(
        new QtAudioOutput(std::move(queue), std::move(sink), format.bytesForDuration(250000)));
}

QtAudioOutput::QtAudioOutput(std::unique_ptr<SoundQueue> queue, std::unique_ptr<QAudioSink> sink, qint64 capacity)
    : queue_(std::move(queue)), sink_(std::move(sink)), capacity_(capacity)
{
}

QtAudioOutput::~QtAudioOutput()
{
    // Silent at once: what is queued is dropped, not played out.
    sink_->reset();
    sink_.reset();
}

qint64 QtAudioOutput::room() const { return std::max<qint64>(0, capacity_ - queue_->queued()); }

void QtAudioOutput::write(const char* data, qint64 bytes) { queue_->write(data, bytes); }

qint64 QtAudioOutput::playedMicroseconds() const { return sink_->processedUSecs(); }

void QtAudioOutput::suspend() { sink_->suspend(); }

void QtAudioOutput::resume() { sink_->resume(); }

bool QtAudioOutput::failed() const
{
    const QAudio::Error e = sink_->error();
    return e == QAudio::OpenError || e == QAudio::FatalError;
}

}  // namespace gui
