// Alcohol 120% / 52% images: a .mds descriptor (version 1) and its .mdf.
#include "DiscTestSupport.h"

#include "disc/ImageError.h"
#include "disc/Mds.h"

#include <cstring>

using namespace disctest;
using hotaru::disc::ImageError;
using hotaru::disc::ImageFault;
using hotaru::disc::openArchive;
using namespace std::string_literals;

namespace {

void put(std::string& b, std::size_t at, std::uint64_t v, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Where the parts of the descriptor below lie.
constexpr std::size_t SessionAt = 0x58, BlocksAt = 0x70, ExtraAt = 0x200, FooterAt = 0x210, NameAt = 0x220;

// A descriptor as Alcohol writes one for a data track of `dataSectors` sectors
// of `sectorSize` bytes and an audio track after it, both in one image file.
std::string descriptor(std::size_t sectorSize, std::int64_t dataSectors, std::int64_t audioSectors,
                       const std::string& name, bool wide)
{
    std::string b(NameAt, '\0');
    b.replace(0, 16, "MEDIA DESCRIPTOR");
    put(b, 0x10, 1, 1);
    put(b, 0x11, 3, 1);
    put(b, 0x14, 1, 2);  // one session
    put(b, 0x50, SessionAt, 4);
    put(b, SessionAt + 0x00, static_cast<std::uint32_t>(-150), 4);
    put(b, SessionAt + 0x04, static_cast<std::uint64_t>(dataSectors + audioSectors), 4);
    put(b, SessionAt + 0x08, 1, 2);
    put(b, SessionAt + 0x0A, 5, 1);  // A0, A1, A2, then the two tracks
    put(b, SessionAt + 0x0B, 3, 1);
    put(b, SessionAt + 0x0C, 1, 2);
    put(b, SessionAt + 0x0E, 2, 2);
    put(b, SessionAt + 0x14, BlocksAt, 4);
    const int points[] = {0xA0, 0xA1, 0xA2, 1, 2};
    for (int k = 0; k < 5; ++k) {
        const std::size_t at = BlocksAt + static_cast<std::size_t>(k) * 80;
        put(b, at + 4, static_cast<std::uint64_t>(points[k]), 1);
        if (points[k] > 99)
            continue;
        const bool data = points[k] == 1;
        put(b, at + 0, data ? 0xAA : 0xA9, 1);
        put(b, at + 1, sectorSize == 2448 ? 8 : 0, 1);
        put(b, at + 2, data ? 0x14 : 0x10, 1);
        put(b, at + 0x0C, ExtraAt + (data ? 0 : 8), 4);
        put(b, at + 0x10, sectorSize, 2);
        put(b, at + 0x24, static_cast<std::uint64_t>(data ? 0 : dataSectors), 4);
        put(b, at + 0x28, static_cast<std::uint64_t>(data ? 0 : dataSectors * static_cast<std::int64_t>(sectorSize)),
            8);
        put(b, at + 0x30, 1, 4);
        put(b, at + 0x34, FooterAt, 4);
    }
    put(b, ExtraAt + 4, static_cast<std::uint64_t>(dataSectors), 4);
    put(b, ExtraAt + 12, static_cast<std::uint64_t>(audioSectors), 4);
    put(b, FooterAt, NameAt, 4);
    put(b, FooterAt + 4, wide ? 1 : 0, 4);
    b += name;
    b.append(wide ? 2 : 1, '\0');
    return b;
}

}  // namespace

class MdsImages : public DiscImages {
protected:
    // The stand-in's tracks as an .mdf of `sectorSize` sectors (2448: each raw
    // sector followed by 96 bytes of subchannel); returns its descriptor.
    std::string makeImage(std::size_t sectorSize, const std::string& mdf, const std::string& name = "*.mdf",
                          bool wide = false)
    {
        std::string data, audio;
        if (sectorSize == 2048) {
            hotaru::writeIsoImage(archive, file("cooked.iso"));
            data = readFile(file("cooked.iso"));
            audio = std::string(2048 * 150, '\0');
        } else {
            const std::string cue = file("made.cue");
            hotaru::writeBinCue(archive, cue);
            data = readFile(hotaru::trackFileName(cue, 1));
            audio = readFile(hotaru::trackFileName(cue, 2));
        }
        const auto withSubchannel = [&](const std::string& raw) {
            if (sectorSize != 2448)
                return raw;
            std::string out;
            for (std::size_t at = 0; at < raw.size(); at += 2352)
                out += raw.substr(at, 2352) + std::string(96, '\x5A');
            return out;
        };
        const std::size_t rawSize = sectorSize == 2048 ? 2048 : 2352;
        writeFile(file(mdf), withSubchannel(data) + withSubchannel(audio));
        return descriptor(sectorSize, static_cast<std::int64_t>(data.size() / rawSize),
                          static_cast<std::int64_t>(audio.size() / rawSize), name, wide);
    }
    ImageFault refusal(const std::string& mds, std::string* message = nullptr)
    {
        writeFile(file("game.mds"), mds);
        try {
            openArchive(file("game.mds"));
        } catch (const ImageError& e) {
            if (message)
                *message = e.what();
            return e.fault();
        }
        ADD_FAILURE() << "opened";
        return ImageFault::NoArchive;
    }
};

TEST_F(MdsImages, EverySectorSizeOpenedByItsDescriptorOrItsImage)
{
    for (const std::size_t size : {2048u, 2352u, 2448u}) {
        SCOPED_TRACE(size);
        writeFile(file("game.mds"), makeImage(size, "game.mdf"));
        EXPECT_EQ(readAll(*openArchive(file("game.mds"))), archiveBytes);
        EXPECT_EQ(readAll(*openArchive(file("game.mdf")), 70'001), archiveBytes);
    }
}

TEST_F(MdsImages, SectorsWithSubchannelAreCheckedLikeRawOnes)
{
    writeFile(file("game.mds"), makeImage(2448, "game.mdf"));
    // A user byte of the volume descriptor (sector 16): the sector's EDC finds it.
    patch(file("game.mdf"), 16 * 2448 + 16 + 100, "\xFF");
    try {
        openArchive(file("game.mds"));
        FAIL() << "a damaged sector was read";
    } catch (const ImageError& e) {
        EXPECT_EQ(e.fault(), ImageFault::ChecksumFailed) << e.what();
    }
}

TEST_F(MdsImages, TheImageFileByEveryKindOfName)
{
    // A name of its own, in the descriptor's folder.
    writeFile(file("game.mds"), makeImage(2352, "other name.mdf", "other name.mdf"));
    EXPECT_EQ(readAll(*openArchive(file("game.mds"))), archiveBytes);

    // In UTF-16, as newer versions write it.
    const std::string u16 = std::string("\xDB\x30\xBF\x30\xEB\x30", 6) + ".\0m\0d\0f\0"s;  // ホタル.mdf
    writeFile(file("game.mds"), makeImage(2352, "ホタル.mdf", u16, true));
    EXPECT_EQ(readAll(*openArchive(file("game.mds"))), archiveBytes);

    // In Shift-JIS, as Japanese versions write it.
    writeFile(file("game.mds"), makeImage(2352, "ソフト表.mdf", "\x83\x5C\x83\x74\x83\x67\x95\x5C.mdf"));
    EXPECT_EQ(readAll(*openArchive(file("game.mds"))), archiveBytes);
}

TEST_F(MdsImages, DamagedOrUnsupportedDescriptorsAreRefused)
{
    const std::string good = makeImage(2352, "game.mdf");
    const auto with = [&](std::size_t at, std::uint64_t v, std::size_t n) {
        std::string b = good;
        put(b, at, v, n);
        return b;
    };
    std::string message;
    EXPECT_EQ(refusal(with(0x10, 2, 1), &message), ImageFault::NotSupported);
    EXPECT_NE(message.find("version 2"), std::string::npos) << message;
    EXPECT_EQ(refusal(good.substr(0, 0x40)), ImageFault::BadSheet);
    EXPECT_EQ(refusal(with(0x50, 0xFFFFFFF0, 4)), ImageFault::BadSheet);
    EXPECT_EQ(refusal(with(SessionAt + 0x0A, 200, 1)), ImageFault::BadSheet);
    EXPECT_EQ(refusal(with(SessionAt + 0x14, 0x7FFFFFFF, 4)), ImageFault::BadSheet);
    EXPECT_EQ(refusal(with(FooterAt, 0x7FFFFFFF, 4)), ImageFault::BadSheet);
    // A data track of a mode the reader does not read, and none at all.
    EXPECT_EQ(refusal(with(BlocksAt + 3 * 80 + 0x10, 2336, 2)), ImageFault::NotSupported);
    EXPECT_EQ(refusal(with(BlocksAt + 3 * 80, 0xA9, 1)), ImageFault::NoDataTrack);
    // More sectors than the image file holds.
    EXPECT_EQ(refusal(with(ExtraAt + 4, 0x00FFFFFF, 4)), ImageFault::TrackTooShort);
    std::filesystem::remove(fsPath(file("game.mdf")));
    EXPECT_EQ(refusal(good, &message), ImageFault::MissingTrackFile);
    EXPECT_NE(message.find("game.mdf"), std::string::npos) << message;
    // Version 2's own container.
    writeFile(file("game.mdx"), good);
    EXPECT_THROW(openArchive(file("game.mdx")), ImageError);
}
