// A run over the picks and the copy of one catalogue movie.
#include "catalogue/Catalogue.h"
#include "disc/ImageError.h"
#include "extract/MovieExtraction.h"
#include "platform/InOutError.h"
#include "platform/Path.h"
#include "tools/SampleArchive.h"
#include "tools/SampleImage.h"

#include "FileChecks.h"
#include "ScratchDirTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

using hotaru::RunEnd;

TEST(RunAll, StopsBeforeTheNextMovieWhenAsked)
{
    std::vector<std::int32_t> cut;
    bool stop = false;
    const auto r = hotaru::runAll(
        {1, 2, 3}, [&] { return stop; },
        [&](std::int32_t n) {
            cut.push_back(n);
            stop = n == 2;
            return hotaru::MovieEnd::Copied;
        });
    EXPECT_EQ(r.end, RunEnd::Stopped);
    EXPECT_EQ(cut, (std::vector<std::int32_t>{1, 2}));
}

TEST(RunAll, AFailureEndsTheRunWithTheFileAndItsMessage)
{
    std::vector<std::int32_t> cut;
    const auto r = hotaru::runAll(
        {4, 5, 6}, [] { return false; },
        [&](std::int32_t n) {
            cut.push_back(n);
            if (n == 5)
                throw hotaru::EInOutError(100, "/cd/hotaru4");
            return hotaru::MovieEnd::Copied;
        });
    EXPECT_EQ(r.end, RunEnd::Failed);
    EXPECT_EQ(r.failure().path, "/cd/hotaru4");
    EXPECT_THROW(
        try { std::rethrow_exception(r.failure().error); } catch (const hotaru::EInOutError& e) {
            EXPECT_EQ(e.code(), 100);
            throw;
        },
        hotaru::EInOutError);
    EXPECT_EQ(cut, (std::vector<std::int32_t>{4, 5}));
}

TEST(RunAll, DamageInADiscImageNamesTheImageAndTheMovie)
{
    const auto r = hotaru::runAll(
        {4, 5, 6}, [] { return false; },
        [&](std::int32_t n) {
            if (n == 5)
                throw hotaru::disc::ImageError(hotaru::disc::ImageFault::ChecksumFailed, "/cd/disc1.chd",
                                               "a hunk of /cd/disc1.chd fails its checksum", 59686912);
            return hotaru::MovieEnd::Copied;
        });
    EXPECT_EQ(r.end, RunEnd::Failed);
    EXPECT_EQ(r.failure().path, "/cd/disc1.chd");
    EXPECT_TRUE(r.failure().damagedImage);
    EXPECT_EQ(r.failure().movie, 5);
    EXPECT_THROW(
        try { std::rethrow_exception(r.failure().error); } catch (const hotaru::disc::ImageError& e) {
            EXPECT_EQ(e.fault(), hotaru::disc::ImageFault::ChecksumFailed);
            EXPECT_EQ(e.archiveOffset(), 59686912);
            throw;
        },
        hotaru::disc::ImageError);
}

TEST(RunAll, GoingOnPastFailuresKeepsEachAndTellsDoneFromUnconverted)
{
    const auto r = hotaru::runAll(
        {4, 5, 6, 7}, [] { return false; },
        [&](std::int32_t n) {
            if (n == 4 || n == 6)
                throw hotaru::EInOutError(hotaru::io::DiskFull, "/out/" + std::to_string(n) + ".cpk");
            return n == 7 ? hotaru::MovieEnd::NotConverted : hotaru::MovieEnd::Converted;
        },
        hotaru::OnFailure::GoOn);
    EXPECT_EQ(r.end, RunEnd::Failed);
    ASSERT_EQ(r.failures.size(), 2u);
    EXPECT_EQ(r.failures[0].movie, 4);
    EXPECT_EQ(r.failures[1].path, "/out/6.cpk");
    EXPECT_EQ(r.done, (std::vector<std::int32_t>{5, 7}));
    EXPECT_EQ(r.notConverted, (std::vector<std::int32_t>{7}));
}

TEST(RunAll, AStopDuringAConversionLeavesThatMovieUndone)
{
    bool stop = false;
    const auto r = hotaru::runAll(
        {1, 2, 3}, [&] { return stop; },
        [&](std::int32_t n) {
            stop = n == 2;
            return n == 2 ? hotaru::MovieEnd::ConversionStopped : hotaru::MovieEnd::Converted;
        });
    EXPECT_EQ(r.end, RunEnd::Stopped);
    EXPECT_EQ(r.done, (std::vector<std::int32_t>{1}));
}

TEST(ExtractMovie, EveryMoviesSliceFitsTheCopyBuffer)
{
    for (std::int32_t disc : {1, 2})
        for (std::int32_t n = 1; n <= hotaru::movieCount(disc); ++n)
            EXPECT_LE(hotaru::movieSize(disc, n) / hotaru::SlicesPerMovie, std::int64_t{hotaru::CopyBufferSize})
                << "disc " << disc << " movie " << n;
}

// One sample archive of disc 1 for the whole suite; each test writes into a
// folder of its own.
class ExtractMovieTest : public ScratchDirTest {
protected:
    static inline fs::path disc;
    static void SetUpTestSuite()
    {
        disc = freshScratchFolder("hotaru-disc");
        hotaru::writeSampleArchive(utf8Path(disc / "hotaru4"), 1);
    }
    static void TearDownTestSuite() { fs::remove_all(disc); }

    hotaru::RunSnapshot run{utf8Path(disc / "hotaru4"), 1, {}};
    // The output folder as the settings hold it: ending in a separator.
    std::string folder() const { return utf8Path(dir) + hotaru::PathSeparator; }

    bool exact(const std::string& file, std::int32_t movie) const
    {
        return sameAsRange(file, run.archivePath, hotaru::movieOffset(1, movie), hotaru::movieSize(1, movie));
    }

    // One movie, as a run of its own.
    hotaru::CopyOutcome extract(std::int32_t movie, const std::string& out, const hotaru::MovieHooks& hooks)
    {
        hotaru::RunArchive archive(run.archivePath);
        return hotaru::extractMovie(run, archive, movie, out, hooks);
    }
};

TEST_F(ExtractMovieTest, CopiesTheMovieUnderItsTitleAndTellsEachStepInOrder)
{
    std::vector<std::string> events;
    hotaru::MovieHooks hooks;
    hooks.copying = [&] { events.push_back("copying"); };
    hooks.label = [&](const std::string& s) { events.push_back("label " + s); };
    hooks.slice = [&] {
        events.push_back("slice");
        return true;
    };
    EXPECT_EQ(extract(4, folder(), hooks), hotaru::CopyOutcome::Written);
    EXPECT_TRUE(exact(file("白鳥しおり登場.cpk"), 4));
    ASSERT_EQ(events.size(), 102u);
    EXPECT_EQ(events[0], "copying");
    EXPECT_EQ(events[1], "label 白鳥しおり登場.cpk");
    EXPECT_EQ(std::count(events.begin(), events.end(), "slice"), 100);
}

// The converter is handed the subtitles named like the movie (.srt, else
// .ass) only where the format can hold them: never an AVI, burnt only where
// the pictures are encoded anyway; what the check refuses is left out.
TEST_F(ExtractMovieTest, SubtitlesReachOnlyAFormatThatCanHoldThem)
{
    const std::string subtitles = utf8Path(dir / "subs") + hotaru::PathSeparator;
    fs::create_directories(fsPath(subtitles));
    writeFile(subtitles + "disc1-4.ass", "[Events]\n");
    struct Case {
        hotaru::VideoFormat format;
        bool burn;
        bool usable;
        std::string expected;
    };
    for (const Case& c :
         {Case{hotaru::VideoFormat::Mkv, false, true, subtitles + "disc1-4.ass"},
          Case{hotaru::VideoFormat::Mp4, true, true, subtitles + "disc1-4.ass"},
          Case{hotaru::VideoFormat::Avi, false, true, ""}, Case{hotaru::VideoFormat::Avi, true, true, ""},
          Case{hotaru::VideoFormat::Mkv, false, false, ""}}) {
        SCOPED_TRACE(std::string(hotaru::outputFormat(c.format).name) + (c.burn ? " burnt" : ""));
        hotaru::MovieHooks hooks;
        hooks.conversion = [&] { return hotaru::ConversionChoice{"conv", c.format, 1, subtitles, c.burn}; };
        hooks.subtitlesUsable = [&](const std::string&) { return c.usable; };
        hotaru::Conversion handed;
        hooks.convert = [&](const hotaru::Conversion& job) {
            handed = job;
            return hotaru::ConversionOutcome::Failed;
        };
        hotaru::RunArchive archive(run.archivePath);
        EXPECT_EQ(hotaru::processMovie(run, archive, 4, folder(), hooks, "disc1-4"), hotaru::MovieEnd::NotConverted);
        EXPECT_EQ(handed.subtitles, c.expected);
        EXPECT_EQ(handed.burnSubtitles, c.burn && !c.expected.empty());
    }
    writeFile(subtitles + "disc1-4.srt", "");
    EXPECT_EQ(hotaru::findSubtitles(subtitles, "disc1-4"), subtitles + "disc1-4.srt");
    EXPECT_EQ(hotaru::findSubtitles(subtitles, "disc1-5"), "");
}

// A name is taken when any file the movie will leave is there: its video
// too, which a converted run keeps instead of the .cpk.
TEST(ClaimName, TheVideoAboutToBeWrittenCountsAsTaken)
{
    hotaru::RunSnapshot run;
    run.disc = 1;
    run.naming = hotaru::NameTemplate("disc{disc}");
    const auto exists = [](const std::string& file) { return file == "disc1.mp4"; };
    hotaru::OutputNames renaming(hotaru::ExistingFiles::Rename, exists);
    EXPECT_EQ(hotaru::claimName(run, 4, hotaru::VideoFormat::Mp4, renaming), "disc1 (2)");
    EXPECT_EQ(hotaru::claimName(run, 5, std::nullopt, renaming), "disc1");
    hotaru::OutputNames skipping(hotaru::ExistingFiles::Skip, exists);
    EXPECT_EQ(hotaru::claimName(run, 4, hotaru::VideoFormat::Mp4, skipping), std::nullopt);
    EXPECT_EQ(hotaru::claimName(run, 4, hotaru::VideoFormat::Mkv, skipping), "disc1");
}

TEST_F(ExtractMovieTest, TitleWithSpacesKeepsThemInTheFileName)
{
    ASSERT_EQ(hotaru::movieTitle(1, 27), "スタッフロール 其の一");
    extract(27, folder(), {});
    EXPECT_EQ(names(), (std::set<std::string>{"スタッフロール 其の一.cpk"}));
    EXPECT_TRUE(exact(file("スタッフロール 其の一.cpk"), 27));
}

TEST_F(ExtractMovieTest, AnEmptyFolderIsRefusedNotTakenAsTheCurrentOne)
{
    const fs::path before = fs::current_path();
    fs::current_path(dir);
    EXPECT_THROW(extract(6, "", {}), hotaru::EInOutError);
    fs::current_path(before);
    EXPECT_TRUE(names().empty());
}

TEST_F(ExtractMovieTest, ArchiveSwappedForAShorterOneFailsWithoutAPartialFile)
{
    // As after a disc change: the recognised disc's ranges run past the file's end.
    const std::string shorter = file("hotaru4");
    writeFile(shorter, readPart(run.archivePath, 0, 1000));
    fs::resize_file(fsPath(shorter), static_cast<std::uintmax_t>(hotaru::movieOffset(1, 3) + 1000));
    run.archivePath = shorter;
    try {
        extract(3, folder(), {});
        ADD_FAILURE() << "the copy succeeded";
    } catch (const hotaru::EInOutError& e) {
        EXPECT_EQ(e.code(), 100);
        EXPECT_EQ(e.path(), shorter);
    }
    EXPECT_EQ(names(), (std::set<std::string>{"hotaru4"}));
}

namespace {

// The real file, whose reads covering byte `bad` fail twice: the whole read,
// then its sector alone, which its first retry heals.
class FailsTwice : public hotaru::disc::BlockSource {
public:
    FailsTwice(std::unique_ptr<BlockSource> real, std::int64_t bad) : real_(std::move(real)), bad_(bad) {}
    const std::string& path() const override { return real_->path(); }
    std::int64_t size() const override { return real_->size(); }
    void readAt(std::int64_t offset, void* buffer, std::size_t n) override
    {
        if (failures_ < 2 && offset <= bad_ && bad_ < offset + static_cast<std::int64_t>(n)) {
            ++failures_;
            throw hotaru::EInOutError(hotaru::io::DeviceError, path(), 5);
        }
        real_->readAt(offset, buffer, n);
    }

private:
    std::unique_ptr<BlockSource> real_;
    std::int64_t bad_;
    int failures_ = 0;
};

// A scratched stretch: every read touching [from, to) fails, every time.
class Scratched : public hotaru::disc::BlockSource {
public:
    Scratched(std::unique_ptr<BlockSource> real, std::int64_t from, std::int64_t to)
        : real_(std::move(real)), from_(from), to_(to)
    {
    }
    const std::string& path() const override { return real_->path(); }
    std::int64_t size() const override { return real_->size(); }
    void readAt(std::int64_t offset, void* buffer, std::size_t n) override
    {
        if (offset < to_ && from_ < offset + static_cast<std::int64_t>(n))
            throw hotaru::EInOutError(hotaru::io::DeviceError, path(), 5);
        real_->readAt(offset, buffer, n);
    }

private:
    std::unique_ptr<BlockSource> real_;
    std::int64_t from_, to_;
};

}  // namespace

TEST_F(ExtractMovieTest, ARunReadsAnImageThroughOneOpeningAndTellsRetriesToTheMovieReadingThem)
{
    const std::string cue = file("game.cue");
    hotaru::writeBinCue(run.archivePath, cue);
    const std::string bin = hotaru::trackFileName(cue, 1);
    // The archive starts at raw sector 21 of the BIN: a sector of movie 3.
    const std::int64_t sector = 21 + (hotaru::movieOffset(1, 3) + 5000) / 2048;
    std::map<std::string, int> opened;
    hotaru::disc::ReadOptions options;
    options.sleep = [](std::chrono::milliseconds) {};
    options.openFile = [&](const std::string& path) -> std::unique_ptr<hotaru::disc::BlockSource> {
        ++opened[path];
        auto real = hotaru::disc::openFileSource(path);
        if (path != bin)
            return real;
        return std::make_unique<FailsTwice>(std::move(real), sector * 2352 + 100);
    };
    hotaru::RunArchive archive(cue, options);
    hotaru::RunSnapshot images{cue, 1, {}};
    std::vector<int> retries;
    hotaru::MovieHooks hooks;
    hooks.retrying = [&](int attempt) { retries.push_back(attempt); };

    ASSERT_EQ(hotaru::extractMovie(images, archive, 2, folder(), hooks), hotaru::CopyOutcome::Written);
    // A sheet read again now would be refused.
    writeFile(cue, "not a sheet");
    ASSERT_EQ(hotaru::extractMovie(images, archive, 3, folder(), hooks), hotaru::CopyOutcome::Written);
    EXPECT_TRUE(exact(file(hotaru::cpkName(hotaru::movieTitle(1, 2))), 2));
    EXPECT_TRUE(exact(file(hotaru::cpkName(hotaru::movieTitle(1, 3))), 3));
    EXPECT_EQ(opened[bin], 1);
    EXPECT_EQ(retries, std::vector<int>{1});
}

// Each sector of a scratched stretch takes four pauses of 200 ms, and a slice
// holds a hundred of them: a stop must not wait for the slice's end.
TEST_F(ExtractMovieTest, AStopOnAScratchedStretchEndsTheCopyWithinASecondAndLeavesNothing)
{
    const std::int64_t start = hotaru::movieOffset(1, 3);
    hotaru::disc::ReadOptions options;
    options.openFile = [&](const std::string& path) -> std::unique_ptr<hotaru::disc::BlockSource> {
        return std::make_unique<Scratched>(hotaru::disc::openFileSource(path), start + 4096,
                                           start + hotaru::movieSize(1, 3));
    };
    hotaru::RunArchive archive(run.archivePath, options);
    const std::string older = file(hotaru::cpkName(hotaru::movieTitle(1, 3)));
    writeFile(older, "older");
    std::atomic<bool> stop{false};
    std::atomic<int> retries{0};
    hotaru::MovieHooks hooks;
    hooks.retrying = [&](int) { ++retries; };
    hooks.stopRequested = [&] { return stop.load(); };
    std::chrono::steady_clock::time_point stoppedAt;
    std::thread user([&] {
        while (retries < 2)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        stoppedAt = std::chrono::steady_clock::now();
        stop = true;
    });
    const hotaru::CopyOutcome outcome = hotaru::extractMovie(run, archive, 3, folder(), hooks);
    const auto took = std::chrono::steady_clock::now() - stoppedAt;
    user.join();
    EXPECT_EQ(outcome, hotaru::CopyOutcome::Stopped);
    EXPECT_LT(took, std::chrono::seconds(1));
    EXPECT_EQ(readFile(older), "older");
    EXPECT_EQ(names(), (std::set<std::string>{hotaru::cpkName(hotaru::movieTitle(1, 3))}));
}
