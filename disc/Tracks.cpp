#include "disc/CdSector.h"
#include "disc/DataTrack.h"
#include "disc/ImageError.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace hotaru::disc {

namespace {

constexpr auto UserBytes = static_cast<std::int64_t>(UserDataSize);

class CookedTrack : public DataTrack {
public:
    CookedTrack(std::shared_ptr<BlockSource> file, std::int64_t start, std::int64_t sectors, TrackReading reading)
        : file_(std::move(file)), start_(start), sectors_(sectors), reading_(std::move(reading))
    {
    }
    std::int64_t sectors() const override { return sectors_; }
    const std::string& file() const override { return file_->path(); }
    void read(std::int64_t at, void* buffer, std::size_t n, std::int64_t archiveAt) override
    {
        checkWithinTrack(*this, at, n, archiveAt);
        readRetrying(*file_, start_ + at, buffer, n, start_, UserDataSize, {archiveAt, UserBytes}, reading_.options,
                     reading_.events);
    }

private:
    std::shared_ptr<BlockSource> file_;
    std::int64_t start_;
    std::int64_t sectors_;
    TrackReading reading_;
};

class RawTrack : public DataTrack {
public:
    RawTrack(std::shared_ptr<BlockSource> file, std::int64_t start, std::int64_t sectors, std::size_t sectorSize,
             std::size_t dataOffset, TrackReading reading)
        : file_(std::move(file)), start_(start), sectors_(sectors), sectorSize_(sectorSize), dataOffset_(dataOffset),
          reading_(std::move(reading)), buffer_(ChunkSectors * sectorSize)
    {
    }
    std::int64_t sectors() const override { return sectors_; }
    const std::string& file() const override { return file_->path(); }
    void read(std::int64_t at, void* buffer, std::size_t n, std::int64_t archiveAt) override
    {
        checkWithinTrack(*this, at, n, archiveAt);
        auto* out = static_cast<std::uint8_t*>(buffer);
        const auto raw = static_cast<std::int64_t>(sectorSize_);
        while (n > 0) {
            // As many whole sectors as the buffer holds, then their user bytes.
            const std::int64_t first = at / UserBytes;
            const std::int64_t last = (at + static_cast<std::int64_t>(n) - 1) / UserBytes;
            const std::int64_t count = std::min<std::int64_t>(last - first + 1, ChunkSectors);
            const std::int64_t archiveFirst = archiveAt < 0 ? -1 : archiveAt - at % UserBytes;
            readRetrying(*file_, start_ + first * raw, buffer_.data(), static_cast<std::size_t>(count * raw), start_,
                         sectorSize_, {archiveFirst, UserBytes}, reading_.options, reading_.events);
            const auto chunk = static_cast<std::size_t>(std::min<std::int64_t>((first + count) * UserBytes - at, n));
            forEachSectorPiece(
                at, out, chunk, archiveAt,
                [&](std::int64_t s, std::int64_t within, std::size_t k, std::uint8_t* to, std::int64_t pieceAt) {
                    const std::uint8_t* sector = buffer_.data() + (s - first) * raw;
                    // A raw sector, alone or with its 96 bytes of subchannel after it.
                    if (sectorSize_ >= RawSectorSize)
                        checkSector(sector, s, pieceAt);
                    std::memcpy(to, sector + static_cast<std::int64_t>(dataOffset_) + within, k);
                });
            out += chunk;
            n -= chunk;
            at += static_cast<std::int64_t>(chunk);
            if (archiveAt >= 0)
                archiveAt += static_cast<std::int64_t>(chunk);
        }
    }

private:
    static constexpr std::int64_t ChunkSectors = 64;

    void checkSector(const std::uint8_t* sector, std::int64_t s, std::int64_t archiveAt) const
    {
        const auto fail = [&](ImageFault fault, const std::string& what) {
            throw ImageError(fault, file(), file() + ": sector " + std::to_string(s) + " of the data track " + what,
                             archiveAt);
        };
        // The mode byte decides which bytes the EDC covers: a sector whose
        // header names another mode than the track's would escape the check.
        const std::uint8_t mode = dataOffset_ == Mode2DataOffset ? 2 : 1;
        if (sector[15] != mode)
            fail(ImageFault::Malformed,
                 "is a mode " + std::to_string(sector[15]) + " sector, not mode " + std::to_string(mode));
        if (mode == 2) {
            // The subheader is written twice: one damaged copy must not make
            // the sector look like form 2, whose bytes the EDC check leaves alone.
            if (std::memcmp(sector + 16, sector + 20, 4) != 0)
                fail(ImageFault::ChecksumFailed, "has a damaged subheader");
            if (sector[18] & 0x20)
                fail(ImageFault::NotSupported, "is a form 2 sector, which holds no 2048-byte data");
        }
        if (!edcMatches(sector))
            fail(ImageFault::ChecksumFailed, "fails its EDC check");
    }

    std::shared_ptr<BlockSource> file_;
    std::int64_t start_;
    std::int64_t sectors_;
    std::size_t sectorSize_;
    std::size_t dataOffset_;
    TrackReading reading_;
    std::vector<std::uint8_t> buffer_;
};

}  // namespace

void checkWithinTrack(const DataTrack& track, std::int64_t at, std::size_t n, std::int64_t archiveAt)
{
    if (at < 0 || at + static_cast<std::int64_t>(n) > track.sectors() * UserBytes)
        throw ImageError(ImageFault::TrackTooShort, track.file(),
                         track.file() + " ends before the data the disc's file system names", archiveAt);
}

std::unique_ptr<DataTrack> cookedTrack(std::shared_ptr<BlockSource> file, std::int64_t start, std::int64_t sectors,
                                       const TrackReading& reading)
{
    return std::make_unique<CookedTrack>(std::move(file), start, sectors, reading);
}

std::unique_ptr<DataTrack> rawTrack(std::shared_ptr<BlockSource> file, std::int64_t start, std::int64_t sectors,
                                    std::size_t sectorSize, std::size_t dataOffset, const TrackReading& reading)
{
    return std::make_unique<RawTrack>(std::move(file), start, sectors, sectorSize, dataOffset, reading);
}

}  // namespace hotaru::disc
