// The stand-in maker's images as readers that share no code with ours see
// them: each tool's ISO must start with the very file system the maker put in.
#include "DiscTestSupport.h"

#include "platform/Process.h"
#include "tools/SampleImage.h"

using namespace disctest;
using hotaru::disc::openArchive;

class OtherReaders : public DiscImages {
protected:
    std::string reference;
    void SetUp() override
    {
        DiscImages::SetUp();
        hotaru::writeIsoImage(archive, file("reference.iso"));
        reference = readFile(file("reference.iso"));
    }
    // Runs `tool` quietly (they draw progress bars) in the case's folder.
    bool quietly(const std::string& tool, const std::vector<std::string>& args)
    {
        std::vector<std::string> all{"-c", "cd \"$0\" && exec \"$@\" >/dev/null 2>&1", utf8Path(dir), tool};
        all.insert(all.end(), args.begin(), args.end());
        return run("/bin/sh", all);
    }
    // `tool` turns an image into `iso`, which starts with the reference file
    // system. Some tools fail once they meet the sound track after it: `judged`
    // false takes their output all the same.
    void expectSameFileSystem(const std::string& tool, const std::vector<std::string>& args, const std::string& iso,
                              bool judged = true)
    {
        SCOPED_TRACE(tool);
        const std::string program = hotaru::programOnPath(tool);
        if (program.empty()) {
            if (toolsRequired())
                ADD_FAILURE() << tool << " is not installed (HOTARU_REQUIRE_TOOLS=1)";
            return;
        }
        const bool ok = quietly(program, args);
        if (judged) {
            ASSERT_TRUE(ok);
        }
        const std::string made = readFile(file(iso));
        ASSERT_GE(made.size(), reference.size());
        EXPECT_TRUE(made.compare(0, reference.size(), reference) == 0) << iso << " differs";
    }
};

#ifndef _WIN32
TEST_F(OtherReaders, AlcoholImagesInRawSectorsWithAndWithoutSubchannel)
{
    hotaru::writeMds(archive, file("raw.mds"), 2352);
    expectSameFileSystem("mdf2iso", {"raw.mdf", "raw.iso"}, "raw.iso");
    hotaru::writeMds(archive, file("sub.mds"), 2448);
    expectSameFileSystem("iat", {"sub.mdf", "sub.iso"}, "sub.iso");
    EXPECT_EQ(readAll(*openArchive(file("sub.mds"))), archiveBytes);
}

TEST_F(OtherReaders, NeroImagesOfCookedAndRawSectors)
{
    hotaru::writeNrg(archive, file("cooked.nrg"), 2048);
    expectSameFileSystem("nrg2iso", {"cooked.nrg", "cooked.iso"}, "cooked.iso");
    hotaru::writeNrg(archive, file("raw.nrg"), 2352);
    expectSameFileSystem("iat", {"raw.nrg", "raw.iso"}, "raw.iso");
    EXPECT_EQ(readAll(*openArchive(file("cooked.nrg"))), archiveBytes);
    EXPECT_EQ(readAll(*openArchive(file("raw.nrg"))), archiveBytes);
}

TEST_F(OtherReaders, CloneCdImage)
{
    hotaru::writeCloneCd(archive, file("game.ccd"));
    // ccd2iso stops, failing, at the first sound sector.
    expectSameFileSystem("ccd2iso", {"game.img", "game.iso"}, "game.iso", false);
}
#endif
