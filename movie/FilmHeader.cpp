#include "movie/FilmHeader.h"

#include "platform/Bytes.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace hotaru {

namespace {

// "FILM", length, version, 4 reserved bytes.
constexpr std::size_t PreambleSize = 16;
// FDSC is 32 bytes; version 0 files (early ports) have a 20-byte one.
constexpr std::size_t DescriptionSize = 32;
constexpr std::size_t OldDescriptionSize = 20;
// "STAB", its size, base frequency, sample count; then the records.
constexpr std::size_t TableHeadSize = 16;
constexpr std::size_t RecordSize = 16;
constexpr std::uint32_t MinHeaderSize = PreambleSize + OldDescriptionSize + TableHeadSize;
constexpr std::uint32_t AudioRecord = 0xFFFFFFFF;

bool tagged(const std::uint8_t* p, const char (&tag)[5]) { return std::memcmp(p, tag, 4) == 0; }

}  // namespace

double FilmInfo::seconds() const
{
    if (timeBase <= 0 || durationTicks <= 0)
        return 0;
    return static_cast<double>(durationTicks) / timeBase;
}

double FilmInfo::frameRate() const
{
    const double s = seconds();
    return s > 0 && frames > 0 ? static_cast<double>(frames) / s : 0;
}

std::optional<std::uint32_t> filmHeaderSize(const std::uint8_t* bytes, std::size_t n)
{
    if (bytes == nullptr || n < 8 || !tagged(bytes, "FILM"))
        return std::nullopt;
    const std::uint32_t size = bigEndian32(bytes + 4);
    if (size < MinHeaderSize || size > MaxFilmHeaderSize)
        return std::nullopt;
    return size;
}

std::optional<FilmInfo> readFilmHeader(const std::uint8_t* bytes, std::size_t n, std::int64_t movieSize)
{
    const std::optional<std::uint32_t> size = filmHeaderSize(bytes, n);
    if (!size || n < *size || *size > movieSize)
        return std::nullopt;
    // Everything below stays inside the header's own length.
    const std::size_t end = *size;
    FilmInfo info;
    info.headerSize = *size;
    const bool old = bigEndian32(bytes + 8) == 0;

    const std::uint8_t* d = bytes + PreambleSize;
    const std::size_t descriptionSize = old ? OldDescriptionSize : DescriptionSize;
    // MinHeaderSize covers the old description; the newer one may not fit.
    if (PreambleSize + descriptionSize + TableHeadSize > end || !tagged(d, "FDSC"))
        return std::nullopt;
    const std::uint32_t height = bigEndian32(d + 12), width = bigEndian32(d + 16);
    if (height > std::uint32_t{MaxPictureSide} || width > std::uint32_t{MaxPictureSide})
        return std::nullopt;
    info.height = static_cast<int>(height);
    info.width = static_cast<int>(width);
    info.videoCodec.assign(reinterpret_cast<const char*>(d + 8), 4);
    if (old) {
        // Version 0 leaves the sound out of FDSC; its players assume this.
        info.audioChannels = 1;
        info.audioBits = 8;
        info.audioRate = 22050;
    } else if (d[21] != 0) {
        info.audioChannels = d[21];
        info.audioBits = d[22];
        info.audioRate = bigEndian16(d + 24);
    }

    const std::size_t tableAt = PreambleSize + descriptionSize;
    const std::uint8_t* t = bytes + tableAt;
    if (!tagged(t, "STAB"))
        return std::nullopt;
    info.tableAt = static_cast<std::int64_t>(tableAt);
    const std::uint32_t base = bigEndian32(t + 8);
    if (base > 0x7FFFFFFF)
        return std::nullopt;
    info.timeBase = static_cast<std::int32_t>(base);
    // A count the header has no room for is damage, not a reason to read on.
    const std::uint32_t count = bigEndian32(t + 12);
    const std::size_t roomFor = (end - tableAt - TableHeadSize) / RecordSize;
    if (count > roomFor)
        return std::nullopt;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* r = t + TableHeadSize + i * RecordSize;
        // +0: where the sample starts, after the header; +4: its size.
        const std::uint64_t sampleSize = bigEndian32(r + 4);
        if (sampleSize > MaxSampleSize ||
            *size + std::uint64_t{bigEndian32(r)} + sampleSize > static_cast<std::uint64_t>(movieSize))
            info.samplesOutside = true;
        if (bigEndian32(r + 8) == AudioRecord)
            continue;
        // +8 is the frame's time (top bit: not a key frame), +12 its duration.
        ++info.frames;
        info.durationTicks += bigEndian32(r + 12);
    }
    return info;
}

std::optional<FilmInfo> readFilmHeader(const MovieBytes& read, std::int64_t movieSize)
{
    std::uint8_t start[8];
    if (movieSize < std::int64_t{sizeof start})
        return std::nullopt;
    read(0, start, sizeof start);
    const std::optional<std::uint32_t> size = filmHeaderSize(start, sizeof start);
    if (!size || *size > movieSize)
        return std::nullopt;
    std::vector<std::uint8_t> header(*size);
    read(0, header.data(), header.size());
    return readFilmHeader(header.data(), header.size(), movieSize);
}

std::string lengthText(double seconds)
{
    // Past this a double no longer rounds to a whole second anyway.
    constexpr double Longest = 1e15;
    if (!std::isfinite(seconds) || seconds <= 0 || seconds >= Longest)
        return "-:--";
    const long long whole = std::llround(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    return text;
}

}  // namespace hotaru
