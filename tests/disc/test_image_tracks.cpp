// Every format's parser hands the reader the same track record, and the format
// table decides which parser a file goes to.
#include "DiscTestSupport.h"

#include "disc/CloneCd.h"
#include "disc/CueSheet.h"
#include "disc/ImageError.h"
#include "disc/Mds.h"
#include "disc/Nrg.h"

using namespace disctest;
using hotaru::disc::ImageError;
using hotaru::disc::ImageFault;
using hotaru::disc::ImageTrack;
using hotaru::disc::openArchive;
using hotaru::disc::TrackMode;

namespace {

// One track-at-once entry of Nero's `mode`, and the END! chunk.
std::string neroChunks(std::uint64_t mode, std::uint64_t start, std::uint64_t length)
{
    const std::string entry = be(start, 8) + be(length, 8) + be(mode, 4) + be(0, 8);
    return "ETN2" + be(entry.size(), 4) + entry + "END!" + be(0, 4);
}

void expectTrack(const ImageTrack& t, const std::string& file, TrackMode mode, std::size_t sectorSize,
                 std::size_t dataOffset, std::int64_t start, std::int64_t sectors)
{
    EXPECT_EQ(t.file, file);
    EXPECT_EQ(t.mode, mode);
    EXPECT_EQ(t.layout().sectorSize, sectorSize);
    EXPECT_EQ(t.layout().dataOffset, dataOffset);
    EXPECT_EQ(t.start, start);
    EXPECT_EQ(t.sectors, sectors);
}

}  // namespace

class ImageTracks : public DiscImages {};

TEST_F(ImageTracks, EveryFormatPlacesItsDataTrackInTheOneRecord)
{
    // CUE: from INDEX 01 to the next track's INDEX 00 in the same file; the
    // last in its file runs to the file's end, which must end on a sector.
    const std::string sheet = "FILE \"d.bin\" BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n"
                              " TRACK 02 MODE2/2352\n  INDEX 00 00:02:00\n  INDEX 01 00:04:00\n"
                              " TRACK 03 AUDIO\n  INDEX 00 00:10:00\n  INDEX 01 00:12:00\n";
    const ImageTrack cue = hotaru::disc::cueDataTrack(hotaru::disc::parseCueSheet(sheet, "/d/x.cue"), "/d/x.cue");
    expectTrack(cue, "/d/d.bin", TrackMode::Mode2Raw, 2352, 24, 300 * 2352, 450);
    EXPECT_FALSE(cue.endsOnSector);
    const ImageTrack last =
        hotaru::disc::cueDataTrack(hotaru::disc::parseCueSheet(sheet.substr(0, sheet.find(" TRACK 03")), "x.cue"), "x");
    EXPECT_EQ(last.sectors, -1);
    EXPECT_TRUE(last.endsOnSector);

    // CloneCD: the .img beside, raw sectors from address 0, mode from [TRACK n].
    const std::string ccd = "[CloneCD]\nVersion=3\n[Entry 0]\nPoint=0x01\nControl=0x00\nPLBA=0\n"
                            "[Entry 1]\nPoint=0x02\nControl=0x04\nPLBA=1000\n"
                            "[Entry 2]\nPoint=0xa2\nControl=0x00\nPLBA=5000\n[TRACK 2]\nMODE=2\n";
    expectTrack(hotaru::disc::parseCloneCd(ccd, "/d/game.ccd"), "/d/game.img", TrackMode::Mode2Raw, 2352, 24,
                1000 * 2352, 4000);

    // Nero: the image itself; raw mode 2 and subchannel, and the other codes.
    const std::uint64_t at = 2448 * 10;
    expectTrack(hotaru::disc::parseNrg(neroChunks(0x11, at, 2448 * 20), 1 << 20, "/d/n.nrg"), "/d/n.nrg",
                TrackMode::Mode2Raw, 2448, 24, at, 20);
    EXPECT_EQ(hotaru::disc::parseNrg(neroChunks(0x0F, 0, 2448), 1 << 20, "n").layout().dataOffset, 16u);
    EXPECT_EQ(hotaru::disc::parseNrg(neroChunks(0x06, 0, 2352), 1 << 20, "n").layout().dataOffset, 24u);
    EXPECT_EQ(hotaru::disc::parseNrg(neroChunks(0x02, 0, 2048), 1 << 20, "n").mode, TrackMode::Mode2Form1Cooked);

    // Alcohol: mode 2 form 1 in raw sectors followed by their subchannel.
    hotaru::writeMds(archive, file("game.mds"), 2448);
    std::string mds = readFile(file("game.mds"));
    mds[hotaru::MdsBlocksAt + 3 * 80] = static_cast<char>(0xAC);
    const ImageTrack alcohol = hotaru::disc::parseMds(mds, file("game.mds"));
    EXPECT_EQ(alcohol.file, file("game.mdf"));
    EXPECT_EQ(alcohol.mode, TrackMode::Mode2Raw);
    EXPECT_EQ(alcohol.subchannel, 96u);
    EXPECT_EQ(alcohol.layout().sectorSize, 2448u);
    EXPECT_EQ(alcohol.layout().dataOffset, 24u);
}

TEST_F(ImageTracks, ASheetsTrackStartingBeforeTheOneBeforeIsRefusedAtItsLine)
{
    const std::string sheet = "FILE \"d.bin\" BINARY\n TRACK 01 MODE1/2352\n  INDEX 01 00:04:00\n"
                              " TRACK 02 AUDIO\n  INDEX 01 00:02:00\n";
    try {
        hotaru::disc::cueDataTrack(hotaru::disc::parseCueSheet(sheet, "x.cue"), "x.cue");
        FAIL() << "the sheet was taken";
    } catch (const ImageError& e) {
        EXPECT_EQ(e.fault(), ImageFault::BadSheet);
        EXPECT_EQ(e.line(), 4);
    }
}

TEST_F(ImageTracks, FormatsAreKnownByContentBeforeTheirNames)
{
    // An ISO, a bare raw track and a CUE sheet under names of other formats.
    hotaru::writeIsoImage(archive, file("game.cue"));
    EXPECT_EQ(readAll(*openArchive(file("game.cue"))), archiveBytes);
    const std::string made = file("made.cue");
    hotaru::writeBinCue(archive, made);
    std::filesystem::rename(fsPath(hotaru::trackFileName(made, 1)), fsPath(file("track.ccd")));
    EXPECT_EQ(readAll(*openArchive(file("track.ccd"))), archiveBytes);
    std::filesystem::rename(fsPath(file("track.ccd")), fsPath(hotaru::trackFileName(made, 1)));
    std::filesystem::rename(fsPath(made), fsPath(file("sheet.txt")));
    EXPECT_EQ(readAll(*openArchive(file("sheet.txt"))), archiveBytes);
}

TEST_F(ImageTracks, SectorsFilesWithoutTheirDescriptorAreReadAsBareRawTracks)
{
    hotaru::writeCloneCd(archive, file("game.ccd"));
    std::filesystem::remove(fsPath(file("game.ccd")));
    EXPECT_EQ(readAll(*openArchive(file("game.img"))), archiveBytes);
    hotaru::writeMds(archive, file("alcohol.mds"), 2352);
    std::filesystem::remove(fsPath(file("alcohol.mds")));
    EXPECT_EQ(readAll(*openArchive(file("alcohol.mdf"))), archiveBytes);
}
