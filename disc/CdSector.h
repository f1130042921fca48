#pragma once

#include <cstddef>
#include <cstdint>

namespace hotaru::disc {

// A CD's raw sector and the frame a CHD keeps per sector (sector and subcode).
inline constexpr std::size_t RawSectorSize = 2352;
inline constexpr std::size_t SubcodeSize = 96;
inline constexpr std::size_t FrameSize = RawSectorSize + SubcodeSize;
inline constexpr std::size_t UserDataSize = 2048;
// Where user data starts in a raw sector: after sync and header (mode 1), and
// after the subheader too (mode 2 form 1).
inline constexpr std::size_t Mode1DataOffset = 16;
inline constexpr std::size_t Mode2DataOffset = 24;
// A disc's first sector lies two seconds (150 frames) into its addresses.
inline constexpr std::int64_t LeadInFrames = 150;

// How a track's sectors lie in an image file, whichever reader finds them:
// each takes `sectorSize` bytes and its 2048 user bytes start at `dataOffset`.
// Every reader takes its layouts from layoutOf.
enum class TrackMode { Audio, Mode1Raw, Mode1Cooked, Mode2Raw, Mode2Cooked, Mode2Form1Cooked };
struct SectorLayout {
    std::size_t sectorSize;
    std::size_t dataOffset;
};
// `mode`'s layout; `subchannel` bytes (96, interleaved) after each raw sector
// make it larger without moving its data.
SectorLayout layoutOf(TrackMode mode, std::size_t subchannel = 0);

extern const std::uint8_t SyncPattern[12];

bool startsWithSync(const std::uint8_t* sector);
// The EDC checksum over n bytes (little-endian where a sector stores it).
std::uint32_t edc(const std::uint8_t* data, std::size_t n);
// Whether a raw 2352-byte data sector (mode 1, or mode 2 form 1) holds the
// EDC its bytes give; a sector that records none (zero) passes.
bool edcMatches(const std::uint8_t* sector);
// Writes a raw data sector's P and Q parity (bytes 2076..2351) from bytes
// 12..2075; in mode 2 (form 1) the header counts as zeros.
void generateEcc(std::uint8_t* sector);
// A complete mode-1 raw sector for logical block `lba`: sync, header, the
// 2048 user bytes, EDC, zeros and ECC.
void makeMode1Sector(std::uint8_t* sector, std::int64_t lba, const std::uint8_t* userData);
// A complete mode-2 form-1 raw sector: sync, header, the subheader twice (a
// data sector), the 2048 user bytes at 24, EDC and ECC.
void makeMode2Form1Sector(std::uint8_t* sector, std::int64_t lba, const std::uint8_t* userData);

}  // namespace hotaru::disc
