#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace hotaru {

// What a FILM (CPK) movie's header tells about it without reading its samples.
struct FilmInfo {
    int width = 0, height = 0;
    std::string videoCodec;                               // the FDSC fourcc, e.g. "cvid"
    int audioChannels = 0, audioBits = 0, audioRate = 0;  // 0 channels: no sound
    std::int64_t frames = 0;                              // video samples in the sample table
    std::int64_t durationTicks = 0;                       // the video samples' durations summed, in timeBase ticks
    std::int32_t timeBase = 0;                            // STAB's base frequency, ticks per second
    std::int64_t headerSize = 0;                          // where the sample data starts

    // durationTicks / timeBase; 0 when unknown.
    double seconds() const;
    // frames / seconds(); 0 when unknown.
    double frameRate() const;
};

// A longer header is taken for damage: 4 MiB holds 262144 sample records,
// hours of video.
inline constexpr std::uint32_t MaxFilmHeaderSize = 4u << 20;

// The header's size from its first 8 bytes ("FILM", then a 32-bit big-endian
// length); nothing when they are not a FILM header's or the length cannot be
// one (too small for FDSC and STAB, or over MaxFilmHeaderSize).
std::optional<std::uint32_t> filmHeaderSize(const std::uint8_t* bytes, std::size_t n);

// Parses a whole header (`n` bytes, at least filmHeaderSize of them); nothing
// when it is not a valid FILM header. Reads nothing past the header's length.
std::optional<FilmInfo> readFilmHeader(const std::uint8_t* bytes, std::size_t n);

// A length as the command line shows it: "m:ss", rounded to the nearest
// second; "-:--" when unknown (0, negative, not a number, absurdly long).
std::string lengthText(double seconds);

}  // namespace hotaru
