// The command line where a run can hang or lose data: a special file named
// as the archive, a folder too small for the picks, a file-size limit, and
// what it says of each in English.
#include "CommandLineRun.h"
#include "RequiredTools.h"

#include "extract/RunProgress.h"
#include "tools/SampleImage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <sys/stat.h>
#include <thread>

namespace {

// The program ended by `timeout` after ten seconds: a hang shows as 124.
ProgramOutcome within10s(std::vector<std::string> args, const ProgramSetup& setup = {})
{
    args.insert(args.begin(), {"/usr/bin/timeout", "10", HOTARU_PROGRAM});
    return runProgram(args, setup);
}

bool hasJapanese(const std::string& text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// Runs `args` with `folder` made a fresh 8 MiB file system of its own (a
// mount namespace of an unprivileged user); false when the system allows none.
bool smallFolderWorks() { return runProgram({"/usr/bin/unshare", "-Urm", "true"}).status == 0; }

ProgramOutcome inSmallFolder(const std::string& folder, std::vector<std::string> args)
{
    args.insert(args.begin(), {"/usr/bin/unshare", "-Urm", "/bin/sh", "-c",
                               "mount -t tmpfs -o size=8m tmpfs \"$1\" && shift && exec \"$@\"", "sh", folder,
                               "/usr/bin/timeout", "60", HOTARU_PROGRAM});
    return runProgram(args);
}

}  // namespace

TEST_F(CommandLineRun, SpecialFilesAreRefusedAtOnceHoweverNamed)
{
    const std::string fifo = (dir / "hotaru4.fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--list", fifo}, {"-x", fifo, "-o", out.string(), "1"}, {"--list", "/dev/zero"}}) {
        const ProgramOutcome r = within10s(args);
        EXPECT_EQ(r.status, 1) << args[0] << " " << args[1] << ": " << r.err;
        EXPECT_TRUE(contains(r.err, args[1] + ": not a file")) << r.err;
    }
    // A sheet whose track is a FIFO.
    const std::string cue = (dir / "game.cue").string();
    std::ofstream(cue) << "FILE \"track.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n";
    const std::string track = (dir / "track.bin").string();
    ASSERT_EQ(::mkfifo(track.c_str(), 0600), 0);
    const ProgramOutcome r = within10s({"--list", cue});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(contains(r.err, track + ": not a file")) << r.err;
    EXPECT_TRUE(namesInOut().empty());
}

TEST_F(CommandLineRun, SystemErrorsAreInEnglishAndNameTheFileOnce)
{
    const ProgramOutcome missing = cutter({"--list", (dir / "nowhere" / "hotaru4").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(contains(missing.err, "nowhere/hotaru4: no such folder on the way")) << missing.err;
    const std::string tooLong = (dir / std::string(300, 'x')).string();
    const ProgramOutcome longName = cutter({"--list", tooLong});
    EXPECT_TRUE(contains(longName.err, tooLong + ": file name too long")) << longName.err;
    EXPECT_FALSE(hasJapanese(missing.err + longName.err)) << missing.err << longName.err;

    // A BIN cut short inside movie 2: the failure names the BIN once.
    const std::string path = archive(1);
    const std::string cue = (dir / "game.cue").string();
    hotaru::writeBinCue(path, cue);
    const std::string bin = hotaru::trackFileName(cue, 1);
    fs::resize_file(bin, (21 + (hotaru::movieOffset(1, 2) + 4096) / 2048) * 2352);
    const ProgramOutcome r = cutter({"-x", cue, "-o", out.string(), "2"});
    EXPECT_EQ(r.status, 1);
    const auto first = r.err.find(bin);
    ASSERT_NE(first, std::string::npos) << r.err;
    const auto line = r.err.substr(first, r.err.find('\n', first) - first);
    EXPECT_EQ(line.find(bin, 1), std::string::npos) << line;
}

// The picks need more than the folder has: said before a byte is written.
TEST_F(CommandLineRun, AFolderTooSmallIsRefusedBeforeAnythingIsWritten)
{
    if (!smallFolderWorks())
        SKIP_UNLESS_REQUIRED("no mount namespace for an unprivileged user");
    const std::string path = archive(1);
    // Movies 4 and 6 fit in 8 MiB, movie 1 does not.
    const std::int64_t needed =
        std::int64_t{hotaru::movieSize(1, 4)} + hotaru::movieSize(1, 6) + hotaru::movieSize(1, 1);
    ASSERT_GT(needed, 8 << 20);
    const ProgramOutcome r = inSmallFolder(out.string(), {"-x", path, "-o", out.string(), "4", "6", "1"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(contains(r.err, "not enough free space: " + std::to_string(needed / 1024) + " KBytes needed, "))
        << r.err;
    EXPECT_TRUE(contains(r.err, "nothing was written")) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    // What fits goes through.
    const ProgramOutcome fits = inSmallFolder(out.string(), {"-x", path, "-o", out.string(), "4", "6"});
    EXPECT_EQ(fits.status, 0) << fits.err;
    // Their videos beside them would not: the check counts them too.
    const ProgramOutcome videos = inSmallFolder(out.string(), {"-x", path, "-o", out.string(), "--mp4", "4", "6"});
    EXPECT_EQ(videos.status, 1) << videos.err;
    EXPECT_TRUE(
        contains(videos.err, "not enough free space: " + std::to_string(hotaru::spaceNeeded(1, {4, 6}, true) / 1024) +
                                 " KBytes needed"))
        << videos.err;
}

// Every sector of movie 1 reads only at its fifth try, after four pauses: an
// interrupt there ends the run at once, and leaves no partial file.
TEST_F(CommandLineRun, AnInterruptOnAScratchedStretchEndsTheRunAtOnce)
{
    const std::string path = archive(1);
    ProgramSetup scratched;
    scratched.env = {"LD_PRELOAD=" HOTARU_SCRATCH_SHIM,
                     "ASAN_OPTIONS=verify_asan_link_order=0",
                     "HOTARU_SCRATCH_FILE=" + fs::canonical(path).string(),
                     "HOTARU_SCRATCH_FROM=0",
                     "HOTARU_SCRATCH_TO=" + std::to_string(hotaru::movieSize(1, 1)),
                     "HOTARU_SCRATCH_TRY=5"};
    std::ofstream(file(1)) << "older";
    ChildProgram program({HOTARU_PROGRAM, "-x", path, "-o", out.string(), "1", "4"}, scratched);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const auto interrupted = std::chrono::steady_clock::now();
    ::kill(program.pid(), SIGINT);
    const ProgramOutcome r = program.wait();
    const auto took = std::chrono::steady_clock::now() - interrupted;
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_TRUE(contains(r.err, "re-reading a sector that failed")) << r.err;
    EXPECT_TRUE(contains(r.err, "interrupted; " + file(1) + " was not written")) << r.err;
    EXPECT_LT(took, std::chrono::seconds(1));
    EXPECT_EQ(slurp(file(1)), "older");
    EXPECT_EQ(namesInOut(), std::set<std::string>{title(1, 1) + ".cpk"});
}
