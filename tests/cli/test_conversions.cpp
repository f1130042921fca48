// The command line's conversions and movie lengths, on archives whose movies
// start with real FILM clips (made with ffmpeg).
#include "CommandLineRun.h"
#include "MovieReader.h"
#include "RequiredTools.h"

#include "movie/FilmHeader.h"
#include "movie/MovieStream.h"
#include "movie/MovieThumbnail.h"
#include "tools/SampleImage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

class CommandLineAvi : public CommandLineRun {
protected:
    void SetUp() override
    {
        CommandLineRun::SetUp();
        if (runProgram({"/bin/sh", "-c", "command -v ffmpeg"}).status != 0)
            SKIP_UNLESS_REQUIRED("ffmpeg makes the clips");
    }

    fs::path clips() const { return dir / "clips"; }

    // Movie n's real FILM clip, `seconds` long, for archive(1, clips()).
    void clip(int n, const std::string& seconds = "1")
    {
        fs::create_directories(clips());
        const ProgramOutcome r = runProgram(
            {"/bin/sh", HOTARU_CLIP_SCRIPT, std::to_string(n), (clips() / hotaru::clipFileName(n)).string(), seconds});
        EXPECT_EQ(r.status, 0) << r.err;
    }

    // A disc 1 archive whose movies `movies` start with real FILM clips.
    std::string filmArchive(std::initializer_list<int> movies)
    {
        for (const int n : movies)
            clip(n);
        return archive(1, clips().string());
    }
};

// Each movie's length comes from its FILM header, read through the archive
// or the image; a movie without one, or whose header lies on a damaged
// sector, shows "-:--" and the list goes on.
TEST_F(CommandLineAvi, ListShowsTheLengthFromEachMoviesHeader)
{
    clip(4, "1");
    clip(6, "2.6");  // 39 frames at 15 a second: 0:03 rounded
    const std::string path = archive(1, clips().string());
    const auto checkLengths = [](const ProgramOutcome& r, const std::string& fourth) {
        ASSERT_EQ(r.status, 0) << r.err;
        std::istringstream lines(r.out);
        std::string line;
        std::getline(lines, line);
        int n = 0;
        while (std::getline(lines, line)) {
            ++n;
            const std::string length = n == 4 ? fourth : n == 6 ? "0:03" : "-:--";
            EXPECT_TRUE(line.ends_with(" KiB  " + length)) << line;
        }
        EXPECT_EQ(n, hotaru::movieCount(1));
    };
    checkLengths(cutter({"--list", path}), "0:01");
    // The tooltip and the preview say the same.
    const hotaru::ArchiveRead read = [&](std::int64_t at, void* buffer, std::size_t n) {
        const std::string bytes = readPart(path, at, n);
        std::copy(bytes.begin(), bytes.end(), static_cast<char*>(buffer));
    };
    for (const auto& [n, length] : {std::pair{4, "0:01"}, {6, "0:03"}}) {
        const std::int64_t offset = hotaru::movieOffset(1, n), size = hotaru::movieSize(1, n);
        EXPECT_EQ(hotaru::lengthText(hotaru::movieThumbnail(read, offset, size).seconds), length);
        EXPECT_EQ(hotaru::lengthText(hotaru::MovieStream(read, offset, size).seconds()), length);
    }

    const std::string cue = (dir / "images" / "disc1.cue").string();
    fs::create_directories(dir / "images");
    hotaru::writeBinCue(path, cue);
    checkLengths(cutter({"--list", cue}), "0:01");

    // A byte the reader skips changes in movie 4's header: only its sector's
    // check fails. The archive starts with movie 1's stamp, in the user data
    // of a raw sector of the track.
    const std::string track = hotaru::trackFileName(cue, 1);
    const std::size_t first = readPart(track, 0, 4 << 20).find(hotaru::sampleHeader(1, 1));
    ASSERT_NE(first, std::string::npos);
    ASSERT_EQ(first % 2352, 16u);
    const std::int64_t offset = hotaru::movieOffset(1, 4);
    const std::int64_t at = static_cast<std::int64_t>(first) + offset / 2048 * 2352 + offset % 2048;
    const std::string header = slurp(clips() / hotaru::clipFileName(4)).substr(0, 16);
    ASSERT_EQ(readPart(track, at, 16), header);
    std::fstream bin(track, std::ios::binary | std::ios::in | std::ios::out);
    bin.seekp(at + 12);
    bin.put(static_cast<char>(header[12] ^ 1));
    bin.close();
    checkLengths(cutter({"--list", cue}), "-:--");
}

TEST_F(CommandLineAvi, BundledConverterLeavesOnePlayableAviPerMovie)
{
    const std::string path = filmArchive({4, 6});
    const ProgramOutcome r = cutter({"-x", path, "-o", out.string(), "--avi", "4", "6"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "written " + file(4) + "\nconverted " + file(4, ".avi") + "\nwritten " + file(6) + "\nconverted " +
                         file(6, ".avi") + "\n");
    EXPECT_EQ(namesInOut(), (std::set<std::string>{title(1, 4) + ".avi", title(1, 6) + ".avi"}));
    for (const int n : {4, 6}) {
        const Movie movie = readMovie(file(n, ".avi"));
        EXPECT_EQ(movie.videoCodec, "cinepak") << n;
        EXPECT_FALSE(movie.pictures.empty()) << n;
        EXPECT_FALSE(movie.samples.empty()) << n;
    }
}

// The archival MKV keeps the disc's Cinepak; enlarged, its pictures are H.264
// and its sound still the same samples.
TEST_F(CommandLineAvi, MkvOutputKeepsTheDiscsPicturesOrEnlargesThem)
{
    const std::string path = filmArchive({4});
    const ProgramOutcome r = cutter({"-x", path, "-o", out.string(), "--mkv", "4"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "written " + file(4) + "\nconverted " + file(4, ".mkv") + "\n");
    const Movie kept = readMovie(file(4, ".mkv"));
    EXPECT_EQ(kept.format, "matroska,webm");
    EXPECT_EQ(kept.videoCodec, "cinepak");
    EXPECT_EQ(kept.audioCodec, "pcm_s16le");

    const ProgramOutcome big = cutter({"-x", path, "-o", out.string(), "--mkv", "--scale", "2", "4"});
    ASSERT_EQ(big.status, 0) << big.err;
    const Movie enlarged = readMovie(file(4, ".mkv"));
    EXPECT_EQ(enlarged.videoCodec, "h264");
    EXPECT_EQ(enlarged.pictures.size(), kept.pictures.size());
    EXPECT_EQ(enlarged.samples, kept.samples);
    EXPECT_EQ(enlarged.audioCodec, "pcm_s16le");
    EXPECT_EQ(namesInOut(), std::set<std::string>{title(1, 4) + ".mkv"});

    // Checksums name what each run kept, merged, for sha256sum to check.
    ASSERT_EQ(cutter({"-x", path, "-o", out.string(), "--mkv", "--checksums", "4"}).status, 0);
    ASSERT_EQ(cutter({"-x", path, "-o", out.string(), "--checksums", "4"}).status, 0);
    const std::string sums = slurp(out / "SHA256SUMS");
    EXPECT_EQ(std::count(sums.begin(), sums.end(), '\n'), 2) << sums;
    EXPECT_NE(sums.find("  " + title(1, 4) + ".mkv\n"), std::string::npos) << sums;
    EXPECT_NE(sums.find("  " + title(1, 4) + ".cpk\n"), std::string::npos) << sums;
    if (std::system("command -v sha256sum >/dev/null") == 0) {
        EXPECT_EQ(std::system(("cd '" + out.string() + "' && sha256sum -c --strict --quiet SHA256SUMS").c_str()), 0);
    }
}

// Subtitles named like the movie go into its MKV; a malformed file is named
// with its line, and its movie is converted without it.
TEST_F(CommandLineAvi, SubtitlesNamedLikeTheMovieGoIntoIt)
{
    const std::string path = filmArchive({4, 6});
    const fs::path subtitles = dir / "字幕";
    fs::create_directories(subtitles);
    std::ofstream(subtitles / fsPath(title(1, 4) + ".srt")) << "1\n00:00:00,100 --> 00:00:00,900\nこんにちは\n";
    std::ofstream(subtitles / fsPath(title(1, 6) + ".srt")) << "1\n00:00:00,100 --> 00:00:00,900\nok\n\n2\nbroken\n";
    const ProgramOutcome r =
        cutter({"-x", path, "-o", out.string(), "--mkv", "--subtitles", subtitles.string(), "4", "6"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find(title(1, 6) + ".srt: line 6: a cue has no timing line"), std::string::npos) << r.err;
    const auto tracks = [](const std::string& file) {
        FILE* p =
            ::popen(("ffprobe -v error -show_entries stream=codec_name:stream_tags=language -of csv=p=0 '" + file + "'")
                        .c_str(),
                    "r");
        std::string text;
        char buf[256];
        while (p && std::fgets(buf, sizeof buf, p))
            text += buf;
        if (p)
            ::pclose(p);
        return text;
    };
    EXPECT_EQ(tracks(file(4, ".mkv")), "cinepak\npcm_s16le\nsubrip,jpn\n");
    EXPECT_EQ(tracks(file(6, ".mkv")), "cinepak\npcm_s16le\n");
}

TEST_F(CommandLineAvi, Mp4OutputGivesMoviesABrowserPlays)
{
    const std::string path = filmArchive({4});
    const ProgramOutcome r = cutter({"-x", path, "-o", out.string(), "--mp4", "4"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "written " + file(4) + "\nconverted " + file(4, ".mp4") + "\n");
    EXPECT_EQ(namesInOut(), std::set<std::string>{title(1, 4) + ".mp4"});
    const Movie movie = readMovie(file(4, ".mp4"));
    EXPECT_EQ(movie.videoCodec, "h264");
    EXPECT_EQ(movie.audioCodec, "aac");
    EXPECT_FALSE(movie.pictures.empty());

    // A failed conversion names the MP4 that was not written.
    fs::remove(file(4, ".mp4"));
    const ProgramOutcome failed = cutter({"-x", path, "-o", out.string(), "--mp4", "--converter", "false", "4"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_TRUE(contains(failed.err, file(4, ".mp4") + ": ")) << failed.err;
    EXPECT_EQ(namesInOut(), std::set<std::string>{title(1, 4) + ".cpk"});
}

TEST_F(CommandLineAvi, FailedConverterKeepsTheCopyAndGoesOn)
{
    const std::string path = filmArchive({4, 6});
    const ProgramOutcome r = cutter({"-x", path, "-o", out.string(), "--avi", "--converter", "false", "4", "6"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, file(4, ".avi") + ": ")) << r.err;
    EXPECT_TRUE(contains(r.err, file(4) + " is kept")) << r.err;
    EXPECT_TRUE(contains(r.err, "2 of 2 movies failed:")) << r.err;
    EXPECT_TRUE(copied(path, 4));
    EXPECT_TRUE(copied(path, 6));
    EXPECT_EQ(namesInOut(), (std::set<std::string>{title(1, 4) + ".cpk", title(1, 6) + ".cpk"}));

    // A converter that is not there is found out before anything is copied.
    fs::remove(file(4));
    fs::remove(file(6));
    const ProgramOutcome missing = cutter({"-x", path, "-o", out.string(), "--avi", "--converter", "/nowhere/cpk2avi"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(contains(missing.err, "/nowhere/cpk2avi")) << missing.err;
    EXPECT_TRUE(namesInOut().empty());
}

TEST_F(CommandLineAvi, InterruptEndsTheConverterAndKeepsTheCopy)
{
    const std::string path = filmArchive({4});
    const fs::path started = dir / "started";
    const fs::path converter = dir / "slow-converter";
    std::ofstream(converter) << "#!/bin/sh\nprintf partial > \"$2\"\n: > '" << started.string() << "'\nexec sleep 30\n";
    fs::permissions(converter, fs::perms::owner_all);

    ChildProgram child(
        {HOTARU_PROGRAM, "-x", path, "-o", out.string(), "--avi", "--converter", converter.string(), "4"});
    for (int i = 0; i < 400 && !fs::exists(started); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(fs::exists(started));
    ::kill(child.pid(), SIGINT);
    const ProgramOutcome r = child.wait();
    EXPECT_EQ(r.status, 130);
    EXPECT_TRUE(contains(r.err, "interrupted; " + file(4, ".avi") + " was not written")) << r.err;
    EXPECT_TRUE(copied(path, 4));
    EXPECT_EQ(namesInOut(), std::set<std::string>{title(1, 4) + ".cpk"});
}

// A translation's subtitles drawn into movie 4 of a BIN/CUE image: the copy
// reads like the disc, every other movie byte for byte, and movie 4 is a FILM
// of the disc's picture size that ffmpeg plays. The user's image is never
// written: a copy into its own folder is refused before anything is.
TEST_F(CommandLineAvi, PutBackWritesAPatchedCopyOfTheImage)
{
    const std::string plain = filmArchive({4, 6});
    const fs::path images = dir / "images";
    fs::create_directories(images);
    const std::string cue = (images / "disc1.cue").string();
    hotaru::writeBinCue(plain, cue);
    std::map<std::string, std::string> before;
    for (const auto& e : fs::directory_iterator(images))
        before[e.path().filename().string()] = slurp(e.path());
    const fs::path srt = dir / "op.srt";
    std::ofstream(srt) << "1\n00:00:00,000 --> 00:00:00,800\nHello there\nsecond line\n";
    const fs::path patched = dir / "patched";
    fs::create_directories(patched);

    const ProgramOutcome r = cutter({"--put-back", "4", srt.string(), cue, "--out", patched.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, (patched / "disc1.cue").string())) << r.out;
    EXPECT_TRUE(contains(r.out, "quality")) << r.out;

    const ProgramOutcome again = cutter({"-x", (patched / "disc1.cue").string(), "-o", out.string(), "4", "6"});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_TRUE(copied(plain, 6));
    EXPECT_FALSE(copied(plain, 4));
    const std::string movie = slurp(file(4));
    const std::string original = slurp(clips() / hotaru::clipFileName(4));
    const auto made = hotaru::readFilmHeader(reinterpret_cast<const std::uint8_t*>(movie.data()), movie.size(),
                                             static_cast<std::int64_t>(movie.size()));
    const auto old = hotaru::readFilmHeader(reinterpret_cast<const std::uint8_t*>(original.data()), original.size(),
                                            static_cast<std::int64_t>(original.size()));
    ASSERT_TRUE(made && old);
    EXPECT_EQ(std::pair(made->width, made->height), std::pair(old->width, old->height));
    EXPECT_EQ(made->audioRate, old->audioRate);
    const ProgramOutcome played =
        runProgram({"/bin/sh", "-c", "ffmpeg -nostdin -v error -i \"$0\" -f null -", file(4)});
    EXPECT_EQ(played.status, 0) << played.err;
    for (const auto& [name, bytes] : before)
        EXPECT_EQ(slurp(images / name), bytes) << name << " was changed";

    // A limit below the movie's length refuses it, naming both.
    const fs::path limited = dir / "limited";
    fs::create_directories(limited);
    const ProgramOutcome tooLong =
        cutter({"--put-back", "4", srt.string(), cue, "--out", limited.string(), "--max-seconds", "0.5"});
    EXPECT_EQ(tooLong.status, 1) << tooLong.err;
    EXPECT_TRUE(contains(tooLong.err, "1.0 seconds, longer than the limit of 0.5 seconds")) << tooLong.err;
    EXPECT_TRUE(fs::is_empty(limited));

    const ProgramOutcome own = cutter({"--put-back", "4", srt.string(), cue, "--out", images.string()});
    EXPECT_EQ(own.status, 1) << own.err;
    EXPECT_TRUE(contains(own.err, "disc1")) << own.err;
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(images))
        names.insert(e.path().filename().string());
    EXPECT_EQ(names.size(), before.size());
}

// Without a chdman to pack it, a CHD's copy comes out as BIN/CUE, and the
// command says so.
TEST_F(CommandLineAvi, PutBackIntoACHDWithoutChdmanWritesBinCue)
{
    const std::string plain = filmArchive({4});
    const fs::path images = dir / "images";
    fs::create_directories(images);
    const std::string chd = (images / "disc1.chd").string();
    try {
        hotaru::writeChd(plain, chd);
    } catch (const std::runtime_error&) {
        SKIP_UNLESS_REQUIRED("chdman makes the CHD");
    }
    const fs::path srt = dir / "op.srt";
    std::ofstream(srt) << "1\n00:00:00,000 --> 00:00:00,800\nHello\n";
    ProgramSetup noChdman;
    noChdman.env = {"PATH=" + (dir / "nowhere").string()};
    const ProgramOutcome r = cutter({"--put-back", "4", srt.string(), chd, "--out", out.string()}, noChdman);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.err, "no chdman was found, so the CHD was written as a BIN/CUE image")) << r.err;
    EXPECT_EQ(namesInOut(), (std::set<std::string>{"disc1.cue", "disc1.bin"}));
    const ProgramOutcome listed = cutter({"--list", (out / "disc1.cue").string()});
    EXPECT_EQ(listed.status, 0) << listed.err;
}
