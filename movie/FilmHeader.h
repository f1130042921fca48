#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace hotaru {

// The limits every reader of a FILM movie keeps, the window's and the
// converter's alike. No FILM picture comes near this side; it also bounds
// what a damaged header can make a decoder allocate.
inline constexpr int MaxPictureSide = 4096;
// A sample bigger than this is damage: a Cinepak frame's 24-bit length and
// FILM's padding, or sound far longer than one frame's.
inline constexpr std::uint32_t MaxSampleSize = 0xFFFFFF + 16;

// What a FILM (CPK) movie's header tells about it without reading its samples.
struct FilmInfo {
    int width = 0, height = 0;
    std::string videoCodec;                               // the FDSC fourcc, e.g. "cvid"
    int audioChannels = 0, audioBits = 0, audioRate = 0;  // 0 channels: no sound
    std::int64_t frames = 0;                              // video samples in the sample table
    std::int64_t durationTicks = 0;                       // the video samples' durations summed, in timeBase ticks
    std::int32_t timeBase = 0;                            // STAB's base frequency, ticks per second
    std::int64_t headerSize = 0;                          // where the sample data starts
    std::int64_t tableAt = 0;                             // where STAB starts, after FDSC
    // Some sample lies past the movie's end, or is bigger than MaxSampleSize:
    // the movie is damaged from there on, though its header reads.
    bool samplesOutside = false;

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

// Parses a whole header (`n` bytes, at least filmHeaderSize of them) of a
// movie `movieSize` bytes long; nothing when it is not a valid FILM header,
// or is longer than the movie. Reads nothing past the header's length; every
// sample is checked against the movie's end.
std::optional<FilmInfo> readFilmHeader(const std::uint8_t* bytes, std::size_t n, std::int64_t movieSize);

// Reads `n` bytes at a movie's byte `offset`; throws when it cannot.
using MovieBytes = std::function<void(std::int64_t offset, void* buffer, std::size_t n)>;

// The same, reading the header of a movie `movieSize` bytes long through
// `read`: its first 8 bytes, then, once its length is known to fit the
// movie, the rest. What `read` throws goes through.
std::optional<FilmInfo> readFilmHeader(const MovieBytes& read, std::int64_t movieSize);

// A length as the command line shows it: "m:ss", rounded to the nearest
// second; "-:--" when unknown (0, negative, not a number, absurdly long).
std::string lengthText(double seconds);

}  // namespace hotaru
