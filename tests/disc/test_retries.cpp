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
