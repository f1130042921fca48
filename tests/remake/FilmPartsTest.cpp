#include "movie/CinepakFrame.h"
#include "movie/FilmHeader.h"
#include "remake/FilmWriter.h"
#include "remake/QualityLadder.h"

#include <gtest/gtest.h>

#include <algorithm>

using hotaru::QualityLadder;

TEST(QualityLadder, GoesDownAsFarAsTheOverflowSaysAndNoFurther)
{
    const auto steps = QualityLadder::steps();
    ASSERT_GE(steps.size(), 5u);
    EXPECT_EQ(steps.front().percent, 100);
    for (std::size_t i = 1; i < steps.size(); ++i) {
        EXPECT_LT(steps[i].percent, steps[i - 1].percent);
        EXPECT_GE(steps[i].lambda, steps[i - 1].lambda);
        EXPECT_LT(steps[i].sizeRatio, steps[i - 1].sizeRatio);
    }
    // Barely over: the next step. Twice over: a step expected to make at
    // most half, but not one that makes much less.
    EXPECT_EQ(QualityLadder::next(0, 1010, 1000), 1);
    const int half = QualityLadder::next(0, 2000, 1000);
    EXPECT_LE(steps[std::size_t(half)].sizeRatio * 2000, 1000);
    EXPECT_GT(steps[std::size_t(half - 1)].sizeRatio * 2000, 920);
    // From a lower step the estimate starts from what that step makes.
    EXPECT_EQ(QualityLadder::next(half, 1010, 1000), half + 1);
    // Hopeless, or no room at all: straight to the lowest; below it, nothing.
    const int lowest = int(steps.size()) - 1;
    EXPECT_EQ(QualityLadder::next(0, 1'000'000, 1000), lowest);
    EXPECT_EQ(QualityLadder::next(2, 1000, -50), lowest);
    EXPECT_EQ(QualityLadder::next(lowest, 1010, 1000), -1);
}

TEST(FilmWriter, WritesAHeaderTheReaderTakesAndFramesPaddedAsTheOriginal)
{
    hotaru::FilmLayout layout;
    // FILM, length, "1.09", reserved; FDSC: cvid, 120 high, 160 wide, 24 bits,
    // two channels of 16 bits at 22050 Hz.
    layout.preamble = {'F', 'I', 'L', 'M', 0,  0, 0,  0,    '1',  '.',  '0', '9', 0, 0, 0, 0,
                       'F', 'D', 'S', 'C', 0,  0, 0,  0x20, 'c',  'v',  'i', 'd', 0, 0, 0, 120,
                       0,   0,   0,   160, 24, 2, 16, 0,    0x56, 0x22, 0,   0,   0, 0, 0, 0};
    layout.timeBase = 600;
    // A frame as the encoder makes it: 10-byte header, one 12-byte strip.
    std::vector<std::uint8_t> frame = {0, 0, 0, 22, 0, 160, 0, 120, 0, 1, 0x10, 0, 0, 12, 0, 0, 0, 0, 0, 120, 0, 160};

    for (const auto& [padding, shortBy] :
         {std::pair{std::vector<std::uint8_t>{0, 0}, 8u}, std::pair{std::vector<std::uint8_t>{}, 0u}}) {
        SCOPED_TRACE(padding.size());
        layout.framePadding = padding;
        layout.lengthShortBy = shortBy;
        hotaru::FilmWriter film(layout);
        const std::vector<std::uint8_t> sound(400, 0x11);
        film.addSound(sound);
        film.addPicture(frame, 0, 40, true);
        film.addPicture(frame, 40, 40, false);
        const std::int64_t size = film.size();
        EXPECT_EQ(size, std::int64_t(48 + 16 + 3 * 16 + 400 + 2 * (frame.size() + padding.size())));
        const std::vector<std::uint8_t> bytes = film.finish(std::size_t(size) + 100);
        ASSERT_EQ(bytes.size(), std::size_t(size) + 100);
        EXPECT_TRUE(std::all_of(bytes.begin() + size, bytes.end(), [](auto b) { return b == 0; }));

        const auto info = hotaru::readFilmHeader(bytes.data(), bytes.size(), size);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->headerSize, 48 + 16 + 3 * 16);
        EXPECT_EQ(info->width, 160);
        EXPECT_EQ(info->height, 120);
        EXPECT_EQ(info->audioChannels, 2);
        EXPECT_EQ(info->audioRate, 22050);
        EXPECT_EQ(info->frames, 2);
        EXPECT_EQ(info->durationTicks, 80);
        EXPECT_EQ(info->timeBase, 600);
        EXPECT_FALSE(info->samplesOutside);

        // The second record: the first frame, a key frame, after the sound.
        const std::uint8_t* record = bytes.data() + 64 + 16;
        EXPECT_EQ(record[8] & 0x80, 0);
        EXPECT_EQ(bytes[64 + 32 + 8] & 0x80, 0x80) << "the second frame is marked a key frame";
        const std::size_t at = std::size_t(info->headerSize) + 400;
        std::vector<std::uint8_t> stored(bytes.begin() + std::ptrdiff_t(at),
                                         bytes.begin() + std::ptrdiff_t(at + frame.size() + padding.size()));
        EXPECT_EQ(hotaru::filmPaddingSize(stored), int(padding.size()));
        EXPECT_EQ(hotaru::cinepakLengthField(stored), stored.size() - shortBy);
        // Undone as every reader undoes it, the frame is the encoder's again.
        hotaru::standardizeCinepakFrame(stored);
        EXPECT_EQ(stored, frame);
    }
}
