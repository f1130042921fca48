// CloneCD images: a .ccd describing a .img of raw sectors (and a .sub beside).
#include "DiscTestSupport.h"

#include "disc/CdSector.h"
#include "disc/CloneCd.h"
#include "disc/ImageError.h"

using namespace disctest;
using hotaru::disc::ImageError;
using hotaru::disc::ImageFault;
using hotaru::disc::openArchive;

class CloneCdImages : public DiscImages {
protected:
    // The stand-in's game.ccd, game.img and game.sub; returns the descriptor's text.
    std::string makeImage()
    {
        hotaru::writeCloneCd(archive, file("game.ccd"));
        return readFile(file("game.ccd"));
    }
    ImageFault refusal(const std::string& ccdText, std::string* message = nullptr)
    {
        return refusalOf("game.ccd", ccdText, message);
    }
};

TEST_F(CloneCdImages, OpenedByItsDescriptorItsSectorsOrItsSubchannel)
{
    makeImage();
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
    // Without the PLBA lines: each point's place in minutes, seconds and frames only.
    std::string text = makeImage(), kept;
    for (std::size_t at = 0, end = 0; at < text.size(); at = end) {
        end = text.find('\n', at) + 1;
        if (text.compare(at, 5, "PLBA=") != 0)
            kept += text.substr(at, end - at);
    }
    ASSERT_EQ(kept.find("PLBA"), std::string::npos);
    writeFile(file("game.ccd"), kept);
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
    const std::string track1 = "Point=0x01\r\nADR=0x01\r\nControl=0x04\r\n";
    std::string late = good;
    late.replace(late.find("PLBA=0\r\n", late.find(track1)), 8, "PLBA=400000\r\n");
    EXPECT_EQ(refusal(late), ImageFault::TrackTooShort);
    std::filesystem::remove(fsPath(file("game.img")));
    EXPECT_EQ(refusal(good, &message), ImageFault::MissingTrackFile);
    EXPECT_NE(message.find("game.img"), std::string::npos) << message;
}
