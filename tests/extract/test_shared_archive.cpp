// One opened archive for every reader of a path: opened once, on a reading
// thread; reads take turns; each reader hears of its own retries, and its own
// stop ends its wait for another's read.
#include "disc/BlockSource.h"
#include "extract/RunArchive.h"
#include "platform/InOutError.h"
#include "tools/SampleImage.h"

#include "FileChecks.h"
#include "ScratchDirTest.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using hotaru::disc::BlockSource;
using namespace std::chrono_literals;

namespace {

// Waits, polling, for what another thread does.
template <typename Condition>
bool eventually(Condition condition)
{
    const auto until = std::chrono::steady_clock::now() + 20s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// The real file; each read touching byte `at` takes `delay`, and the first
// `failures` of them fail.
class Troubled : public BlockSource {
public:
    Troubled(std::unique_ptr<BlockSource> real, std::int64_t at, int failures, std::chrono::milliseconds delay)
        : real_(std::move(real)), at_(at), failures_(failures), delay_(delay)
    {
    }
    const std::string& path() const override { return real_->path(); }
    std::int64_t size() const override { return real_->size(); }
    void readAt(std::int64_t offset, void* buffer, std::size_t n) override
    {
        if (offset <= at_ && at_ < offset + static_cast<std::int64_t>(n)) {
            std::this_thread::sleep_for(delay_);
            if (failures_.fetch_sub(1) > 0)
                throw hotaru::EInOutError(hotaru::io::DeviceError, path(), 5);
        }
        real_->readAt(offset, buffer, n);
    }

private:
    std::unique_ptr<BlockSource> real_;
    std::int64_t at_;
    std::atomic<int> failures_;
    std::chrono::milliseconds delay_;
};

}  // namespace

class SharedArchiveTest : public ScratchDirTest {
protected:
    void SetUp() override
    {
        ScratchDirTest::SetUp();
        archive = file("hotaru4");  // in the folder, which exists from here on
        writeFile(archive, bytes);
    }

    // Reads n bytes at `offset` through `reader`: whether they are the archive's.
    bool readsRight(hotaru::RunArchive& reader, std::int64_t offset, std::size_t n) const
    {
        std::string got(n, '\0');
        reader.read(offset, got.data(), n);
        return got == bytes.substr(static_cast<std::size_t>(offset), n);
    }

    const std::string bytes = patterned(1 << 20);
    std::string archive;
};

TEST_F(SharedArchiveTest, ReadersOnSeveralThreadsShareOneOpeningAndEachGetsItsOwnBytes)
{
    const std::string cue = file("game.cue");
    hotaru::writeBinCue(archive, cue);
    std::mutex mutex;
    std::map<std::string, int> opened;
    std::vector<std::thread::id> openedOn;
    hotaru::disc::ReadOptions options;
    options.openFile = [&](const std::string& path) {
        const std::lock_guard lock(mutex);
        ++opened[path];
        openedOn.push_back(std::this_thread::get_id());
        return hotaru::disc::openFileSource(path);
    };
    const auto shared = std::make_shared<hotaru::SharedArchive>(cue, options);
    hotaru::RunArchive idle(shared);
    EXPECT_TRUE(opened.empty());  // nothing is opened before a read

    // Each reads on from a place of its own, as a run beside previews does.
    std::atomic<int> wrong{0};
    std::vector<std::jthread> readers;
    for (int r = 0; r < 4; ++r)
        readers.emplace_back([&, r] {
            hotaru::RunArchive mine(shared);
            const std::size_t n = 3000 + 1000 * static_cast<std::size_t>(r);
            for (std::int64_t at = 150000 * r + 17; at + static_cast<std::int64_t>(n) <= 150000 * (r + 1);
                 at += static_cast<std::int64_t>(n))
                if (!readsRight(mine, at, n))
                    ++wrong;
        });
    for (std::jthread& t : readers)
        t.join();
    EXPECT_EQ(wrong, 0);
    ASSERT_EQ(opened.count(cue), 1u);
    ASSERT_EQ(opened.count(hotaru::trackFileName(cue, 1)), 1u);
    for (const auto& [path, times] : opened)
        EXPECT_EQ(times, 1) << path;
    for (const std::thread::id& on : openedOn)
        EXPECT_NE(on, std::this_thread::get_id());
    EXPECT_EQ(idle.size(), std::int64_t{1} << 20);
}

// A run reads a scratch, which may take minutes: a preview behind it gives
// up as its window closes, and a tooltip behind that still gets its turn.
TEST_F(SharedArchiveTest, EachReaderHearsOfItsOwnRetriesAndItsOwnStopEndsItsWait)
{
    const std::int64_t scratch = 700000;
    hotaru::disc::ReadOptions options;
    options.sleep = [](std::chrono::milliseconds) {};
    options.openFile = [&](const std::string& path) -> std::unique_ptr<BlockSource> {
        return std::make_unique<Troubled>(hotaru::disc::openFileSource(path), scratch, 2, 500ms);
    };
    const auto shared = std::make_shared<hotaru::SharedArchive>(archive, options);
    hotaru::RunArchive run(shared), preview(shared), tooltip(shared);
    std::atomic<int> runRetries{0}, previewRetries{0};
    std::atomic<bool> runReads{false}, closed{false}, previewWaits{false}, tooltipWaits{false};
    run.onRetrying([&](std::int64_t, int) { ++runRetries; });
    preview.onRetrying([&](std::int64_t, int) { ++previewRetries; });
    run.onStopAsked([&] {
        runReads = true;
        return false;
    });
    preview.onStopAsked([&] {
        previewWaits = true;
        return closed.load();
    });
    tooltip.onStopAsked([&] {
        tooltipWaits = true;
        return false;
    });
    preview.open();  // the events bound at the open are not the preview's alone
    previewWaits = false;

    std::atomic<bool> runRight{false}, tooltipRight{false}, previewStopped{false};
    std::jthread running([&] { runRight = readsRight(run, scratch - 100, 50000); });
    ASSERT_TRUE(eventually([&] { return runReads.load(); }));
    std::jthread previewing([&] {
        try {
            readsRight(preview, 0, 4096);
        } catch (const hotaru::disc::ReadStopped&) {
            previewStopped = true;
        }
    });
    ASSERT_TRUE(eventually([&] { return previewWaits.load(); }));
    std::jthread tooltipping([&] { tooltipRight = readsRight(tooltip, 4096, 4096); });
    ASSERT_TRUE(eventually([&] { return tooltipWaits.load(); }));
    const auto closedAt = std::chrono::steady_clock::now();
    closed = true;
    previewing.join();
    EXPECT_LT(std::chrono::steady_clock::now() - closedAt, 300ms);
    EXPECT_TRUE(previewStopped);
    EXPECT_FALSE(runRight);  // the scratch is still being read

    running.join();
    tooltipping.join();
    EXPECT_TRUE(runRight);
    EXPECT_TRUE(tooltipRight);
    EXPECT_EQ(runRetries, 1);
    EXPECT_EQ(previewRetries, 0);
}

// Readers that waited for an open that failed hear of its failure instead of
// trying again one after another; the next to come tries again, as the disc
// may have been put in since. A stop is no failure of the disc.
TEST_F(SharedArchiveTest, AFailedOpenIsToldToThoseWaitingForItAndTriedAgainByTheNext)
{
    for (const bool stopped : {false, true}) {
        SCOPED_TRACE(stopped ? "the opening reader stopped" : "the open failed");
        const std::string later = file(stopped ? "stopped" : "later");
        if (stopped)
            writeFile(later, bytes);
        std::atomic<int> opens{0};
        std::atomic<bool> secondWaits{false};
        hotaru::disc::ReadOptions options;
        options.openFile = [&](const std::string& path) {
            if (++opens == 1)
                eventually([&] { return secondWaits.load(); });
            return hotaru::disc::openFileSource(path);
        };
        const auto shared = std::make_shared<hotaru::SharedArchive>(later, options);
        hotaru::RunArchive first(shared), second(shared);
        first.onStopAsked([stopped] { return stopped; });
        second.onStopAsked([&] {
            secondWaits = true;
            return false;
        });
        std::jthread opening([&] {
            if (stopped)
                EXPECT_THROW(first.open(), hotaru::disc::ReadStopped);
            else
                EXPECT_THROW(first.open(), hotaru::EInOutError);
        });
        ASSERT_TRUE(eventually([&] { return opens.load() == 1; }));
        if (stopped) {
            EXPECT_TRUE(readsRight(second, 5, 100));
            EXPECT_EQ(opens, 2);
        } else {
            EXPECT_THROW(second.open(), hotaru::EInOutError);
            EXPECT_EQ(opens, 1);
            writeFile(later, bytes);
            EXPECT_TRUE(readsRight(second, 5, 100));
            EXPECT_EQ(opens, 2);
        }
        opening.join();
    }
}
