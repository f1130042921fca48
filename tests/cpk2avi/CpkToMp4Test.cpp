#include "FilmClips.h"
#include "catalogue/OutputFormats.h"
#include "cpk2avi/CpkToAvi.h"
#include "cpk2avi/Mp4Settings.h"

#include "FileChecks.h"
#include "ScratchDirTest.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <map>
#include <regex>
#include <sstream>
#include <tuple>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Fields = std::map<std::string, std::string>;

// ffprobe's "key=value|key=value" lines, one map per line.
std::vector<Fields> probe(const std::string& args, const std::string& path)
{
    std::vector<Fields> rows;
    std::istringstream lines(commandOutput("ffprobe -v error " + args + " -of compact=p=0 " + shellQuoted(path)));
    for (std::string line; std::getline(lines, line);) {
        Fields row;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '|');)
            if (const auto eq = field.find('='); eq != std::string::npos)
                row[field.substr(0, eq)] = field.substr(eq + 1);
        if (!row.empty())
            rows.push_back(row);
    }
    return rows;
}

std::vector<Fields> streams(const std::string& path)
{
    return probe("-count_frames -show_entries stream=codec_type,codec_name,pix_fmt,width,height,avg_frame_rate,"
                 "time_base,start_time,duration,sample_rate,channels,nb_read_frames",
                 path);
}

// The presentation time of every decoded picture, in order.
std::vector<std::string> frameTimes(const std::string& path)
{
    std::vector<std::string> times;
    for (const Fields& f : probe("-select_streams v:0 -show_entries frame=pts_time", path))
        times.push_back(f.at("pts_time"));
    return times;
}

// The top-level MP4 boxes in file order, with their sizes.
std::vector<std::pair<std::string, std::uint64_t>> topLevelBoxSizes(const std::string& path)
{
    const std::string b = readFile(path);
    std::vector<std::pair<std::string, std::uint64_t>> boxes;
    for (std::uint64_t at = 0; at + 8 <= b.size();) {
        std::uint64_t size = be32(b, at);
        if (size == 1 && at + 16 <= b.size())
            size = std::uint64_t{be32(b, at + 8)} << 32 | be32(b, at + 12);
        if (size == 0)
            size = b.size() - at;  // runs to the end
        if (size < 8)
            return {{"bad size", 0}};
        boxes.emplace_back(b.substr(at + 4, 4), size);
        at += size;
    }
    return boxes;
}

std::vector<std::string> topLevelBoxes(const std::string& path)
{
    std::vector<std::string> names;
    for (const auto& [name, size] : topLevelBoxSizes(path))
        names.push_back(name);
    return names;
}

// `film` on an NTSC clock, 30000 ticks a second, its frames at `ticks`, each
// shown until the next one (the last, or one not before the next, for 1001).
std::string onNtscClock(std::string film, const std::vector<std::uint32_t>& ticks)
{
    putBe32(film, film.find("STAB") + 8, 30000);
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        const std::size_t at = sampleRecord(film, false, static_cast<int>(i));
        putBe32(film, at + 8, (be32(film, at + 8) & 0x80000000) | ticks[i]);
        const std::uint32_t next = i + 1 < ticks.size() ? ticks[i + 1] : 0;
        putBe32(film, at + 12, next > ticks[i] ? next - ticks[i] : 1001);
    }
    return film;
}

// The psnr filter's average and its worst frame, in dB, between the MP4 and
// the Cinepak source, both in `format`, the source through `filter` first.
std::pair<double, double> psnr(const std::string& mp4, const std::string& cpk, const std::string& filter,
                               const std::string& format)
{
    const std::string graph = "[0:v]format=" + format + "[a];[1:v]" + filter + "format=" + format + "[b];[a][b]psnr";
    const std::string log = commandOutput("ffmpeg -nostdin -hide_banner -i " + shellQuoted(mp4) + " -i " +
                                          shellQuoted(cpk) + " -lavfi '" + graph + "' -f null - 2>&1");
    std::smatch m;
    if (!std::regex_search(log, m, std::regex(R"(average:([0-9.]+) min:([0-9.]+))")))
        return {0, 0};
    return {std::stod(m[1]), std::stod(m[2])};
}

}  // namespace

class CpkToMp4 : public ScratchDirTest {
protected:
    CpkToMp4() : ScratchDirTest("cpk2mp4-test") {}

    static void SetUpTestSuite()
    {
        av_log_set_level(AV_LOG_QUIET);
        clips_ = freshScratchFolder("cpk2mp4-clips");
    }
    static void TearDownTestSuite() { fs::remove_all(clips_); }

    // Clips made on first use: "stereo" 1 s, "mono8" 2 s 8-bit, "silent" 1 s
    // with no sound, "long" 3 s. Empty when the script failed.
    static std::string clip(const std::string& name)
    {
        static const std::map<std::string, std::tuple<int, const char*, const char*>> kinds{
            {"stereo", {5, "1", ""}},
            {"mono8", {12, "2", "CLIP_AUDIO_BITS=8 CLIP_CHANNELS=1"}},
            {"silent", {3, "1", "CLIP_CHANNELS=0"}},
            {"long", {7, "3", ""}}};
        const auto& [n, seconds, env] = kinds.at(name);
        const fs::path path = clips_ / (name + ".cpk");
        return makeClip(path, n, seconds, env) ? path.string() : std::string();
    }

    // Converts, then checks the video every MP4 from a FILM clip must hold:
    // its pictures shown at `times`, or when empty at the source's own.
    static std::vector<Fields> convertAndCheck(const std::string& film, const std::string& out, int frames,
                                               const std::vector<std::string>& times = {})
    {
        std::string error;
        EXPECT_EQ(hotaru::convertCpk(film, out, error), 0) << error;
        EXPECT_NE(probe("-show_entries format=format_name", out).at(0)["format_name"].find("mp4"), std::string::npos);
        const std::vector<Fields> s = streams(out);
        const Fields& v = s.at(0);
        EXPECT_EQ(v.at("codec_type"), "video");
        EXPECT_EQ(v.at("codec_name"), "h264");
        EXPECT_EQ(v.at("pix_fmt"), "yuv420p");
        EXPECT_EQ(v.at("width") + "x" + v.at("height"), "160x120");
        EXPECT_EQ(v.at("nb_read_frames"), std::to_string(frames));
        EXPECT_EQ(v.at("nb_read_frames"), streams(film).at(0).at("nb_read_frames"));
        EXPECT_EQ(v.at("start_time"), "0.000000");
        // Every picture shown when the source shows it: none dropped, none doubled.
        EXPECT_EQ(frameTimes(out), times.empty() ? frameTimes(film) : times);
        // The index first, so a browser starts at once.
        const std::vector<std::string> boxes = topLevelBoxes(out);
        const auto moov = std::find(boxes.begin(), boxes.end(), "moov");
        EXPECT_EQ(boxes.at(0), "ftyp");
        EXPECT_LT(moov, std::find(boxes.begin(), boxes.end(), "mdat"));
        return s;
    }

    static inline fs::path clips_;
};

TEST_F(CpkToMp4, ClipsBecomeH264AndAacInTime)
{
    const std::string stereo = clip("stereo"), mono = clip("mono8"), silent = clip("silent");
    ASSERT_FALSE(stereo.empty() || mono.empty() || silent.empty()) << "make-film-clip.sh failed";
    writeFile(file("Movie.MP4"), "an older movie");

    const std::vector<Fields> s = convertAndCheck(stereo, file("Movie.MP4"), 15);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].at("avg_frame_rate"), "15/1");
    EXPECT_EQ(s[0].at("duration"), "1.000000");
    EXPECT_EQ(s[1].at("codec_name"), "aac");
    EXPECT_EQ(s[1].at("sample_rate"), "22050");
    EXPECT_EQ(s[1].at("channels"), "2");
    EXPECT_EQ(s[1].at("start_time"), "0.000000");
    EXPECT_EQ(s[1].at("duration"), "1.000000");

    const std::vector<Fields> m = convertAndCheck(mono, file("mono.mp4"), 30);
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].at("duration"), "2.000000");
    EXPECT_EQ(m[1].at("channels"), "1");
    EXPECT_EQ(m[1].at("duration"), "2.000000");

    EXPECT_EQ(convertAndCheck(silent, file("silent.mp4"), 15).size(), 1u) << "a silent movie got sound";

    // 22254 samples a second, which AAC lacks: resampled to the next rate
    // above, lasting as long as the source's sound, not played faster.
    const std::string longClip = clip("long");
    ASSERT_FALSE(longClip.empty()) << "make-film-clip.sh failed";
    std::string film = readFile(longClip);
    putBe16(film, film.find("FDSC") + 24, 22254);
    writeFile(file("22254.cpk"), film);
    const Fields source = streams(file("22254.cpk")).at(1);
    ASSERT_EQ(source.at("sample_rate"), "22254");
    const std::vector<Fields> r = convertAndCheck(file("22254.cpk"), file("22254.mp4"), 45);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1].at("codec_name"), "aac");
    EXPECT_EQ(r[1].at("sample_rate"), "24000");
    EXPECT_EQ(r[1].at("channels"), "2");
    EXPECT_EQ(r[1].at("start_time"), "0.000000");
    EXPECT_NEAR(std::stod(r[1].at("duration")), std::stod(source.at("duration")), 0.01);

    EXPECT_EQ(names(), (std::set<std::string>{"Movie.MP4", "mono.mp4", "silent.mp4", "22254.cpk", "22254.mp4"}));
}

// FILM clocks tick at any rate: an NTSC one (30000 ticks a second, 1001 a
// frame) with a pause held for three frames after the fifth frame.
TEST_F(CpkToMp4, EveryFrameKeepsItsExactTime)
{
    const std::string source = clip("long");
    ASSERT_FALSE(source.empty()) << "make-film-clip.sh failed";
    std::vector<std::uint32_t> ticks;
    for (std::uint32_t i = 0; i < 45; ++i)
        ticks.push_back(1001 * (i < 5 ? i : i + 3));
    writeFile(file("ntsc.cpk"), onNtscClock(readFile(source), ticks));

    const std::vector<Fields> s = convertAndCheck(file("ntsc.cpk"), file("ntsc.mp4"), 45);
    EXPECT_EQ(s.at(0).at("time_base"), "1/30000");
    EXPECT_EQ(s.at(0).at("duration"), "1.601600");              // 48 frame slots of 1001/30000 s
    EXPECT_EQ(frameTimes(file("ntsc.mp4")).at(5), "0.266933");  // 8008/30000 s
}

// An MP4 needs every frame later than the one before. A frame at the same
// time as the one before, or earlier, follows that one by a tick: none is
// lost, and the frames after keep their times.
TEST_F(CpkToMp4, FramesNotAfterTheOneBeforeFollowItByATick)
{
    const std::string source = clip("long");
    ASSERT_FALSE(source.empty()) << "make-film-clip.sh failed";
    std::vector<std::uint32_t> ticks;
    for (std::uint32_t i = 0; i < 45; ++i)
        ticks.push_back(1001 * i);
    ticks[5] = ticks[4];
    ticks[10] = ticks[9] - 500;
    writeFile(file("repeats.cpk"), onNtscClock(readFile(source), ticks));

    std::vector<std::string> times = frameTimes(file("repeats.cpk"));
    ASSERT_EQ(times.size(), 45u);
    ASSERT_EQ(times[5], times[4]) << "the source does not repeat a time";
    ASSERT_LT(std::stod(times[10]), std::stod(times[9])) << "the source does not go back";
    times[5] = "0.133500";   // 4005/30000 s
    times[10] = "0.300333";  // 9010/30000 s
    convertAndCheck(file("repeats.cpk"), file("repeats.mp4"), 45, times);
}

// Thresholds: 40 dB is an error of about 2.5 levels in 255, beyond what an
// eye tells apart; the pictures as a player shows them (back in RGB, colour
// halved in each direction) lose more, but a wrong colour matrix or range
// lands near 25 dB, far under 35.
TEST_F(CpkToMp4, PicturesCannotBeToldFromTheSource)
{
    const std::string film = clip("long");
    ASSERT_FALSE(film.empty()) << "make-film-clip.sh failed";
    std::string error;
    ASSERT_EQ(hotaru::convertCpk(film, file("movie.mp4"), error), 0) << error;
    const std::string sameConversion = std::string("scale=flags=") + hotaru::Mp4Settings::ScaleFlags + ",";
    const auto [yuv, worstYuv] = psnr(file("movie.mp4"), film, sameConversion, "yuv420p");
    EXPECT_GE(yuv, 40.0);
    EXPECT_GE(worstYuv, 38.0);
    const auto [rgb, worstRgb] = psnr(file("movie.mp4"), film, "", "rgb24");
    EXPECT_GE(rgb, 35.0);
    EXPECT_GT(worstRgb, 0.0);
}

TEST_F(CpkToMp4, FailureLeavesNoOutputAndKeepsTheOldOne)
{
    const std::string clipPath = clip("stereo");
    ASSERT_FALSE(clipPath.empty()) << "make-film-clip.sh failed";
    const std::string film = readFile(clipPath);
    writeFile(file("notes.txt"), "not a movie\n");
    writeFile(file("cut.cpk"), film.substr(0, film.size() * 3 / 5));
    const auto damaged = [&](const char* name, auto&& damage) {
        std::string bytes = film;
        damage(bytes);
        writeFile(file(name), bytes);
    };
    damaged("lost-sound.cpk", [](std::string& b) { putBe32(b, sampleRecord(b, true), 0x7FFF0000); });
    damaged("odd.cpk", [](std::string& b) { putBe32(b, b.find("FDSC") + 16, 161); });
    // A frame whose length field claims more than it holds: the first one,
    // and one after the MP4 has been started.
    const auto badFrame = [](int nth) {
        return [nth](std::string& b) { putBe32(b, videoFrameAt(b, nth), 0x00FFFFFF); };
    };
    damaged("bad-first.cpk", badFrame(0));
    damaged("bad-fifth.cpk", badFrame(4));
    // Clocks that run off: a second frame years late, and a late first frame
    // that the timestamps after it are read as wrapping around from.
    damaged("jump.cpk", [](std::string& b) {
        const std::size_t at = sampleRecord(b, false, 1) + 8;
        putBe32(b, at, (be32(b, at) & 0x80000000) | 0x7FF00000);
    });
    damaged("late-start.cpk", [](std::string& b) { putBe32(b, sampleRecord(b, false) + 8, 70000); });
    writeFile(file("movie.cpk"), film);
    writeFile(file("keep.mp4"), "precious");
    const std::set<std::string> before = names();

    const std::map<std::string, std::string> reasons{{"notes.txt", "not a FILM/CPK file"},
                                                     {"missing.cpk", "cannot open"},
                                                     {"cut.cpk", "cut short"},
                                                     {"lost-sound.cpk", "cut short"},
                                                     {"odd.cpk", "161x120 is odd"},
                                                     {"bad-first.cpk", "video frame 1 of"},
                                                     {"bad-fifth.cpk", "video frame 5 of"},
                                                     {"jump.cpk", "more than an MP4 can hold"},
                                                     {"late-start.cpk", "more than an MP4 can hold"}};
    for (const auto& [input, reason] : reasons) {
        SCOPED_TRACE(input);
        for (const char* output : {"keep.mp4", "new.mp4"}) {
            std::string error;
            EXPECT_EQ(hotaru::convertCpk(file(input), file(output), error), 1);
            EXPECT_NE(error.find(input), std::string::npos) << error;
            EXPECT_NE(error.find(reason), std::string::npos) << error;
            EXPECT_EQ(error.find('\n'), std::string::npos);
            EXPECT_EQ(readFile(file("keep.mp4")), "precious");
            EXPECT_EQ(names(), before);
        }
    }

    // The last step fails: the writer cannot read its data back to put the
    // index ahead, so the file holds no index at all. The movie stays.
    {
        const hotaru::TrailerWriter noReadBack = [](AVFormatContext* s) {
            s->io_open = [](AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
                return AVERROR(EACCES);
            };
            return av_write_trailer(s);
        };
        for (const char* output : {"keep.mp4", "new.mp4"}) {
            SCOPED_TRACE(output);
            std::string error;
            EXPECT_EQ(hotaru::convertCpk(file("movie.cpk"), file(output), error, {}, noReadBack), 1);
            EXPECT_NE(error.find("cannot write '" + file(output) + "'"), std::string::npos) << error;
            EXPECT_TRUE(readFile(file("keep.mp4")) == "precious");
            EXPECT_TRUE(readFile(file("movie.cpk")) == film);
            EXPECT_EQ(names(), before);
        }
    }

    // The program, when the disk fills up as the index is moved ahead: room
    // for the first pass, not for the whole file.
    std::string error;
    ASSERT_EQ(hotaru::convertCpk(file("movie.cpk"), file("whole.mp4"), error), 0) << error;
    const std::uintmax_t whole = fileSize(file("whole.mp4"));
    const auto boxes = topLevelBoxSizes(file("whole.mp4"));
    ASSERT_GE(boxes.size(), 2u);
    ASSERT_EQ(boxes[1].first, "moov");
    fs::remove(file("whole.mp4"));
    for (const char* output : {"keep.mp4", "new.mp4"}) {
        SCOPED_TRACE(output);
        {
            const FileSizeLimit full(whole - boxes[1].second / 2);
            EXPECT_EQ(exitCode(shellQuoted(CPK2AVI_EXE) + " " + shellQuoted(file("movie.cpk")) + " " +
                               shellQuoted(file(output)) + " 2>" + shellQuoted(file("stderr.txt"))),
                      1);
        }
        const std::string message = readFile(file("stderr.txt"));
        fs::remove(file("stderr.txt"));
        EXPECT_NE(message.find("cannot write '" + file(output) + "'"), std::string::npos) << message;
        EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
        EXPECT_TRUE(readFile(file("keep.mp4")) == "precious");
        EXPECT_EQ(names(), before);
    }
}

// The writer opens the file again by name to put the index first: a name
// that looks like a protocol ("clip:") must still be the file.
TEST_F(CpkToMp4, CommandLineTakesMp4NamesInAnyCase)
{
    const std::string film = clip("stereo");
    ASSERT_FALSE(film.empty()) << "make-film-clip.sh failed";
    const std::string exe = shellQuoted(CPK2AVI_EXE);
    const std::string err = " 2>" + shellQuoted(file("stderr.txt"));
    EXPECT_EQ(exitCode(exe + err), 2);
    EXPECT_NE(readFile(file("stderr.txt")).find("OUT.mp4"), std::string::npos);

    EXPECT_EQ(
        exitCode("cd " + shellQuoted(dir.string()) + " && " + exe + " " + shellQuoted(film) + " clip:1.Mp4" + err), 0)
        << readFile(file("stderr.txt"));
    const std::vector<std::string> boxes = topLevelBoxes(file("clip:1.Mp4"));
    ASSERT_GE(boxes.size(), 3u);
    EXPECT_EQ(boxes[1], "moov");
    EXPECT_EQ(names(), (std::set<std::string>{"clip:1.Mp4", "stderr.txt"}));

    for (const char* name : {"a.mp4", "B.MP4", "c.mP4", "a.avi.mp4"})
        EXPECT_EQ(hotaru::outputFormatOfFile(name), &hotaru::outputFormat(hotaru::VideoFormat::Mp4)) << name;
    for (const char* name : {"mp4", ".mp4", "a.m4v", "a_mp4", "a.mp4 "})
        EXPECT_EQ(hotaru::outputFormatOfFile(name), nullptr) << name;
}

// Enlarged for sharing, every pixel of the source becomes a square block:
// nearest neighbour, square pixels; an enlarged MKV keeps its sound whole.
TEST_F(CpkToMp4, EnlargesIntoSquareBlocks)
{
    const std::string film = clip("stereo");
    ASSERT_FALSE(film.empty()) << "make-film-clip.sh failed";
    hotaru::ConvertOptions options;
    options.scale = 4;
    std::string error;
    ASSERT_EQ(hotaru::convertCpk(film, file("big.mp4"), error, options), 0) << error;
    const std::vector<Fields> video =
        probe("-select_streams v:0 -show_entries stream=width,height,sample_aspect_ratio", file("big.mp4"));
    ASSERT_EQ(video.size(), 1u);
    EXPECT_EQ(video[0].at("width"), "640");
    EXPECT_EQ(video[0].at("height"), "480");
    EXPECT_EQ(video[0].at("sample_aspect_ratio"), "1:1");
    const double blocks = psnr(file("big.mp4"), film, "scale=iw*4:ih*4:flags=neighbor,", "rgb24").first;
    const double smooth = psnr(file("big.mp4"), film, "scale=iw*4:ih*4:flags=bicubic,", "rgb24").first;
    EXPECT_GT(blocks, 38.0);
    EXPECT_GT(blocks, smooth + 3.0) << "blocks " << blocks << " dB, smooth " << smooth << " dB";

    options.scale = 3;
    ASSERT_EQ(hotaru::convertCpk(film, file("big.mkv"), error, options), 0) << error;
    const std::vector<Fields> mkv = streams(file("big.mkv"));
    ASSERT_EQ(mkv.size(), 2u);
    EXPECT_EQ(mkv[0].at("codec_name"), "h264");
    EXPECT_EQ(mkv[0].at("width"), "480");
    EXPECT_EQ(mkv[1].at("codec_name"), "pcm_s16le");
    const auto sound = [](const std::string& path) {
        return commandOutput("ffmpeg -nostdin -v error -i " + shellQuoted(path) + " -map 0:a -f md5 - 2>/dev/null");
    };
    EXPECT_EQ(sound(file("big.mkv")), sound(film));
}
