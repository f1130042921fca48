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

// Where the stand-in's descriptor keeps its one name, after its footer.
constexpr std::size_t NameAt = 0x220;

}  // namespace

class MdsImages : public DiscImages {
protected:
    // The stand-in's game.mds and game.mdf; returns the descriptor's bytes.
    std::string makeImage(int sectorSize = 2352)
    {
        hotaru::writeMds(archive, file("game.mds"), sectorSize);
        return readFile(file("game.mds"));
    }
    // The descriptor naming its image `name` (UTF-16 when `wide`), with the
    // image renamed to `onDisk`.
    void renamed(const std::string& name, bool wide, const std::string& onDisk)
    {
        std::string b = makeImage().substr(0, NameAt);
        put(b, hotaru::MdsFooterAt + 4, wide ? 1 : 0, 4);
        b += name;
        b.append(wide ? 2 : 1, '\0');
        writeFile(file("game.mds"), b);
        std::filesystem::rename(fsPath(file("game.mdf")), fsPath(file(onDisk)));
    }
    ImageFault refusal(const std::string& mds, std::string* message = nullptr)
    {
        return refusalOf("game.mds", mds, message);
    }
};

TEST_F(MdsImages, EverySectorSizeOpenedByItsDescriptorOrItsImage)
{
    hotaru::writeBinCue(archive, file("form1.cue"), hotaru::DataTrackMode::Mode2Form1);
    const std::string form1 = readFile(hotaru::trackFileName(file("form1.cue"), 1));
    for (const std::size_t size : {2048u, 2352u, 2448u}) {
        for (const bool mode2 : {false, true}) {
            SCOPED_TRACE(testing::Message() << size << (mode2 ? " mode 2 form 1" : " mode 1"));
            std::string mds = makeImage(static_cast<int>(size));
            if (mode2) {
                // 0xAC: raw sectors keep their user bytes after the subheader; cooked ones are as mode 1's.
                put(mds, hotaru::MdsBlocksAt + 3 * 80, 0xAC, 1);
                writeFile(file("game.mds"), mds);
                std::string sectors;
                for (std::size_t at = 0; size != 2048 && at < form1.size(); at += 2352)
                    sectors += form1.substr(at, 2352) + std::string(size - 2352, '\0');
                patch(file("game.mdf"), 0, sectors);
            }
            EXPECT_EQ(readAll(*openArchive(file("game.mds"))), archiveBytes);
            EXPECT_EQ(readAll(*openArchive(file("game.mdf")), 70'001), archiveBytes);
        }
    }
}

TEST_F(MdsImages, SectorsWithSubchannelAreCheckedLikeRawOnes)
{
    makeImage(2448);
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
    renamed("other name.mdf", false, "other name.mdf");
    EXPECT_EQ(readAll(*openArchive(file("game.mds"))), archiveBytes);

    // In UTF-16, as newer versions write it.
    renamed(std::string("\xDB\x30\xBF\x30\xEB\x30", 6) + ".\0m\0d\0f\0"s, true, "ホタル.mdf");
    EXPECT_EQ(readAll(*openArchive(file("game.mds"))), archiveBytes);

    // In Shift-JIS, as Japanese versions write it.
    renamed("\x83\x5C\x83\x74\x83\x67\x95\x5C.mdf", false, "ソフト表.mdf");
    EXPECT_EQ(readAll(*openArchive(file("game.mds"))), archiveBytes);
}

TEST_F(MdsImages, DamagedOrUnsupportedDescriptorsAreRefused)
{
    const std::string good = makeImage();
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
    EXPECT_EQ(refusal(with(hotaru::MdsSessionAt + 0x0A, 200, 1)), ImageFault::BadSheet);
    EXPECT_EQ(refusal(with(hotaru::MdsSessionAt + 0x14, 0x7FFFFFFF, 4)), ImageFault::BadSheet);
    EXPECT_EQ(refusal(with(hotaru::MdsFooterAt, 0x7FFFFFFF, 4)), ImageFault::BadSheet);
    // A data track of a mode the reader does not read, and none at all.
    EXPECT_EQ(refusal(with(hotaru::MdsBlocksAt + 3 * 80 + 0x10, 2336, 2)), ImageFault::NotSupported);
    EXPECT_EQ(refusal(with(hotaru::MdsBlocksAt + 3 * 80, 0xA9, 1)), ImageFault::NoDataTrack);
    // More sectors than the image file holds.
    EXPECT_EQ(refusal(with(hotaru::MdsExtraAt + 4, 0x00FFFFFF, 4)), ImageFault::TrackTooShort);
    std::filesystem::remove(fsPath(file("game.mdf")));
    EXPECT_EQ(refusal(good, &message), ImageFault::MissingTrackFile);
    EXPECT_NE(message.find("game.mdf"), std::string::npos) << message;
    // Version 2's own container.
    writeFile(file("game.mdx"), good);
    EXPECT_THROW(openArchive(file("game.mdx")), ImageError);
}
