// The range copy on Windows' own file calls: the bytes, and each failure with
// the code and text the Linux build gives for it.
#include "CopyRange.h"
#include "File.h"
#include "InOutError.h"
#include "Utf16.h"
#include "WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

using namespace hotaru;

namespace {

std::string patterned(std::size_t n)
{
    std::string s(n, '\0');
    std::uint32_t x = 2463534242u;
    for (char& c : s) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x);
    }
    return s;
}

class WindowsCopy : public ::testing::Test {
protected:
    wintest::ScratchFolder dir{"hotaru copy"};
    std::string bytes = patterned(1'000'000);
    std::string archive = dir.file("hotaru4");
    std::string out = dir.file("movie.cpk");
    std::string older = patterned(4096).substr(7);

    void SetUp() override
    {
        wintest::writeAll(archive, bytes);
        wintest::writeAll(out, older);
    }

    EInOutError failure(const RangeCopy& job)
    {
        try {
            copyRange(job);
        } catch (const EInOutError& e) {
            return e;
        }
        ADD_FAILURE() << "the copy succeeded";
        return EInOutError(0);
    }

    void expectOlderKept(std::set<std::string> extra = {})
    {
        EXPECT_EQ(wintest::readAll(out), older);
        extra.insert({"hotaru4", "movie.cpk"});
        EXPECT_EQ(wintest::names(dir.path()), extra);
    }
};

}  // namespace

TEST_F(WindowsCopy, RangeReplacesTheOlderFileWhole)
{
    int slices = 0;
    EXPECT_EQ(copyRange({archive, 12'345, 654'321, out}, [&] { return ++slices > 0; }), CopyOutcome::Written);
    EXPECT_EQ(slices, 100);
    EXPECT_EQ(wintest::readAll(out), bytes.substr(12'345, 654'321));
    EXPECT_EQ(wintest::names(dir.path()), (std::set<std::string>{"hotaru4", "movie.cpk"}));
}

TEST_F(WindowsCopy, StopLeavesTheOlderFile)
{
    int slices = 0;
    EXPECT_EQ(copyRange({archive, 0, 800'000, out}, [&] { return ++slices < 3; }), CopyOutcome::Stopped);
    expectOlderKept();
}

TEST_F(WindowsCopy, MissingArchiveIsCode2)
{
    const EInOutError e = failure({dir.file("gone"), 0, 1000, out});
    EXPECT_EQ(e.code(), 2);
    EXPECT_EQ(e.path(), dir.file("gone"));
    EXPECT_STREQ(e.what(), "ﾌｧｲﾙが見つかりません");
    EXPECT_EQ(withFullStop(e.what()), "ﾌｧｲﾙが見つかりません.");
    expectOlderKept();
}

TEST_F(WindowsCopy, MissingFolderIsCode3ForArchiveAndOutput)
{
    const std::string nowhere = dir.file("no such folder\\movie.cpk");
    EInOutError e = failure({archive, 0, 1000, nowhere});
    EXPECT_EQ(e.code(), 3);
    EXPECT_EQ(e.path(), nowhere);
    EXPECT_STREQ(e.what(), "不正なﾌｧｲﾙ名です");

    const std::string lostArchive = dir.file("no such folder\\hotaru4");
    e = failure({lostArchive, 0, 1000, out});
    EXPECT_EQ(e.code(), 3);
    EXPECT_EQ(e.path(), lostArchive);
    expectOlderKept();
}

TEST_F(WindowsCopy, FolderInTheWayIsCode5)
{
    const std::string blocked = dir.file("blocked.cpk");
    wintest::makeFolder(blocked);
    wintest::makeFolder(blocked + "\\inside");
    const EInOutError e = failure({archive, 0, 1000, blocked});
    EXPECT_EQ(e.code(), 5);
    EXPECT_EQ(e.path(), blocked);
    EXPECT_STREQ(e.what(), "ﾌｧｲﾙへのｱｸｾｽが拒否されました");
    EXPECT_EQ(wintest::names(blocked), (std::set<std::string>{"inside"}));
    expectOlderKept({"blocked.cpk"});

    // The archive itself being a folder reads the same.
    const EInOutError a = failure({blocked, 0, 1000, out});
    EXPECT_EQ(a.code(), 5);
    EXPECT_EQ(a.path(), blocked);
}

TEST_F(WindowsCopy, ReadOnlyOutputIsCode5AndKept)
{
    const std::wstring wide = widen(out);
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY);
    const EInOutError e = failure({archive, 0, 1000, out});
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(e.code(), 5);
    EXPECT_EQ(e.path(), out);
    expectOlderKept();
}

TEST_F(WindowsCopy, ShortArchiveIsCode100)
{
    int slices = 0;
    try {
        copyRange({archive, 900'000, 200'000, out}, [&] { return ++slices > 0; });
        ADD_FAILURE() << "the copy succeeded";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.code(), 100);
        EXPECT_EQ(e.path(), archive);
        EXPECT_STREQ(e.what(), "ﾌｧｲﾙの末尾以降を読み込みました");
    }
    EXPECT_EQ(slices, 50);
    expectOlderKept();
}

TEST_F(WindowsCopy, CreatingOverAnExistingFileIsCode80)
{
    try {
        File::createNew(out);
        ADD_FAILURE() << "an existing file was created anew";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.code(), io::FileExists);
        EXPECT_EQ(e.path(), out);
    }
    expectOlderKept();
}
