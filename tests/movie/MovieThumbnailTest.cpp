#include "movie/MovieThumbnail.h"
#include "FilmClips.h"
#include "RequiredTools.h"
#include "movie/MovieStream.h"

#include "FileChecks.h"
#include "ScratchDirTest.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <stdexcept>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Archive : ArchivedMovie {
    using ArchivedMovie::ArchivedMovie;
    hotaru::Thumbnail thumbnail(int maxWidth = 160, int maxHeight = 120)
    {
        return hotaru::movieThumbnail(reader(), offset, size, maxWidth, maxHeight);
    }
};

// Mean and standard deviation of the picture's luma.
std::pair<double, double> brightness(const std::vector<std::uint8_t>& rgb)
{
    double sum = 0, squares = 0;
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
        const double y = 0.299 * rgb[i] + 0.587 * rgb[i + 1] + 0.114 * rgb[i + 2];
        sum += y, squares += y * y;
    }
    const double n = double(rgb.size() / 3), mean = sum / n;
    return {mean, std::sqrt(squares / n - mean * mean)};
}

}  // namespace

class MovieThumbnail : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        av_log_set_level(AV_LOG_QUIET);
        clips_ = freshScratchFolder("thumbnail-clips");
    }
    static void TearDownTestSuite() { fs::remove_all(clips_); }
    void SetUp() override
    {
        if (exitCode("command -v ffmpeg >/dev/null 2>&1") != 0)
            SKIP_UNLESS_REQUIRED("ffmpeg is needed to make FILM clips");
    }

    // 240x100 at 15 frames a second for 6 s, with stereo sound between the frames.
    static std::string wideClip()
    {
        const fs::path path = clips_ / "wide.cpk";
        EXPECT_TRUE(makeClip(path, 7, "6", "CLIP_SIZE=240x100"));
        return readFile(path.string());
    }
    // `black` seconds of black, then `pattern` seconds of a test pattern (none when 0), with sound.
    // With `fadeIn`, the black is the pattern fading in over that many seconds, cut off before it is done.
    static std::string blackThenPattern(int black, int pattern, int fadeIn = 0)
    {
        const fs::path path = clips_ / ("black" + std::to_string(black) + "-" + std::to_string(pattern) + "-" +
                                        std::to_string(fadeIn) + ".cpk");
        const auto lasting = [](int s) { return "size=160x120:rate=15:duration=" + std::to_string(s); };
        std::string command = "ffmpeg -nostdin -loglevel error -y -f lavfi -i ";
        command += fadeIn ? "testsrc=" + lasting(black) + ",fade=in:d=" + std::to_string(fadeIn)
                          : "color=black:" + lasting(black);
        if (pattern)
            command += " -f lavfi -i testsrc=" + lasting(pattern);
        command += " -f lavfi -i sine=sample_rate=22050:duration=" + std::to_string(black + pattern);
        command +=
            pattern ? " -filter_complex '[0:v][1:v]concat=n=2:v=1:a=0[v]' -map '[v]' -map 2:a" : " -map 0:v -map 1:a";
        command += " -ac 2 -c:a pcm_s16be_planar -pix_fmt rgb24 -c:v cinepak -f film_cpk " + shellQuoted(path.string());
        if (!fs::exists(path)) {
            EXPECT_EQ(exitCode(command), 0) << command;
        }
        return readFile(path.string());
    }

    static inline fs::path clips_;
};

TEST_F(MovieThumbnail, PicturesAMovieInsideTheArchive)
{
    const std::string film = wideClip();
    Archive archive(film);
    const hotaru::Thumbnail t = archive.thumbnail();
    ASSERT_FALSE(t.damaged);
    EXPECT_EQ(t.movieWidth, 240);
    EXPECT_EQ(t.movieHeight, 100);
    EXPECT_NEAR(t.frameRate, 15, 0.01);
    EXPECT_NEAR(t.seconds, 6, 0.07);
    // Shrunk to the box's width, with the movie's aspect; never enlarged.
    EXPECT_EQ(std::make_pair(t.width, t.height), std::make_pair(160, 67));
    const hotaru::Thumbnail low = archive.thumbnail(100, 20);
    EXPECT_EQ(std::make_pair(low.width, low.height), std::make_pair(48, 20));
    EXPECT_EQ(archive.thumbnail(1000, 1000).width, 240);

    // Also when the sample table marks no key frame to start from.
    std::string noKeys = film;
    for (int i = 0; i < 90; ++i)
        noKeys[sampleRecord(film, false, i) + 8] |= '\x80';
    Archive unmarked(noKeys);
    for (Archive* a : {&archive, &unmarked}) {
        const hotaru::Thumbnail p = a->thumbnail();
        ASSERT_EQ(p.rgb.size(), std::size_t(160 * 67 * 3));
        EXPECT_GT(brightness(p.rgb).second, 20);
        // Only what leads to a frame a third of the way in is read.
        EXPECT_GT(a->readUpTo(), 0) << "a read strayed outside the movie";
        EXPECT_LT(a->readUpTo(), a->size * 3 / 4);
    }

    // At the movie's own size it is the very picture the preview shows a
    // third of the way in.
    const hotaru::Thumbnail own = Archive(film).thumbnail(1000, 1000);
    ArchivedMovie played(film);
    hotaru::MovieStream stream(played.reader(), played.offset, played.size);
    std::vector<std::vector<std::uint8_t>> pictures;
    while (auto piece = stream.next())
        if (piece->kind == hotaru::MoviePiece::Kind::Picture)
            pictures.push_back(std::move(piece->rgb));
    ASSERT_EQ(pictures.size(), 90u);
    const auto same = std::find(pictures.begin(), pictures.end(), own.rgb) - pictures.begin();
    EXPECT_TRUE(same == 29 || same == 30) << "the preview's picture " << same;
}

TEST_F(MovieThumbnail, PassesOverBlankFrames)
{
    const hotaru::Thumbnail t = Archive(blackThenPattern(2, 2)).thumbnail();
    ASSERT_FALSE(t.damaged);
    EXPECT_GT(brightness(t.rgb).first, 40);
    EXPECT_GT(brightness(t.rgb).second, 20);

    // A fade dark but not black, under a tenth of the pattern's brightness
    // from a third of the way in to where the pattern cuts in, is passed over too.
    const hotaru::Thumbnail faded = Archive(blackThenPattern(3, 3, 30)).thumbnail();
    ASSERT_FALSE(faded.damaged);
    EXPECT_GT(brightness(faded.rgb).first, 40);
    EXPECT_GT(brightness(faded.rgb).second, 20);

    // With nothing better, a blank picture is still a picture.
    Archive black(blackThenPattern(4, 0));
    const hotaru::Thumbnail blank = black.thumbnail();
    ASSERT_FALSE(blank.damaged);
    ASSERT_EQ(blank.rgb.size(), std::size_t(160 * 120 * 3));
    EXPECT_LT(brightness(blank.rgb).first, 20);
    EXPECT_GE(black.readUpTo(), 0) << "a read strayed outside the movie";
}

TEST_F(MovieThumbnail, DamagedMoviesGiveNoPicture)
{
    const std::string film = wideClip();
    const auto check = [](Archive archive, bool headerKnown, const char* what) {
        const hotaru::Thumbnail t = archive.thumbnail();
        EXPECT_TRUE(t.damaged) << what;
        EXPECT_TRUE(t.rgb.empty() && t.width == 0 && t.height == 0) << what;
        EXPECT_EQ(t.movieWidth, headerKnown ? 240 : 0) << what;
        EXPECT_NEAR(t.seconds, headerKnown ? 6 : 0, 0.07) << what;
        EXPECT_GE(archive.readUpTo(), 0) << what << ": a read strayed outside the movie";
        return archive.readUpTo();
    };
    check(Archive(std::string(film.size(), '\0')), false, "zeros");
    Archive cut(film);
    cut.size /= 2;
    check(cut, true, "cut in half");
    Archive failing(film);
    failing.failFrom = 0;
    check(failing, false, "every read fails");
    failing.failFrom = failing.offset + be32(film, 4);
    check(failing, true, "the samples cannot be read");

    std::string patched = film;
    putBe32(patched, patched.find("STAB") + 12, 0xFFFFFF);
    EXPECT_LE(check(Archive(patched), false, "a sample table bigger than the header"), be32(film, 4))
        << "the table was read on past the header";
    // Bigger than any frame, though inside the range.
    patched = film + std::string(std::size_t(17) << 20, '\0');
    putBe32(patched, sampleRecord(patched, true, 3) + 4, 17u << 20);
    check(Archive(patched), true, "a 17 MiB sample");
    patched = film;
    for (int i = 0; i < 90; ++i)
        patched.replace(videoFrameAt(patched, i), 10, 10, '\0');
    check(Archive(patched), true, "frames zeroed");
}

TEST_F(MovieThumbnail, ArbitraryBytesStayInsideTheMovie)
{
    const std::string film = wideClip();
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        Archive archive(film);
        for (int i = 0; i < 12; ++i)
            archive.bytes[std::size_t(archive.offset) + random() % (round % 2 ? film.size() : 600)] = char(random());
        const hotaru::Thumbnail t = archive.thumbnail();
        EXPECT_EQ(t.rgb.size(), std::size_t(t.width * t.height * 3)) << "round " << round;
        EXPECT_GE(archive.readUpTo(), 0) << "round " << round;
    }
}
