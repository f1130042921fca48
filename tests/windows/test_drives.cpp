// Discovery against the system's own drive types and existence test. The run
// script maps three drives: Q: a CD-ROM holding a disc-1-sized hotaru4, E: an
// empty CD-ROM, F: a hard disk holding a disc-2-sized hotaru4.
#include "WindowsTestSupport.h"
#include "catalogue/Archive.h"
#include "catalogue/Catalogue.h"
#include "catalogue/Discovery.h"
#include "platform/Drives.h"
#include "platform/File.h"
#include "platform/InOutError.h"
#include "platform/Utf16.h"

#include "FileChecks.h"

#include <gtest/gtest.h>
#include <windows.h>

using namespace hotaru;

namespace {

constexpr char DiscDrive[] = "Q:\\";
constexpr char EmptyCdDrive[] = "E:\\";
constexpr char HardDisk[] = "F:\\";

class SystemDrives : public ::testing::Test {
protected:
    std::unique_ptr<DriveProbe> probe = makeSystemDriveProbe();
    std::string lowerArchive = joinRoot(EmptyCdDrive, ArchiveFileName);

    void SetUp() override
    {
        // A leftover from an interrupted run would change every answer below.
        removeFile(lowerArchive);
        RemoveDirectoryW(widen(lowerArchive).c_str());
        ASSERT_TRUE(isRegularFile(joinRoot(DiscDrive, ArchiveFileName)) &&
                    isRegularFile(joinRoot(HardDisk, ArchiveFileName)))
            << "the drives are prepared by tests/windows/run-suite.sh";
    }
    void TearDown() override
    {
        removeFile(lowerArchive);
        RemoveDirectoryW(widen(lowerArchive).c_str());
    }

    Discovery scanOnce()
    {
        int asked = 0;
        Discovery d = discoverArchive(*probe, [&] { return ++asked, false; });
        EXPECT_EQ(asked, 0) << "asked to retry although an archive is there";
        return d;
    }
};

}  // namespace

TEST_F(SystemDrives, DriveTypesComeFromTheSystem)
{
    EXPECT_TRUE(probe->isCdRom(DiscDrive));
    EXPECT_TRUE(probe->isCdRom(EmptyCdDrive));
    EXPECT_FALSE(probe->isCdRom(HardDisk));
    EXPECT_FALSE(probe->isCdRom("C:\\"));
    EXPECT_FALSE(probe->isCdRom("B:\\"));  // no drive at all
    EXPECT_EQ(GetDriveTypeW(L"F:\\"), static_cast<UINT>(DRIVE_FIXED));
}

TEST_F(SystemDrives, ScanFindsTheArchiveOnTheCdRomAndNeverTheHardDisk)
{
    const Discovery d = scanOnce();
    ASSERT_EQ(d.outcome, DiscoveryOutcome::Found);
    EXPECT_EQ(d.archivePath, "Q:\\hotaru4");
    const ArchiveInfo info = inspectArchive(d.archivePath);
    EXPECT_EQ(info.size, Disc1ArchiveSize);
    EXPECT_EQ(info.disc, 1);
    // F:'s archive is there, yet only File > Open may reach it.
    EXPECT_EQ(inspectArchive("F:\\hotaru4").disc, 2);
}

TEST_F(SystemDrives, LowerCdRomDriveWinsWhenBothHoldTheArchive)
{
    writeFile(lowerArchive, "short");
    const Discovery d = scanOnce();
    ASSERT_EQ(d.outcome, DiscoveryOutcome::Found);
    EXPECT_EQ(d.archivePath, "E:\\hotaru4");
    // Discovery judges presence, not size: the short file is disc 0.
    EXPECT_EQ(inspectArchive(d.archivePath).disc, 0);
}

TEST_F(SystemDrives, FolderNamedLikeTheArchiveDoesNotCount)
{
    ASSERT_TRUE(CreateDirectoryW(widen(lowerArchive).c_str(), nullptr)) << wintest::lastErrorText("CreateDirectoryW");
    EXPECT_FALSE(probe->isFile(lowerArchive));
    const Discovery d = scanOnce();
    EXPECT_EQ(d.archivePath, "Q:\\hotaru4");
    try {
        inspectArchive(lowerArchive);
        ADD_FAILURE() << "a folder was opened as the archive";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.code(), io::AccessDenied);
    }
}

TEST_F(SystemDrives, NoDiscAsksAndRetryFindsOneInsertedMeanwhile)
{
    const std::wstring disc = L"Q:\\hotaru4";
    const std::wstring away = L"Q:\\hotaru4.away";
    ASSERT_TRUE(MoveFileW(disc.c_str(), away.c_str())) << wintest::lastErrorText("MoveFileW");
    int asked = 0;
    EXPECT_EQ(discoverArchive(*probe, [&] { return ++asked, false; }).outcome, DiscoveryOutcome::GaveUp);
    EXPECT_EQ(asked, 1);
    asked = 0;
    const Discovery d = discoverArchive(*probe, [&] {
        ++asked;
        return MoveFileW(away.c_str(), disc.c_str()) != 0;
    });
    MoveFileW(away.c_str(), disc.c_str());
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(d.outcome, DiscoveryOutcome::Found);
    EXPECT_EQ(d.archivePath, "Q:\\hotaru4");
}
