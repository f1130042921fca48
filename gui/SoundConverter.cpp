#include "gui/SoundConverter.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/mathematics.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>

namespace gui {
namespace {

AVSampleFormat avFormat(QAudioFormat::SampleFormat f)
{
    switch (f) {
    case QAudioFormat::UInt8:
        return AV_SAMPLE_FMT_U8;
    case QAudioFormat::Int16:
        return AV_SAMPLE_FMT_S16;
    case QAudioFormat::Int32:
        return AV_SAMPLE_FMT_S32;
    case QAudioFormat::Float:
        return AV_SAMPLE_FMT_FLT;
    default:
        return AV_SAMPLE_FMT_NONE;
    }
}

}  // namespace

void SoundConverter::Free::operator()(SwrContext* s) const { swr_free(&s); }

std::unique_ptr<SoundConverter> SoundConverter::make(const QAudioFormat& from, const QAudioFormat& to)
{
    AVChannelLayout in, out;
    av_channel_layout_default(&in, from.channelCount());
    av_channel_layout_default(&out, to.channelCount());
    SwrContext* raw = nullptr;
    const int rc = swr_alloc_set_opts2(&raw, &out, avFormat(to.sampleFormat()), to.sampleRate(), &in, AV_SAMPLE_FMT_S16,
                                       from.sampleRate(), 0, nullptr);
    std::unique_ptr<SwrContext, Free> resampler(raw);
    if (rc < 0 || from.sampleFormat() != QAudioFormat::Int16 || avFormat(to.sampleFormat()) == AV_SAMPLE_FMT_NONE ||
        swr_init(resampler.get()) < 0)
        return nullptr;
    return std::unique_ptr<SoundConverter>(new SoundConverter(from, to, std::move(resampler)));
}

SoundConverter::SoundConverter(const QAudioFormat& from, const QAudioFormat& to,
                               std::unique_ptr<SwrContext, Free> resampler)
    : from_(from), to_(to), resampler_(std::move(resampler))
{
}

SoundConverter::~SoundConverter() = default;

qint64 SoundConverter::read(SoundSource& source, char* out, qint64 bytes)
{
    const int outFrame = to_.bytesPerFrame(), inFrame = from_.bytesPerFrame();
    bytes -= bytes % outFrame;
    // The source is read only as far as the device needs, so the two clocks
    // stay together but for the resampler's few samples of delay.
    while (qint64(held_.size()) < bytes) {
        const qint64 missing = (bytes - qint64(held_.size())) / outFrame;
        const int frames =
            int(std::max<qint64>(1, av_rescale_rnd(missing, from_.sampleRate(), to_.sampleRate(), AV_ROUND_UP)));
        input_.resize(std::size_t(frames) * std::size_t(inFrame));
        source.readSound(input_.data(), qint64(input_.size()));
        const int room = swr_get_out_samples(resampler_.get(), frames);
        if (room < 0)
            return 0;
        const std::size_t at = held_.size();
        held_.resize(at + std::size_t(room) * std::size_t(outFrame));
        auto* to = reinterpret_cast<std::uint8_t*>(held_.data() + at);
        const auto* from = reinterpret_cast<const std::uint8_t*>(input_.data());
        const int n = swr_convert(resampler_.get(), &to, room, &from, frames);
        if (n < 0)
            return 0;
        held_.resize(at + std::size_t(n) * std::size_t(outFrame));
    }
    std::memcpy(out, held_.data(), std::size_t(bytes));
    held_.erase(held_.begin(), held_.begin() + std::ptrdiff_t(bytes));
    return bytes;
}

}  // namespace gui
