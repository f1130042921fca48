#include "platform/Drives.h"
#include "platform/File.h"
#include "platform/InOutError.h"

#include "FileChecks.h"
#include "ScratchDirTest.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

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

#ifndef _WIN32
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
#endif

TEST(Paths, OneSeparatorBetweenFolderAndName)
{
#ifdef _WIN32
    EXPECT_EQ(joinPath("C:\\out", "a.cpk"), "C:\\out\\a.cpk");
    EXPECT_EQ(joinPath("C:\\out\\", "a.cpk"), "C:\\out\\a.cpk");
    EXPECT_EQ(joinPath("C:/out/", "a.cpk"), "C:/out/a.cpk");
    EXPECT_EQ(joinPath("C:\\out", ""), "C:\\out\\");
#else
    EXPECT_EQ(joinPath("/out", "a.cpk"), "/out/a.cpk");
    EXPECT_EQ(joinPath("/out/", "a.cpk"), "/out/a.cpk");
    EXPECT_EQ(joinPath("/out\\", "a.cpk"), "/out\\/a.cpk");  // a backslash belongs to the name
    EXPECT_EQ(joinPath("/out", ""), "/out/");
#endif
    EXPECT_EQ(joinPath("", "a.cpk"), "a.cpk");
}

TEST(Paths, RootsInWindowsFormJoinOnEverySystem)
{
    EXPECT_EQ(joinRoot("Q:\\", "hotaru4"), "Q:\\hotaru4");
    EXPECT_EQ(joinRoot("/media/cdrom/", "hotaru4"), "/media/cdrom/hotaru4");
    EXPECT_EQ(joinRoot("/media/cdrom", "hotaru4"), std::string("/media/cdrom") + PathSeparator + "hotaru4");
}

using FileTest = ScratchDirTest;

TEST_F(FileTest, ReadingPastTheEndIsCode100)
{
    const std::string p = file("short");
    writeFile(p, "abc");
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
    const std::string p = file("keep");
    writeFile(p, "old");
    try {
        File::createNew(p);
        FAIL();
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.code(), 80);
        EXPECT_EQ(e.path(), p);
    }
    EXPECT_EQ(readFile(p), "old");
}

#ifndef _WIN32
TEST_F(FileTest, NoNewFileInAReadOnlyFolder)
{
    if (runningAsRoot())
        GTEST_SKIP() << "root writes into a read-only folder";
    const std::string p = file("new");
    const ModeScope readOnly(dir, ReadOnlyFolder);
    try {
        File::createNew(p);
        FAIL() << "created";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.code(), 5);
        EXPECT_EQ(e.path(), p);
    }
    EXPECT_TRUE(names().empty());
}
#endif

TEST_F(FileTest, ExistenceTestIgnoresFolders)
{
    std::filesystem::create_directory(dir / "hotaru4");
    EXPECT_FALSE(isRegularFile(file("hotaru4")));
    writeFile(file("file"), "x");
    EXPECT_TRUE(isRegularFile(file("file")));
    EXPECT_FALSE(isRegularFile(file("none")));
}

#ifndef _WIN32
TEST(OpticalDrives, RootsAreMountPointsInDeviceOrder)
{
    const std::string table = "sysfs /sys sysfs rw 0 0\n"
                              "/dev/sr10 /media/cdrom10 iso9660 ro 0 0\n"
                              "/dev/sr0 /media/\\344\\270\\200\\040My\\040Disc udf ro 0 0\n"
                              "/dev/sda1 / ext4 rw 0 0\n"
                              "/dev/loop3 /media/user/HOTARU_1 iso9660 ro 0 0\n"
                              "/dev/loop4 /mnt/data ext4 rw 0 0\n";
    EXPECT_EQ(opticalRoots({"sr10", "sr2", "sr0"}, table),
              (std::vector<std::string>{"/media/一 My Disc", "/dev/sr2", "/media/cdrom10", "/media/user/HOTARU_1"}));
    // A mounted image counts as a drive even where the machine has none.
    EXPECT_EQ(opticalRoots({}, table),
              (std::vector<std::string>{"/media/cdrom10", "/media/一 My Disc", "/media/user/HOTARU_1"}));
}
#endif
