#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace hotaru {

// A Cinepak frame opens with a 10-byte header: flags, a 24-bit big-endian
// frame length, width, height and the strip count. Each strip opens with a
// 12-byte header whose bytes 1..3 hold the strip length.
inline constexpr std::size_t CinepakHeaderSize = 10;
inline constexpr std::size_t CinepakStripHeaderSize = 12;
inline constexpr std::uint32_t CinepakMaxLength = 0xFFFFFF;

enum class FrameRepair { Unchanged, Repaired, Malformed };

// The 24-bit length field, or 0 when the buffer is shorter than the header.
std::uint32_t cinepakLengthField(std::span<const std::uint8_t> frame);

// Bytes of FILM padding between the frame header and the first strip: 0, 2
// or 6. -1 when the frame is shorter than its header, its length field is 0,
// or the length field claims more bytes than the frame has.
int filmPaddingSize(std::span<const std::uint8_t> frame);

// Removes FILM padding and sets the length field to the frame's size, in
// place. A malformed frame is left exactly as it was.
FrameRepair standardizeCinepakFrame(std::vector<std::uint8_t>& frame);

// True when the (standard) frame has strips and all of them are intra-coded,
// so it decodes without the frame before it.
bool isCinepakKeyFrame(std::span<const std::uint8_t> frame);

}  // namespace hotaru
