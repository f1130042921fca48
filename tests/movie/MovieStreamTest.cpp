#include "movie/MovieStream.h"
#include "FilmClips.h"
#include "RequiredTools.h"

#include "FileChecks.h"
#include "ScratchDirTest.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace fs = std::filesystem;

namespace {

// Everything a stream hands out, in order.
struct Played {
    std::vector<hotaru::MoviePiece> pictures;
    std::vector<double> soundTimes;
    std::vector<std::int16_t> sound;  // the channels interleaved
};

Played playOut(hotaru::MovieStream& stream)
{
    Played p;
    while (auto piece = stream.next()) {
        if (piece->kind == hotaru::MoviePiece::Kind::Picture) {
            p.pictures.push_back(std::move(*piece));
        } else {
            p.soundTimes.push_back(piece->time);
            p.sound.insert(p.sound.end(), piece->samples.begin(), piece->samples.end());
        }
    }
    return p;
}

// The picture's pixel at (x, y) of a `width`-wide RGB picture.
std::array<int, 3> pixel(const std::vector<std::uint8_t>& rgb, int width, int x, int y)
{
    const std::size_t at = (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3;
    return {rgb.at(at), rgb.at(at + 1), rgb.at(at + 2)};
}

}  // namespace

class MovieStream : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        av_log_set_level(AV_LOG_QUIET);
        clips_ = freshScratchFolder("stream-clips");
    }
    static void TearDownTestSuite() { fs::remove_all(clips_); }
    void SetUp() override
    {
        if (exitCode("command -v ffmpeg >/dev/null 2>&1") != 0)
            SKIP_UNLESS_REQUIRED("ffmpeg is needed to make FILM clips");
    }
    // Movie 3 for 4 s: a lime box at (111, 69), 40 pixels a side; stereo 16-bit sound.
    static std::string clip(const std::string& env = {})
    {
        const fs::path path = clips_ / ("three" + std::to_string(std::hash<std::string>()(env)) + ".cpk");
        EXPECT_TRUE(makeClip(path, 3, "4", env));
        return readFile(path.string());
    }
    static inline fs::path clips_;
};

TEST_F(MovieStream, PlaysEveryFrameAndAllTheSoundInOrder)
{
    for (const char* env : {"", "CLIP_CHANNELS=1 CLIP_AUDIO_BITS=8", "CLIP_CHANNELS=0"}) {
        SCOPED_TRACE(env);
        ArchivedMovie archive(clip(env));
        hotaru::MovieStream stream(archive.reader(), archive.offset, archive.size);
        ASSERT_TRUE(stream.opened());
        EXPECT_EQ(stream.width(), 160);
        EXPECT_EQ(stream.height(), 120);
        EXPECT_NEAR(stream.frameRate(), 15, 0.01);
        EXPECT_NEAR(stream.seconds(), 4, 0.07);
        const int channels = std::string(env).empty() ? 2 : std::string(env) == "CLIP_CHANNELS=0" ? 0 : 1;
        EXPECT_EQ(stream.channels(), channels);
        EXPECT_EQ(stream.sampleRate(), channels ? 22050 : 0);

        const Played p = playOut(stream);
        EXPECT_FALSE(stream.damaged());
        ASSERT_EQ(p.pictures.size(), 60u);
        for (std::size_t i = 0; i < p.pictures.size(); ++i) {
            EXPECT_NEAR(p.pictures[i].time, double(i) / 15, 1e-3);
            ASSERT_EQ(p.pictures[i].rgb.size(), std::size_t(160 * 120 * 3));
        }
        EXPECT_TRUE(std::is_sorted(p.soundTimes.begin(), p.soundTimes.end()));
        EXPECT_NEAR(double(p.sound.size()), 4.0 * 22050 * channels, 22050 * channels * 0.05);
        // The movie's own mark: its lime box, whatever Cinepak made of the colours.
        const auto [r, g, b] = pixel(p.pictures[30].rgb, 160, 131, 89);
        EXPECT_LT(r, 70);
        EXPECT_GT(g, 200);
        EXPECT_LT(b, 70);
        EXPECT_GE(archive.readUpTo(), 0) << "a read strayed outside the movie";
    }
}

TEST_F(MovieStream, SeeksToTheFrameAndTheSample)
{
    ArchivedMovie archive(clip());
    hotaru::MovieStream whole(archive.reader(), archive.offset, archive.size);
    const Played all = playOut(whole);
    ASSERT_EQ(all.pictures.size(), 60u);

    for (const double to : {2.5, 0.0, 3.9, 1.0}) {
        SCOPED_TRACE(to);
        hotaru::MovieStream stream(archive.reader(), archive.offset, archive.size);
        stream.next();  // a seek also works midway
        stream.seek(to);
        const Played p = playOut(stream);
        ASSERT_FALSE(p.pictures.empty());
        const auto first = std::size_t(std::ceil(to * 15 - 1e-6));
        EXPECT_EQ(p.pictures.size(), 60 - first);
        EXPECT_NEAR(p.pictures.front().time, double(first) / 15, 1e-3);
        // The same picture as playing it from the start gives.
        EXPECT_TRUE(p.pictures.front().rgb == all.pictures[first].rgb);
        ASSERT_FALSE(p.soundTimes.empty());
        EXPECT_NEAR(p.soundTimes.front(), to, 1.0 / 22050);
        // The sound from the spot's sample frame on, left and right, as
        // playing from the start gives it.
        const auto from = std::size_t(std::lround(to * 22050)) * 2;
        ASSERT_LT(from + 1, all.sound.size());
        ASSERT_GE(p.sound.size(), 2u);
        EXPECT_EQ(std::make_pair(p.sound[0], p.sound[1]), std::make_pair(all.sound[from], all.sound[from + 1]));
        EXPECT_EQ(p.sound.size(), all.sound.size() - from);
        EXPECT_TRUE(
            std::equal(p.sound.begin(), p.sound.end(), all.sound.begin() + std::ptrdiff_t(from), all.sound.end()));
    }

    // One stream sought back and forth, each time before it has handed out
    // all it decoded, gives at each spot what playing from the start gives,
    // and never opens the movie again: the header at its first byte is read
    // only as it opens.
    ArchivedMovie roamed(clip());
    const auto headerReads = [&roamed] {
        return std::count_if(roamed.reads.begin(), roamed.reads.end(),
                             [&roamed](const auto& read) { return read.first == roamed.offset; });
    };
    hotaru::MovieStream roaming(roamed.reader(), roamed.offset, roamed.size);
    const auto opening = headerReads();
    ASSERT_GT(opening, 0);
    for (const double to : {2.5, 0.5, 3.9, 1.0, 1.0, 0.0, 2.0}) {
        SCOPED_TRACE(to);
        roaming.seek(to);
        const auto first = std::size_t(std::ceil(to * 15 - 1e-6));
        const auto from = std::size_t(std::lround(to * 22050)) * 2;
        std::size_t pictures = 0, heard = 0;
        while (pictures < std::min<std::size_t>(3, 60 - first) || heard == 0) {
            auto piece = roaming.next();
            ASSERT_TRUE(piece);
            ASSERT_GE(piece->time, to - 1e-6) << "a piece from before the seek";
            if (piece->kind == hotaru::MoviePiece::Kind::Picture) {
                EXPECT_NEAR(piece->time, double(first + pictures) / 15, 1e-3);
                EXPECT_TRUE(piece->rgb == all.pictures.at(first + pictures).rgb) << "picture " << first + pictures;
                ++pictures;
            } else {
                if (heard == 0) {
                    EXPECT_NEAR(piece->time, to, 1.0 / 22050);
                }
                ASSERT_LE(from + heard + piece->samples.size(), all.sound.size());
                EXPECT_TRUE(std::equal(piece->samples.begin(), piece->samples.end(),
                                       all.sound.begin() + std::ptrdiff_t(from + heard)));
                heard += piece->samples.size();
            }
        }
    }
    // From the last spot on, to the end, all of it.
    const Played rest = playOut(roaming);
    EXPECT_FALSE(roaming.damaged());
    EXPECT_EQ(rest.pictures.size(), 60u - 30u - 3u);
    EXPECT_TRUE(std::equal(rest.pictures.begin(), rest.pictures.end(), all.pictures.begin() + 33, all.pictures.end(),
                           [](const auto& a, const auto& b) { return a.rgb == b.rgb; }));
    EXPECT_EQ(headerReads(), opening) << "a seek opened the movie again";
    EXPECT_GE(roamed.readUpTo(), 0) << "a read strayed outside the movie";
}

TEST_F(MovieStream, StopsWhereTheDamageBegins)
{
    const std::string film = clip();
    // A frame whose length field disagrees with the frame, 2 s in.
    std::string patched = film;
    putBe16(patched, videoFrameAt(patched, 30) + 2, 0xFFFF);
    patched[videoFrameAt(patched, 30) + 1] = '\x7F';
    ArchivedMovie broken(patched);
    hotaru::MovieStream stream(broken.reader(), broken.offset, broken.size);
    ASSERT_TRUE(stream.opened());
    const Played p = playOut(stream);
    EXPECT_TRUE(stream.damaged());
    EXPECT_EQ(p.pictures.size(), 30u);
    EXPECT_NEAR(stream.damagedAt(), 2, 0.07);
    EXPECT_FALSE(stream.next()) << "nothing after the end";
    // Sought back before the damage, it plays up to it again.
    stream.seek(1);
    const Played again = playOut(stream);
    EXPECT_TRUE(stream.damaged());
    ASSERT_EQ(again.pictures.size(), 15u);
    EXPECT_TRUE(again.pictures.front().rgb == p.pictures[15].rgb);
    EXPECT_NEAR(stream.damagedAt(), 2, 0.07);

    // The disc fails to read halfway.
    ArchivedMovie failing(film);
    failing.failFrom = failing.offset + failing.size / 2;
    hotaru::MovieStream unreadable(failing.reader(), failing.offset, failing.size);
    const Played q = playOut(unreadable);
    EXPECT_TRUE(unreadable.damaged());
    EXPECT_GT(q.pictures.size(), 20u);
    EXPECT_LT(q.pictures.size(), 40u);
    EXPECT_NEAR(unreadable.damagedAt(), q.pictures.back().time, 0.2);
    // Once the disc reads again, a seek plays on past where it failed.
    failing.failFrom = INT64_MAX;
    unreadable.seek(0.5);
    const Played recovered = playOut(unreadable);
    EXPECT_FALSE(unreadable.damaged());
    EXPECT_EQ(recovered.pictures.size(), 60u - 8u);

    // Cut short: the samples past the end are not there.
    ArchivedMovie cut(film);
    cut.size = cut.size * 3 / 4;
    hotaru::MovieStream shortened(cut.reader(), cut.offset, cut.size);
    const Played c = playOut(shortened);
    EXPECT_TRUE(shortened.damaged());
    EXPECT_LT(c.pictures.size(), 60u);
    EXPECT_GE(cut.readUpTo(), 0) << "a read strayed outside the movie";

    // Nothing to show at all.
    ArchivedMovie zeros(std::string(film.size(), '\0'));
    hotaru::MovieStream none(zeros.reader(), zeros.offset, zeros.size);
    EXPECT_FALSE(none.opened());
    EXPECT_TRUE(none.damaged());
    EXPECT_FALSE(none.next());
    none.seek(1);
    EXPECT_FALSE(none.next());
}
