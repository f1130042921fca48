// The copy of one range: slices, replacement of the output, and every way it can fail.
#include "CopyRange.h"
#include "ExtractTestSupport.h"
#include "InOutError.h"

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

class CopyRangeTest : public ::testing::Test {
protected:
    ScratchDir dir;
    std::vector<char> bytes = patterned(1'000'000);
    std::string archive = dir.file("hotaru4");

    void SetUp() override { writeAll(archive, bytes); }

    std::vector<char> range(std::size_t offset, std::size_t size) const
    {
        return {bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                bytes.begin() + static_cast<std::ptrdiff_t>(offset + size)};
    }
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
    const std::string out = dir.file("short.cpk");
    EXPECT_EQ(hotaru::copyRange({archive, 4321, 57, out}, hooks), CopyOutcome::Written);
    EXPECT_EQ(slices, 100);
    EXPECT_EQ(openedAtSlice, 0);
    EXPECT_EQ(readAll(out), range(4321, 57));
}

TEST_F(CopyRangeTest, MultipleOfHundredEndsWithAnEmptyRemainder)
{
    // The archive ends exactly where the range does: any read past it would fail.
    const std::vector<char> head = range(0, 250'000);
    writeAll(archive, head);
    const std::string out = dir.file("even.cpk");
    EXPECT_EQ(hotaru::copyRange({archive, 50'000, 200'000, out}), CopyOutcome::Written);
    EXPECT_EQ(readAll(out), range(50'000, 200'000));
}

TEST_F(CopyRangeTest, LargestSliceFitsTheBuffer)
{
    // 28,000,099 bytes is the most one buffer can carry; one more byte is refused.
    const std::string big = dir.file("big");
    fs::copy_file(archive, big);
    fs::resize_file(big, 28'000'099);
    const std::string out = dir.file("big.cpk");
    EXPECT_EQ(hotaru::copyRange({big, 0, 28'000'099, out}), CopyOutcome::Written);
    EXPECT_TRUE(sameAsRange(out, big, 0, 28'000'099));
    EXPECT_THROW(hotaru::copyRange({big, 0, 28'000'100, dir.file("over.cpk")}), std::invalid_argument);
    EXPECT_FALSE(fs::exists(dir.file("over.cpk")));
}

TEST_F(CopyRangeTest, ExistingOutputIsReplacedWhole)
{
    const std::string out = dir.file("old.cpk");
    writeAll(out, patterned(900'000, 3));  // longer than the new copy: no tail may stay
    EXPECT_EQ(hotaru::copyRange({archive, 10, 123'456, out}), CopyOutcome::Written);
    EXPECT_EQ(readAll(out), range(10, 123'456));
    EXPECT_EQ(dir.names(), (std::set<std::string>{"hotaru4", "old.cpk"}));
}

TEST_F(CopyRangeTest, StoppingLeavesNoFileAndKeepsTheOlderOne)
{
    const std::string out = dir.file("movie.cpk");
    const std::vector<char> older = patterned(5000, 9);
    writeAll(out, older);
    int slices = 0;
    EXPECT_EQ(hotaru::copyRange({archive, 0, 800'000, out}, [&] { return ++slices < 5; }), CopyOutcome::Stopped);
    EXPECT_EQ(slices, 5);
    EXPECT_EQ(readAll(out), older);
    EXPECT_EQ(dir.names(), (std::set<std::string>{"hotaru4", "movie.cpk"}));
}

// Each failure names the file concerned and leaves an older output as it was,
// with no temporary file beside it.
class CopyFailureTest : public CopyRangeTest {
protected:
    std::string out = dir.file("movie.cpk");
    std::vector<char> older = patterned(4096, 11);

    void SetUp() override
    {
        CopyRangeTest::SetUp();
        writeAll(out, older);
    }
    void expectOlderKept(const std::set<std::string>& expectedNames)
    {
        EXPECT_EQ(readAll(out), older);
        EXPECT_EQ(dir.names(), expectedNames);
    }
};

TEST_F(CopyFailureTest, MissingArchiveIsFileNotFound)
{
    const EInOutError e = copyFailure({dir.file("gone"), 0, 1000, out});
    EXPECT_EQ(e.code(), 2);
    EXPECT_EQ(e.path(), dir.file("gone"));
    EXPECT_STREQ(e.what(), "ﾌｧｲﾙが見つかりません");
    expectOlderKept({"hotaru4", "movie.cpk"});
}

TEST_F(CopyFailureTest, MissingOutputFolderIsPathNotFound)
{
    const std::string nowhere = dir.file("no-such-folder/movie.cpk");
    const EInOutError e = copyFailure({archive, 0, 1000, nowhere});
    EXPECT_EQ(e.code(), 3);
    EXPECT_EQ(e.path(), nowhere);
    EXPECT_STREQ(e.what(), "不正なﾌｧｲﾙ名です");
    expectOlderKept({"hotaru4", "movie.cpk"});
}

TEST_F(CopyFailureTest, FolderStandingWhereTheOutputGoesIsAccessDenied)
{
    const std::string blocked = dir.file("blocked.cpk");
    fs::create_directory(blocked);
    fs::create_directory(blocked + "/inside");
    const EInOutError e = copyFailure({archive, 0, 1000, blocked});
    EXPECT_EQ(e.code(), 5);
    EXPECT_EQ(e.path(), blocked);
    EXPECT_STREQ(e.what(), "ﾌｧｲﾙへのｱｸｾｽが拒否されました");
    EXPECT_TRUE(fs::is_directory(blocked + "/inside"));
    expectOlderKept({"hotaru4", "movie.cpk", "blocked.cpk"});
}

TEST_F(CopyFailureTest, ReadOnlyOutputIsAccessDeniedAndKept)
{
    fs::permissions(out, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const EInOutError e = copyFailure({archive, 0, 1000, out});
    EXPECT_EQ(e.code(), 5);
    EXPECT_EQ(e.path(), out);
    expectOlderKept({"hotaru4", "movie.cpk"});
    fs::permissions(out, fs::perms::owner_write, fs::perm_options::add);
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
        EXPECT_STREQ(e.what(), "ﾌｧｲﾙの末尾以降を読み込みました");
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
    EXPECT_STREQ(e.what(), "ﾃﾞｨｽｸがいっぱいです");
    expectOlderKept({"hotaru4", "movie.cpk"});
}

TEST_F(CopyFailureTest, ReadOnlyFolderIsAccessDeniedAndLeavesNothing)
{
    if (runningAsRoot())
        GTEST_SKIP() << "root writes into a read-only folder";
    // A new output and one that would replace an older copy.
    const fs::path locked = dir.path() / "locked";
    fs::create_directory(locked);
    const std::string fresh = (locked / "fresh.cpk").string();
    const std::string replaced = (locked / "older.cpk").string();
    writeAll(replaced, older);
    {
        const ModeScope readOnly(locked, ReadOnlyFolder);
        for (const std::string& target : {fresh, replaced}) {
            const EInOutError e = copyFailure({archive, 0, 1000, target});
            EXPECT_EQ(e.code(), 5);
            EXPECT_EQ(e.path(), target);
            EXPECT_STREQ(e.what(), "ﾌｧｲﾙへのｱｸｾｽが拒否されました");
        }
    }
    EXPECT_EQ(readAll(replaced), older);
    std::set<std::string> inside;
    for (const auto& e : fs::directory_iterator(locked))
        inside.insert(e.path().filename().string());
    EXPECT_EQ(inside, (std::set<std::string>{"older.cpk"}));
    expectOlderKept({"hotaru4", "movie.cpk", "locked"});
}
#endif
