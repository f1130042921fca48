// CHD version 5 CD images read as a data track: hunks decoded ahead of the
// reader on other threads, the track's sectors taken out of them.
#include "disc/Chd.h"

#include "disc/CdSector.h"
#include "disc/ChdFile.h"
#include "disc/DataTrack.h"
#include "disc/ImageError.h"
#include "platform/InOutError.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace hotaru::disc {

namespace {

using namespace chd;

// Hunks decoded ahead of the reader when it reads in order: a few per decoding
// thread, so none waits for the reader's hand-off.
constexpr std::uint32_t DecodeAhead = 8;
// Decoding threads beyond this would only wait for the reader.
constexpr unsigned MaxDecoders = 4;

using Hunk = std::shared_ptr<const std::vector<std::uint8_t>>;

// How many threads decode ahead: one per core, as each hunk stands alone.
int decoderThreads()
{
    const unsigned cores = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(cores, 1u, static_cast<unsigned>(MaxDecoders)));
}

// Hunks decoded on other threads ahead of a reader that reads in order, at
// most DecodeAhead at a time. The reader decodes itself what no thread has
// taken yet, what a thread could not decode (with retries), and every hunk
// of a read out of order.
class HunkPipeline {
public:
    explicit HunkPipeline(const ChdFile& chd) : chd_(chd) {}
    ~HunkPipeline()
    {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        work_.notify_all();
        for (std::thread& t : workers_)
            t.join();
    }
    HunkPipeline(const HunkPipeline&) = delete;
    HunkPipeline& operator=(const HunkPipeline&) = delete;

    Hunk get(std::uint32_t hunk, std::int64_t archiveAt)
    {
        std::unique_lock lock(mutex_);
        const bool inOrder = hunk == last_ + 1 || hunk == last_;
        last_ = hunk;
        // Keep only what lies in the window ahead, and what is being decoded.
        for (auto it = slots_.begin(); it != slots_.end();) {
            const bool busy = it->second.state == State::Decoding;
            const bool inWindow = it->first >= hunk && it->first <= hunk + DecodeAhead;
            it = !busy && !inWindow ? slots_.erase(it) : std::next(it);
        }
        if (inOrder) {
            bool queued = false;
            for (std::uint32_t k = 1; k <= DecodeAhead && hunk + k < chd_.hunkCount(); ++k)
                queued |= slots_.try_emplace(hunk + k).second;
            if (workers_.empty())
                for (int i = 0; i < decoderThreads(); ++i)
                    workers_.emplace_back([this] { work(); });
            if (queued)
                work_.notify_all();
        }
        for (;;) {
            Slot& slot = slots_[hunk];
            if (slot.state == State::Ready)
                return slot.data;
            if (slot.state == State::Decoding) {
                ready_.wait(lock);
                continue;
            }
            // Ours to decode, with retries: also a hunk another thread could not.
            slot.state = State::Decoding;
            lock.unlock();
            auto data = std::make_shared<std::vector<std::uint8_t>>(chd_.hunkBytes());
            try {
                chd_.decode(hunk, data->data(), true, archiveAt);
            } catch (...) {
                lock.lock();
                slots_.erase(hunk);
                throw;
            }
            lock.lock();
            Slot& done = slots_[hunk];
            done.state = State::Ready;
            done.data = data;
            return data;
        }
    }

private:
    enum class State { Queued, Decoding, Ready, Failed };
    struct Slot {
        State state = State::Queued;
        Hunk data;
    };

    // Decodes queued hunks, lowest first, without retries; one that fails is
    // left for the reader.
    void work()
    {
        std::unique_lock lock(mutex_);
        while (!stop_) {
            const auto next = std::find_if(slots_.begin(), slots_.end(),
                                           [](const auto& s) { return s.second.state == State::Queued; });
            if (next == slots_.end()) {
                work_.wait(lock);
                continue;
            }
            const std::uint32_t hunk = next->first;
            next->second.state = State::Decoding;
            lock.unlock();
            auto data = std::make_shared<std::vector<std::uint8_t>>(chd_.hunkBytes());
            bool ok = true;
            try {
                chd_.decode(hunk, data->data(), false, -1);
            } catch (...) {
                ok = false;
            }
            lock.lock();
            Slot& slot = slots_[hunk];
            slot.state = ok ? State::Ready : State::Failed;
            if (ok)
                slot.data = std::move(data);
            ready_.notify_all();
        }
    }

    const ChdFile& chd_;
    std::mutex mutex_;
    std::condition_variable work_;   // a hunk was queued, or the end
    std::condition_variable ready_;  // a worker finished a hunk
    std::map<std::uint32_t, Slot> slots_;
    std::uint32_t last_ = 0xFFFFFFF0u;
    bool stop_ = false;
    std::vector<std::thread> workers_;
};

// The layout of a CHD track type that holds data.
std::optional<SectorLayout> dataLayout(const std::string& type)
{
    if (type == "MODE1_RAW")
        return layoutOf(TrackMode::Mode1Raw);
    if (type == "MODE2_RAW")
        return layoutOf(TrackMode::Mode2Raw);
    if (type == "MODE1")
        return layoutOf(TrackMode::Mode1Cooked);
    if (type == "MODE2_FORM1")
        return layoutOf(TrackMode::Mode2Form1Cooked);
    if (type == "MODE2" || type == "MODE2_FORM_MIX")
        return layoutOf(TrackMode::Mode2Cooked);
    return std::nullopt;
}

class ChdTrack : public DataTrack {
public:
    ChdTrack(std::shared_ptr<BlockSource> file, const TrackReading& reading)
        : chd_(std::move(file), reading), pipeline_(chd_)
    {
        const std::vector<TrackInfo> tracks = chd_.tracks();
        std::int64_t frame = 0;
        bool found = false;
        for (const TrackInfo& t : tracks) {
            if (t.type != "AUDIO") {
                const std::optional<SectorLayout> layout = dataLayout(t.type);
                if (!layout)
                    throw ImageError(ImageFault::NotSupported, chd_.path(),
                                     chd_.path() + ": tracks of type " + t.type + " are not supported");
                const std::int64_t skip = t.pregapInData ? t.pregap : 0;
                firstFrame_ = frame + skip;
                sectors_ = t.frames - skip;
                dataOffset_ = layout->dataOffset;
                found = true;
                break;
            }
            frame += (t.frames + TrackPadding - 1) / TrackPadding * TrackPadding;
        }
        if (!found)
            throw ImageError(ImageFault::NoDataTrack, chd_.path(), chd_.path() + " holds no data track");
        if ((firstFrame_ + sectors_) * static_cast<std::int64_t>(FrameSize) >
            static_cast<std::int64_t>(chd_.logicalBytes()))
            throw ImageError(ImageFault::Malformed, chd_.path(), chd_.path() + ": its tracks are longer than it");
    }

    std::int64_t sectors() const override { return sectors_; }
    const std::string& file() const override { return chd_.path(); }

    void read(std::int64_t at, void* buffer, std::size_t n, std::int64_t archiveAt) override
    {
        checkWithinTrack(*this, at, n, archiveAt);
        const std::int64_t framesPerHunk = chd_.hunkBytes() / FrameSize;
        Hunk hunk;
        std::int64_t hunkNumber = -1;
        forEachSectorPiece(
            at, buffer, n, archiveAt,
            [&](std::int64_t sector, std::int64_t within, std::size_t k, std::uint8_t* to, std::int64_t pieceAt) {
                const std::int64_t frame = firstFrame_ + sector;
                if (frame / framesPerHunk != hunkNumber) {
                    hunkNumber = frame / framesPerHunk;
                    hunk = pipeline_.get(static_cast<std::uint32_t>(hunkNumber), pieceAt);
                }
                const std::int64_t from = frame % framesPerHunk * static_cast<std::int64_t>(FrameSize) +
                                          static_cast<std::int64_t>(dataOffset_) + within;
                std::memcpy(to, hunk->data() + from, k);
            });
    }

private:
    ChdFile chd_;
    HunkPipeline pipeline_;
    std::int64_t firstFrame_ = 0;
    std::int64_t sectors_ = 0;
    std::size_t dataOffset_ = 0;
};

}  // namespace

std::unique_ptr<DataTrack> chdTrack(std::shared_ptr<BlockSource> file, const TrackReading& reading)
{
    return std::make_unique<ChdTrack>(std::move(file), reading);
}

std::map<std::string, int> checkChdHunks(std::shared_ptr<BlockSource> file)
{
    const ChdFile chd(std::move(file), {});
    std::map<std::string, int> kinds;
    std::vector<std::uint8_t> out(chd.hunkBytes());
    for (std::uint32_t h = 0; h < chd.hunkCount(); ++h) {
        chd.decode(h, out.data(), false, -1);
        ++kinds[chd.storage(h)];
    }
    return kinds;
}

}  // namespace hotaru::disc
