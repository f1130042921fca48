#include "CinepakFrame.h"
#include "CpkToAvi.h"
#include "MovieReader.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
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
    spill(dir_ / "keep.avi", "precious");
    const std::vector<std::string> before = namesIn(dir_);

    for (const char* input : {"notes.txt", "missing.cpk", "cut.cpk"}) {
        SCOPED_TRACE(input);
        for (const char* output : {"keep.avi", "new.avi"}) {
            std::string error;
            EXPECT_EQ(hotaru::convertCpkToAvi((dir_ / input).string(), (dir_ / output).string(), error), 1);
            EXPECT_NE(error.find(input), std::string::npos) << error;
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
}
