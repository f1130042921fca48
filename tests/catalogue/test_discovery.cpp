#include "Archive.h"
#include "Catalogue.h"
#include "Discovery.h"
#include "Drives.h"
#include "InOutError.h"
#include "SampleArchive.h"

#include "FileChecks.h"
#include "ScratchDirTest.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
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

int openDescriptors()
{
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd"))
        (void)e, ++n;
    return n;
}

}  // namespace

TEST(Discovery, LowestCdRomDriveHoldingTheArchiveWins)
{
    Drives d = windowsLike();
    d.cdroms = {"D:\\", "Q:\\"};
    d.files = {"Q:\\hotaru4"};
    auto never = [] { ADD_FAILURE() << "asked to retry"; return false; };
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
    auto r = discoverArchive(d, [] { ADD_FAILURE(); return true; });
    EXPECT_EQ(r.outcome, DiscoveryOutcome::NoCdRom);
    EXPECT_TRUE(r.archivePath.empty());
}

TEST(Discovery, PosixRootsJoinWithOneSeparator)
{
    EXPECT_EQ(joinRoot("/media/cdrom", "hotaru4"), "/media/cdrom/hotaru4");
    EXPECT_EQ(joinRoot("/media/cdrom/", "hotaru4"), "/media/cdrom/hotaru4");
}

class ArchiveFiles : public ScratchDirTest {
protected:
    std::string fileOfSize(const std::string& name, std::int64_t size)
    {
        const auto p = dir / name;
        std::ofstream(p).close();
        std::filesystem::resize_file(p, static_cast<std::uintmax_t>(size));
        return p.string();
    }
};

TEST_F(ArchiveFiles, SizeDecidesTheDiscWhateverTheNameOrContent)
{
    EXPECT_EQ(inspectArchive(fileOfSize("any-name.bin", 208545792)).disc, 2);
    EXPECT_EQ(inspectArchive(fileOfSize("hotaru4", 255995904)).disc, 1);
    EXPECT_EQ(inspectArchive(fileOfSize("short", 255995903)).disc, 0);
    EXPECT_EQ(inspectArchive(fileOfSize("empty", 0)).disc, 0);
}

TEST_F(ArchiveFiles, OpeningFailuresCarryTheSystemsCodes)
{
    try {
        inspectArchive((dir / "missing").string());
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.code(), 2);
        EXPECT_STREQ(e.what(), "ﾌｧｲﾙが見つかりません");
    }
    try {
        inspectArchive((dir / "no-such-folder" / "hotaru4").string());
        FAIL() << "no error";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.code(), 3);
    }
    std::filesystem::create_directory(dir / "hotaru4");
    EXPECT_THROW(inspectArchive((dir / "hotaru4").string()), EInOutError);
}

TEST_F(ArchiveFiles, AnArchiveTheUserMayNotReadIsAccessDenied)
{
    if (runningAsRoot())
        GTEST_SKIP() << "root reads any file";
    // The file's own mode, and a folder on the way that may not be entered.
    const std::string unreadable = fileOfSize("hotaru4", 208545792);
    std::filesystem::create_directory(dir / "closed");
    const std::string shut = fileOfSize("closed/hotaru4", 255995904);
    const ModeScope noRead(unreadable, std::filesystem::perms::owner_write);
    const ModeScope noEntry(dir / "closed", std::filesystem::perms::none);
    for (const std::string& path : {unreadable, shut}) {
        try {
            inspectArchive(path);
            ADD_FAILURE() << path << " opened";
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.code(), 5) << path;
            EXPECT_EQ(e.path(), path);
            EXPECT_STREQ(e.what(), "ﾌｧｲﾙへのｱｸｾｽが拒否されました");
        }
    }
}

TEST_F(ArchiveFiles, RepeatedOpeningLeavesNoDescriptorOpen)
{
    const std::string path = fileOfSize("hotaru4", 208545792);
    const int before = openDescriptors();
    for (int i = 0; i < 50; ++i)
        inspectArchive(path);
    EXPECT_EQ(openDescriptors(), before);
}

TEST_F(ArchiveFiles, SampleArchiveHeadsEveryMovieWithItsOwnHeader)
{
    const std::string path = (dir / "hotaru4").string();
    writeSampleArchive(path, 2);
    EXPECT_EQ(std::filesystem::file_size(path), 208545792u);
    std::ifstream in(path, std::ios::binary);
    for (std::int32_t n : {1, 7, 19}) {
        const std::string expected = sampleHeader(2, n);
        std::string got(expected.size(), '\0');
        in.seekg(movieOffset(2, n));
        in.read(got.data(), static_cast<std::streamsize>(got.size()));
        EXPECT_EQ(got, expected);
    }
}
