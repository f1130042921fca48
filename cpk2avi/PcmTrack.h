#pragma once

#include "cpk2avi/FilmInput.h"
#include "cpk2avi/OutputChecks.h"

#include <cstdint>
#include <vector>

namespace hotaru {

// The movie's sound as an output stream of interleaved PCM, sample for
// sample: 16-bit little-endian, or 8-bit unsigned.
class PcmTrack {
public:
    // Throws ConvertError when the sound's sample format has no PCM form here.
    explicit PcmTrack(const FilmInput& input);

    // Adds the stream to `output`.
    AVStream& addTo(AVFormatContext& output) const;
    // The decoded `frame` as one packet for `stream`, stamped by the samples before it.
    void packet(const AVFrame& frame, const AVStream& stream, AVPacket& out);

private:
    const FilmInput& input_;
    AVCodecID codec_ = AV_CODEC_ID_NONE;
    int bytesPerSample_ = 0;
    std::int64_t samplesWritten_ = 0;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace hotaru
