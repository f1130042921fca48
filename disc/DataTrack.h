#pragma once

#include "disc/BlockSource.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace hotaru::disc {

// A disc's data track as the file system sees it: 2048-byte sectors from 0.
class DataTrack {
public:
    virtual ~DataTrack() = default;
    virtual std::int64_t sectors() const = 0;
    // The file that holds the track, for messages.
    virtual const std::string& file() const = 0;
    // n bytes from byte `at` (sector * 2048 + offset within it); archiveAt is
    // the archive offset of the first byte, or -1 for the file system's tables.
    // Throws TrackTooShort past the last sector.
    virtual void read(std::int64_t at, void* buffer, std::size_t n, std::int64_t archiveAt) = 0;
};

struct TrackReading {
    ReadOptions options;
    ReadEvents events;
};

// A track whose sectors lie in the file as 2048 user bytes each (ISO images, MODE1/2048).
std::unique_ptr<DataTrack> cookedTrack(std::shared_ptr<BlockSource> file, std::int64_t start, std::int64_t sectors,
                                       const TrackReading& reading);
// A track of raw sectors of `sectorSize` bytes with the user bytes at `dataOffset`.
std::unique_ptr<DataTrack> rawTrack(std::shared_ptr<BlockSource> file, std::int64_t start, std::int64_t sectors,
                                    std::size_t sectorSize, std::size_t dataOffset, const TrackReading& reading);
// The data track of a CHD v5 CD image.
std::unique_ptr<DataTrack> chdTrack(std::shared_ptr<BlockSource> file, const TrackReading& reading);

// A file stretch of the archive, in bytes of its data track.
struct Extent {
    std::int64_t at = 0;
    std::int64_t length = 0;
};
// Finds hotaru4 in the root folder of the track's ISO 9660 file system (or its
// Joliet names). Throws ImageError naming `image`.
std::vector<Extent> findArchive(DataTrack& track, const std::string& image);

}  // namespace hotaru::disc
