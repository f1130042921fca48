// bench_mp4: how fast cpk2avi writes an MP4, against the ffmpeg command, and
// an archival MKV against that MP4.
//
// Makes a 30-second 320x224 FILM clip (Cinepak, 16-bit stereo sound) with
// tools/make-film-clip.sh. Then, in several rounds, times cpk2avi turning it
// into an MP4 and the ffmpeg command doing the same with the same settings
// (cpk2avi/Mp4Settings.h: x264's preset, crf and threads, the same RGB to YUV
// conversion, AAC at the same bit rate, the index first), the two taking
// turns at going first. Prints the medians, their ratio, whether the two
// wrote the same streams, and the load average around the rounds; exits 1
// when the ratio misses its target. Then times the same clip into an
// archival MKV, against cpk2avi's own MP4 of it.
#include "BenchScratch.h"
#include "cpk2avi/Mp4Settings.h"
#include "platform/Process.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr double TargetRatio = 1.05;
constexpr double MkvTargetRatio = 0.25;
constexpr const char* ClipSeconds = "30";
constexpr const char* ClipSize = "320x224";
constexpr int ClipChannels = 2;

double megabytes(const std::string& file) { return static_cast<double>(fs::file_size(file)) / 1e6; }

// Runs the program, exiting when it fails; returns the seconds it took.
double run(const std::string& program, const std::vector<std::string>& args)
{
    const auto start = Clock::now();
    const hotaru::ProgramRun r = hotaru::runProgram(program, args, {}, [] { return false; });
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!r.started || r.exitCode != 0) {
        std::fprintf(stderr, "bench_mp4: %s failed\n", program.c_str());
        std::exit(2);
    }
    return seconds;
}

// The ffmpeg command with cpk2avi's settings.
std::vector<std::string> ffmpegArgs(const std::string& in, const std::string& out)
{
    using S = hotaru::Mp4Settings;
    std::vector<std::string> args{"-nostdin",   "-hide_banner", "-loglevel", "error",   "-y",   "-i",           in,
                                  "-sws_flags", S::ScaleFlags,  "-pix_fmt",  "yuv420p", "-c:v", S::VideoEncoder};
    for (const auto& [name, value] : S::VideoOptions)
        args.insert(args.end(), {std::string("-") + name, value});
    args.insert(args.end(), {"-c:a", S::AudioEncoder, "-b:a", std::to_string(S::audioBitRate(ClipChannels))});
    for (const auto& [name, value] : S::MuxerOptions)
        args.insert(args.end(), {std::string("-") + name, value});
    args.push_back(out);
    return args;
}

// An MD5 of the file's streams as they are stored, whatever the container says around them.
std::string streamsDigest(const std::string& ffmpeg, const std::string& file, const std::string& dir)
{
    const std::string digest = dir + "/digest.txt";
    run(ffmpeg, {"-nostdin", "-loglevel", "error", "-y", "-i", file, "-map", "0", "-c", "copy", "-f", "md5", digest});
    std::string text(64, '\0');
    if (FILE* f = std::fopen(digest.c_str(), "r")) {
        text.resize(std::fread(text.data(), 1, text.size(), f));
        std::fclose(f);
    }
    return text;
}

}  // namespace

int main(int argc, char** argv)
{
    BenchScratch scratch;
    if (!scratch.start(argc, argv, "bench_mp4", "the clip and the two MP4s (about 30 MB)"))
        return 2;
    const int rounds = scratch.rounds;
    const std::string& dir = scratch.dir;
    const std::string ffmpeg = onPath("ffmpeg");
    if (ffmpeg.empty()) {
        std::fprintf(stderr, "bench_mp4: the ffmpeg command is missing (Debian: apt-get install ffmpeg)\n");
        return 2;
    }
    const std::string clip = dir + "/clip.cpk", ours = dir + "/cpk2avi.mp4", theirs = dir + "/ffmpeg.mp4";
    const std::string kept = dir + "/cpk2avi.mkv";

    std::printf("making a %s s %s Cinepak clip (a minute or two) ...\n", ClipSeconds, ClipSize);
    std::fflush(stdout);
    ::setenv("CLIP_SIZE", ClipSize, 1);
    ::setenv("CLIP_CHANNELS", std::to_string(ClipChannels).c_str(), 1);
    run("/bin/sh", {BENCH_CLIP_SCRIPT, "1", clip, ClipSeconds});

    // Warm the cache: one untimed run of each.
    run(BENCH_CPK2AVI_EXE, {clip, ours});
    run(ffmpeg, ffmpegArgs(clip, theirs));
    run(BENCH_CPK2AVI_EXE, {clip, kept});
    std::vector<double> cpk2avi, reference, mkv;
    const double loadBefore = loadAverage();
    for (int r = 0; r < rounds; ++r) {
        if (r % 2 == 0)
            cpk2avi.push_back(run(BENCH_CPK2AVI_EXE, {clip, ours}));
        reference.push_back(run(ffmpeg, ffmpegArgs(clip, theirs)));
        if (r % 2 == 1)
            cpk2avi.push_back(run(BENCH_CPK2AVI_EXE, {clip, ours}));
        mkv.push_back(run(BENCH_CPK2AVI_EXE, {clip, kept}));
    }
    const double loadAfter = loadAverage();
    const bool same = streamsDigest(ffmpeg, ours, dir) == streamsDigest(ffmpeg, theirs, dir);

    const double c = median(cpk2avi), f = median(reference), ratio = c / f;
    std::printf("%s s %s clip to MP4, %d rounds (medians); load average %.2f before, %.2f after\n", ClipSeconds,
                ClipSize, rounds, loadBefore, loadAfter);
    std::printf("ffmpeg command:  %8.3f s  (the reference)\n", f);
    std::printf("cpk2avi:         %8.3f s  time ratio %.3f (target <= %.2f)  %s\n", c, ratio, TargetRatio,
                ratio <= TargetRatio ? "ok" : "MISSED");
    std::printf("streams written: %s\n", same ? "the same H.264 and AAC bytes" : "DIFFERENT from the reference");
    // The archival MKV copies the pictures and sound: it costs a small share of encoding them.
    const double k = median(mkv), mkvRatio = k / c;
    std::printf("cpk2avi to MKV:  %8.3f s  time ratio %.3f against its MP4 (target <= %.2f)  %s; %.1f MB against "
                "%.1f MB\n",
                k, mkvRatio, MkvTargetRatio, mkvRatio <= MkvTargetRatio ? "ok" : "MISSED", megabytes(kept),
                megabytes(ours));
    return ratio <= TargetRatio && mkvRatio <= MkvTargetRatio ? 0 : 1;
}
