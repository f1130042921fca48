#include "catalogue/Archive.h"
#include "catalogue/Catalogue.h"
#include "catalogue/Discovery.h"
#include "platform/Drives.h"
#include "platform/InOutError.h"
#include "tools/SampleArchive.h"

#include "FileChecks.h"
#include "ScratchDirTest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

using namespace hotaru;

namespace {

class Drives final : public DriveProbe {
public:
    std::vector<std::string> all;
    std::set<std::string> cdroms;
    std::set<std::string> files;
    mutable std::vector<std::string> touched;  // every path asked about

    std::vector<std::string> roots() const override { return all; }
    bool isCdRom(const std::string& root) const override { return cdroms.count(root) != 0; }
    bool isFile(const std::string& path) const override
    {
        touched.push_back(path);
        return files.count(path) != 0;
    }
};

Drives windowsLike()
{
    Drives d;
    for (char c = 'A'; c <= 'Z'; ++c)
        d.all.push_back(std::string(1, c) + ":\\");
    return d;
}

#ifndef _WIN32
int openDescriptors() { return static_cast<int>(namesIn("/proc/self/fd").size()); }
#endif

}  // namespace

TEST(Discovery, LowestCdRomDriveHoldingTheArchiveWins)
{
    Drives d = windowsLike();
    d.cdroms = {"D:\\", "Q:\\"};
    d.files = {"Q:\\hotaru4"};
    auto never = [] {
        ADD_FAILURE() << "asked to retry";
        return false;
    };
    auto r = discoverArchive(d, never);
    EXPECT_EQ(r.outcome, DiscoveryOutcome::Found);
    EXPECT_EQ(r.archivePath, "Q:\\hotaru4");

    d.files.insert("D:\\hotaru4");
    EXPECT_EQ(discoverArchive(d, never).archivePath, "D:\\hotaru4");
}

TEST(Discovery, OnlyCdRomDrivesAreLookedAt)
{
    Drives d = windowsLike();
    d.cdroms = {"E:\\"};
    d.files = {"C:\\hotaru4"};  // on a hard disk
    int asked = 0;
    auto r = discoverArchive(d, [&] { return ++asked < 2; });
    EXPECT_EQ(r.outcome, DiscoveryOutcome::GaveUp);
    EXPECT_EQ(asked, 2);  // Retry once, then Cancel
    for (const auto& p : d.touched)
        EXPECT_EQ(p, "E:\\hotaru4");
}

TEST(Discovery, RetryFindsADiscInsertedMeanwhile)
{
    Drives d = windowsLike();
    d.cdroms = {"Q:\\"};
    auto r = discoverArchive(d, [&] {
        d.files.insert("Q:\\hotaru4");
        return true;
    });
    EXPECT_EQ(r.outcome, DiscoveryOutcome::Found);
    EXPECT_EQ(r.archivePath, "Q:\\hotaru4");
}

TEST(Discovery, NoCdRomAtAllAsksNothing)
{
    Drives d = windowsLike();
    d.files = {"C:\\hotaru4"};
    auto r = discoverArchive(d, [] {
        ADD_FAILURE();
        return true;
    });
    EXPECT_EQ(r.outcome, DiscoveryOutcome::NoCdRom);
    EXPECT_TRUE(r.archivePath.empty());
}

TEST(Discovery, RootsGetTheArchiveBehindOneSeparator)
{
    Drives d;
    d.all = {"/media/cdrom", "/media/disc/"};
    d.cdroms = {"/media/cdrom", "/media/disc/"};
    d.files = {"/media/disc/hotaru4"};
    const Discovery r = discoverArchive(d, [] { return false; });
    EXPECT_EQ(r.archivePath, "/media/disc/hotaru4");
    EXPECT_EQ(d.touched.front(), std::string("/media/cdrom") + PathSeparator + "hotaru4");
}

class ArchiveFiles : public ScratchDirTest {
protected:
    std::string fileOfSize(const std::string& name, std::int64_t size)
    {
        const std::string p = file(name);
        writeFile(p, "");
        std::filesystem::resize_file(fsPath(p), static_cast<std::uintmax_t>(size));
        return p;
    }
};

TEST_F(ArchiveFiles, SizeDecidesTheDiscWhateverTheNameOrContent)
{
    EXPECT_EQ(inspectArchive(fileOfSize("any-name.bin", Disc2ArchiveSize)).disc, 2);
    EXPECT_EQ(inspectArchive(fileOfSize("hotaru4", Disc1ArchiveSize)).disc, 1);
    EXPECT_EQ(inspectArchive(fileOfSize("short", Disc1ArchiveSize - 1)).disc, 0);
    EXPECT_EQ(inspectArchive(fileOfSize("empty", 0)).disc, 0);
}

TEST_F(ArchiveFiles, OpeningFailuresCarryTheSystemsCodes)
{
    try {
        inspectArchive(file("missing"));
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.code(), 2);
    }
    try {
        inspectArchive(file("no-such-folder/hotaru4"));
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.code(), 3);
    }
    std::filesystem::create_directory(dir / "hotaru4");
    EXPECT_THROW(inspectArchive(file("hotaru4")), EInOutError);
}

#ifndef _WIN32
TEST_F(ArchiveFiles, AnArchiveTheUserMayNotReadIsAccessDenied)
{
    if (runningAsRoot())
        GTEST_SKIP() << "root reads any file";
    // The file's own mode, and a folder on the way that may not be entered.
    const std::string unreadable = fileOfSize("hotaru4", Disc2ArchiveSize);
    std::filesystem::create_directory(dir / "closed");
    const std::string shut = fileOfSize("closed/hotaru4", Disc1ArchiveSize);
    const ModeScope noRead(unreadable, std::filesystem::perms::owner_write);
    const ModeScope noEntry(dir / "closed", std::filesystem::perms::none);
    for (const std::string& path : {unreadable, shut}) {
        try {
            inspectArchive(path);
            ADD_FAILURE() << path << " opened";
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.code(), 5) << path;
            EXPECT_EQ(e.path(), path);
        }
    }
}

TEST_F(ArchiveFiles, RepeatedOpeningLeavesNoDescriptorOpen)
{
    const std::string path = fileOfSize("hotaru4", Disc2ArchiveSize);
    const int before = openDescriptors();
    for (int i = 0; i < 50; ++i)
        inspectArchive(path);
    EXPECT_EQ(openDescriptors(), before);
}
#endif

TEST_F(ArchiveFiles, SampleArchiveHeadsEveryMovieWithItsOwnHeader)
{
    const std::string path = file("hotaru4");
    writeSampleArchive(path, 2);
    EXPECT_EQ(fileSize(path), std::uintmax_t{Disc2ArchiveSize});
    for (std::int32_t n : {1, 7, 19}) {
        const std::string expected = sampleHeader(2, n);
        EXPECT_EQ(readPart(path, movieOffset(2, n), expected.size()), expected);
    }
}
