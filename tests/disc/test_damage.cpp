// Damaged and unsupported images: a clear error, never a wrong byte.
#include "DiscTestSupport.h"

#include "disc/CdSector.h"
#include "disc/ImageError.h"

#include <numeric>
#include <random>
#include <tuple>

#ifndef _WIN32
#include <sys/resource.h>
#endif

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

// The process's peak resident memory in bytes, -1 where it cannot be told.
std::int64_t peakMemory()
{
#ifdef _WIN32
    return -1;
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::int64_t>(usage.ru_maxrss) * 1024;
#endif
}

std::uint64_t be64(const std::string& path, std::int64_t at)
{
    const std::string b = readPart(path, at, 8);
    std::uint64_t v = 0;
    for (const char c : b)
        v = v << 8 | static_cast<unsigned char>(c);
    return v;
}

// Reads the archive in pieces: each piece is right or fails for `file` with
// `fault` at an offset inside it. Returns how many failed.
int damagedPieces(hotaru::disc::ArchiveReader& r, const std::string& expected, const std::string& file,
                  std::size_t piece, ImageFault fault = ImageFault::ChecksumFailed)
{
    int failures = 0;
    for (std::int64_t pos = 0; pos < r.size(); pos += static_cast<std::int64_t>(piece)) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(piece, r.size() - pos));
        try {
            EXPECT_EQ(bytesOf(r, pos, n), expected.substr(static_cast<std::size_t>(pos), n)) << "at " << pos;
        } catch (const ImageError& e) {
            EXPECT_EQ(e.fault(), fault) << e.what();
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
    NEEDS_XORRISO();
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
    using hotaru::DataTrackMode;
    constexpr auto Checksum = ImageFault::ChecksumFailed;
    for (const auto& [mode, user, edcAt] :
         {std::tuple{DataTrackMode::Mode1, 16, 2064}, std::tuple{DataTrackMode::Mode2Form1, 24, 2072}}) {
        SCOPED_TRACE(user == 16 ? "mode 1" : "mode 2 form 1");
        const std::string cue = file("flipped.cue");
        hotaru::writeBinCue(archive, cue, mode);
        const std::string data = hotaru::trackFileName(cue, 1);
        // A sector in the middle of the track: inside the archive.
        const auto sector = static_cast<std::int64_t>(fileSize(data) / 2352 / 2) * 2352;
        // How many pieces fail with the sector's bytes at `offsets` xor `mask`;
        // the bytes are mended afterwards.
        const auto failures = [&](std::vector<int> offsets, int mask, ImageFault fault) {
            std::vector<std::string> was;
            for (const int at : offsets) {
                was.push_back(readPart(data, sector + at, 1));
                patch(data, sector + at, std::string(1, static_cast<char>(was.back()[0] ^ mask)));
            }
            const int n = damagedPieces(*openArchive(cue), archiveBytes, data, 65'536, fault);
            for (std::size_t i = 0; i < offsets.size(); ++i)
                patch(data, sector + offsets[i], was[i]);
            return n;
        };
        // The EDC covers every user byte, and itself.
        EXPECT_EQ(failures({user + 700}, 0x01, Checksum), 1);
        EXPECT_EQ(failures({user}, 0x80, Checksum), 1);
        EXPECT_EQ(failures({user + 2047}, 0x80, Checksum), 1);
        EXPECT_EQ(failures({edcAt + 3}, 0x10, Checksum), 1);
        // Parity is not checked: damage there alone leaves the user bytes right.
        EXPECT_EQ(failures({2076, 2200, 2248, 2351}, 0xFF, Checksum), 0);
        // A header naming the other mode would move the EDC (and so skip it).
        EXPECT_EQ(failures({15, user + 700}, 0x03, ImageFault::Malformed), 1);
        if (mode == DataTrackMode::Mode2Form1) {
            // The subheader is covered too; one copy marking the sector form
            // 2, whose EDC lies elsewhere, must not turn the check off.
            EXPECT_EQ(failures({17}, 0x01, Checksum), 1);
            EXPECT_EQ(failures({18, user + 700}, 0x20, Checksum), 1);
            EXPECT_EQ(failures({22, user + 700}, 0x20, Checksum), 1);
            EXPECT_EQ(failures({18, 22}, 0x20, ImageFault::NotSupported), 1);
        }
        EXPECT_EQ(readAll(*openArchive(cue)), archiveBytes);

        // Raw sectors written with no EDC at all are taken as they are.
        patch(data, sector + edcAt, std::string(4, '\0'));
        EXPECT_EQ(readAll(*openArchive(cue)), archiveBytes);
    }
}

// A sheet naming the other mode would shift every byte: refused at the first sector read.
TEST_F(Damage, SheetNamingTheOtherMode)
{
    using hotaru::DataTrackMode;
    for (const auto& [mode, claimed, found] : {std::tuple{DataTrackMode::Mode2Form1, "MODE1/2352", "a mode 2 sector"},
                                               std::tuple{DataTrackMode::Mode1, "MODE2/2352", "a mode 1 sector"}}) {
        SCOPED_TRACE(claimed);
        hotaru::writeBinCue(archive, file("disc.cue"), mode);
        const std::string sheet = file("wrong.cue");
        writeFile(sheet, std::string("FILE \"disc (Track 1).bin\" BINARY\n  TRACK 01 ") + claimed +
                             "\n    INDEX 01 00:00:00\n");
        const ImageError e = imageError([&] { openArchive(sheet); });
        EXPECT_EQ(e.fault(), ImageFault::Malformed);
        EXPECT_EQ(e.file(), hotaru::trackFileName(file("disc.cue"), 1));
        EXPECT_NE(std::string(e.what()).find(found), std::string::npos) << e.what();
    }
}

// The EDC as the standard defines it, bit by bit: the fast one must agree.
TEST(Edc, AgreesWithTheBitwiseDefinition)
{
    std::mt19937 random(7);
    std::vector<std::uint8_t> bytes(2352);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(random());
    // Every length to a few blocks past the 64 bytes folded at a time, and the
    // two a sector has, from each alignment.
    std::vector<std::size_t> lengths(300);
    std::iota(lengths.begin(), lengths.end(), 0);
    lengths.insert(lengths.end(), {2056, 2064, 2335});
    for (const std::size_t from : {0, 1, 3, 8})
        for (const std::size_t n : lengths) {
            std::uint32_t e = 0;
            for (std::size_t i = from; i < from + n; ++i) {
                e ^= bytes[i];
                for (int k = 0; k < 8; ++k)
                    e = (e >> 1) ^ ((e & 1) ? 0xD8018001u : 0);
            }
            EXPECT_EQ(hotaru::disc::edc(bytes.data() + from, n), e) << n << " bytes from " << from;
        }
}

TEST_F(Damage, ChdHunkWithAFlippedByte)
{
    NEEDS_CHDMAN();
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

// The map is checked as a whole when the image is opened: damage to it
// would send every later hunk to the wrong bytes or checksum.
TEST_F(Damage, ChdMapFailingItsChecksum)
{
    NEEDS_CHDMAN();
    const std::string copy = file("map.chd");
    const auto map = static_cast<std::int64_t>(be64(chd, 40));
    const auto mapBytes = static_cast<std::int64_t>(be64(chd, map) >> 32);
    ASSERT_GT(mapBytes, 100);
    // The checksum the map header stores; a byte amid the hunks' lengths and
    // checksums, which still decodes, to other entries.
    for (const std::int64_t at : {map + 10, map + 11, map + 16 + mapBytes / 2, map + 16 + mapBytes - 2}) {
        SCOPED_TRACE(at - map);
        std::filesystem::copy_file(fsPath(chd), fsPath(copy), std::filesystem::copy_options::overwrite_existing);
        patch(copy, at, std::string(1, static_cast<char>(readPart(chd, at, 1)[0] ^ 0x04)));
        const ImageError e = imageError([&] { openArchive(copy); });
        EXPECT_EQ(e.fault(), ImageFault::Malformed);
        EXPECT_EQ(e.file(), copy);
        EXPECT_NE(std::string(e.what()).find("its map is damaged (its checksum does not match)"), std::string::npos)
            << e.what();
    }
}

// Counts and sizes a header or map claims are weighed against the file and
// a CD's size before anything is allocated for them.
TEST_F(Damage, ChdTablesClaimingMoreThanTheFileHolds)
{
    NEEDS_CHDMAN();
    const std::string copy = file("claims.chd");
    const auto fileBytes = static_cast<std::uint64_t>(std::filesystem::file_size(fsPath(chd)));
    const std::uint64_t hunkBytes = be64(chd, 56) >> 32;
    const auto map = static_cast<std::int64_t>(be64(chd, 40));
    const auto bigEndian = [](std::uint64_t v, int n) {
        std::string b(static_cast<std::size_t>(n), '\0');
        for (int i = 0; i < n; ++i)
            b[static_cast<std::size_t>(n - 1 - i)] = static_cast<char>(v >> (8 * i));
        return b;
    };
    const std::int64_t peakBefore = peakMemory();
    // As many hunks as a bit each of the file would allow; a map of 4 GB.
    for (const auto& [at, bytes] : {std::pair{std::int64_t{32}, bigEndian(fileBytes * 8 * hunkBytes, 8)},
                                    std::pair{map, bigEndian(0xFFFFFFF0, 4)}}) {
        SCOPED_TRACE(at);
        std::filesystem::copy_file(fsPath(chd), fsPath(copy), std::filesystem::copy_options::overwrite_existing);
        patch(copy, at, bytes);
        EXPECT_EQ(imageError([&] { openArchive(copy); }).fault(), ImageFault::Malformed);
    }
    if (peakBefore >= 0) {
        EXPECT_LT(peakMemory() - peakBefore, std::int64_t{64} << 20) << "bytes more at the peak";
    }
}

TEST_F(Damage, ChdWithACodecThisProgramDoesNotKnow)
{
    NEEDS_CHDMAN();
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
