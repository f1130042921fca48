#include "gui/QtAudioOutput.h"

#include "gui/SoundConverter.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#ifdef Q_OS_WIN
#include <audioclient.h>
#include <ks.h>
#include <ksmedia.h>
#include <mmdeviceapi.h>
#include <windows.h>
#endif

namespace gui {

namespace {

// What the device holds at most: a seek or pause is heard this late at worst,
// and the window's thread may be this late to give more without a gap.
constexpr qint64 DeviceBufferMicroseconds = 100000;

#ifdef Q_OS_WIN
// The format the device mixes in, as Qt's WASAPI sink reads it: given
// exactly that, the sink passes the sound through; anything else it hands
// to Media Foundation's resampler, which it cannot load under Wine.
std::optional<QAudioFormat> mixFormat(const QAudioDevice& device)
{
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::optional<QAudioFormat> found;
    IMMDeviceEnumerator* devices = nullptr;
    IMMDevice* endpoint = nullptr;
    IAudioClient* client = nullptr;
    WAVEFORMATEX* mix = nullptr;
    const std::wstring id = QString::fromUtf8(device.id()).toStdWString();
    if (SUCCEEDED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                   __uuidof(IMMDeviceEnumerator), reinterpret_cast<void**>(&devices))) &&
        SUCCEEDED(devices->GetDevice(id.c_str(), &endpoint)) &&
        SUCCEEDED(endpoint->Activate(__uuidof(IAudioClient), CLSCTX_INPROC_SERVER, nullptr,
                                     reinterpret_cast<void**>(&client))) &&
        SUCCEEDED(client->GetMixFormat(&mix)) && mix) {
        QAudioFormat f;
        f.setSampleRate(int(mix->nSamplesPerSec));
        f.setChannelCount(mix->nChannels);
        if (mix->wFormatTag == WAVE_FORMAT_IEEE_FLOAT)
            f.setSampleFormat(QAudioFormat::Float);
        else if (mix->wFormatTag == WAVE_FORMAT_PCM && mix->wBitsPerSample == 16)
            f.setSampleFormat(QAudioFormat::Int16);
        else if (mix->wFormatTag == WAVE_FORMAT_PCM && mix->wBitsPerSample == 32)
            f.setSampleFormat(QAudioFormat::Int32);
        else if (mix->wFormatTag == WAVE_FORMAT_EXTENSIBLE && mix->cbSize >= 22 &&
                 reinterpret_cast<const WAVEFORMATEXTENSIBLE*>(mix)->SubFormat == KSDATAFORMAT_SUBTYPE_IEEE_FLOAT)
            f.setSampleFormat(QAudioFormat::Float);
        // Qt reads no other as a format of its own: it never passes it through.
        if (f.sampleFormat() != QAudioFormat::Unknown)
            found = f;
    }
    CoTaskMemFree(mix);
    if (client)
        client->Release();
    if (endpoint)
        endpoint->Release();
    if (devices)
        devices->Release();
    if (SUCCEEDED(com))
        CoUninitialize();
    return found;
}
#endif

}  // namespace

// The device's end of a SoundSource. It never runs dry and never ends (the
// source gives silence when it has nothing), so the device never goes idle:
// Qt's backends treat an idle pull source as finished and drain the stream.
class SoundPull final : public QIODevice {
public:
    SoundPull(SoundSource& source, std::unique_ptr<SoundConverter> converter)
        : source_(source), converter_(std::move(converter))
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }
    bool atEnd() const override { return false; }
    qint64 bytesAvailable() const override { return std::numeric_limits<int>::max(); }

protected:
    qint64 readData(char* data, qint64 max) override
    {
        return converter_ ? converter_->read(source_, data, max) : source_.readSound(data, max);
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    SoundSource& source_;
    std::unique_ptr<SoundConverter> converter_;
};

std::unique_ptr<QtAudioOutput> QtAudioOutput::open(int sampleRate, int channels, SoundSource& source)
{
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return nullptr;
    QAudioFormat given;
    given.setSampleRate(sampleRate);
    given.setChannelCount(channels);
    given.setSampleFormat(QAudioFormat::Int16);
    QAudioFormat format = given;
#ifdef Q_OS_WIN
    if (const std::optional<QAudioFormat> mix = mixFormat(device))
        format = *mix;
#endif
    std::unique_ptr<SoundConverter> converter;
    if (format != given) {
        converter = SoundConverter::make(given, format);
        if (!converter)
            return nullptr;
    } else if (!device.isFormatSupported(format)) {
        return nullptr;
    }
    auto pull = std::make_unique<SoundPull>(source, std::move(converter));
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
