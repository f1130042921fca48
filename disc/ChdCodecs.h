#pragma once

#include <cstddef>
#include <cstdint>

namespace hotaru::disc {

// The CD codecs of CHD v5. Each turns one compressed hunk into `outSize`
// bytes of frames (2352 sector bytes and 96 subcode bytes each), restoring the
// sync and ECC bytes the compressor left out. False when the data is damaged.
bool decodeCdZlib(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out, std::size_t outSize);
bool decodeCdLzma(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out, std::size_t outSize);
bool decodeCdFlac(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out, std::size_t outSize);

}  // namespace hotaru::disc
