// Nero images (.nrg): the sectors first, then chunks that describe them, and a
// footer pointing at the chunks.
#include "DiscTestSupport.h"

#include "disc/ImageError.h"
#include "disc/Nrg.h"

using namespace disctest;
using hotaru::disc::ImageError;
using hotaru::disc::ImageFault;
using hotaru::disc::openArchive;

namespace {

std::string chunk(const std::string& id, const std::string& body) { return id + be(body.size(), 4) + body; }

struct Track {
    int mode;  // Nero's code: 0x00 mode 1 of 2048 bytes, 0x05 raw mode 1, 0x06 raw mode 2, 0x07 sound...
    std::uint64_t sectorSize, start, end;
};

// A disc-at-once chunk (DAOX, or DAOI with 32-bit offsets) for `tracks`.
std::string dao(const std::vector<Track>& tracks, bool wide)
{
    const std::size_t w = wide ? 8 : 4;
    std::string body = be(0, 4) + std::string(13, '\0') + '\0' + be(0, 2) + be(1, 1) + be(tracks.size(), 1);
    for (const Track& t : tracks)
        body += std::string(12, '\0') + be(t.sectorSize, 2) + be(static_cast<std::uint64_t>(t.mode), 1) +
                std::string(3, '\0') + be(t.start, w) + be(t.start, w) + be(t.end, w);
    return chunk(wide ? "DAOX" : "DAOI", body);
}

// An image of `sectors` followed by `chunks`, the END! chunk and the footer.
std::string image(const std::string& sectors, const std::string& chunks, bool version2 = true)
{
    const std::uint64_t at = sectors.size();
    return sectors + chunks + chunk("END!", "") + (version2 ? "NER5" + be(at, 8) : "NERO" + be(at, 4));
}

}  // namespace

class NrgImages : public DiscImages {
protected:
    std::string raw, audio, cooked;
    void SetUp() override
    {
        DiscImages::SetUp();
        const std::string cue = file("made.cue");
        hotaru::writeBinCue(archive, cue);
        raw = readFile(hotaru::trackFileName(cue, 1));
        audio = readFile(hotaru::trackFileName(cue, 2));
        hotaru::writeIsoImage(archive, file("made.iso"));
        cooked = readFile(file("made.iso"));
    }
    // Writes `bytes` as game.nrg and reads the archive from it.
    std::string readAs(const std::string& bytes, const std::string& name = "game.nrg")
    {
        writeFile(file(name), bytes);
        return readAll(*openArchive(file(name)));
    }
    ImageFault refusal(const std::string& bytes, std::string* message = nullptr)
    {
        return refusalOf("bad.nrg", bytes, message);
    }
};

TEST_F(NrgImages, DiscAtOnceInRawAndCookedSectorsBothVersions)
{
    const std::uint64_t r = raw.size(), c = cooked.size();
    EXPECT_EQ(readAs(image(raw, chunk("CUEX", std::string(32, '\0')) + dao({{0x05, 2352, 0, r}}, true))), archiveBytes);
    EXPECT_EQ(readAs(image(cooked, dao({{0x00, 2048, 0, c}}, true))), archiveBytes);
    // Version 1: a NERO footer and 32-bit offsets.
    EXPECT_EQ(readAs(image(cooked, dao({{0x00, 2048, 0, c}}, false), false)), archiveBytes);
    // The sound first, the data track second; found by content under any name.
    const std::uint64_t a = audio.size();
    EXPECT_EQ(readAs(image(audio + raw, dao({{0x07, 2352, 0, a}, {0x05, 2352, a, a + r}}, true)), "game.bin"),
              archiveBytes);
    // Raw mode 2 form 1, whose user bytes lie after the subheader.
    hotaru::writeBinCue(archive, file("form1.cue"), hotaru::DataTrackMode::Mode2Form1);
    const std::string form1 = readFile(hotaru::trackFileName(file("form1.cue"), 1));
    EXPECT_EQ(readAs(image(form1, dao({{0x06, 2352, 0, form1.size()}}, true))), archiveBytes);
}

TEST_F(NrgImages, TrackAtOnceEntries)
{
    const std::uint64_t r = raw.size();
    const std::string etn2 = be(0, 8) + be(r, 8) + be(0x05, 4) + be(0, 4) + be(0, 4);
    EXPECT_EQ(readAs(image(raw, chunk("ETN2", etn2))), archiveBytes);
    const std::string etnf = be(0, 4) + be(r, 4) + be(0x05, 4) + be(0, 4) + be(0, 4);
    EXPECT_EQ(readAs(image(raw, chunk("ETNF", etnf), false)), archiveBytes);
}

TEST_F(NrgImages, DamagedChunksAreRefusedWithinTheFile)
{
    const std::uint64_t r = raw.size();
    const std::string good = image(raw, dao({{0x05, 2352, 0, r}}, true));
    std::string message;
    // The footer points past the end; a chunk runs past it; no END!.
    std::string past = good;
    past.replace(past.size() - 8, 8, be(good.size() + 100, 8));
    EXPECT_EQ(refusal(past), ImageFault::BadSheet);
    EXPECT_EQ(refusal(raw + "DAOX" + be(0x7FFFFFF0, 4) + "NER5" + be(r, 8)), ImageFault::BadSheet);
    EXPECT_EQ(refusal(raw + dao({{0x05, 2352, 0, r}}, true) + "NER5" + be(r, 8)), ImageFault::BadSheet);
    // A track outside the file, sectors its mode does not have, a mode not read.
    EXPECT_EQ(refusal(image(raw, dao({{0x05, 2352, 0, r * 4}}, true)), &message), ImageFault::BadSheet);
    EXPECT_NE(message.find("outside the file"), std::string::npos) << message;
    EXPECT_EQ(refusal(image(raw, dao({{0x05, 2048, 0, r}}, true))), ImageFault::BadSheet);
    EXPECT_EQ(refusal(image(raw, dao({{0x03, 2336, 0, r}}, true))), ImageFault::NotSupported);
    EXPECT_EQ(refusal(image(raw, dao({{0x07, 2352, 0, r}}, true))), ImageFault::NoDataTrack);
    // A track list larger than any real one is not read into memory.
    EXPECT_EQ(refusal(raw + std::string(2 << 20, 'x') + "NER5" + be(r, 8)), ImageFault::BadSheet);
    // Under another name, a file that only ends as one does is no Nero image.
    const std::string lookalike = std::string(3 << 20, 'x') + "NER5" + be(1024, 8);
    writeFile(file("hotaru4"), lookalike);
    EXPECT_EQ(openArchive(file("hotaru4"))->size(), static_cast<std::int64_t>(lookalike.size()));
}
