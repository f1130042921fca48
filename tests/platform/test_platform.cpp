#include "platform/Bytes.h"
#include "platform/Drives.h"
#include "platform/File.h"
#include "platform/InOutError.h"

#include "FileChecks.h"
#include "ScratchDirTest.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <future>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

using namespace hotaru;

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

#ifndef _WIN32
namespace {

// The code File::openRead fails with, or 0; a call still blocked after five
// seconds fails the test.
int openReadCode(const std::string& path)
{
    auto opening = std::async(std::launch::async, [path] {
        try {
            File::openRead(path);
        } catch (const EInOutError& e) {
            return e.code();
        }
        return 0;
    });
    if (opening.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
        ADD_FAILURE() << "opening " << path << " blocks";
        ::close(::open(path.c_str(), O_WRONLY | O_NONBLOCK));  // lets a FIFO's open return
    }
    return opening.get();
}

}  // namespace

// A FIFO, socket or device named as an archive would hang a read, or the open
// itself: refused at once. A name longer than the system allows says so.
TEST_F(FileTest, OnlyFilesAreOpenedAndAtOnce)
{
    const std::string fifo = file("hotaru4");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(openReadCode(fifo), io::NotAFile);

    const std::string socketPath = file("socket");
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(openReadCode(socketPath), io::NotAFile);
    ::close(s);

    EXPECT_EQ(openReadCode("/dev/null"), io::NotAFile);
    EXPECT_EQ(openReadCode("/dev/zero"), io::NotAFile);

    const std::string tooLong = file(std::string(300, 'x'));
    EXPECT_EQ(openReadCode(tooLong), io::NameTooLong);

    const std::string plain = file("plain");
    writeFile(plain, "bytes");
    EXPECT_EQ(openReadCode(plain), 0);
}
#endif

// Bytes at or above 0x80 must not carry a sign into the number, whatever the
// byte type; folding touches A-Z alone, never a UTF-8 byte.
TEST(Bytes, BothOrdersAndAsciiFolding)
{
    const char bytes[] = "\x80\x01\xFF\x7F";
    EXPECT_EQ(bigEndian32(bytes), 0x8001FF7Fu);
    EXPECT_EQ(littleEndian32(reinterpret_cast<const unsigned char*>(bytes)), 0x7FFF0180u);
    EXPECT_EQ(bigEndian16(bytes + 2), 0xFF7Fu);
    EXPECT_EQ(littleEndian(bytes, 3), 0xFF0180u);
    EXPECT_EQ(asciiLower("Track 1.BIN ホタル"), "track 1.bin ホタル");
    EXPECT_EQ(asciiUpper("mode1/2352 é"), "MODE1/2352 é");
    EXPECT_TRUE(endsWithIgnoringCase("OUT.Mp4", ".mp4"));
    EXPECT_FALSE(endsWithIgnoringCase("mp4", ".mp4"));
}
