// CUE sheets as people and tools have written them: Shift-JIS, sound files
// beside the data track, names in other capitals, every command tools use.
#include "DiscTestSupport.h"

#include "disc/CueSheet.h"
#include "disc/ImageError.h"

using namespace disctest;
using hotaru::disc::ImageError;
using hotaru::disc::ImageFault;
using hotaru::disc::openArchive;

namespace {

// "ソフト表": two of its characters end in the byte of a backslash in Shift-JIS.
constexpr std::string_view JapaneseName = "ソフト表";
constexpr std::string_view JapaneseNameSjis = "\x83\x5C\x83\x74\x83\x67\x95\x5C";

// The message of the ImageError that opening `sheet` throws, with its fault.
std::pair<ImageFault, std::string> refusal(const std::string& sheet)
{
    try {
        openArchive(sheet);
    } catch (const ImageError& e) {
        return {e.fault(), e.what()};
    }
    ADD_FAILURE() << sheet << " opened";
    return {};
}

}  // namespace

class SheetsAsToolsWrite : public DiscImages {
protected:
    // The stand-in's data track, renamed; returns the sheet it came with.
    std::string dataTrackAs(const std::string& name)
    {
        const std::string cue = file("made.cue");
        hotaru::writeBinCue(archive, cue);
        std::filesystem::rename(fsPath(hotaru::trackFileName(cue, 1)), fsPath(file(name)));
        return cue;
    }
    std::string sheet(const std::string& text, const std::string& name = "disc.cue")
    {
        writeFile(file(name), text);
        return file(name);
    }
};

TEST_F(SheetsAsToolsWrite, ShiftJisSheetsNameTheirFilesInUnicode)
{
    const std::string bin = std::string(JapaneseName) + " (Track 1).bin";
    dataTrackAs(bin);
    const std::string body = " (Track 1).bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n";
    const std::string cue = sheet("FILE \"" + std::string(JapaneseNameSjis) + body);
    EXPECT_EQ(readAll(*openArchive(cue)), archiveBytes);

    // Read as code page 932, not plain Shift-JIS: 0x5C is a backslash (here
    // between folder and file), 0x7E a tilde and 0x8160 the full-width one.
    std::filesystem::create_directory(dir / "Data");
    dataTrackAs("Data/" + std::string(JapaneseName) + "~～ (Track 1).bin");
    const std::string tilde = "FILE \"Data\\" + std::string(JapaneseNameSjis) + "~\x81\x60";
    EXPECT_EQ(readAll(*openArchive(sheet(tilde + body, "tilde.cue"))), archiveBytes);

    // A missing file is named as the user sees it, not in the sheet's bytes.
    std::filesystem::remove(fsPath(file(bin)));
    const auto [fault, message] = refusal(cue);
    EXPECT_EQ(fault, ImageFault::MissingTrackFile);
    EXPECT_NE(message.find(bin), std::string::npos) << message;

    // Neither encoding: a lead byte of Shift-JIS with nothing after it.
    const auto [badFault, badMessage] = refusal(sheet("FILE \"x.bin\" BINARY\n  TRACK 01 MODE1/2352\n\x83"));
    EXPECT_EQ(badFault, ImageFault::BadSheet);
    EXPECT_NE(badMessage.find("neither UTF-8 nor Shift-JIS"), std::string::npos) << badMessage;
}

TEST_F(SheetsAsToolsWrite, SoundFilesBesideTheDataTrackAreNeverOpened)
{
    const std::string iso = file("game.iso");
    hotaru::writeIsoImage(archive, iso);
    // ISO + WAV, with tracks whose sound files are not even here.
    const std::string isoWav = sheet("FILE \"game.iso\" BINARY\n  TRACK 01 MODE1/2048\n    INDEX 01 00:00:00\n"
                                     "FILE \"Track 02.wav\" WAVE\n  TRACK 02 AUDIO\n    PREGAP 00:02:00\n"
                                     "    INDEX 01 00:00:00\n"
                                     "FILE \"Track 03.flac\" FLAC\n  TRACK 03 AUDIO\n    INDEX 00 00:00:00\n"
                                     "    INDEX 01 00:02:00\n",
                                     "iso-wav.cue");
    EXPECT_EQ(readAll(*openArchive(isoWav)), archiveBytes);

    // BIN + WAV, the sound first.
    dataTrackAs("Track 02.bin");
    const std::string binWav = sheet("FILE \"Track 01.mp3\" MP3\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                                     "FILE \"Track 02.bin\" BINARY\n  TRACK 02 MODE1/2352\n    INDEX 01 00:00:00\n",
                                     "bin-wav.cue");
    EXPECT_EQ(readAll(*openArchive(binWav)), archiveBytes);

    // A data track in a sound file cannot be read, and says why.
    const auto [fault, message] =
        refusal(sheet("FILE \"game.wav\" WAVE\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n", "wave.cue"));
    EXPECT_EQ(fault, ImageFault::NotSupported);
    EXPECT_NE(message.find("WAVE"), std::string::npos) << message;
    EXPECT_NE(message.find("line 2"), std::string::npos) << message;
}

#ifndef _WIN32
TEST_F(SheetsAsToolsWrite, NamesAsWindowsFindsThem)
{
    const std::string track = "\"\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n";
    dataTrackAs("Game (Track 1).bin");
    EXPECT_EQ(readAll(*openArchive(sheet("FILE \"GAME (TRACK 1).BIN" + track))), archiveBytes);

    // Behind a backslash, as a Windows tool writes a sub-folder.
    std::filesystem::create_directory(dir / "Data");
    std::filesystem::rename(fsPath(file("Game (Track 1).bin")), dir / "Data" / "Game (Track 1).bin");
    EXPECT_EQ(readAll(*openArchive(sheet("FILE \"Data\\game (track 1).bin" + track, "sub.cue"))), archiveBytes);

    // Two names that match but for their capitals: neither is guessed.
    std::filesystem::copy_file(dir / "Data" / "Game (Track 1).bin", dir / "Data" / "GAME (Track 1).bin");
    EXPECT_EQ(refusal(sheet("FILE \"Data/game (track 1).bin" + track, "two.cue")).first, ImageFault::MissingTrackFile);
}
#endif

TEST_F(SheetsAsToolsWrite, EveryCommandToolsWriteInAnyCaseWithTabs)
{
    dataTrackAs("data.bin");
    const std::string cue = sheet("REM GENRE \"Game\nREM COMMENT \"made by a dumping tool\"\n"
                                  "CATALOG 0000000000000\ncdtextfile \"disc.cdt\"\nTITLE \"ホタル\"\n"
                                  "PERFORMER \"someone\"\nSongWriter \"someone else\"\n"
                                  "file\t\"data.bin\"\tbinary\n\ttrack 01 mode1/2352\n\t\tflags DCP\n"
                                  "\t\tisrc JPXXX0000001\n\t\tpregap 00:00:00\n\t\tIndex 00 00:00:00\n"
                                  "\t\tindex 01 00:00:00\n\t\tpostgap 00:02:00\n");
    EXPECT_EQ(readAll(*openArchive(cue)), archiveBytes);

    // What no tool writes is still refused, at its line.
    const auto [fault, message] = refusal(sheet("FILE \"data.bin\" BINARY\nSESSION 1\n", "odd.cue"));
    EXPECT_EQ(fault, ImageFault::BadSheet);
    EXPECT_NE(message.find("line 2"), std::string::npos) << message;
}
