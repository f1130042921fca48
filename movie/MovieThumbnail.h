#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace hotaru {

// One picture that stands for a movie, and what its header tells.
struct Thumbnail {
    int width = 0, height = 0;            // of the picture below (scaled), 0 when none
    std::vector<std::uint8_t> rgb;        // width*height*3 bytes, RGB24, rows top to bottom
    int movieWidth = 0, movieHeight = 0;  // the movie's own picture size
    double seconds = 0;                   // the movie's length
    double frameRate = 0;                 // frames per second
    bool damaged = false;                 // the movie could not be read or decoded: no picture
};

// Reads n bytes of the archive at `offset` into `buffer`, or throws.
using ArchiveRead = std::function<void(std::int64_t offset, void* buffer, std::size_t n)>;

// The FILM/CPK movie at [offset, offset+size) of the archive, read through
// `read` (from this thread only, never outside that range): the first picture
// from a third of the way in on that is not blank, else the most varied of
// the frames decoded (a bounded number), shrunk to fit maxWidth x maxHeight
// keeping its aspect; never enlarged. Never throws for a damaged movie.
Thumbnail movieThumbnail(const ArchiveRead& read, std::int64_t offset, std::int64_t size, int maxWidth = 160,
                         int maxHeight = 120);

}  // namespace hotaru
