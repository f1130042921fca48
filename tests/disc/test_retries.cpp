// Read errors from the system: retried sector by sector, healed or reported.
#include "DiscTestSupport.h"

#include "disc/ImageError.h"
#include "platform/InOutError.h"

#include <atomic>
#include <mutex>
#include <thread>

using namespace disctest;
using hotaru::EInOutError;
using hotaru::disc::BlockSource;
using hotaru::disc::ImageError;
using hotaru::disc::ImageFault;
using hotaru::disc::openArchive;

namespace {

// A real file whose byte `bad` fails to read `failures` times (-1: always).
class FlakyFile : public BlockSource {
public:
    FlakyFile(std::unique_ptr<BlockSource> real, std::int64_t bad, int failures)
        : real_(std::move(real)), bad_(bad), failures_(failures)
    {
    }
    const std::string& path() const override { return real_->path(); }
    std::int64_t size() const override { return real_->size(); }
    void readAt(std::int64_t offset, void* buffer, std::size_t n) override
    {
        if (offset <= bad_ && bad_ < offset + static_cast<std::int64_t>(n)) {
            ++attempts;
            const std::lock_guard lock(mutex_);
            if (failures_ != 0) {
                if (failures_ > 0)
                    --failures_;
                throw EInOutError(hotaru::io::DeviceError, path(), 5);
            }
        }
        real_->readAt(offset, buffer, n);
    }
    std::atomic<int> attempts{0};

private:
    std::unique_ptr<BlockSource> real_;
    std::int64_t bad_;
    std::mutex mutex_;
    int failures_;
};

// Whether `done` comes true within a few seconds.
template <typename Done>
bool eventually(Done done)
{
    for (int i = 0; i < 500 && !done(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
}

}  // namespace

class Retries : public DiscImages {
protected:
    struct Seen {
        std::int64_t offset;
        int attempt;
        std::thread::id thread;
    };
    std::vector<Seen> events;
    std::vector<std::chrono::milliseconds> pauses;
    FlakyFile* flaky = nullptr;

    // Opens `image` with byte `bad` of `victim` failing `failures` times.
    std::unique_ptr<hotaru::disc::ArchiveReader> openFlaky(const std::string& image, const std::string& victim,
                                                           std::int64_t bad, int failures)
    {
        hotaru::disc::ReadOptions options;
        options.sleep = [this](std::chrono::milliseconds ms) { pauses.push_back(ms); };
        options.openFile = [=, this](const std::string& path) -> std::unique_ptr<BlockSource> {
            auto real = hotaru::disc::openFileSource(path);
            if (path != victim)
                return real;
            auto f = std::make_unique<FlakyFile>(std::move(real), bad, failures);
            flaky = f.get();
            return f;
        };
        hotaru::disc::ReadEvents ev;
        ev.retrying = [this](std::int64_t offset, int attempt) {
            events.push_back({offset, attempt, std::this_thread::get_id()});
        };
        return openArchive(image, ev, options);
    }
};

TEST_F(Retries, PlainFileHealedBySecondTry)
{
    const std::int64_t bad = 1'000'000;
    // The whole read fails, then the sector alone, then its first retry.
    const auto r = openFlaky(archive, archive, bad, 3);
    EXPECT_EQ(readAll(*r), archiveBytes);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].offset, bad / 2048 * 2048);
    EXPECT_EQ(events[0].attempt, 1);
    EXPECT_EQ(events[1].attempt, 2);
    EXPECT_EQ(pauses,
              (std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(200), std::chrono::milliseconds(200)}));
}

TEST_F(Retries, SectorThatNeverReadsIsNamed)
{
    const std::int64_t bad = 123'456;
    const auto r = openFlaky(archive, archive, bad, -1);
    try {
        readAll(*r);
        FAIL() << "read an unreadable sector";
    } catch (const ImageError& e) {
        EXPECT_EQ(e.fault(), ImageFault::UnreadableSector);
        EXPECT_EQ(e.file(), archive);
        EXPECT_EQ(e.archiveOffset(), bad / 2048 * 2048);
        EXPECT_EQ(e.ioCode(), hotaru::io::DeviceError);
    }
    // The whole read, the sector alone, then four retries.
    EXPECT_EQ(flaky->attempts, 6);
    EXPECT_EQ(events.size(), 4u);
}

TEST_F(Retries, RawSectorOfABinHealedAndMappedToTheArchive)
{
    const std::string cue = file("game.cue");
    hotaru::writeBinCue(archive, cue);
    const std::string bin = hotaru::trackFileName(cue, 1);
    // Raw sector 21 + 100 holds archive bytes 100 * 2048 on.
    const std::int64_t sector = 21 + 100;
    const auto r = openFlaky(cue, bin, sector * 2352 + 700, 3);
    EXPECT_EQ(readAll(*r), archiveBytes);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].offset, 100 * 2048);
}

TEST_F(Retries, ChdHunkHealedOnTheReadingThread)
{
    NEEDS_CHDMAN();
    const std::string copy = file("flaky.chd");
    std::filesystem::copy_file(fsPath(chd), fsPath(copy));
    std::string header = readPart(copy, 40, 8);
    std::uint64_t mapOffset = 0;
    for (const char c : header)
        mapOffset = mapOffset << 8 | static_cast<unsigned char>(c);
    const auto r = openFlaky(copy, copy, static_cast<std::int64_t>(mapOffset / 2), 3);
    EXPECT_EQ(readAll(*r), archiveBytes);
    ASSERT_FALSE(events.empty());
    for (const Seen& s : events) {
        EXPECT_EQ(s.thread, std::this_thread::get_id());
        EXPECT_GE(s.offset, 0);
    }
}

TEST_F(Retries, ReadingPastTheEndIsNotRetried)
{
    const auto r = openFlaky(archive, archive, -1, 0);
    EXPECT_THROW(bytesOf(*r, r->size() - 10, 11), EInOutError);
    EXPECT_TRUE(events.empty());
}

// A scratched stretch costs retries and pauses; a stop given meanwhile ends
// the read before the next try, and in the middle of a pause.
TEST_F(Retries, AStopEndsTheRetriesAtOnce)
{
    const std::int64_t bad = 300'000;
    std::atomic<int> retriesSeen{0};
    std::atomic<bool> stop{false};
    hotaru::disc::ReadOptions options;
    options.pause = std::chrono::seconds(2);  // eight seconds in all, were the stop not seen
    options.openFile = [&, this](const std::string& path) -> std::unique_ptr<BlockSource> {
        auto f = std::make_unique<FlakyFile>(hotaru::disc::openFileSource(path), bad, -1);
        flaky = f.get();
        return f;
    };
    hotaru::disc::ReadEvents ev;
    ev.retrying = [&](std::int64_t, int) { ++retriesSeen; };
    ev.stopRequested = [&] { return stop.load(); };
    const auto r = openArchive(archive, ev, options);
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stop = true;
    });
    const auto started = std::chrono::steady_clock::now();
    EXPECT_THROW(bytesOf(*r, bad - 10, 20), hotaru::disc::ReadStopped);
    const auto took = std::chrono::steady_clock::now() - started;
    stopper.join();
    EXPECT_LT(took, std::chrono::milliseconds(1300));
    EXPECT_EQ(retriesSeen, 1);  // stopped in the first pause
    EXPECT_EQ(flaky->attempts, 2);

    // Asked before a try: nothing more is read.
    const int before = flaky->attempts;
    EXPECT_THROW(bytesOf(*r, 0, 10), hotaru::disc::ReadStopped);
    EXPECT_EQ(flaky->attempts, before);
    stop = false;
    EXPECT_EQ(bytesOf(*r, 0, 10), archiveBytes.substr(0, 10));
}

// A sector read ahead (raw sector 21 + 300, archive sector 300, in the block
// of raw sectors 320 to 383) that fails its check or its read is told only
// when a read reaches it; a failed read costs the same tries as without the
// read ahead, whose read counts as the first.
TEST_F(Retries, ASectorReadAheadFailsOnlyWhenReached)
{
    const std::string cue = file("game.cue");
    hotaru::writeBinCue(archive, cue);
    const std::string bin = hotaru::trackFileName(cue, 1);
    constexpr std::int64_t Bad = 300 * 2048, Byte = (21 + 300) * 2352 + 700;
    const std::string was = readPart(bin, Byte, 1);
    const auto expected = [](std::int64_t at, std::size_t n) { return archiveBytes.substr(std::size_t(at), n); };
    for (const int failures : {0, 3, -1}) {
        SCOPED_TRACE(failures);
        events.clear();
        patch(bin, Byte, failures == 0 ? std::string(1, static_cast<char>(was[0] ^ 0x04)) : was);
        const auto r = openFlaky(cue, bin, Byte, failures);
        EXPECT_TRUE(bytesOf(*r, 0, Bad - 2048) == expected(0, Bad - 2048));
        ASSERT_TRUE(eventually([&] { return flaky->attempts > 0; }));
        EXPECT_EQ(bytesOf(*r, Bad - 2048, 2048), expected(Bad - 2048, 2048));
        EXPECT_TRUE(events.empty());
        try {
            EXPECT_EQ(bytesOf(*r, Bad - 100, 5000), expected(Bad - 100, 5000));
            EXPECT_EQ(failures, 3);
            EXPECT_EQ(events.size(), 2u);  // the sector alone and one retry failed
        } catch (const ImageError& e) {
            EXPECT_EQ(e.fault(), failures ? ImageFault::UnreadableSector : ImageFault::ChecksumFailed);
            EXPECT_EQ(e.file(), bin);
            EXPECT_EQ(e.archiveOffset(), Bad);
            EXPECT_EQ(events.size(), failures ? 4u : 0u);
            EXPECT_EQ(flaky->attempts, failures ? 6 : 1);
            // Reached from its own start too; the sectors after it read.
            EXPECT_THROW(bytesOf(*r, Bad + 1000, 10), ImageError);
            EXPECT_EQ(bytesOf(*r, Bad + 2048, 5000), expected(Bad + 2048, 5000));
        }
        for (const Seen& s : events)
            EXPECT_EQ(s.thread, std::this_thread::get_id());
    }
}

// A reader waiting for a block being read ahead gives up at a stop, asked on
// its own thread alone (whoever answers may change between reads); closing
// the track waits for the one read under way, not the blocks queued.
TEST_F(Retries, AStopOrTheTracksEndDoesNotWaitForTheReadAhead)
{
    using std::chrono::milliseconds;
    const std::string cue = file("slow.cue");
    hotaru::writeBinCue(archive, cue);
    SlowFile* slow = nullptr;
    std::atomic<bool> stop{false}, askedElsewhere{false};
    const std::thread::id reader = std::this_thread::get_id();
    hotaru::disc::ReadEvents ev;
    ev.stopRequested = [&] {
        askedElsewhere = askedElsewhere || std::this_thread::get_id() != reader;
        return stop.load();
    };
    // Opening reads in order: the block after the first is then being read ahead.
    auto r = openArchive(cue, ev, slowAhead(milliseconds(10'000), &slow));
    ASSERT_TRUE(eventually([&] { return slow->held > 0; }));
    std::thread stopper([&] {
        std::this_thread::sleep_for(milliseconds(200));
        stop = true;
    });
    auto started = std::chrono::steady_clock::now();
    EXPECT_THROW(bytesOf(*r, 0, 100 * 2048), hotaru::disc::ReadStopped);
    EXPECT_LT(std::chrono::steady_clock::now() - started, milliseconds(2000));
    stopper.join();
    slow->release = true;
    stop = false;
    EXPECT_TRUE(bytesOf(*r, 0, 200 * 2048) == archiveBytes.substr(0, 200 * 2048));
    EXPECT_FALSE(askedElsewhere);

    r = openArchive(cue, ev, slowAhead(milliseconds(500), &slow));
    ASSERT_TRUE(eventually([&] { return slow->held > 0; }));
    started = std::chrono::steady_clock::now();
    r.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - started, milliseconds(1500));
}

// A file of an archive's exact size is the archive: opening it reads nothing,
// so a scratch at its start does not hold the window back.
TEST_F(Retries, AFileOfAnArchivesSizeOpensWithoutARead)
{
    hotaru::disc::ReadOptions options;
    options.archiveSizes = {static_cast<std::int64_t>(archiveBytes.size())};
    options.sleep = [this](std::chrono::milliseconds ms) { pauses.push_back(ms); };
    options.openFile = [&, this](const std::string& path) -> std::unique_ptr<BlockSource> {
        auto f = std::make_unique<FlakyFile>(hotaru::disc::openFileSource(path), 0, -1);
        flaky = f.get();
        return f;
    };
    const auto r = openArchive(archive, {}, options);
    EXPECT_EQ(r->size(), std::int64_t(archiveBytes.size()));
    EXPECT_EQ(flaky->attempts, 0);
    EXPECT_TRUE(pauses.empty());
    // Another size is looked into as before (and its scratch retried).
    options.archiveSizes = {1};
    EXPECT_THROW(openArchive(archive, {}, options), ImageError);
    EXPECT_EQ(pauses.size(), 4u);
}
