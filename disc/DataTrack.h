#pragma once

#include "disc/BlockSource.h"
#include "disc/CdSector.h"

#include <algorithm>
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

// Throws TrackTooShort, naming the track's file, unless n bytes from `at`
// lie within its sectors.
void checkWithinTrack(const DataTrack& track, std::int64_t at, std::size_t n, std::int64_t archiveAt);

// Walks n bytes from track byte `at` one sector's part at a time: calls
// piece(sector, within, k, out, archiveAt) for k bytes from `within` of that
// sector's user data, to go to `out` (archiveAt -1 stays -1).
template <typename Piece>
void forEachSectorPiece(std::int64_t at, void* buffer, std::size_t n, std::int64_t archiveAt, Piece&& piece)
{
    constexpr auto User = static_cast<std::int64_t>(UserDataSize);
    auto* out = static_cast<std::uint8_t*>(buffer);
    while (n > 0) {
        const std::int64_t within = at % User;
        const auto k = static_cast<std::size_t>(std::min<std::int64_t>(User - within, static_cast<std::int64_t>(n)));
        piece(at / User, within, k, out, archiveAt);
        out += k;
        n -= k;
        at += static_cast<std::int64_t>(k);
        if (archiveAt >= 0)
            archiveAt += static_cast<std::int64_t>(k);
    }
}

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
