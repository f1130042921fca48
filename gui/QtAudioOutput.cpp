#include "gui/QtAudioOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

namespace gui {

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
    auto sink = std::make_unique<QAudioSink>(device, format);
    // A quarter of a second queued: enough to ride out a slow read, little
    // enough that pause and seek are heard at once.
    sink->setBufferSize(format.bytesForDuration(250000));
    QIODevice* io = sink->start();
    if (!io || sink->error() != QAudio::NoError)
        return nullptr;
    return std::unique_ptr<QtAudioOutput>(new QtAudioOutput(std::move(sink), io));
}

QtAudioOutput::QtAudioOutput(std::unique_ptr<QAudioSink> sink, QIODevice* device)
    : sink_(std::move(sink)), device_(device)
{
}

QtAudioOutput::~QtAudioOutput()
{
    // Silent at once: what is queued is dropped, not played out.
    sink_->reset();
}

qint64 QtAudioOutput::room() const { return sink_->bytesFree(); }

void QtAudioOutput::write(const char* data, qint64 bytes) { device_->write(data, bytes); }

qint64 QtAudioOutput::playedMicroseconds() const { return sink_->processedUSecs(); }

void QtAudioOutput::suspend() { sink_->suspend(); }

void QtAudioOutput::resume() { sink_->resume(); }

bool QtAudioOutput::failed() const
{
    const QAudio::Error e = sink_->error();
    return e == QAudio::OpenError || e == QAudio::FatalError;
}

}  // namespace gui
