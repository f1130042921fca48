#include "FilmClips.h"
#include "cpk2avi/CpkToAvi.h"

#include "FileChecks.h"
#include "RequiredTools.h"
#include "ScratchDirTest.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/log.h>
}

#include <cstdlib>
#include <regex>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string Srt = "1\r\n00:00:00,500 --> 00:00:01,250\r\nHello <i>there</i>\r\nsecond line\r\n\r\n"
                        "2\r\n00:00:02,000 --> 00:00:02,900\r\n蛍の光、窓の雪\r\n";
const std::string Ass = "[Script Info]\nScriptType: v4.00+\nPlayResX: 640\nPlayResY: 480\n\n[V4+ Styles]\n"
                        "Format: Name, Fontname, Fontsize, PrimaryColour, Bold, Alignment\n"
                        "Style: Sign,Arial,28,&H0000FFFF,1,8\n\n[Events]\n"
                        "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n"
                        "Dialogue: 1,0:00:00.50,0:00:01.25,Sign,Kaz,0,0,0,,{\\i1}Hello{\\i0}, world\\Nline two\n"
                        "Dialogue: 0,0:00:02.00,0:00:02.90,Sign,,0,0,0,,蛍の光\n";

struct Cue {
    double start;
    double end;
    std::string text;
};

// The subtitle track of `path` as ffmpeg turns it back into SRT.
std::vector<Cue> cuesBack(const std::string& path)
{
    std::vector<Cue> cues;
    const std::regex timing(R"((\d+):(\d\d):(\d\d),(\d\d\d) --> (\d+):(\d\d):(\d\d),(\d\d\d))");
    std::istringstream lines(
        commandOutput("ffmpeg -nostdin -v error -i " + shellQuoted(path) + " -map 0:s -f srt - 2>/dev/null"));
    const auto next = [&](std::string& line) {
        return std::getline(lines, line) && (line.erase(line.find_last_not_of('\r') + 1), !line.empty());
    };
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (!std::regex_match(line.erase(line.find_last_not_of('\r') + 1), m, timing))
            continue;
        const auto at = [&](int i) {
            return std::stoi(m[i]) * 3600.0 + std::stoi(m[i + 1]) * 60.0 + std::stoi(m[i + 2]) +
                   std::stoi(m[i + 3]) / 1000.0;
        };
        Cue cue{at(1), at(5), {}};
        while (next(line))
            cue.text += (cue.text.empty() ? "" : "\n") + line;
        cues.push_back(cue);
    }
    return cues;
}

std::string probeStreams(const std::string& path)
{
    return commandOutput("ffprobe -v error -show_entries stream=codec_name:stream_tags=language:stream_disposition="
                         "default -of compact=p=0 " +
                         shellQuoted(path));
}

}  // namespace

class SubtitleTracks : public ScratchDirTest {
protected:
    SubtitleTracks() : ScratchDirTest("cpk2avi-subs-test") {}
    static void SetUpTestSuite()
    {
        av_log_set_level(AV_LOG_QUIET);
        clips_ = freshScratchFolder("cpk2avi-subs-clips");
    }
    static void TearDownTestSuite() { fs::remove_all(clips_); }

    static std::string clip()
    {
        const fs::path path = clips_ / "three.cpk";
        return makeClip(path, 5, "3") ? path.string() : std::string();
    }
    std::string convert(const std::string& film, const std::string& out, const std::string& subtitles, int scale = 1,
                        bool burn = false)
    {
        hotaru::ConvertOptions options;
        options.scale = scale;
        options.subtitles = subtitles;
        options.burnSubtitles = burn;
        std::string error;
        EXPECT_EQ(hotaru::convertCpk(film, out, error, options), 0) << error;
        return error;
    }

    inline static fs::path clips_;
};

// Matroska keeps the file's own SRT or ASS, enlarged pictures or not, and
// tools that share no code with ours read every cue back at its time.
TEST_F(SubtitleTracks, MatroskaKeepsSrtAndAssAsGiven)
{
    const std::string film = clip();
    ASSERT_FALSE(film.empty()) << "make-film-clip.sh failed";
    writeFile(file("cues.srt"), Srt);
    writeFile(file("cues.ass"), Ass);
    const bool haveMkvinfo = exitCode("command -v mkvinfo >/dev/null") == 0;
    for (int scale : {1, 2}) {
        SCOPED_TRACE(scale);
        const std::string srtMkv = file("srt" + std::to_string(scale) + ".mkv");
        const std::string assMkv = file("ass" + std::to_string(scale) + ".mkv");
        convert(film, srtMkv, file("cues.srt"), scale);
        convert(film, assMkv, file("cues.ass"), scale);
        EXPECT_NE(probeStreams(srtMkv).find("codec_name=subrip|disposition:default=1|tag:language=jpn"),
                  std::string::npos)
            << probeStreams(srtMkv);
        const std::vector<Cue> cues = cuesBack(srtMkv);
        ASSERT_EQ(cues.size(), 2u);
        EXPECT_NEAR(cues[0].start, 0.5, 0.01);
        EXPECT_NEAR(cues[0].end, 1.25, 0.01);
        EXPECT_EQ(cues[0].text, "Hello <i>there</i>\nsecond line");
        EXPECT_NEAR(cues[1].start, 2.0, 0.01);
        EXPECT_NEAR(cues[1].end, 2.9, 0.01);
        EXPECT_EQ(cues[1].text, "蛍の光、窓の雪");

        // ASS comes back line for line, its styles and tags with it.
        ASSERT_EQ(exitCode("ffmpeg -nostdin -v error -y -i " + shellQuoted(assMkv) + " -map 0:s -c copy " +
                           shellQuoted(file("back.ass"))),
                  0);
        const std::string ass = readFile(file("back.ass"));
        EXPECT_NE(ass.find("Style: Sign,Arial,28,&H0000FFFF,1,8"), std::string::npos) << ass;
        EXPECT_NE(ass.find("Dialogue: 1,0:00:00.50,0:00:01.25,Sign,Kaz,0,0,0,,{\\i1}Hello{\\i0}, world\\Nline two"),
                  std::string::npos)
            << ass;
        EXPECT_NE(ass.find("Dialogue: 0,0:00:02.00,0:00:02.90,Sign,,0,0,0,,蛍の光"), std::string::npos) << ass;

        if (!haveMkvinfo)
            continue;  // the suite's own machine has it; a bare build may not
        for (const auto& [mkv, codec] : {std::pair{srtMkv, "S_TEXT/UTF8"}, std::pair{assMkv, "S_TEXT/ASS"}}) {
            const std::string info = commandOutput("mkvinfo " + shellQuoted(mkv) + " 2>&1; echo exit=$?");
            EXPECT_NE(info.find("exit=0"), std::string::npos) << info;
            const std::size_t track = info.find("Track type: subtitles");
            ASSERT_NE(track, std::string::npos) << info;
            const std::string trackInfo = info.substr(info.rfind("+ Track\n", track));
            EXPECT_NE(trackInfo.find("Codec ID: " + std::string(codec)), std::string::npos) << info;
            EXPECT_NE(trackInfo.find("Language: jpn"), std::string::npos) << info;
        }
    }
}

// MP4 carries its own text track, with the language and without markup.
TEST_F(SubtitleTracks, Mp4CarriesMovText)
{
    const std::string film = clip();
    ASSERT_FALSE(film.empty()) << "make-film-clip.sh failed";
    writeFile(file("english.srt"), "1\n00:00:01,000 --> 00:00:02,000\n<b>Fireflies</b>\n");
    writeFile(file("cues.ass"), Ass);
    convert(film, file("english.mp4"), file("english.srt"));
    convert(film, file("ass.mp4"), file("cues.ass"));
    EXPECT_EQ(probeStreams(file("english.mp4")), "codec_name=h264|disposition:default=1|tag:language=und\n"
                                                 "codec_name=aac|disposition:default=1|tag:language=und\n"
                                                 "codec_name=mov_text|disposition:default=1|tag:language=eng\n");
    EXPECT_NE(probeStreams(file("ass.mp4")).find("codec_name=mov_text|disposition:default=1|tag:language=jpn"),
              std::string::npos);
    const std::vector<Cue> cues = cuesBack(file("ass.mp4"));
    ASSERT_EQ(cues.size(), 2u);
    EXPECT_EQ(cues[0].text, "Hello, world\nline two");
    EXPECT_NEAR(cues[0].start, 0.5, 0.01);
    EXPECT_NEAR(cues[1].end, 2.9, 0.01);
    EXPECT_EQ(cues[1].text, "蛍の光");
}

// Subtitles an output cannot take, or a file that cannot be read, fail the
// run with the file and line named, before anything is written.
TEST_F(SubtitleTracks, RefusesWhatItCannotWrite)
{
    const std::string film = clip();
    ASSERT_FALSE(film.empty()) << "make-film-clip.sh failed";
    writeFile(file("good.srt"), Srt);
    writeFile(file("broken.srt"), "1\n00:00:00,000 --> 00:00:01,000\na\n\n2\nno timing here\n");
    writeFile(file("broken.ass"), "[Script Info]\n");
    const std::set<std::string> before = names();
    struct Case {
        const char* out;
        const char* subtitles;
        bool burn;
        const char* reason;
    };
    for (const Case& c : {Case{"a.avi", "good.srt", false, "an AVI keeps the disc's pictures"},
                          Case{"a.avi", "good.srt", true, "an AVI keeps the disc's pictures"},
                          Case{"a.mkv", "broken.srt", false, "broken.srt', line 6: a cue has no timing line"},
                          Case{"a.mp4", "broken.srt", true, "line 6"},
                          Case{"a.mkv", "broken.ass", false, "broken.ass': it has no [Events] section"},
                          Case{"a.mp4", "missing.srt", false, "missing.srt': it cannot be read"},
                          Case{"a.mp4", "", true, "no subtitle file named"}}) {
        SCOPED_TRACE(std::string(c.out) + " " + c.subtitles);
        hotaru::ConvertOptions options;
        options.subtitles = *c.subtitles ? file(c.subtitles) : std::string();
        options.burnSubtitles = c.burn;
        std::string error;
        EXPECT_EQ(hotaru::convertCpk(film, file(c.out), error, options), 1);
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        EXPECT_EQ(names(), before);
    }
    const std::string exe = shellQuoted(CPK2AVI_EXE) + " ";
    const std::string io = shellQuoted(film) + " " + shellQuoted(file("a.mkv"));
    EXPECT_EQ(exitCode(exe + "--burn-subtitles " + io + " 2>/dev/null"), 2);
    EXPECT_EQ(exitCode(exe + "--subtitles " + io + " 2>/dev/null"), 2);
    const std::string message =
        commandOutput(exe + "--subtitles " + shellQuoted(file("broken.srt")) + " " + io + " 2>&1; echo exit=$?");
    EXPECT_EQ(message, "cpk2avi: cannot read the subtitles " + shellQuoted(file("broken.srt")) +
                           ", line 6: a cue has no timing line HH:MM:SS,mmm --> HH:MM:SS,mmm\nexit=1\n");
    EXPECT_EQ(names(), before);
}

// Burnt in, a two-line cue shows as bright letters near the bottom of the
// pictures during its time only; the rest of each picture stays the source's.
TEST_F(SubtitleTracks, BurntInTextShowsOnlyDuringItsCue)
{
    const char* font = "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc";
    if (!fs::exists(font))
        SKIP_UNLESS_REQUIRED("no Noto Sans CJK (Debian: fonts-noto-cjk)");
    ::setenv("HOTARU_SUBTITLE_FONT", font, 1);
    const std::string film = clip();
    ASSERT_FALSE(film.empty()) << "make-film-clip.sh failed";
    writeFile(file("two.srt"), "1\n00:00:01,000 --> 00:00:02,000\n蛍の光\nFireflies\n");
    struct Case {
        const char* out;
        int scale;
        const char* streams;
    };
    for (const Case& c : {Case{"burnt.mp4", 2, "h264\naac\n"}, Case{"burnt.mkv", 1, "h264\npcm_s16le\n"}}) {
        SCOPED_TRACE(c.out);
        const std::string out = file(c.out);
        convert(film, out, file("two.srt"), c.scale, true);
        EXPECT_EQ(commandOutput("ffprobe -v error -show_entries stream=codec_name -of csv=p=0 " + shellQuoted(out)),
                  c.streams);
        const int width = 160 * c.scale, height = 120 * c.scale;
        const auto gray = [&](const std::string& path) {
            return commandOutput("ffmpeg -nostdin -v error -i " + shellQuoted(path) +
                                 " -vf scale=" + std::to_string(width) + ":" + std::to_string(height) +
                                 ":flags=neighbor -fps_mode passthrough -pix_fmt gray -f rawvideo - 2>/dev/null");
        };
        const std::string source = gray(film), burnt = gray(out);
        const std::size_t frameBytes = std::size_t(width) * std::size_t(height);
        ASSERT_EQ(burnt.size(), source.size());
        ASSERT_EQ(source.size(), 45 * frameBytes);  // 3 s at 15 frames a second
        for (std::size_t frame = 0; frame < 45; ++frame) {
            // Rows holding letters much brighter than the source there.
            std::vector<bool> lettered(std::size_t(height), false);
            for (std::size_t at = 0; at < frameBytes; ++at) {
                const int was = static_cast<unsigned char>(source[frame * frameBytes + at]);
                const int is = static_cast<unsigned char>(burnt[frame * frameBytes + at]);
                if (is > 190 && is - was > 60)
                    lettered[at / std::size_t(width)] = true;
            }
            int rows = 0, bands = 0, highest = height;
            for (int y = 0; y < height; ++y) {
                rows += lettered[std::size_t(y)];
                bands += lettered[std::size_t(y)] && (y == 0 || !lettered[std::size_t(y) - 1]);
                if (lettered[std::size_t(y)])
                    highest = std::min(highest, y);
            }
            const bool during = frame >= 15 && frame < 30;
            if (during) {
                EXPECT_GE(rows, height / 8) << "frame " << frame;
                EXPECT_GE(bands, 2) << "frame " << frame;  // two lines
                EXPECT_GT(highest, height / 2) << "frame " << frame;
            } else {
                EXPECT_EQ(rows, 0) << "frame " << frame;
            }
        }
    }
    ::unsetenv("HOTARU_SUBTITLE_FONT");
}
