#pragma once

#include "cpk2avi/OutputChecks.h"

#include <cstdint>
#include <memory>
#include <string>

struct AVAudioFifo;
struct SwrContext;

namespace hotaru {

// Turns decoded sound into AAC with Mp4Settings: converted to the encoder's
// sample format by swresample, gathered into whole encoder frames, and
// stamped by the samples before them, so it starts at 0 and keeps time with
// the pictures. Failures throw ConvertError naming `source`.
class AacEncoder {
public:
    AacEncoder(const std::string& source, AVSampleFormat format, int channels, int sampleRate, bool globalHeader);

    const AVCodecContext& context() const { return *encoder_; }

    void encode(const AVFrame& sound, const PacketSink& sink);
    // Encodes what is left, the last frame shorter, and hands on the rest.
    void finish(const PacketSink& sink);

private:
    void openResampler(AVSampleFormat format, int channels, int sampleRate);
    void resample(const std::uint8_t* const* in, int count);
    void encodeFifo(int minimum, const PacketSink& sink);
    void send(const AVFrame* frame, const PacketSink& sink);
    [[noreturn]] void fail(int rc) const;

    struct ResamplerDeleter {
        void operator()(SwrContext* s) const;
    };
    struct FifoDeleter {
        void operator()(AVAudioFifo* f) const;
    };

    std::string source_;
    CodecPtr encoder_;
    std::unique_ptr<SwrContext, ResamplerDeleter> resampler_;
    std::unique_ptr<AVAudioFifo, FifoDeleter> fifo_;
    FramePtr converted_;
    FramePtr frame_;
    PacketPtr packet_;
    std::int64_t samplesSent_ = 0;
};

}  // namespace hotaru
