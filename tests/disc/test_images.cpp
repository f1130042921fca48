// Every kind of image gives back the archive byte for byte.
#include "DiscTestSupport.h"

#include "catalogue/Archive.h"
#include "catalogue/Catalogue.h"
#include "disc/CdSector.h"
#include "disc/Chd.h"
#include "disc/CueSheet.h"
#include "disc/ImageError.h"
#include "extract/CopyRange.h"
#include "platform/InOutError.h"
#include "tools/SampleArchive.h"

#include <cstring>
#include <random>
#include <thread>
#include <tuple>

using namespace disctest;
using hotaru::EInOutError;
using hotaru::disc::ImageError;
using hotaru::disc::ImageFault;
using hotaru::disc::openArchive;

namespace {

// A folder of an image's file system, in bytes of the image.
struct Folder {
    std::int64_t at = 0;
    std::int64_t length = 0;
};

std::int64_t le32At(const std::string& bytes, std::size_t at)
{
    std::int64_t v = 0;
    for (std::size_t i = 4; i-- > 0;)
        v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
    return v;
}

// The root folder the first volume descriptor of `type` names (1 the
// primary, 2 Joliet's).
Folder rootOf(const std::string& iso, int type)
{
    for (std::int64_t s = 16; s < 32; ++s) {
        const std::string d = readPart(iso, s * 2048, 2048);
        if (d.size() < 2048 || static_cast<unsigned char>(d[0]) == 255)
            break;
        if (d[0] == type)
            return {le32At(d, 156 + 2) * 2048, le32At(d, 156 + 10)};
    }
    ADD_FAILURE() << iso << " has no volume descriptor of type " << type;
    return {};
}

// Where `name` stands within the folder, or -1.
std::int64_t nameWithin(const std::string& iso, Folder folder, const std::string& name)
{
    const std::size_t at = readPart(iso, folder.at, static_cast<std::size_t>(folder.length)).find(name);
    return at == std::string::npos ? -1 : static_cast<std::int64_t>(at);
}

// A name as Joliet stores it: UCS-2, big-endian.
std::string ucs2(const std::string& ascii)
{
    std::string s;
    for (const char c : ascii)
        s += std::string(1, '\0') + c;
    return s;
}

}  // namespace

class Images : public DiscImages {};

TEST_F(Images, PlainFileIsReadAsItIs)
{
    const auto r = openArchive(archive);
    EXPECT_EQ(r->size(), std::int64_t{ArchiveBytes});
    EXPECT_EQ(bytesOf(*r, 5, 10), archiveBytes.substr(5, 10));
    try {
        bytesOf(*r, r->size() - 3, 4);
        FAIL() << "read past the end";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.code(), hotaru::io::ReadPastEnd);
        EXPECT_EQ(e.path(), archive);
    }
    try {
        openArchive(file("missing.iso"));
        FAIL() << "opened a missing file";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.code(), hotaru::io::FileNotFound);
    }
}

TEST_F(Images, OwnIsoImage)
{
    const std::string iso = file("disc.iso");
    hotaru::writeIsoImage(archive, iso);
    const auto r = openArchive(iso);
    EXPECT_EQ(r->size(), std::int64_t{ArchiveBytes});
    EXPECT_EQ(readAll(*r), archiveBytes);
    EXPECT_THROW(bytesOf(*r, r->size() - 1, 2), EInOutError);
}

TEST_F(Images, XorrisoIsoImagesWithAndWithoutJolietAndRockRidge)
{
    NEEDS_XORRISO();
    const std::vector<std::vector<std::string>> kinds{{}, {"-J"}, {"-R"}, {"-J", "-R", "-iso-level", "3"}};
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        const std::string iso = xorrisoIso("x" + std::to_string(k) + ".iso", kinds[k]);
        const auto r = openArchive(iso);
        EXPECT_EQ(readAll(*r, 65536), archiveBytes) << "options set " << k;
    }
    // Named as a Windows disc shows it: upper case, with an extension dot.
    const auto r = openArchive(xorrisoIso("upper.iso", {"-J"}, "HOTARU4"));
    EXPECT_EQ(r->size(), std::int64_t{ArchiveBytes});
}

// A root folder of many files spans sectors, each ending in padding; the
// archive's record lies in a later one.
TEST_F(Images, OwnIsoWithARootFolderOfSeveralSectors)
{
    const std::string iso = file("crowded.iso");
    hotaru::writeIsoImage(archive, iso, 100);
    const Folder root = rootOf(iso, 1);
    EXPECT_EQ(root.length, 3 * 2048);
    EXPECT_GE(nameWithin(iso, root, "HOTARU4"), 2 * 2048);
    // The second sector's records stop short of its end.
    EXPECT_EQ(readPart(iso, root.at + 2 * 2048 - 8, 8), std::string(8, '\0'));
    const auto r = openArchive(iso);
    EXPECT_EQ(r->size(), std::int64_t{ArchiveBytes});
    EXPECT_EQ(readAll(*r), archiveBytes);
}

TEST_F(Images, XorrisoIsoWithARootFolderOfSeveralSectors)
{
    NEEDS_XORRISO();
    const std::string plain = xorrisoIso("crowded.iso", {}, "hotaru4", 200);
    EXPECT_GE(nameWithin(plain, rootOf(plain, 1), "HOTARU4"), 2048);
    EXPECT_EQ(readAll(*openArchive(plain)), archiveBytes);

    // Joliet's names alone lead to it: the primary name is changed.
    const std::string joliet = xorrisoIso("crowded-joliet.iso", {"-J"}, "hotaru4", 200);
    const Folder primary = rootOf(joliet, 1), names = rootOf(joliet, 2);
    const std::int64_t primaryAt = nameWithin(joliet, primary, "HOTARU4");
    ASSERT_GE(primaryAt, 0);
    patch(joliet, primary.at + primaryAt + 6, "5");
    EXPECT_GE(nameWithin(joliet, names, ucs2("hotaru4")), 2048);
    EXPECT_EQ(readAll(*openArchive(joliet)), archiveBytes);
}

TEST_F(Images, OwnBinCueAndABareBin)
{
    using hotaru::DataTrackMode;
    for (const auto& [mode, sheetMode, dataOffset] : {std::tuple{DataTrackMode::Mode1, "MODE1/2352", 16},
                                                      std::tuple{DataTrackMode::Mode2Form1, "MODE2/2352", 24}}) {
        SCOPED_TRACE(sheetMode);
        const std::string cue = file(std::string("ホタル (Disc 1) ") + sheetMode[4] + ".cue");
        hotaru::writeBinCue(archive, cue, mode);
        const std::string data = hotaru::trackFileName(cue, 1);
        // The sectors are of the kind the sheet names: the volume descriptor
        // in sector 16 starts at the mode's user data.
        EXPECT_NE(readFile(cue).find(std::string("TRACK 01 ") + sheetMode), std::string::npos);
        EXPECT_EQ(readPart(data, 16 * 2352 + 15, 1), std::string(1, sheetMode[4] - '0'));
        EXPECT_EQ(readPart(data, 16 * 2352 + dataOffset, 6), "\1CD001");
        const auto r = openArchive(cue);
        EXPECT_EQ(readAll(*r), archiveBytes);
        // The data track alone, recognised by its sync pattern whatever its name.
        const auto bare = openArchive(data);
        EXPECT_EQ(readAll(*bare, 4096 * 3 + 5), archiveBytes);
    }
}

// The preview and the tooltips jump about: reading on in order after a jump
// gives the new place's bytes. The read ahead is slowed, so that jumps meet
// blocks (64 sectors) still being read.
TEST_F(Images, BinReadOnInOrderAfterJumps)
{
    const std::string cue = file("jumps.cue");
    hotaru::writeBinCue(archive, cue);
    const auto r = openArchive(cue, {}, slowAhead(std::chrono::milliseconds(1)));
    std::mt19937 random(7);
    const auto between = [&](std::int64_t low, std::int64_t high) {
        return std::uniform_int_distribution<std::int64_t>(low, high)(random);
    };
    std::int64_t at = 0;
    for (int jump = 0; jump < 300; ++jump) {
        // Anywhere, or a few blocks on or back: into the window read ahead or out of it.
        at = jump % 2 ? between(0, r->size() - 1)
                      : std::clamp<std::int64_t>(at + between(-300'000, 700'000), 0, r->size() - 1);
        const auto piece = between(1, 200'000);
        for (std::int64_t pieces = between(1, 8); pieces > 0 && at < r->size(); --pieces) {
            const auto n = static_cast<std::size_t>(std::min(piece, r->size() - at));
            ASSERT_TRUE(bytesOf(*r, at, n) == archiveBytes.substr(static_cast<std::size_t>(at), n))
                << n << " at " << at;
            at += static_cast<std::int64_t>(n);
        }
    }
}

TEST_F(Images, SheetsAsToolsWriteThem)
{
    const std::string cue = file("game.cue");
    hotaru::writeBinCue(archive, cue);
    std::filesystem::rename(fsPath(hotaru::trackFileName(cue, 1)), dir / "data track.bin");
    std::filesystem::rename(fsPath(hotaru::trackFileName(cue, 2)), dir / "audio.bin");
    // A byte-order mark, LF endings, comments, lower case, an audio track first.
    writeFile(file("other.txt"), "\xEF\xBB\xBFREM made by hand\n"
                                 "FILE \"audio.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                                 "file \"data track.bin\" binary\n  track 02 mode1/2352\n"
                                 "    FLAGS DCP\n    INDEX 01 00:00:00\n");
    EXPECT_EQ(readAll(*openArchive(file("other.txt"))), archiveBytes);
}

TEST_F(Images, ChdmanImagesAndTheirExtractedBinCue)
{
    NEEDS_CHDMAN();
    const auto r = openArchive(chd);
    EXPECT_EQ(r->size(), std::int64_t{ArchiveBytes});
    EXPECT_EQ(readAll(*r), archiveBytes);
    // Backwards and at random, where no hunk is decoded ahead.
    for (std::int64_t at : {3'000'000, 20'000, 2'500'001, 0})
        EXPECT_EQ(bytesOf(*r, at, 70'000), archiveBytes.substr(static_cast<std::size_t>(at), 70'000));

    // Every hunk, the audio track's too, decodes to its checksum.
    const auto kinds = hotaru::disc::checkChdHunks(hotaru::disc::openFileSource(chd));
    EXPECT_TRUE(kinds.count("cdfl")) << "no audio hunk: the FLAC path went untested";
    EXPECT_TRUE(kinds.count("cdlz") || kinds.count("cdzl"));

    // extractcd writes both tracks into one BIN.
    const std::string cue = file("extracted.cue");
    ASSERT_TRUE(run(chdman, {"extractcd", "-i", chd, "-o", cue, "-ob", file("extracted.bin")}));
    EXPECT_EQ(readAll(*openArchive(cue)), archiveBytes);

    // A MODE2/2352 data track: its user bytes start after the subheader.
    const std::string mode2 = file("mode2.chd");
    hotaru::writeChd(archive, mode2, hotaru::DataTrackMode::Mode2Form1);
    EXPECT_NE(readFile(mode2).find("TYPE:MODE2_RAW"), std::string::npos);
    EXPECT_EQ(readAll(*openArchive(mode2)), archiveBytes);
}

TEST_F(Images, ChdReadByTwoReadersAtOnce)
{
    NEEDS_CHDMAN();
    // Each reader decodes on its own threads and its own; neither may see the other's hunks.
    std::string first, second;
    std::thread other([&] { first = readAll(*openArchive(chd), 70'001); });
    const auto r = openArchive(chd);
    second = bytesOf(*r, 1'000'000, 500'000) + bytesOf(*r, 0, 1'000'000);
    second += bytesOf(*r, 1'500'000, static_cast<std::size_t>(r->size() - 1'500'000));
    other.join();
    EXPECT_TRUE(first == archiveBytes);
    EXPECT_TRUE(second.substr(500'000, 1'000'000) + second.substr(0, 500'000) + second.substr(1'500'000) ==
                archiveBytes);
}

TEST_F(Images, CopyRangeAndInspectArchiveTakeImages)
{
    // One full-size disc 1: its size names the disc, and a movie copies out whole.
    const std::string full = file("full");
    hotaru::writeSampleArchive(full, 1);
    const std::string iso = file("disc1.iso");
    hotaru::writeIsoImage(full, iso);
    std::filesystem::remove(fsPath(full));
    EXPECT_EQ(hotaru::inspectArchive(iso).disc, 1);
    const std::string out = file("movie.cpk");
    EXPECT_EQ(hotaru::copyRange({iso, hotaru::movieOffset(1, 6), hotaru::movieSize(1, 6), out}),
              hotaru::CopyOutcome::Written);
    EXPECT_EQ(fileSize(out), std::uintmax_t(hotaru::movieSize(1, 6)));
    EXPECT_EQ(readPart(out, 0, hotaru::sampleHeader(1, 6).size()), hotaru::sampleHeader(1, 6));
}

TEST(CueSheets, BadSheetsNameTheirLine)
{
    const auto lineOf = [](const std::string& text) {
        try {
            hotaru::disc::parseCueSheet(text, "x.cue");
        } catch (const ImageError& e) {
            EXPECT_EQ(e.fault(), ImageFault::BadSheet);
            EXPECT_NE(std::string(e.what()).find("x.cue, line"), std::string::npos);
            return e.line();
        }
        return 0;
    };
    EXPECT_EQ(lineOf("FILE \"a.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:61:00\r\n"), 3);
    EXPECT_EQ(lineOf("FILE \"a.bin BINARY\n"), 1);
    EXPECT_EQ(lineOf("REM\nTRACK 01 AUDIO\n"), 2);
    EXPECT_EQ(lineOf("FILE \"a.bin\" BINARY\nTRACK 01 MODE3/2352\n"), 2);
    EXPECT_EQ(lineOf("FILE \"a.bin\" BINARY\nTRACK 01 MODE1/2048\nINDEX 01 00:00:00\nNONSENSE\n"), 4);
    EXPECT_EQ(lineOf("FILE \"a.bin\" BINARY\nTRACK 01 MODE1/2048\nPREGAP 00:02:00\n"), 2);  // no INDEX 01
    EXPECT_EQ(lineOf("FILE \"a.wav\" WAVE\n"), 1);
}

// Parity a data sector carries must satisfy both Reed-Solomon codes: every
// P column (24 bytes, 2 parity) and Q diagonal (43 bytes, 2 parity) sums to
// zero, plainly and weighted by powers of 2 in GF(2^8); in mode 2 form 1 with
// the header taken as zeros. A CHD leaves out parity it can make again, so
// wrong parity would turn up in copied sectors.
TEST(Sectors, ParityMeetsBothCodes)
{
    const auto times2 = [](unsigned v) { return (v << 1 ^ ((v & 0x80) ? 0x11D : 0)) & 0xFF; };
    const auto isCodeword = [&](const std::vector<std::uint8_t>& word) {
        unsigned plain = 0, weighted = 0;
        for (const std::uint8_t b : word) {
            plain ^= b;
            weighted = times2(weighted) ^ b;
        }
        return plain == 0 && weighted == 0;
    };
    std::mt19937 random(5);
    for (int n = 0; n < 40; ++n) {
        const bool mode2 = n % 2 == 1;
        std::uint8_t user[hotaru::disc::UserDataSize];
        for (std::uint8_t& b : user)
            b = static_cast<std::uint8_t>(n < 4 ? n / 2 * 0xFF : random());
        std::uint8_t sector[hotaru::disc::RawSectorSize];
        (mode2 ? hotaru::disc::makeMode2Form1Sector : hotaru::disc::makeMode1Sector)(sector, n * 4099, user);
        EXPECT_EQ(sector[15], mode2 ? 2 : 1);
        EXPECT_TRUE(hotaru::disc::edcMatches(sector));
        // Made again from the finished sector, as a CHD reader does, parity and header stay.
        std::uint8_t again[hotaru::disc::RawSectorSize];
        std::memcpy(again, sector, sizeof again);
        hotaru::disc::generateEcc(again);
        EXPECT_EQ(std::memcmp(again, sector, sizeof again), 0) << "sector " << n;
        if (mode2)
            std::memset(sector + 12, 0, 4);
        const std::uint8_t* body = sector + 12;
        for (std::size_t column = 0; column < 86; ++column) {
            std::vector<std::uint8_t> word;
            for (std::size_t row = 0; row < 26; ++row)
                word.push_back(body[row * 86 + column]);
            EXPECT_TRUE(isCodeword(word)) << "sector " << n << ", P column " << column;
        }
        for (std::size_t diagonal = 0; diagonal < 52; ++diagonal) {
            std::vector<std::uint8_t> word;
            for (std::size_t step = 0, at = diagonal / 2 * 86 + diagonal % 2; step < 43; ++step, at = (at + 88) % 2236)
                word.push_back(body[at]);
            word.push_back(sector[2248 + diagonal]);
            word.push_back(sector[2248 + 52 + diagonal]);
            EXPECT_TRUE(isCodeword(word)) << "sector " << n << ", Q diagonal " << diagonal;
        }
    }
}
