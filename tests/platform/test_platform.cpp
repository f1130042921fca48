#include "Drives.h"
#include "File.h"
#include "InOutError.h"

#include "FileChecks.h"
#include "ScratchDirTest.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace hotaru;

TEST(InOutError, MessagesByCode)
{
    EXPECT_EQ(ioMessage(2), "ﾌｧｲﾙが見つかりません");
    EXPECT_EQ(ioMessage(3), "不正なﾌｧｲﾙ名です");
    EXPECT_EQ(ioMessage(4), "ｵｰﾌﾟﾝしたﾌｧｲﾙが多すぎます");
    EXPECT_EQ(ioMessage(5), "ﾌｧｲﾙへのｱｸｾｽが拒否されました");
    EXPECT_EQ(ioMessage(100), "ﾌｧｲﾙの末尾以降を読み込みました");
    EXPECT_EQ(ioMessage(101), "ﾃﾞｨｽｸがいっぱいです");
    EXPECT_EQ(ioMessage(112), "I/O ｴﾗｰ (112)");
    EXPECT_EQ(ioMessage(21), "I/O ｴﾗｰ (21)");
}

TEST(InOutError, FullStopIsAddedOnce)
{
    EXPECT_EQ(withFullStop("ﾌｧｲﾙが見つかりません"), "ﾌｧｲﾙが見つかりません.");
    EXPECT_EQ(withFullStop("終わり."), "終わり.");
    EXPECT_EQ(withFullStop("終了しました。"), "終了しました。");
}

TEST(InOutError, PosixErrorsReadAsOnWindows)
{
    const std::string here = std::filesystem::temp_directory_path() / "x";
    EXPECT_EQ(ioCodeFromErrno(ENOENT, here), 2);
    EXPECT_EQ(ioCodeFromErrno(ENOENT, "/no/such/folder/x"), 3);
    EXPECT_EQ(ioCodeFromErrno(ENOTDIR, here), 3);
    EXPECT_EQ(ioCodeFromErrno(EMFILE, here), 4);
    EXPECT_EQ(ioCodeFromErrno(EACCES, here), 5);
    EXPECT_EQ(ioCodeFromErrno(EROFS, here), 5);
    EXPECT_EQ(ioCodeFromErrno(EISDIR, here), 5);
    EXPECT_EQ(ioCodeFromErrno(ENOSPC, here), 112);
}

using FileTest = ScratchDirTest;

TEST_F(FileTest, ReadingPastTheEndIsCode100)
{
    const auto p = (dir / "short").string();
    std::ofstream(p) << "abc";
    File f = File::openRead(p);
    char buf[8];
    f.seek(1);
    f.readExact(buf, 2);
    EXPECT_EQ(std::string(buf, 2), "bc");
    try {
        f.readExact(buf, 1);
        FAIL();
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.code(), 100);
        EXPECT_EQ(e.path(), p);
    }
}

TEST_F(FileTest, CreateNewNeverOverwrites)
{
    const auto p = (dir / "keep").string();
    std::ofstream(p) << "old";
    try {
        File::createNew(p);
        FAIL();
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.code(), io::FileExists);
    }
    std::ifstream in(p);
    std::string s;
    in >> s;
    EXPECT_EQ(s, "old");
}

TEST_F(FileTest, NoNewFileInAReadOnlyFolder)
{
    if (runningAsRoot())
        GTEST_SKIP() << "root writes into a read-only folder";
    const auto p = (dir / "new").string();
    const ModeScope readOnly(dir, ReadOnlyFolder);
    try {
        File::createNew(p);
        FAIL() << "created";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.code(), 5);
        EXPECT_EQ(e.path(), p);
    }
    EXPECT_FALSE(std::filesystem::exists(p));
}

TEST_F(FileTest, ExistenceTestIgnoresFolders)
{
    std::filesystem::create_directory(dir / "hotaru4");
    EXPECT_FALSE(isRegularFile((dir / "hotaru4").string()));
    std::ofstream((dir / "file").string()) << "x";
    EXPECT_TRUE(isRegularFile((dir / "file").string()));
    EXPECT_FALSE(isRegularFile((dir / "none").string()));
}

TEST(OpticalDrives, RootsAreMountPointsInDeviceOrder)
{
    const std::string table = "sysfs /sys sysfs rw 0 0\n"
                              "/dev/sr10 /media/cdrom10 iso9660 ro 0 0\n"
                              "/dev/sr0 /media/\\344\\270\\200\\040My\\040Disc udf ro 0 0\n"
                              "/dev/sda1 / ext4 rw 0 0\n";
    EXPECT_EQ(opticalRoots({"sr10", "sr2", "sr0"}, table),
              (std::vector<std::string>{"/media/一 My Disc", "/dev/sr2", "/media/cdrom10"}));
    EXPECT_TRUE(opticalRoots({}, table).empty());
}
