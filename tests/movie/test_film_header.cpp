// The FILM header reader on clips from make-film-clip.sh (15 frames a second,
// 22050 Hz sound, as ffprobe reads them) and on headers built by hand.
#include "RequiredTools.h"
#include "movie/FilmHeader.h"

#include "ScratchDirTest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

using namespace hotaru;

namespace {

using Bytes = std::vector<std::uint8_t>;

void putBe32(Bytes& b, std::size_t at, std::uint32_t v)
{
    for (std::size_t i = 0; i < 4; ++i)
        b.at(at + i) = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

// The header as a whole movie of `movieSize` bytes (default: just the header).
std::optional<FilmInfo> read(const Bytes& b, std::int64_t movieSize = -1)
{
    return readFilmHeader(b.data(), b.size(), movieSize < 0 ? std::int64_t(b.size()) : movieSize);
}

// A 1.09 header (version 0: the old 20-byte FDSC) with records of {time, duration}.
Bytes header(std::uint32_t base, const std::vector<std::pair<std::uint32_t, std::uint32_t>>& records,
             std::uint32_t version = 0x312E3039)
{
    const std::size_t table = version == 0 ? 36 : 48;
    Bytes b(table + 16 + 16 * records.size());
    const auto tag = [&](std::size_t at, const char* t) { std::copy(t, t + 4, b.begin() + at); };
    tag(0, "FILM"), tag(16, "FDSC"), tag(24, "cvid"), tag(table, "STAB");
    putBe32(b, 4, static_cast<std::uint32_t>(b.size()));
    putBe32(b, 8, version);
    putBe32(b, 28, 224);
    putBe32(b, 32, 320);
    putBe32(b, table + 8, base);
    putBe32(b, table + 12, static_cast<std::uint32_t>(records.size()));
    for (std::size_t i = 0; i < records.size(); ++i) {
        putBe32(b, table + 24 + 16 * i, records[i].first);
        putBe32(b, table + 28 + 16 * i, records[i].second);
    }
    return b;
}

constexpr std::uint32_t Sound = 0xFFFFFFFF;

}  // namespace

class FilmHeaderClips : public ScratchDirTest {};

TEST_F(FilmHeaderClips, ReadsWhatFfprobeReads)
{
    if (std::system("command -v ffmpeg >/dev/null") != 0)
        SKIP_UNLESS_REQUIRED("ffmpeg makes the clips");
    for (const auto& [env, seconds, width, height, channels] :
         {std::tuple{"", 2.0, 160, 120, 2}, std::tuple{"CLIP_CHANNELS=0 CLIP_SIZE=200x96", 1.4, 200, 96, 0}}) {
        const std::string path = file("clip.cpk"), command = std::string(env) + " sh '" HOTARU_CLIP_SCRIPT "' 7 '" +
                                                             path + "' " + std::to_string(seconds);
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        const std::string bytes = readFile(path);
        const std::optional<FilmInfo> info = read(Bytes(bytes.begin(), bytes.end()));
        ASSERT_TRUE(info) << env;
        EXPECT_FALSE(info->samplesOutside);
        EXPECT_EQ(std::tuple(info->width, info->height, info->videoCodec),
                  std::tuple(width, height, std::string("cvid")));
        EXPECT_EQ(info->audioChannels, channels);
        EXPECT_EQ(info->audioRate, channels ? 22050 : 0);
        EXPECT_EQ(info->frames, std::lround(seconds * 15));
        EXPECT_EQ(info->timeBase, 15);
        EXPECT_DOUBLE_EQ(info->seconds(), seconds);
        EXPECT_DOUBLE_EQ(info->frameRate(), 15);
        // The header alone is enough; any byte short of it is not.
        const Bytes head(bytes.begin(), bytes.begin() + info->headerSize);
        EXPECT_EQ(read(head)->durationTicks, info->durationTicks);
        for (std::size_t n = 0; n < head.size(); ++n)
            EXPECT_FALSE(readFilmHeader(head.data(), n, std::int64_t(bytes.size()))) << n;
    }
}

TEST(FilmHeader, ReadsSaturnClocksAndTheOldLayout)
{
    // 600 ticks a second, 25 a frame (24 frames a second), the top bit marking all but key frames.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> records;
    for (std::uint32_t i = 0; i < 1500; ++i)
        records.insert(records.end(), {{Sound, 1}, {i * 25 | (i % 10 ? 0x80000000 : 0), 25}});
    std::optional<FilmInfo> info = read(header(600, records));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->frames, 1500);
    EXPECT_DOUBLE_EQ(info->frameRate(), 24);
    EXPECT_EQ(lengthText(info->seconds()), "1:03");  // 62.5 s

    // Version 0 has no sound fields: its players assume 8-bit mono at 22050 Hz.
    info = read(header(10, {{0, 5}, {Sound, 1}, {5, 5}}, 0));
    ASSERT_TRUE(info);
    EXPECT_EQ(std::tuple(info->audioChannels, info->audioBits, info->audioRate), std::tuple(1, 8, 22050));
    EXPECT_DOUBLE_EQ(info->seconds(), 1);
    EXPECT_EQ(info->headerSize, 36 + 16 + 3 * 16);
}

TEST(FilmHeader, RefusesDamageAndLeavesUnknownLengthsUnknown)
{
    const Bytes good = header(15, {{0, 1}, {Sound, 1}, {1, 1}});
    ASSERT_TRUE(read(good));
    // Wrong tags, a length that cannot be a header's or is past the bytes
    // given, a count past the header, a clock past 31 bits, a giant picture.
    for (const auto& [at, value] : {std::pair{0, 0x46494C6Du},
                                    {16, 0u},
                                    {48, 0u},
                                    {4, 51u},
                                    {4, 0x400001u},
                                    {4, 113u},
                                    {60, 4u},
                                    {60, 0xFFFFFFFFu},
                                    {56, 0x80000000u},
                                    {32, 4097u}}) {
        Bytes b = good;
        putBe32(b, at, value);
        EXPECT_FALSE(read(b)) << at << " " << value;
    }
    Bytes shortFor109 = good;
    putBe32(shortFor109, 4, 52);  // room for an old FDSC only
    EXPECT_FALSE(read(shortFor109));

    // No clock, or no pictures: a header all the same, of unknown length.
    for (const Bytes& b : {header(0, {{0, 1}, {1, 1}}), header(15, {{Sound, 1}, {Sound, 1}})}) {
        ASSERT_TRUE(read(b));
        EXPECT_EQ(read(b)->frameRate(), 0);
        EXPECT_EQ(lengthText(read(b)->seconds()), "-:--");
    }
    // A sample past the movie's end, or bigger than any can be: the header
    // reads, the movie is damaged from there.
    EXPECT_FALSE(read(good)->samplesOutside);
    for (const auto& [at, value] :
         {std::pair{48 + 16 + 16, 1u}, {48 + 16 + 4, 1u}, {48 + 16 + 16 + 4, MaxSampleSize + 1}}) {
        Bytes b = good;
        putBe32(b, at, value);
        ASSERT_TRUE(read(b)) << at;
        EXPECT_TRUE(read(b)->samplesOutside) << at << " " << value;
        EXPECT_FALSE(read(b, std::int64_t(b.size()) + MaxSampleSize + 16)->samplesOutside != (value > MaxSampleSize))
            << at;
    }
    // A header longer than its movie is not one, and is never read whole.
    EXPECT_FALSE(read(good, std::int64_t(good.size()) - 1));
    std::vector<std::size_t> reads;
    const auto counted = [&](std::int64_t at, void* buffer, std::size_t n) {
        reads.push_back(n);
        std::copy_n(good.begin() + at, n, static_cast<std::uint8_t*>(buffer));
    };
    EXPECT_FALSE(readFilmHeader(counted, std::int64_t(good.size()) - 1));
    EXPECT_EQ(reads, std::vector<std::size_t>{8});
    EXPECT_EQ(readFilmHeader(counted, std::int64_t(good.size()))->frames, 2);

    // Durations as long as the field holds add up without wrapping.
    EXPECT_EQ(read(header(1, {{0, Sound - 1}, {1, Sound - 1}}))->durationTicks, 2 * std::int64_t{Sound - 1});
}

TEST(FilmHeader, LengthTextRoundsToTheSecond)
{
    for (const auto& [seconds, text] : {std::pair{0.4, "0:00"},
                                        {0.5, "0:01"},
                                        {59.5, "1:00"},
                                        {754.0, "12:34"},
                                        {3600.0, "60:00"},
                                        {0.0, "-:--"},
                                        {-3.0, "-:--"},
                                        {1e300, "-:--"},
                                        {std::numeric_limits<double>::quiet_NaN(), "-:--"}})
        EXPECT_EQ(lengthText(seconds), text) << seconds;
}
