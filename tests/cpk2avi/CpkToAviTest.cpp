#include "CinepakFrame.h"
#include "CpkToAvi.h"
#include "MovieReader.h"
#include "TempOutput.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void spill(const fs::path& p, const std::string& bytes)
{
    std::ofstream(p, std::ios::binary) << bytes;
}

std::vector<std::string> namesIn(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string shellQuoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

int exitCode(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::uint32_t be32(const std::string& b, std::size_t at)
{
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i)
        v = v << 8 | static_cast<std::uint8_t>(b.at(at + i));
    return v;
}

void putBe32(std::string& b, std::size_t at, std::uint32_t v)
{
    for (std::size_t i = 0; i < 4; ++i)
        b.at(at + i) = static_cast<char>(v >> (24 - 8 * i));
}

// In a FILM header, FDSC holds the height at +12 and the width at +16; STAB
// holds 16-byte sample records from +16 on: offset, size, time (all ones for
// sound), duration. Returns where the `nth` video or sound record starts.
std::size_t sampleRecord(const std::string& film, bool sound, int nth = 0)
{
    const std::size_t stab = film.find("STAB");
    for (std::size_t at = stab + 16; at + 16 <= film.size(); at += 16)
        if ((be32(film, at + 8) == 0xFFFFFFFF) == sound && nth-- == 0)
            return at;
    throw std::out_of_range("no such sample record");
}

}  // namespace

class CpkToAvi : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        av_log_set_level(AV_LOG_QUIET);
        root_ = fs::temp_directory_path() / ("cpk2avi-test-" + std::to_string(::getpid()));
        fs::create_directories(root_);
    }
    static void TearDownTestSuite() { fs::remove_all(root_); }

    void SetUp() override
    {
        dir_ = root_ / testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::create_directories(dir_);
    }

    // A clip from make-film-clip.sh, made on first use and only read after that;
    // empty when the script failed.
    static std::string clip(bool eightBitMono)
    {
        const fs::path path = root_ / (eightBitMono ? "mono8.cpk" : "stereo.cpk");
        const std::string script = shellQuoted(CPK2AVI_CLIP_SCRIPT);
        const std::string command = eightBitMono
            ? "CLIP_AUDIO_BITS=8 CLIP_CHANNELS=1 " + script + " 12 " + shellQuoted(path.string()) + " 2"
            : script + " 5 " + shellQuoted(path.string()) + " 1";
        if (!fs::exists(path) && exitCode(command) != 0)
            return {};
        return path.string();
    }

    // Converts and checks what every AVI from a FILM clip must hold.
    static Movie convertAndCheck(const std::string& film, const fs::path& out, std::size_t frames)
    {
        std::string error;
        EXPECT_EQ(hotaru::convertCpkToAvi(film, out.string(), error), 0) << error;
        const Movie cpk = readMovie(film);
        const Movie avi = readMovie(out.string());
        EXPECT_EQ(avi.format, "avi");
        EXPECT_EQ(avi.videoCodec, "cinepak");
        EXPECT_EQ(avi.videoPackets.size(), frames);
        EXPECT_EQ(avi.videoPackets.size(), cpk.videoPackets.size());
        // The clip really is padded, so the check below has something to catch.
        EXPECT_NE(hotaru::cinepakLengthField(cpk.videoPackets.at(0)), cpk.videoPackets.at(0).size());
        for (std::size_t i = 0; i < avi.videoPackets.size(); ++i)
            EXPECT_EQ(hotaru::cinepakLengthField(avi.videoPackets[i]), avi.videoPackets[i].size())
                << "frame " << i;
        EXPECT_TRUE(avi.keyFrames.at(0));
        EXPECT_EQ(avi.pictures.size(), frames);
        EXPECT_TRUE(avi.pictures == cpk.pictures) << "decoded pictures differ";
        EXPECT_TRUE(avi.samples == cpk.samples) << "decoded sound differs";
        return avi;
    }

    static inline fs::path root_;
    fs::path dir_;
};

TEST_F(CpkToAvi, StereoClipBecomesStandardAvi)
{
    const std::string film = clip(false);
    ASSERT_FALSE(film.empty()) << "make-film-clip.sh failed";
    const fs::path out = dir_ / "movie.avi";
    spill(out, "an older movie");
    const Movie avi = convertAndCheck(film, out, 15);
    EXPECT_EQ(avi.audioCodec, "pcm_s16le");
    EXPECT_EQ(avi.channels, 2);
    EXPECT_EQ(avi.sampleRate, 22050);
    EXPECT_EQ(avi.samples.size(), 22050u * 2);  // one second
    EXPECT_EQ(namesIn(dir_), std::vector<std::string>{"movie.avi"});
}

TEST_F(CpkToAvi, EightBitMonoClipBecomesUnsignedPcm)
{
    const std::string film = clip(true);
    ASSERT_FALSE(film.empty()) << "make-film-clip.sh failed";
    const Movie avi = convertAndCheck(film, dir_ / "mono.avi", 30);
    EXPECT_EQ(avi.audioCodec, "pcm_u8");
    EXPECT_EQ(avi.channels, 1);
    EXPECT_EQ(avi.samples.size(), 22050u * 2);  // two seconds
}

TEST_F(CpkToAvi, FailureLeavesNoOutputAndKeepsTheOldOne)
{
    const std::string clipPath = clip(false);
    ASSERT_FALSE(clipPath.empty()) << "make-film-clip.sh failed";
    spill(dir_ / "notes.txt", "these are not the movies you are looking for\n");
    const std::string film = slurp(clipPath);
    spill(dir_ / "cut.cpk", film.substr(0, film.size() * 3 / 5));
    // Samples the demuxer cannot read, the very first ones included: probing
    // reads those ahead and must not swallow a bad one.
    const auto damaged = [&](const char* name, auto&& damage) {
        std::string bytes = film;
        damage(bytes);
        spill(dir_ / name, bytes);
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
    spill(dir_ / "keep.avi", "precious");
    const std::vector<std::string> before = namesIn(dir_);
    // The temporary beside a name this long must be shortened to fit.
    const std::string longName = std::string(NAME_MAX - 4, 'n') + ".avi";

    for (const char* input : {"notes.txt", "missing.cpk", "cut.cpk", "lost-frame.cpk", "lost-sound.cpk",
                              "no-width.cpk", "tall.cpk", "jump.cpk", "late-start.cpk"}) {
        SCOPED_TRACE(input);
        for (const std::string& output : {std::string("keep.avi"), std::string("new.avi"), longName}) {
            std::string error;
            EXPECT_EQ(hotaru::convertCpkToAvi((dir_ / input).string(), (dir_ / output).string(), error), 1);
            EXPECT_NE(error.find(input), std::string::npos) << error;
            EXPECT_EQ(error.find("cannot write"), std::string::npos) << error;
            EXPECT_EQ(error.find('\n'), std::string::npos);
            EXPECT_EQ(slurp(dir_ / "keep.avi"), "precious");
            EXPECT_EQ(namesIn(dir_), before);
        }
    }
    std::string error;
    hotaru::convertCpkToAvi((dir_ / "notes.txt").string(), (dir_ / "new.avi").string(), error);
    EXPECT_NE(error.find("not a FILM/CPK file"), std::string::npos) << error;
}

TEST_F(CpkToAvi, CommandLineExitCodes)
{
    const std::string film = clip(false);
    ASSERT_FALSE(film.empty()) << "make-film-clip.sh failed";
    const std::string exe = shellQuoted(CPK2AVI_EXE);
    const std::string quiet = " 2>" + shellQuoted((dir_ / "stderr.txt").string());
    EXPECT_EQ(exitCode(exe + quiet), 2);
    EXPECT_EQ(exitCode(exe + " a b c" + quiet), 2);

    spill(dir_ / "notes.txt", "plain text\n");
    EXPECT_EQ(exitCode(exe + " " + shellQuoted((dir_ / "notes.txt").string()) + " "
                       + shellQuoted((dir_ / "bad.avi").string()) + quiet),
              1);
    const std::string message = slurp(dir_ / "stderr.txt");
    EXPECT_EQ(message.rfind("cpk2avi: ", 0), 0u) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
    EXPECT_FALSE(fs::exists(dir_ / "bad.avi"));

    EXPECT_EQ(exitCode(exe + " " + shellQuoted(film) + " "
                       + shellQuoted((dir_ / "good.avi").string()) + quiet),
              0);
    EXPECT_GT(fs::file_size(dir_ / "good.avi"), 0u);

    // A read-only output is refused by its mode, so even root keeps it.
    const fs::path locked = dir_ / "locked.avi";
    spill(locked, "precious");
    const auto readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    fs::permissions(locked, readOnly);
    EXPECT_EQ(exitCode(exe + " " + shellQuoted(film) + " " + shellQuoted(locked.string()) + quiet), 1);
    const std::string refusal = slurp(dir_ / "stderr.txt");
    EXPECT_NE(refusal.find("read-only"), std::string::npos) << refusal;
    EXPECT_EQ(std::count(refusal.begin(), refusal.end(), '\n'), 1) << refusal;
    EXPECT_EQ(slurp(locked), "precious");
    EXPECT_EQ(fs::status(locked).permissions(), readOnly);
    EXPECT_EQ(namesIn(dir_), (std::vector<std::string>{"good.avi", "locked.avi", "notes.txt", "stderr.txt"}));
}

TEST_F(CpkToAvi, OutputNamesUpToTheLimitGetTemporariesThatFit)
{
    const std::string film = clip(false);
    ASSERT_FALSE(film.empty()) << "make-film-clip.sh failed";
    // The shortest name whose temporary must be cut, and the longest.
    for (const std::size_t length : {250, NAME_MAX}) {
        const std::string name = std::string(length - 4, 'm') + ".avi";
        std::string error;
        EXPECT_EQ(hotaru::convertCpkToAvi(film, (dir_ / name).string(), error), 0) << error;
        EXPECT_EQ(namesIn(dir_), std::vector<std::string>{name});
        fs::remove(dir_ / name);
    }

    // Cut between characters, still one per run, and found by the stop signal's cleanup.
    std::string wide = "a";
    while (wide.size() + 3 + 4 <= NAME_MAX)
        wide += "\xE5\x8B\x95";  // U+52D5
    wide += ".avi";
    const std::string finalPath = (dir_ / wide).string();
    {
        hotaru::TempOutput first(finalPath);
        hotaru::TempOutput second(finalPath);
        EXPECT_NE(first.path(), second.path());
        for (const std::string& temp : {first.path(), second.path()}) {
            const std::string name = fs::path(temp).filename().string();
            EXPECT_LE(name.size(), std::size_t{NAME_MAX});
            const std::string kept = name.substr(0, name.rfind('~'));
            EXPECT_EQ(wide.rfind(kept, 0), 0u) << name;
            EXPECT_NE(static_cast<std::uint8_t>(wide.at(kept.size())) & 0xC0, 0x80) << name;
            EXPECT_TRUE(fs::exists(temp));
        }
        hotaru::removeActiveTempOutput();
        EXPECT_FALSE(fs::exists(second.path()));
    }
    EXPECT_TRUE(namesIn(dir_).empty());
}
