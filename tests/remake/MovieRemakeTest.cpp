#include "remake/MovieRemake.h"

#include "FilmClips.h"
#include "RequiredTools.h"

#include "FileChecks.h"
#include "ScratchDirTest.h"

#include "movie/FilmHeader.h"
#include "movie/MovieStream.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <array>
#include <cmath>

namespace fs = std::filesystem;
using hotaru::RemakeFailure;

namespace {

std::vector<std::uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

struct Played {
    std::vector<std::vector<std::uint8_t>> pictures;  // RGB24
    std::vector<double> times;
    std::vector<std::int16_t> sound;  // the channels interleaved
    bool damaged = true;
};

// The movie through the window's own decoder.
Played play(const std::vector<std::uint8_t>& movie, std::int64_t size)
{
    const hotaru::ArchiveRead read = [&movie](std::int64_t at, void* buffer, std::size_t n) {
        if (at < 0 || std::size_t(at) + n > movie.size())
            throw std::runtime_error("outside");
        std::memcpy(buffer, movie.data() + at, n);
    };
    hotaru::MovieStream stream(read, 0, size);
    Played p;
    if (!stream.opened())
        return p;
    while (auto piece = stream.next()) {
        if (piece->kind == hotaru::MoviePiece::Kind::Picture) {
            p.pictures.push_back(std::move(piece->rgb));
            p.times.push_back(piece->time);
        } else {
            p.sound.insert(p.sound.end(), piece->samples.begin(), piece->samples.end());
        }
    }
    p.damaged = stream.damaged();
    return p;
}

// The brightest pixel (the largest of R, G, B) in rows [top, bottom) and columns [left, right).
int brightest(const std::vector<std::uint8_t>& rgb, int width, int top, int bottom, int left, int right)
{
    int most = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            for (int c = 0; c < 3; ++c)
                most = std::max<int>(most, rgb.at((std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3 + c));
    return most;
}

// The sample table's records: offset, size, time, duration.
std::vector<std::array<std::uint32_t, 4>> records(const std::string& film)
{
    std::vector<std::array<std::uint32_t, 4>> all;
    const std::size_t stab = film.find("STAB");
    for (std::uint32_t i = 0; i < be32(film, stab + 12); ++i) {
        const std::size_t r = stab + 16 + 16 * i;
        all.push_back({be32(film, r), be32(film, r + 4), be32(film, r + 8), be32(film, r + 12)});
    }
    return all;
}

// Every sound record's bytes, end to end.
std::string soundOf(const std::string& film)
{
    std::string all;
    for (const auto& r : records(film))
        if (r[2] == 0xFFFFFFFF)
            all += film.substr(be32(film, 4) + r[0], r[1]);
    return all;
}

// Every picture record's time and duration.
std::vector<std::pair<std::uint32_t, std::uint32_t>> pictureTimes(const std::string& film)
{
    std::vector<std::pair<std::uint32_t, std::uint32_t>> times;
    for (const auto& r : records(film))
        if (r[2] != 0xFFFFFFFF)
            times.emplace_back(r[2] & 0x7FFFFFFF, r[3]);
    return times;
}

// Where the last sample ends, by the sample table.
std::int64_t samplesEnd(const std::string& film)
{
    std::int64_t end = 0;
    for (const auto& r : records(film))
        end = std::max<std::int64_t>(end, std::int64_t(be32(film, 4)) + r[0] + r[1]);
    return end;
}

}  // namespace

class MovieRemake : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        av_log_set_level(AV_LOG_QUIET);
        dir_ = freshScratchFolder("remake-clips");
    }
    static void TearDownTestSuite() { fs::remove_all(dir_); }
    void SetUp() override
    {
        if (exitCode("command -v ffmpeg >/dev/null 2>&1") != 0)
            SKIP_UNLESS_REQUIRED("ffmpeg is needed to make the clips");
    }
    // A FILM clip from make-film-clip.sh: movie 5, 160x120, 15 frames a second.
    static std::vector<std::uint8_t> original(const std::string& seconds, const std::string& env = {})
    {
        const fs::path path = dir_ / ("orig" + std::to_string(std::hash<std::string>()(env + seconds)) + ".cpk");
        EXPECT_TRUE(makeClip(path, 5, seconds, env));
        return bytesOf(readFile(path.string()));
    }
    // A fan's video: a test pattern of `size` at 24 frames a second with a
    // tone, MPEG-4 and AAC in Matroska (`pattern` picks the lavfi source).
    static std::string video(const std::string& size, const std::string& seconds,
                             const std::string& pattern = "testsrc")
    {
        const fs::path path = dir_ / (pattern + size + "-" + seconds + ".mkv");
        if (!fs::exists(path)) {
            EXPECT_EQ(exitCode("ffmpeg -nostdin -v error -y -f lavfi -i " + pattern + "=size=" + size +
                               ":rate=24:duration=" + seconds + " -f lavfi -i sine=frequency=440:sample_rate=44100" +
                               ":duration=" + seconds + " -c:v mpeg4 -q:v 2 -c:a aac " + shellQuoted(path.string())),
                      0);
        }
        return path.string();
    }
    static std::string write(const std::string& name, const std::string& text)
    {
        const std::string path = (dir_ / name).string();
        writeFile(path, text);
        return path;
    }
    static inline fs::path dir_;
};

TEST_F(MovieRemake, VideoBecomesFilmInTheOriginalsFormBoxedInBlack)
{
    struct Case {
        const char* env;
        const char* size;  // of the source: wider than 4:3 or narrower
        bool wide;
    };
    for (const Case& c : {Case{"", "320x120", true}, Case{"CLIP_CHANNELS=1 CLIP_AUDIO_BITS=8", "90x120", false},
                          Case{"CLIP_CHANNELS=0", "320x120", true}}) {
        SCOPED_TRACE(c.env);
        hotaru::RemakeRequest request;
        request.original = original("3", c.env);
        request.source = video(c.size, "2");
        std::vector<double> fractions;
        hotaru::RemakeEvents events;
        events.progress = [&](int, int, double f) { fractions.push_back(f); };
        const hotaru::RemakeResult r = hotaru::remakeMovie(request, events);

        ASSERT_EQ(r.bytes.size(), request.original.size());
        EXPECT_EQ(r.quality, 100);
        EXPECT_EQ(r.attempts, 1);
        ASSERT_GT(r.movieBytes, 0);
        ASSERT_LE(r.movieBytes, std::int64_t(r.bytes.size()));
        EXPECT_TRUE(std::all_of(r.bytes.begin() + r.movieBytes, r.bytes.end(), [](auto b) { return b == 0; }));
        EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
        ASSERT_FALSE(fractions.empty());
        EXPECT_EQ(fractions.back(), 1.0);

        const auto was = hotaru::readFilmHeader(request.original.data(), request.original.size(),
                                                std::int64_t(request.original.size()));
        const auto now = hotaru::readFilmHeader(r.bytes.data(), r.bytes.size(), r.movieBytes);
        ASSERT_TRUE(was && now);
        EXPECT_EQ(now->width, was->width);
        EXPECT_EQ(now->height, was->height);
        EXPECT_EQ(now->videoCodec, "cvid");
        EXPECT_EQ(now->audioChannels, was->audioChannels);
        EXPECT_EQ(now->audioBits, was->audioBits);
        EXPECT_EQ(now->audioRate, was->audioRate);
        EXPECT_EQ(now->timeBase, was->timeBase);
        EXPECT_NEAR(now->frameRate(), was->frameRate(), 1e-9);
        EXPECT_FALSE(now->samplesOutside);
        // Two seconds of source at 15 frames a second.
        EXPECT_EQ(now->frames, 30);
        EXPECT_EQ(r.frames, 30);
        EXPECT_NEAR(r.seconds, 2.0, 1e-9);
        const std::string film(r.bytes.begin(), r.bytes.begin() + r.movieBytes);
        EXPECT_EQ(samplesEnd(film), r.movieBytes);
        // The sound lasts as long as the pictures, in the original's form.
        EXPECT_EQ(std::int64_t(soundOf(film).size()), 2 * was->audioRate * was->audioChannels * was->audioBits / 8);

        const Played p = play(r.bytes, r.movieBytes);
        EXPECT_FALSE(p.damaged);
        ASSERT_EQ(p.pictures.size(), 30u);
        EXPECT_NEAR(p.times.back(), 29.0 / 15, 1e-3);
        EXPECT_EQ(p.sound.size(), std::size_t(2 * was->audioRate * was->audioChannels));
        // The source's 440 Hz tone, crossing zero 880 times a second.
        if (was->audioChannels > 0) {
            int crossings = 0;
            for (std::size_t i = std::size_t(was->audioChannels); i < p.sound.size();
                 i += std::size_t(was->audioChannels))
                crossings += (p.sound[i - std::size_t(was->audioChannels)] < 0) != (p.sound[i] < 0);
            EXPECT_NEAR(crossings, 2 * 880, 40);
        }
        // 320x120 shown in 160x120 is 160x60 with 30 black rows above and
        // below; 90x120 is 90x120 with 35 black columns either side.
        for (const std::size_t i : {0u, 14u, 29u}) {
            const auto& rgb = p.pictures[i];
            if (c.wide) {
                EXPECT_LT(brightest(rgb, 160, 0, 26, 0, 160), 40) << "picture " << i;
                EXPECT_LT(brightest(rgb, 160, 94, 120, 0, 160), 40) << "picture " << i;
            } else {
                EXPECT_LT(brightest(rgb, 160, 0, 120, 0, 31), 40) << "picture " << i;
                EXPECT_LT(brightest(rgb, 160, 0, 120, 129, 160), 40) << "picture " << i;
            }
            EXPECT_GT(brightest(rgb, 160, 34, 86, 39, 121), 150) << "picture " << i << " lost the pattern";
        }

        const fs::path out = dir_ / "out.cpk";
        writeFile(out.string(), std::string(r.bytes.begin(), r.bytes.end()));
        EXPECT_EQ(exitCode("ffmpeg -nostdin -v error -i " + shellQuoted(out.string()) + " -f null - 2>/dev/null"), 0);
    }
}

TEST_F(MovieRemake, StepsDownUntilItFitsElseSaysHowCloseItCame)
{
    // Three seconds of busy pictures into the bytes of one quiet second.
    hotaru::RemakeRequest request;
    request.original = original("1", "CLIP_CHANNELS=0");
    request.source = video("160x120", "3", "testsrc2");
    std::vector<int> qualities;
    hotaru::RemakeEvents events;
    events.progress = [&](int attempt, int quality, double) {
        if (std::size_t(attempt) > qualities.size())
            qualities.push_back(quality);
    };
    const hotaru::RemakeResult r = hotaru::remakeMovie(request, events);
    EXPECT_LT(r.quality, 100);
    EXPECT_GE(r.attempts, 2);
    EXPECT_LE(r.attempts, 4);
    EXPECT_EQ(qualities.size(), std::size_t(r.attempts));
    EXPECT_TRUE(std::is_sorted(qualities.rbegin(), qualities.rend()));
    EXPECT_EQ(qualities.back(), r.quality);
    EXPECT_LE(r.movieBytes, std::int64_t(request.original.size()));
    EXPECT_EQ(r.frames, 45);
    const Played p = play(r.bytes, r.movieBytes);
    EXPECT_FALSE(p.damaged);
    EXPECT_EQ(p.pictures.size(), 45u);

    // The sound alone of three seconds outweighs a second of movie.
    request.original = original("1");
    request.source = video("160x120", "3");
    try {
        hotaru::remakeMovie(request);
        ADD_FAILURE() << "a movie three times the length fitted";
    } catch (const RemakeFailure& e) {
        EXPECT_EQ(e.code, RemakeFailure::DoesNotFit);
        EXPECT_EQ(e.budget, std::int64_t(request.original.size()));
        EXPECT_GT(e.smallest, e.budget);
        EXPECT_GT(e.smallest, 3 * 22050 * 4);
    }

    request.maxSeconds = 1.5;
    try {
        hotaru::remakeMovie(request);
        ADD_FAILURE() << "a source longer than the limit was made";
    } catch (const RemakeFailure& e) {
        EXPECT_EQ(e.code, RemakeFailure::TooLong);
        EXPECT_NEAR(e.seconds, 3, 0.1);
        EXPECT_EQ(e.limit, 1.5);
    }
}

TEST_F(MovieRemake, SubtitlesAppearDuringTheirCuesAndTheSoundStaysAsItWas)
{
    hotaru::RemakeRequest request;
    // Black pictures, white at frames 0, 15 and 30; a click each second.
    request.original = original("3", "CLIP_SYNC=1");
    request.source = write("cues.SRT", "1\n00:00:00,300 --> 00:00:00,900\nFirst line\nsecond line\n\n"
                                       "2\n00:00:02,200 --> 00:00:02,600\nLater\n");
    const hotaru::RemakeResult r = hotaru::remakeMovie(request);
    ASSERT_EQ(r.bytes.size(), request.original.size());
    EXPECT_EQ(r.frames, 45);
    const std::string was(request.original.begin(), request.original.end());
    const std::string now(r.bytes.begin(), r.bytes.begin() + r.movieBytes);
    EXPECT_EQ(samplesEnd(now), r.movieBytes);
    const std::string sound = soundOf(was);
    ASSERT_GT(sound.size(), 3u * 22050 * 4 - 100);
    EXPECT_TRUE(soundOf(now) == sound) << "the sound changed";
    EXPECT_EQ(pictureTimes(now), pictureTimes(was));

    const Played p = play(r.bytes, r.movieBytes);
    EXPECT_FALSE(p.damaged);
    ASSERT_EQ(p.pictures.size(), 45u);
    for (std::size_t i = 0; i < 45; ++i) {
        if (i % 15 == 0)
            continue;  // white anyway
        const double t = double(i) / 15;
        const bool shown = (t >= 0.3 && t < 0.9) || (t >= 2.2 && t < 2.6);
        const int bright = brightest(p.pictures[i], 160, 0, 120, 0, 160);
        if (shown)
            EXPECT_GT(bright, 180) << "no letters in picture " << i;
        else
            EXPECT_LT(bright, 60) << "letters in picture " << i;
    }
    // Both lines of the first cue: letters across more rows than one line holds.
    int rows = 0;
    for (int y = 0; y < 120; ++y)
        rows += brightest(p.pictures[7], 160, y, y + 1, 0, 160) > 180;
    EXPECT_GT(rows, 14);
}

TEST_F(MovieRemake, RefusesWhatItCannotMakeAndStopsWhenAsked)
{
    const auto failure = [](const hotaru::RemakeRequest& request, const hotaru::RemakeEvents& events = {}) {
        try {
            hotaru::remakeMovie(request, events);
        } catch (const RemakeFailure& e) {
            return e;
        }
        return RemakeFailure(RemakeFailure::EncoderFailed, "nothing thrown");
    };
    hotaru::RemakeRequest request;
    request.original = original("2");
    request.source = video("160x120", "1");

    int asked = 0;
    hotaru::RemakeEvents stop;
    stop.stopRequested = [&asked] { return ++asked > 5; };
    EXPECT_EQ(failure(request, stop).code, RemakeFailure::Stopped);
    EXPECT_EQ(asked, 6);

    request.source = write("bad.srt", "1\n00:00:01,000 --> 00:00:00,500\nBackwards\n");
    RemakeFailure e = failure(request);
    EXPECT_EQ(e.code, RemakeFailure::SubtitlesUnusable);
    EXPECT_EQ(e.file, request.source);
    EXPECT_EQ(e.subtitleProblem, (hotaru::SubtitleProblem{hotaru::SubtitleError::EndBeforeStart, 2}));
    request.source = write("good.ass", "[Script Info]\n\n[Events]\nFormat: Layer, Start, End, Style, Text\n"
                                       "Dialogue: 0,0:00:00.50,0:00:01.00,Default,Hi\n");
    stop.stopRequested = [] { return true; };
    EXPECT_EQ(failure(request, stop).code, RemakeFailure::Stopped);

    request.source = (dir_ / "missing.mkv").string();
    e = failure(request);
    EXPECT_EQ(e.code, RemakeFailure::SourceUnreadable);
    EXPECT_EQ(e.file, request.source);
    request.source = (dir_ / "tone.wav").string();
    ASSERT_EQ(exitCode("ffmpeg -nostdin -v error -y -f lavfi -i sine=duration=1 " + shellQuoted(request.source)), 0);
    EXPECT_EQ(failure(request).code, RemakeFailure::NoPictures);

    request.source = video("160x120", "1");
    request.original.assign(10000, 0x41);
    EXPECT_EQ(failure(request).code, RemakeFailure::OriginalUnreadable);
}
