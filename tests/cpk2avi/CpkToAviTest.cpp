#include "cpk2avi/CpkToAvi.h"
#include "FilmClips.h"
#include "MovieReader.h"
#include "movie/CinepakFrame.h"

#include "FileChecks.h"
#include "ScratchDirTest.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <climits>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;

// Clips are made once for the whole suite; each test writes into a folder of its own.
class CpkToAvi : public ScratchDirTest {
protected:
    CpkToAvi() : ScratchDirTest("cpk2avi-test") {}

    static void SetUpTestSuite()
    {
        av_log_set_level(AV_LOG_QUIET);
        clips_ = freshScratchFolder("cpk2avi-clips");
    }
    static void TearDownTestSuite() { fs::remove_all(clips_); }

    // A clip from make-film-clip.sh, made on first use and only read after that;
    // empty when the script failed.
    static std::string clip(bool eightBitMono)
    {
        const fs::path path = clips_ / (eightBitMono ? "mono8.cpk" : "stereo.cpk");
        const std::string script = shellQuoted(CPK2AVI_CLIP_SCRIPT);
        const std::string command =
            eightBitMono ? "CLIP_AUDIO_BITS=8 CLIP_CHANNELS=1 " + script + " 12 " + shellQuoted(path.string()) + " 2"
                         : script + " 5 " + shellQuoted(path.string()) + " 1";
        if (!fs::exists(path) && exitCode(command) != 0)
            return {};
        return path.string();
    }

    // Converts and checks what every AVI from a FILM clip must hold.
    static Movie convertAndCheck(const std::string& film, const fs::path& out, std::size_t frames)
    {
        std::string error;
        EXPECT_EQ(hotaru::convertCpk(film, out.string(), error), 0) << error;
        const Movie cpk = readMovie(film);
        const Movie avi = readMovie(out.string());
        EXPECT_EQ(avi.format, "avi");
        EXPECT_EQ(avi.videoCodec, "cinepak");
        EXPECT_EQ(avi.videoPackets.size(), frames);
        EXPECT_EQ(avi.videoPackets.size(), cpk.videoPackets.size());
        // The clip really is padded, so the check below has something to catch.
        EXPECT_NE(hotaru::cinepakLengthField(cpk.videoPackets.at(0)), cpk.videoPackets.at(0).size());
        for (std::size_t i = 0; i < avi.videoPackets.size(); ++i)
            EXPECT_EQ(hotaru::cinepakLengthField(avi.videoPackets[i]), avi.videoPackets[i].size()) << "frame " << i;
        EXPECT_TRUE(avi.keyFrames.at(0));
        EXPECT_EQ(avi.pictures.size(), frames);
        EXPECT_TRUE(avi.pictures == cpk.pictures) << "decoded pictures differ";
        EXPECT_TRUE(avi.samples == cpk.samples) << "decoded sound differs";
        return avi;
    }

    static inline fs::path clips_;
};

TEST_F(CpkToAvi, StereoClipBecomesStandardAvi)
{
    const std::string film = clip(false);
    ASSERT_FALSE(film.empty()) << "make-film-clip.sh failed";
    const fs::path out = file("movie.avi");
    writeFile(out, "an older movie");
    const Movie avi = convertAndCheck(film, out, 15);
    EXPECT_EQ(avi.audioCodec, "pcm_s16le");
    EXPECT_EQ(avi.channels, 2);
    EXPECT_EQ(avi.sampleRate, 22050);
    EXPECT_EQ(avi.samples.size(), 22050u * 2);  // one second
    EXPECT_EQ(names(), std::set<std::string>{"movie.avi"});
}

TEST_F(CpkToAvi, EightBitMonoClipBecomesUnsignedPcm)
{
    const std::string film = clip(true);
    ASSERT_FALSE(film.empty()) << "make-film-clip.sh failed";
    const Movie avi = convertAndCheck(film, file("mono.avi"), 30);
    EXPECT_EQ(avi.audioCodec, "pcm_u8");
    EXPECT_EQ(avi.channels, 1);
    EXPECT_EQ(avi.samples.size(), 22050u * 2);  // two seconds
}

TEST_F(CpkToAvi, FailureLeavesNoOutputAndKeepsTheOldOne)
{
    const std::string clipPath = clip(false);
    ASSERT_FALSE(clipPath.empty()) << "make-film-clip.sh failed";
    writeFile(file("notes.txt"), "these are not the movies you are looking for\n");
    const std::string film = readFile(clipPath);
    writeFile(file("cut.cpk"), film.substr(0, film.size() * 3 / 5));
    // Samples the demuxer cannot read, the very first ones included: probing
    // reads those ahead and must not swallow a bad one.
    const auto damaged = [&](const char* name, auto&& damage) {
        std::string bytes = film;
        damage(bytes);
        writeFile(file(name), bytes);
    };
    const auto beyondTheEnd = [](bool sound) {
        return [sound](std::string& b) { putBe32(b, sampleRecord(b, sound), 0x7FFF0000); };
    };
    damaged("lost-frame.cpk", beyondTheEnd(false));
    damaged("lost-sound.cpk", beyondTheEnd(true));
    // Headers no AVI can carry.
    damaged("no-width.cpk", [](std::string& b) { putBe32(b, b.find("FDSC") + 16, 0); });
    damaged("tall.cpk", [](std::string& b) { putBe32(b, b.find("FDSC") + 12, 65536); });
    damaged("jump.cpk", [](std::string& b) {
        const std::size_t at = sampleRecord(b, false, 1) + 8;
        putBe32(b, at, (be32(b, at) & 0x80000000) | 0x7FF00000);
    });
    // The writer counts a late first frame into the gap before the second.
    damaged("late-start.cpk", [](std::string& b) { putBe32(b, sampleRecord(b, false) + 8, 70000); });
    writeFile(file("movie.cpk"), film);
    writeFile(file("keep.avi"), "precious");
    const std::set<std::string> before = names();
    // The temporary beside a name this long must be shortened to fit.
    const std::string longName = std::string(NAME_MAX - 4, 'n') + ".avi";

    for (const char* input : {"notes.txt", "missing.cpk", "cut.cpk", "lost-frame.cpk", "lost-sound.cpk", "no-width.cpk",
                              "tall.cpk", "jump.cpk", "late-start.cpk"}) {
        SCOPED_TRACE(input);
        for (const std::string& output : {std::string("keep.avi"), std::string("new.avi"), longName}) {
            std::string error;
            EXPECT_EQ(hotaru::convertCpk(file(input), file(output), error), 1);
            EXPECT_NE(error.find(input), std::string::npos) << error;
            EXPECT_EQ(error.find("cannot write"), std::string::npos) << error;
            EXPECT_EQ(error.find('\n'), std::string::npos);
            EXPECT_EQ(readFile(file("keep.avi")), "precious");
            EXPECT_EQ(names(), before);
        }
    }
    std::string error;
    hotaru::convertCpk(file("notes.txt"), file("new.avi"), error);
    EXPECT_NE(error.find("not a FILM/CPK file"), std::string::npos) << error;

    // The last step fails before the index is written: the AVI would not play.
    const hotaru::TrailerWriter failing = [](AVFormatContext*) { return AVERROR(EIO); };
    for (const char* output : {"keep.avi", "new.avi"}) {
        SCOPED_TRACE(output);
        EXPECT_EQ(hotaru::convertCpk(file("movie.cpk"), file(output), error, {}, failing), 1);
        EXPECT_NE(error.find("cannot write '" + file(output) + "'"), std::string::npos) << error;
        EXPECT_TRUE(readFile(file("keep.avi")) == "precious");
        EXPECT_TRUE(readFile(file("movie.cpk")) == film);
        EXPECT_EQ(names(), before);
    }
}

TEST_F(CpkToAvi, CommandLineExitCodes)
{
    const std::string film = clip(false);
    ASSERT_FALSE(film.empty()) << "make-film-clip.sh failed";
    const std::string exe = shellQuoted(CPK2AVI_EXE);
    const std::string quiet = " 2>" + shellQuoted(file("stderr.txt"));
    EXPECT_EQ(exitCode(exe + quiet), 2);
    EXPECT_EQ(exitCode(exe + " a b c" + quiet), 2);

    writeFile(file("notes.txt"), "plain text\n");
    EXPECT_EQ(exitCode(exe + " " + shellQuoted(file("notes.txt")) + " " + shellQuoted(file("bad.avi")) + quiet), 1);
    const std::string message = readFile(file("stderr.txt"));
    EXPECT_EQ(message.rfind("cpk2avi: ", 0), 0u) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
    EXPECT_FALSE(fs::exists(file("bad.avi")));

    EXPECT_EQ(exitCode(exe + " " + shellQuoted(film) + " " + shellQuoted(file("good.avi")) + quiet), 0);
    EXPECT_GT(fs::file_size(file("good.avi")), 0u);

    // The disk fills up while the index is written at the end; the same past
    // a size limit, whether the caller ignores the signal that brings or not.
    const std::string whole = readFile(file("good.avi"));
    const std::size_t index = whole.rfind("idx1");
    ASSERT_NE(index, std::string::npos);
    for (const bool ignored : {true, false}) {
        SCOPED_TRACE(ignored ? "SIGXFSZ ignored" : "SIGXFSZ at its default");
        {
            const FileSizeLimit full(index + (whole.size() - index) / 2, ignored);
            EXPECT_EQ(exitCode(exe + " " + shellQuoted(film) + " " + shellQuoted(file("full.avi")) + quiet), 1);
        }
        const std::string full = readFile(file("stderr.txt"));
        EXPECT_NE(full.find("cannot write '" + file("full.avi") + "'"), std::string::npos) << full;
        EXPECT_FALSE(fs::exists(file("full.avi")));
    }

    // A read-only output is refused by its mode, so even root keeps it.
    const fs::path locked = file("locked.avi");
    writeFile(locked, "precious");
    fs::permissions(locked, ReadOnlyFile);
    EXPECT_EQ(exitCode(exe + " " + shellQuoted(film) + " " + shellQuoted(locked.string()) + quiet), 1);
    const std::string refusal = readFile(file("stderr.txt"));
    EXPECT_NE(refusal.find("read-only"), std::string::npos) << refusal;
    EXPECT_EQ(std::count(refusal.begin(), refusal.end(), '\n'), 1) << refusal;
    EXPECT_EQ(readFile(locked), "precious");
    EXPECT_EQ(fs::status(locked).permissions(), ReadOnlyFile);
    EXPECT_EQ(names(), (std::set<std::string>{"good.avi", "locked.avi", "notes.txt", "stderr.txt"}));
}

TEST_F(CpkToAvi, OutputNamesUpToTheLimitGetTemporariesThatFit)
{
    const std::string film = clip(false);
    ASSERT_FALSE(film.empty()) << "make-film-clip.sh failed";
    // The shortest name whose temporary must be cut, and the longest.
    for (const std::size_t length : {250, NAME_MAX}) {
        const std::string name = std::string(length - 4, 'm') + ".avi";
        std::string error;
        EXPECT_EQ(hotaru::convertCpk(film, file(name), error), 0) << error;
        EXPECT_EQ(names(), std::set<std::string>{name});
        fs::remove(file(name));
    }

    // A name of three-byte characters, whose temporary is cut between them
    // (tests/platform checks the cut itself).
    std::string wide = "a";
    while (wide.size() + 3 + 4 <= NAME_MAX)
        wide += "\xE5\x8B\x95";  // U+52D5
    wide += ".avi";
    std::string error;
    EXPECT_EQ(hotaru::convertCpk(film, file(wide), error), 0) << error;
    EXPECT_EQ(names(), std::set<std::string>{wide});
}
