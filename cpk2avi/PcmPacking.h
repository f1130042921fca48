#pragma once

#include <cstdint>
#include <vector>

namespace hotaru {

// Decoded samples as they leave the decoder: 8-bit unsigned or 16-bit signed
// native-endian, either one plane per channel or channels interleaved.
struct PcmSamples {
    const std::uint8_t* const* planes = nullptr;
    int channels = 0;
    int sampleCount = 0;
    int bytesPerSample = 0;  // 1 or 2
    bool planar = false;
};

// Appends the samples to out the way an AVI PCM stream holds them: channels
// interleaved, 8-bit unsigned or 16-bit little-endian.
void appendInterleavedPcm(const PcmSamples& in, std::vector<std::uint8_t>& out);

}  // namespace hotaru
