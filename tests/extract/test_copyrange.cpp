// The copy of one range: slices, replacement of the output, and every way it can fail.
#include "extract/CopyRange.h"
#include "platform/InOutError.h"

#include "FileChecks.h"
#include "ScratchDirTest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>

namespace fs = std::filesystem;
using hotaru::CopyOutcome;
using hotaru::EInOutError;
using hotaru::RangeCopy;

namespace {

// Runs the copy, expecting it to fail; returns the error.
EInOutError copyFailure(const RangeCopy& job)
{
    try {
        hotaru::copyRange(job);
    } catch (const EInOutError& e) {
        return e;
    }
    ADD_FAILURE() << "the copy succeeded";
    return EInOutError(0);
}

}  // namespace

class CopyRangeTest : public ScratchDirTest {
protected:
    std::string bytes = patterned(1'000'000);
    std::string archive;

    void SetUp() override
    {
        ScratchDirTest::SetUp();
        archive = file("hotaru4");
        writeFile(archive, bytes);
    }

    std::string range(std::size_t offset, std::size_t size) const { return bytes.substr(offset, size); }
};

TEST_F(CopyRangeTest, SizeBelowHundredIsHundredEmptySlicesThenTheRemainder)
{
    int slices = 0;
    int openedAtSlice = -1;
    hotaru::CopyHooks hooks;
    hooks.opened = [&] { openedAtSlice = slices; };
    hooks.slice = [&] {
        ++slices;
        return true;
    };
    const std::string out = file("short.cpk");
    EXPECT_EQ(hotaru::copyRange({archive, 4321, 57, out}, hooks), CopyOutcome::Written);
    EXPECT_EQ(slices, 100);
    EXPECT_EQ(openedAtSlice, 0);
    EXPECT_EQ(readFile(out), range(4321, 57));
}

TEST_F(CopyRangeTest, MultipleOfHundredEndsWithAnEmptyRemainder)
{
    // The archive ends exactly where the range does: any read past it would fail.
    writeFile(archive, range(0, 250'000));
    const std::string out = file("even.cpk");
    EXPECT_EQ(hotaru::copyRange({archive, 50'000, 200'000, out}), CopyOutcome::Written);
    EXPECT_EQ(readFile(out), range(50'000, 200'000));
}

TEST_F(CopyRangeTest, LargestSliceFitsTheBuffer)
{
    // 100 full buffers and a remainder of 99 bytes is the most one buffer can
    // carry (28,000,099 bytes); one more byte is refused.
    const std::int64_t largest = hotaru::CopyBufferSize * hotaru::SlicesPerMovie + hotaru::SlicesPerMovie - 1;
    ASSERT_EQ(largest, 28'000'099);
    const std::string big = file("big");
    writeFile(big, bytes);
    fs::resize_file(fsPath(big), static_cast<std::uintmax_t>(largest));
    const std::string out = file("big.cpk");
    EXPECT_EQ(hotaru::copyRange({big, 0, largest, out}), CopyOutcome::Written);
    EXPECT_TRUE(sameAsRange(out, big, 0, largest));
    EXPECT_THROW(hotaru::copyRange({big, 0, largest + 1, file("over.cpk")}), std::invalid_argument);
    EXPECT_EQ(names(), (std::set<std::string>{"hotaru4", "big", "big.cpk"}));
}

TEST_F(CopyRangeTest, ExistingOutputIsReplacedWhole)
{
    const std::string out = file("old.cpk");
    writeFile(out, patterned(900'000, 3));  // longer than the new copy: no tail may stay
    EXPECT_EQ(hotaru::copyRange({archive, 10, 123'456, out}), CopyOutcome::Written);
    EXPECT_EQ(readFile(out), range(10, 123'456));
    EXPECT_EQ(names(), (std::set<std::string>{"hotaru4", "old.cpk"}));
}

TEST_F(CopyRangeTest, StoppingLeavesNoFileAndKeepsTheOlderOne)
{
    const std::string out = file("movie.cpk");
    const std::string older = patterned(5000, 9);
    writeFile(out, older);
    int slices = 0;
    EXPECT_EQ(hotaru::copyRange({archive, 0, 800'000, out}, [&] { return ++slices < 5; }), CopyOutcome::Stopped);
    EXPECT_EQ(slices, 5);
    EXPECT_EQ(readFile(out), older);
    EXPECT_EQ(names(), (std::set<std::string>{"hotaru4", "movie.cpk"}));
}

// Each failure names the file concerned and leaves an older output as it was,
// with no temporary file beside it.
class CopyFailureTest : public CopyRangeTest {
protected:
    std::string out;
    std::string older = patterned(4096, 11);

    void SetUp() override
    {
        CopyRangeTest::SetUp();
        out = file("movie.cpk");
        writeFile(out, older);
    }
    void expectOlderKept(const std::set<std::string>& expectedNames)
    {
        EXPECT_EQ(readFile(out), older);
        EXPECT_EQ(names(), expectedNames);
    }
};

TEST_F(CopyFailureTest, MissingArchiveIsFileNotFound)
{
    const EInOutError e = copyFailure({file("gone"), 0, 1000, out});
    EXPECT_EQ(e.code(), 2);
    EXPECT_EQ(e.path(), file("gone"));
    expectOlderKept({"hotaru4", "movie.cpk"});
}

TEST_F(CopyFailureTest, MissingFolderIsPathNotFoundForOutputAndArchive)
{
    const std::string nowhere = file("no-such-folder/movie.cpk");
    EInOutError e = copyFailure({archive, 0, 1000, nowhere});
    EXPECT_EQ(e.code(), 3);
    EXPECT_EQ(e.path(), nowhere);

    const std::string lostArchive = file("no-such-folder/hotaru4");
    e = copyFailure({lostArchive, 0, 1000, out});
    EXPECT_EQ(e.code(), 3);
    EXPECT_EQ(e.path(), lostArchive);
    expectOlderKept({"hotaru4", "movie.cpk"});
}

TEST_F(CopyFailureTest, FolderStandingWhereTheOutputGoesIsAccessDenied)
{
    const std::string blocked = file("blocked.cpk");
    fs::create_directory(fsPath(blocked));
    fs::create_directory(fsPath(file("blocked.cpk/inside")));
    const EInOutError e = copyFailure({archive, 0, 1000, blocked});
    EXPECT_EQ(e.code(), 5);
    EXPECT_EQ(e.path(), blocked);
    EXPECT_EQ(namesIn(blocked), (std::set<std::string>{"inside"}));
    expectOlderKept({"hotaru4", "movie.cpk", "blocked.cpk"});

    // The archive itself being a folder reads the same.
    const EInOutError a = copyFailure({blocked, 0, 1000, out});
    EXPECT_EQ(a.code(), 5);
    EXPECT_EQ(a.path(), blocked);
}

TEST_F(CopyFailureTest, ReadOnlyOutputIsAccessDeniedAndKept)
{
    // By the file's mark, not by a failing write: root is refused too.
    const ModeScope readOnly(fsPath(out), ReadOnlyFile);
    const EInOutError e = copyFailure({archive, 0, 1000, out});
    EXPECT_EQ(e.code(), 5);
    EXPECT_EQ(e.path(), out);
    expectOlderKept({"hotaru4", "movie.cpk"});
}

TEST_F(CopyFailureTest, ArchiveEndingInsideTheRangeIsReadPastEnd)
{
    int slices = 0;
    const RangeCopy job{archive, 900'000, 200'000, out};
    try {
        hotaru::copyRange(job, [&] { return ++slices > 0; });
        ADD_FAILURE() << "the copy succeeded";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.code(), 100);
        EXPECT_EQ(e.path(), archive);
    }
    EXPECT_EQ(slices, 50);  // 2000-byte slices: the 51st crosses the end
    expectOlderKept({"hotaru4", "movie.cpk"});
}

#ifndef _WIN32
TEST_F(CopyFailureTest, WriteFailingPartWayIsDiskFull)
{
    EInOutError e(0);
    {
        const FileSizeLimit limit(300'000);
        e = copyFailure({archive, 0, 900'000, out});
    }
    EXPECT_EQ(e.code(), 101);
    EXPECT_EQ(e.path(), out);
    expectOlderKept({"hotaru4", "movie.cpk"});
}

TEST_F(CopyFailureTest, ReadOnlyFolderIsAccessDeniedAndLeavesNothing)
{
    if (runningAsRoot())
        GTEST_SKIP() << "root writes into a read-only folder";
    // A new output and one that would replace an older copy.
    const std::string locked = file("locked");
    fs::create_directory(locked);
    const std::string fresh = file("locked/fresh.cpk");
    const std::string replaced = file("locked/older.cpk");
    writeFile(replaced, older);
    {
        const ModeScope readOnly(locked, ReadOnlyFolder);
        for (const std::string& target : {fresh, replaced}) {
            const EInOutError e = copyFailure({archive, 0, 1000, target});
            EXPECT_EQ(e.code(), 5);
            EXPECT_EQ(e.path(), target);
        }
    }
    EXPECT_EQ(readFile(replaced), older);
    EXPECT_EQ(namesIn(locked), (std::set<std::string>{"older.cpk"}));
    expectOlderKept({"hotaru4", "movie.cpk", "locked"});
}
#endif
