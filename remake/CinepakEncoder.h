#pragma once

#include "movie/AvHandles.h"
#include "remake/QualityLadder.h"

#include <cstdint>
#include <vector>

namespace hotaru {

// FFmpeg's Cinepak encoder at one quality step: RGB pictures in, frames out
// (each its own length, as FFmpeg makes them).
class CinepakEncoder {
public:
    struct Frame {
        std::vector<std::uint8_t> bytes;
        bool key = false;
    };

    // Throws RemakeFailure: EncoderMissing, PictureSizeUnsupported (sides
    // not multiples of 4) or EncoderFailed.
    CinepakEncoder(int width, int height, const QualityStep& step);

    // `picture`: RGB24, the size given. Throws RemakeFailure EncoderFailed.
    Frame encode(AVFrame& picture);

private:
    CodecPtr context_;
    PacketPtr packet_ = newPacket();
    int lambda_;
    std::int64_t pts_ = 0;
};

}  // namespace hotaru
