#include "gui/QtAudioOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>

#include <algorithm>
#include <limits>

namespace gui {

namespace {

// What the device holds at most: a seek or pause is heard this late at worst,
// and the window's thread may be this late to give more without a gap.
constexpr qint64 DeviceBufferMicroseconds = 100000;

}  // namespace

// The device's end of a SoundSource. It never runs dry and never ends (the
// source gives silence when it has nothing), so the device never goes idle:
// Qt's backends treat an idle pull source as finished and drain the stream.
class SoundPull final : public QIODevice {
public:
    explicit SoundPull(SoundSource& source) : source_(source) { open(QIODevice::ReadOnly | QIODevice::Unbuffered); }
    bool isSequential() const override { return true; }
    bool atEnd() const override { return false; }
    qint64 bytesAvailable() const override { return std::numeric_limits<int>::max(); }

protected:
    qint64 readData(char* data, qint64 max) override { return source_.readSound(data, max); }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    SoundSource& source_;
};

std::unique_ptr<QtAudioOutput> QtAudioOutput::open(int sampleRate, int channels, SoundSource& source)
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
    auto pull = std::make_unique<SoundPull>(source);
    auto sink = std::make_unique<QAudioSink>(device, format);
    // PulseAudio's default is two seconds, which it fills before it starts.
    sink->setBufferSize(format.bytesForDuration(DeviceBufferMicroseconds));
    sink->start(pull.get());
    if (sink->error() == QAudio::OpenError || sink->error() == QAudio::FatalError)
        return nullptr;
    return std::unique_ptr<QtAudioOutput>(new QtAudioOutput(std::move(pull), std::move(sink)));
}

QtAudioOutput::QtAudioOutput(std::unique_ptr<SoundPull> pull, std::unique_ptr<QAudioSink> sink)
    : pull_(std::move(pull)), sink_(std::move(sink))
{
}

QtAudioOutput::~QtAudioOutput()
{
    // Silent at once: what the device holds is dropped, not played out.
    sink_->reset();
    sink_.reset();
}

qint64 QtAudioOutput::playedMicroseconds() const
{
    qint64 played = sink_->processedUSecs();
#ifdef Q_OS_WIN
    // Here Qt counts what it handed the device, not what was heard; what the
    // device's buffer still holds is yet to come.
    played -= sink_->format().durationForBytes(std::max<qsizetype>(0, sink_->bufferSize() - sink_->bytesFree()));
#endif
    return std::max<qint64>(0, played);
}

void QtAudioOutput::suspend() { sink_->suspend(); }

void QtAudioOutput::resume() { sink_->resume(); }

bool QtAudioOutput::failed() const
{
    const QAudio::Error e = sink_->error();
    return e == QAudio::OpenError || e == QAudio::FatalError || e == QAudio::IOError;
}

}  // namespace gui
