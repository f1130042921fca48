#include "cpk2avi/PcmPacking.h"

#include <cstring>

namespace hotaru {

void appendInterleavedPcm(const PcmSamples& in, std::vector<std::uint8_t>& out)
{
    const std::size_t width = static_cast<std::size_t>(in.bytesPerSample);
    const std::size_t channels = static_cast<std::size_t>(in.channels);
    const std::size_t samples = static_cast<std::size_t>(in.sampleCount);
    out.reserve(out.size() + samples * channels * width);
    for (std::size_t i = 0; i < samples; ++i) {
        for (std::size_t c = 0; c < channels; ++c) {
            const std::uint8_t* src = in.planar ? in.planes[c] + i * width : in.planes[0] + (i * channels + c) * width;
            if (width == 1) {
                out.push_back(*src);
            } else {
                // Decoders hand out native-endian samples; AVI wants little-endian.
                std::int16_t v;
                std::memcpy(&v, src, sizeof v);
                const auto u = static_cast<std::uint16_t>(v);
                out.push_back(static_cast<std::uint8_t>(u & 0xFF));
                out.push_back(static_cast<std::uint8_t>(u >> 8));
            }
        }
    }
}

}  // namespace hotaru
