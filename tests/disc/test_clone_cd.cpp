// CloneCD images: a .ccd describing a .img of raw sectors (and a .sub beside).
#include "DiscTestSupport.h"

#include "disc/CdSector.h"
#include "disc/CloneCd.h"
#include "disc/ImageError.h"


using namespace disctest;
using hotaru::disc::ImageError;
using hotaru::disc::ImageFault;
using hotaru::disc::openArchive;

namespace {

// A table-of-contents entry as CloneCD writes it: the address in minutes,
// seconds and frames (150 frames ahead), and, unless `minutesOnly`, as PLBA too.
std::string entry(int n, int point, int control, std::int64_t lba, bool minutesOnly)
{
    const std::int64_t msf = lba + 150;
    char text[256];
    std::snprintf(text, sizeof text,
                  "[Entry %d]\r\nSession=1\r\nPoint=0x%02x\r\nADR=0x01\r\nControl=0x%02x\r\nTrackNo=0\r\n"
                  "AMin=0\r\nASec=0\r\nAFrame=0\r\nALBA=-150\r\nZero=0\r\nPMin=%d\r\nPSec=%d\r\nPFrame=%d\r\n",
                  n, point, control, static_cast<int>(msf / 75 / 60), static_cast<int>(msf / 75 % 60),
                  static_cast<int>(msf % 75));
    return text + (minutesOnly ? std::string() : "PLBA=" + std::to_string(lba) + "\r\n");
}

}  // namespace

class CloneCdImages : public DiscImages {
protected:
    std::int64_t dataSectors = 0, totalSectors = 0;

    // game.img (the stand-in's data track, then its audio track) and game.sub;
    // returns the .ccd's text as CloneCD writes it, for a data track of `mode`.
    std::string makeImage(int mode = 1, bool minutesOnly = false)
    {
        const std::string cue = file("made.cue");
        hotaru::writeBinCue(archive, cue);
        const std::string data = readFile(hotaru::trackFileName(cue, 1));
        const std::string audio = readFile(hotaru::trackFileName(cue, 2));
        writeFile(file("game.img"), data + audio);
        writeFile(file("game.sub"), std::string(96, '\0'));
        dataSectors = static_cast<std::int64_t>(data.size() / 2352);
        totalSectors = dataSectors + static_cast<std::int64_t>(audio.size() / 2352);
        return "[CloneCD]\r\nVersion=3\r\n[Disc]\r\nTocEntries=5\r\nSessions=1\r\nDataTracksScrambled=0\r\n"
               "CDTextLength=0\r\n[Session 1]\r\nPreGapMode=1\r\nPreGapSubC=0\r\n" +
               entry(0, 0xA0, 4, 4350, minutesOnly) + entry(1, 0xA1, 0, 8850, minutesOnly) +
               entry(2, 0xA2, 0, totalSectors, minutesOnly) + entry(3, 1, 4, 0, minutesOnly) +
               entry(4, 2, 0, dataSectors + 150, minutesOnly) + "[TRACK 1]\r\nMODE=" + std::to_string(mode) +
               "\r\nINDEX 1=0\r\n[TRACK 2]\r\nMODE=0\r\nINDEX 0=" + std::to_string(dataSectors) +
               "\r\nINDEX 1=" + std::to_string(dataSectors + 150) + "\r\n";
    }
    ImageFault refusal(const std::string& ccdText, std::string* message = nullptr)
    {
        writeFile(file("game.ccd"), ccdText);
        try {
            openArchive(file("game.ccd"));
        } catch (const ImageError& e) {
            if (message)
                *message = e.what();
            return e.fault();
        }
        ADD_FAILURE() << "opened";
        return ImageFault::NoArchive;
    }
};

TEST_F(CloneCdImages, OpenedByItsDescriptorItsSectorsOrItsSubchannel)
{
    writeFile(file("game.ccd"), makeImage());
    for (const char* name : {"game.ccd", "game.img", "game.sub"}) {
        const auto r = openArchive(file(name));
        EXPECT_EQ(readAll(*r), archiveBytes) << name;
    }
#ifndef _WIN32
    // Made on Windows: the descriptor's name in capitals.
    std::filesystem::rename(fsPath(file("game.ccd")), fsPath(file("GAME.CCD")));
    EXPECT_EQ(readAll(*openArchive(file("game.img"))), archiveBytes);
#endif
}

TEST_F(CloneCdImages, AddressesInMinutesSecondsAndFramesAsOlderVersionsWrite)
{
    writeFile(file("game.ccd"), makeImage(1, true));
    EXPECT_EQ(readAll(*openArchive(file("game.ccd"))), archiveBytes);
}

TEST_F(CloneCdImages, DamagedDescriptorsAreRefusedWithTheirReason)
{
    const std::string good = makeImage();
    const auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    std::string message;
    EXPECT_EQ(refusal(replaced("Point=0x01\r\nADR=0x01\r\nControl=0x04", "Point=0x01\r\nADR=0x01\r\nControl=0x00")),
              ImageFault::NoDataTrack);
    EXPECT_EQ(refusal(replaced("MODE=1", "MODE=0"), &message), ImageFault::NotSupported);
    EXPECT_NE(message.find("mode 0"), std::string::npos) << message;
    EXPECT_EQ(refusal(replaced("[CloneCD]", "[Something]")), ImageFault::BadSheet);
    EXPECT_EQ(refusal(replaced("TocEntries=5", "TocEntries")), ImageFault::BadSheet);
    EXPECT_EQ(refusal(replaced("PLBA=0\r\n", "PLBA=99999999999999999\r\n")), ImageFault::BadSheet);
    // The data track said to start past the end of the .img.
    EXPECT_EQ(refusal(replaced("Control=0x04\r\nTrackNo=0\r\nAMin=0\r\nASec=0\r\nAFrame=0\r\nALBA=-150\r\nZero=0\r\n"
                               "PMin=0\r\nPSec=2\r\nPFrame=0\r\nPLBA=0",
                               "Control=0x04\r\nPLBA=" + std::to_string(totalSectors * 2))),
              ImageFault::TrackTooShort);
    std::filesystem::remove(fsPath(file("game.img")));
    EXPECT_EQ(refusal(good, &message), ImageFault::MissingTrackFile);
    EXPECT_NE(message.find("game.img"), std::string::npos) << message;
}
