#include "disc/CdSector.h"
#include "disc/DataTrack.h"
#include "disc/ImageError.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
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

// A raw track's sectors, read and checked a block at a time on a thread of
// its own ahead of a reader that reads in order. The reader reads itself
// every block of a read out of order, and any block the thread has not begun;
// a block the thread could not read is left to the reader, whose retries and
// stops are told and asked on its own thread only.
class RawTrack : public DataTrack {
public:
    RawTrack(std::shared_ptr<BlockSource> file, std::int64_t start, std::int64_t sectors, std::size_t sectorSize,
             std::size_t dataOffset, TrackReading reading)
        : file_(std::move(file)), start_(start), sectors_(sectors), sectorSize_(sectorSize), dataOffset_(dataOffset),
          reading_(std::move(reading)), buffer_(BlockSectors * sectorSize)
    {
    }
    ~RawTrack() override
    {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        work_.notify_all();
        if (worker_.joinable())
            worker_.join();
    }
    RawTrack(const RawTrack&) = delete;
    RawTrack& operator=(const RawTrack&) = delete;

    std::int64_t sectors() const override { return sectors_; }
    const std::string& file() const override { return file_->path(); }
    void read(std::int64_t at, void* buffer, std::size_t n, std::int64_t archiveAt) override
    {
        checkWithinTrack(*this, at, n, archiveAt);
        auto* out = static_cast<std::uint8_t*>(buffer);
        const auto raw = static_cast<std::int64_t>(sectorSize_);
        const bool checked = sectorSize_ >= RawSectorSize;  // alone or with its 96 bytes of subchannel after it
        while (n > 0) {
            // The sectors the buffer holds within one block, then their user bytes.
            const std::int64_t first = at / UserBytes;
            const std::int64_t block = first / BlockSectors;
            const std::int64_t last = (at + static_cast<std::int64_t>(n) - 1) / UserBytes;
            const std::int64_t count = std::min(last + 1, (block + 1) * BlockSectors) - first;
            const std::int64_t archiveFirst = archiveAt < 0 ? -1 : archiveAt - at % UserBytes;
            const std::uint8_t* sectors = buffer_.data();
            std::uint64_t unsound = ~std::uint64_t{0};  // which sectors to check here, from bit 0 for `first`
            const Slot* ahead = take(block);
            const auto bytes = static_cast<std::size_t>(count * raw);
            const ArchiveSpan span{archiveFirst, UserBytes};
            if (ahead && ahead->state == State::Ready) {
                if (stopAsked())
                    throw ReadStopped(file_->path());
                sectors = ahead->bytes.data() + (first - block * BlockSectors) * raw;
                unsound = ahead->unsound >> (first - block * BlockSectors);
            } else if (ahead) {
                readUnitsRetrying(*file_, start_ + first * raw, buffer_.data(), bytes, start_, sectorSize_, span,
                                  reading_.options, reading_.events);
            } else {
                readRetrying(*file_, start_ + first * raw, buffer_.data(), bytes, start_, sectorSize_, span,
                             reading_.options, reading_.events);
            }
            const auto chunk = static_cast<std::size_t>(std::min<std::int64_t>((first + count) * UserBytes - at, n));
            forEachSectorPiece(
                at, out, chunk, archiveAt,
                [&](std::int64_t s, std::int64_t within, std::size_t k, std::uint8_t* to, std::int64_t pieceAt) {
                    const std::uint8_t* sector = sectors + (s - first) * raw;
                    if (checked && (unsound >> (s - first) & 1))
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
    // A block is as many sectors as a mask has bits. The window is topped up
    // once half of it is read: a wake-up of the thread costs about as much as
    // copying a block, so it is woken once per few blocks, not for each.
    static constexpr std::int64_t BlockSectors = 64;
    static constexpr std::int64_t BlocksAhead = 8;
    // How often a reader waiting for the thread's read looks for a stop.
    static constexpr std::chrono::milliseconds StopStep{10};

    enum class State { Free, Queued, Reading, Ready, Failed };
    struct Slot {
        State state = State::Free;
        std::int64_t block = -1;
        std::vector<std::uint8_t> bytes;
        std::uint64_t unsound = 0;  // the sectors failing their check, the block's first at bit 0
    };
    // What is wrong with a raw sector.
    enum class Flaw { None, OtherMode, DamagedSubheader, Form2, Edc };

    bool stopAsked() const { return reading_.events.stopRequested && reading_.events.stopRequested(); }

    // The block read ahead, Ready or Failed (its whole read tried once); null
    // when the reader is to read it. Keeps the window from `block` on, and
    // when the reader goes on in order, asks for the blocks after it.
    const Slot* take(std::int64_t block)
    {
        std::unique_lock lock(mutex_);
        const bool inOrder = block == last_ || block == last_ + 1;
        last_ = block;
        for (Slot& s : slots_)
            if (s.state != State::Reading && (s.block < block || s.block > block + BlocksAhead))
                s = {State::Free, -1, std::move(s.bytes), 0};
        const auto ahead =
            std::count_if(slots_.begin(), slots_.end(), [block](const Slot& s) { return s.block > block; });
        if (inOrder && ahead <= BlocksAhead / 2) {
            bool queued = false;
            for (std::int64_t b = block + 1; b <= block + BlocksAhead && b * BlockSectors < sectors_; ++b) {
                if (std::any_of(slots_.begin(), slots_.end(), [b](const Slot& s) { return s.block == b; }))
                    continue;
                const auto free =
                    std::find_if(slots_.begin(), slots_.end(), [](const Slot& s) { return s.state == State::Free; });
                if (free == slots_.end())
                    break;
                free->state = State::Queued;
                free->block = b;
                queued = true;
            }
            if (queued && !worker_.joinable()) {
                try {
                    worker_ = std::thread([this] { readAhead(); });
                } catch (const std::system_error&) {
                    // No thread to be had: the reader reads each block itself, as it takes it.
                }
            }
            if (queued)
                work_.notify_one();
        }
        for (;;) {
            const auto it =
                std::find_if(slots_.begin(), slots_.end(), [block](const Slot& s) { return s.block == block; });
            if (it == slots_.end())
                return nullptr;
            if (it->state == State::Queued) {
                *it = {State::Free, -1, std::move(it->bytes), 0};
                return nullptr;
            }
            if (it->state != State::Reading)
                return &*it;
            // One plain read of the thread's: a stop need not wait for a slow one.
            done_.wait_for(lock, StopStep);
            lock.unlock();
            if (stopAsked())
                throw ReadStopped(file_->path());
            lock.lock();
        }
    }

    // Reads and checks queued blocks, lowest first, each with one try.
    void readAhead()
    {
        const auto raw = static_cast<std::int64_t>(sectorSize_);
        std::unique_lock lock(mutex_);
        while (!stop_) {
            Slot* next = nullptr;
            for (Slot& s : slots_)
                if (s.state == State::Queued && (!next || s.block < next->block))
                    next = &s;
            if (!next) {
                work_.wait(lock);
                continue;
            }
            next->state = State::Reading;
            const std::int64_t first = next->block * BlockSectors;
            const std::int64_t count = std::min(BlockSectors, sectors_ - first);
            std::vector<std::uint8_t> bytes = std::move(next->bytes);
            lock.unlock();
            std::uint64_t unsound = 0;
            bool read = true;
            try {
                bytes.resize(static_cast<std::size_t>(BlockSectors * raw));
                file_->readAt(start_ + first * raw, bytes.data(), static_cast<std::size_t>(count * raw));
                if (sectorSize_ >= RawSectorSize)
                    for (std::int64_t i = 0; i < count; ++i)
                        if (flawOf(bytes.data() + i * raw) != Flaw::None)
                            unsound |= std::uint64_t{1} << i;
            } catch (...) {
                read = false;
            }
            lock.lock();
            next->bytes = std::move(bytes);
            next->unsound = unsound;
            next->state = read ? State::Ready : State::Failed;
            done_.notify_all();
        }
    }

    Flaw flawOf(const std::uint8_t* sector) const
    {
        // The mode byte decides which bytes the EDC covers: a sector whose
        // header names another mode than the track's would escape the check.
        if (sector[15] != mode())
            return Flaw::OtherMode;
        if (mode() == 2) {
            // The subheader is written twice: one damaged copy must not make
            // the sector look like form 2, whose bytes the EDC check leaves alone.
            if (std::memcmp(sector + 16, sector + 20, 4) != 0)
                return Flaw::DamagedSubheader;
            if (sector[18] & 0x20)
                return Flaw::Form2;
        }
        return edcMatches(sector) ? Flaw::None : Flaw::Edc;
    }
    std::uint8_t mode() const { return dataOffset_ == Mode2DataOffset ? 2 : 1; }

    void checkSector(const std::uint8_t* sector, std::int64_t s, std::int64_t archiveAt) const
    {
        ImageFault fault = ImageFault::ChecksumFailed;
        std::string what;
        switch (flawOf(sector)) {
        case Flaw::None:
            return;
        case Flaw::OtherMode:
            fault = ImageFault::Malformed;
            what = "is a mode " + std::to_string(sector[15]) + " sector, not mode " + std::to_string(mode());
            break;
        case Flaw::DamagedSubheader:
            what = "has a damaged subheader";
            break;
        case Flaw::Form2:
            fault = ImageFault::NotSupported;
            what = "is a form 2 sector, which holds no 2048-byte data";
            break;
        case Flaw::Edc:
            what = "fails its EDC check";
            break;
        }
        throw ImageError(fault, file(), file() + ": sector " + std::to_string(s) + " of the data track " + what,
                         archiveAt);
    }

    std::shared_ptr<BlockSource> file_;
    std::int64_t start_;
    std::int64_t sectors_;
    std::size_t sectorSize_;
    std::size_t dataOffset_;
    TrackReading reading_;
    std::vector<std::uint8_t> buffer_;  // a block the reader reads itself

    std::mutex mutex_;
    std::condition_variable work_;  // a block was queued, or the end
    std::condition_variable done_;  // the thread finished a block
    // The window, and a block still being read after a jump.
    std::array<Slot, BlocksAhead + 2> slots_;
    std::int64_t last_ = -2;  // the block the reader last took
    bool stop_ = false;
    std::thread worker_;
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
