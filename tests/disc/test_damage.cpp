// Damaged and unsupported images: a clear error, never a wrong byte.
#include "DiscTestSupport.h"

#include "disc/CdSector.h"
#include "disc/ImageError.h"

#include <random>

using namespace disctest;
using hotaru::disc::ImageError;
using hotaru::disc::ImageFault;
using hotaru::disc::openArchive;

namespace {

template <typename F>
ImageError imageError(F&& f)
{
    try {
        f();
    } catch (const ImageError& e) {
        return e;
    }
    ADD_FAILURE() << "no ImageError";
    return ImageError(ImageFault::Malformed, {}, {});
}

void patch(const std::string& path, std::int64_t at, const std::string& bytes)
{
    std::fstream f(fsPath(path), std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(at);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::uint64_t be64(const std::string& path, std::int64_t at)
{
    const std::string b = readPart(path, at, 8);
    std::uint64_t v = 0;
    for (const char c : b)
        v = v << 8 | static_cast<unsigned char>(c);
    return v;
}

// Reads the archive in pieces: each piece is right or fails for `file` with a
// checksum fault at an offset inside it. Returns how many failed.
int damagedPieces(hotaru::disc::ArchiveReader& r, const std::string& expected, const std::string& file,
                  std::size_t piece)
{
    int failures = 0;
    for (std::int64_t pos = 0; pos < r.size(); pos += static_cast<std::int64_t>(piece)) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(piece, r.size() - pos));
        try {
            EXPECT_EQ(bytesOf(r, pos, n), expected.substr(static_cast<std::size_t>(pos), n)) << "at " << pos;
        } catch (const ImageError& e) {
            EXPECT_EQ(e.fault(), ImageFault::ChecksumFailed);
            EXPECT_EQ(e.file(), file);
            EXPECT_GE(e.archiveOffset(), pos);
            EXPECT_LT(e.archiveOffset(), pos + static_cast<std::int64_t>(n));
            ++failures;
        }
    }
    return failures;
}

}  // namespace

class Damage : public DiscImages {};

TEST_F(Damage, AnImageWithoutTheArchive)
{
    if (!haveXorriso())
        GTEST_SKIP() << "xorriso is not installed (scripts/setup.sh installs it)";
    const std::string iso = xorrisoIso("other.iso", {"-J"}, "hotaru5");
    const ImageError e = imageError([&] { openArchive(iso); });
    EXPECT_EQ(e.fault(), ImageFault::NoArchive);
    EXPECT_EQ(e.file(), iso);
}

TEST_F(Damage, SheetsNamingMissingOrShortFiles)
{
    const std::string cue = file("game.cue");
    hotaru::writeBinCue(archive, cue);
    const std::string data = hotaru::trackFileName(cue, 1);

    // Cut inside a sector: found at once. Cut at a sector: found where the archive runs past it.
    std::filesystem::resize_file(fsPath(data), fileSize(data) - 1000);
    ImageError e = imageError([&] { openArchive(cue); });
    EXPECT_EQ(e.fault(), ImageFault::TrackTooShort);
    EXPECT_EQ(e.file(), data);
    std::filesystem::resize_file(fsPath(data), fileSize(data) / 2352 * 2352 - 2352 * 100);
    e = imageError([&] { openArchive(cue); });
    EXPECT_EQ(e.fault(), ImageFault::TrackTooShort);
    EXPECT_EQ(e.file(), data);
    // The archive's bytes up to the cut are there; the damage starts after them.
    EXPECT_GT(e.archiveOffset(), 0);
    EXPECT_LT(e.archiveOffset(), std::int64_t{ArchiveBytes});

    std::filesystem::remove(fsPath(data));
    e = imageError([&] { openArchive(cue); });
    EXPECT_EQ(e.fault(), ImageFault::MissingTrackFile);
    EXPECT_EQ(e.file(), data);
    EXPECT_NE(std::string(e.what()).find("(Track 1).bin"), std::string::npos);

    writeFile(file("audio.cue"), "FILE \"game (Track 2).bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    EXPECT_EQ(imageError([&] { openArchive(file("audio.cue")); }).fault(), ImageFault::NoDataTrack);
}

TEST_F(Damage, BinSectorWithAFlippedByte)
{
    const std::string cue = file("flipped.cue");
    hotaru::writeBinCue(archive, cue);
    const std::string data = hotaru::trackFileName(cue, 1);
    // A user byte of a sector in the middle of the track: inside the archive.
    const auto sector = static_cast<std::int64_t>(fileSize(data) / 2352 / 2);
    const std::int64_t at = sector * 2352 + 16 + 700;
    const std::string was = readPart(data, at, 1);
    patch(data, at, std::string(1, static_cast<char>(was[0] ^ 0x01)));

    EXPECT_EQ(damagedPieces(*openArchive(cue), archiveBytes, data, 65'536), 1);

    // Raw sectors written with no EDC at all are taken as they are.
    patch(data, at, was);
    patch(data, sector * 2352 + 2064, std::string(4, '\0'));
    EXPECT_EQ(readAll(*openArchive(cue)), archiveBytes);
}

// The EDC as the standard defines it, bit by bit: the fast one must agree.
TEST(Edc, AgreesWithTheBitwiseDefinition)
{
    std::mt19937 random(7);
    std::vector<std::uint8_t> bytes(2352);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(random());
    for (const std::size_t n : {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{8}, std::size_t{13},
                                std::size_t{2056}, std::size_t{2064}}) {
        std::uint32_t e = 0;
        for (std::size_t i = 0; i < n; ++i) {
            e ^= bytes[i];
            for (int k = 0; k < 8; ++k)
                e = (e >> 1) ^ ((e & 1) ? 0xD8018001u : 0);
        }
        EXPECT_EQ(hotaru::disc::edc(bytes.data(), n), e) << n << " bytes";
    }
}

TEST_F(Damage, ChdHunkWithAFlippedByte)
{
    if (!needChdman())
        GTEST_SKIP() << "chdman is not installed (scripts/setup.sh installs mame-tools)";
    const std::string copy = file("damaged.chd");
    std::filesystem::copy_file(fsPath(chd), fsPath(copy));
    // The hunks lie between the header and the map, which chdman writes last.
    const auto at = static_cast<std::int64_t>(be64(copy, 40) / 2);
    const std::string was = readPart(copy, at, 1);
    patch(copy, at, std::string(1, static_cast<char>(was[0] ^ 0x20)));

    const int failures = damagedPieces(*openArchive(copy), archiveBytes, copy, 50'000);
    EXPECT_GE(failures, 1);
    EXPECT_LE(failures, 2);  // one hunk: at most two pieces
}

TEST_F(Damage, ChdWithACodecThisProgramDoesNotKnow)
{
    if (!needChdman())
        GTEST_SKIP() << "chdman is not installed (scripts/setup.sh installs mame-tools)";
    const std::string copy = file("newer.chd");
    std::filesystem::copy_file(fsPath(chd), fsPath(copy));
    patch(copy, 16 + 4, "cdzs");
    const ImageError e = imageError([&] { openArchive(copy); });
    EXPECT_EQ(e.fault(), ImageFault::UnknownCodec);
    EXPECT_EQ(e.codec(), "cdzs");
    EXPECT_NE(std::string(e.what()).find("cdzs"), std::string::npos);

    patch(copy, 16 + 4, readPart(chd, 16 + 4, 4));
    patch(copy, 12, std::string("\0\0\0\4", 4));
    EXPECT_EQ(imageError([&] { openArchive(copy); }).fault(), ImageFault::NotSupported);
}

TEST_F(Damage, IsoTablesOutOfRange)
{
    const std::string iso = file("bad.iso");
    const auto damaged = [&](std::int64_t at, const std::string& bytes) {
        hotaru::writeIsoImage(archive, iso);
        patch(iso, at, bytes);
        return imageError([&] { openArchive(iso); }).fault();
    };
    constexpr std::int64_t Root = 20 * 2048, ArchiveRecord = Root + 34 + 34;
    // The archive's extent past the image's end; its name past its record; a
    // root folder claiming a gigabyte.
    EXPECT_EQ(damaged(ArchiveRecord + 2, std::string("\xFF\xFF\x00\x00", 4)), ImageFault::TrackTooShort);
    EXPECT_EQ(damaged(ArchiveRecord + 32, std::string(1, '\xC8')), ImageFault::Malformed);
    EXPECT_EQ(damaged(16 * 2048 + 156 + 10, std::string("\x00\x00\x00\x40", 4)), ImageFault::Malformed);
}
