#pragma once
// A CHD version 5 CD image's file: its header, Huffman-coded map and track
// metadata, and its hunks, each decoded by its codec and checked against its
// CRC16 before a byte of it is used.

#include "disc/BlockSource.h"
#include "disc/DataTrack.h"
#include "platform/Bytes.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace hotaru::disc::chd {

inline constexpr std::size_t HeaderSize = 124;
constexpr std::uint32_t tag(const char (&s)[5]) { return bigEndian32(s); }
inline constexpr std::uint32_t CodecZlib = tag("cdzl"), CodecLzma = tag("cdlz"), CodecFlac = tag("cdfl");
inline constexpr std::uint32_t TrackTag = tag("CHT2"), OldTrackTag = tag("CHTR"), BinaryTrackTag = tag("CHCD");
// More metadata entries than a CD has tracks (99) and other items together.
inline constexpr int MaxMetadata = 1024;
// No CD holds more than 100 minutes of frames.
inline constexpr std::uint64_t MaxCdFrames = 100ULL * 60 * 75;
// Each track's frames are padded to a multiple of this in the hunks.
inline constexpr int TrackPadding = 4;

enum : std::uint8_t {
    Codec0 = 0,
    Codec3 = 3,
    Uncompressed = 4,
    Self = 5,
    Parent = 6,
    RleSmall = 7,
    RleLarge = 8,
    Self0 = 9,
    Self1 = 10,
    ParentSelf = 11,
    Parent0 = 12,
    Parent1 = 13,
};

// A codec's four letters, unprintable ones as '?'.
std::string codecName(std::uint32_t c);
// CRC-16/CCITT over n bytes.
std::uint16_t crc16(const std::uint8_t* p, std::size_t n);

struct MapEntry {
    std::uint8_t type = 0;
    std::uint32_t length = 0;
    std::uint64_t offset = 0;
    std::uint16_t crc = 0;
};

struct TrackInfo {
    std::string type;
    std::int64_t frames = 0;
    std::int64_t pregap = 0;
    std::int64_t postgap = 0;
    bool pregapInData = false;
};

// A CHD's header, map and codecs; decodes one hunk at a time, from any thread.
class ChdFile {
public:
    ChdFile(std::shared_ptr<BlockSource> file, TrackReading reading);

    const std::string& path() const { return file_->path(); }
    std::uint32_t hunkBytes() const { return hunkBytes_; }
    std::uint32_t hunkCount() const { return static_cast<std::uint32_t>(map_.size()); }
    std::uint64_t logicalBytes() const { return logicalBytes_; }
    // How a hunk is stored: a codec's four letters, "none", "self" or "parent".
    std::string storage(std::uint32_t hunk) const;

    // Decodes hunk `hunk` into `out` (hunkBytes) and checks its CRC16. With
    // `retry`, failed reads are retried and announced (the reading thread only).
    void decode(std::uint32_t hunk, std::uint8_t* out, bool retry, std::int64_t archiveAt) const;

    std::vector<TrackInfo> tracks() const;

private:
    [[noreturn]] void malformed(const std::string& what, std::int64_t archiveAt) const;

    void checkWithin(std::uint64_t at, std::uint64_t n) const;

    void readChecked(std::uint64_t at, void* buffer, std::size_t n) const;

    void readHeader();

    void readMap();

    TrackInfo parseTrack(const char* text) const;

    std::shared_ptr<BlockSource> file_;
    TrackReading reading_;
    std::uint32_t codecs_[4] = {};
    std::uint64_t logicalBytes_ = 0;
    std::uint64_t mapOffset_ = 0;
    std::uint64_t metaOffset_ = 0;
    std::uint32_t hunkBytes_ = 0;
    bool uncompressedMap_ = false;
    std::vector<MapEntry> map_;
};

}  // namespace hotaru::disc::chd
