// bench_images: how fast movies come out of disc images.
//
// Writes a disc-1 sample archive with every byte set and makes an ISO image,
// a BIN/CUE and (where chdman is installed) a CHD of it. Then, in several
// rounds over a warm cache, copies all 31 movies through the worker's copy
// code from the plain archive, the ISO and the BIN/CUE, and times
// `chdman extractcd` unpacking the CHD against copying the movies out of it.
// Every round runs each kind once, starting one kind further along each
// round. Prints the medians, their ratios and the load average around the
// rounds; exits 1 when a target is missed.
#include "BenchScratch.h"
#include "catalogue/Catalogue.h"
#include "catalogue/MovieFiles.h"
#include "extract/MovieExtraction.h"
#include "platform/Process.h"
#include "tools/SampleArchive.h"
#include "tools/SampleImage.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::int32_t Disc = 1;
using Clock = std::chrono::steady_clock;

void removeOutputs(const std::string& folder)
{
    for (const auto& e : std::filesystem::directory_iterator(folder))
        std::filesystem::remove_all(e.path());
}

double timed(const std::function<void()>& f)
{
    const auto start = Clock::now();
    f();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// All 31 movies through the worker's copy code, as bench_extract's extractionRound.
double extractionRound(const std::string& image, const std::string& folder)
{
    const hotaru::RunSnapshot run{image, Disc, {}};
    hotaru::MovieHooks hooks;
    hooks.slice = [] { return true; };
    const double s = timed([&] {
        hotaru::RunArchive archive(image);  // opened once for the round, as a run does
        for (std::int32_t n = 1; n <= hotaru::movieCount(Disc); ++n)
            hotaru::extractMovie(run, archive, n, folder, hooks);
    });
    removeOutputs(folder);
    return s;
}

// Runs f with this process's output going nowhere, so chdman's progress lines
// do not bury the results.
template <typename F>
auto quietly(F f)
{
    std::fflush(stdout);
    std::fflush(stderr);
    const int out = ::dup(1), err = ::dup(2), null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    struct Restore {
        int out, err, null;
        ~Restore()
        {
            ::dup2(out, 1);
            ::dup2(err, 2);
            ::close(out);
            ::close(err);
            ::close(null);
        }
    } restore{out, err, null};
    return f();
}

double extractRound(const std::string& chdman, const std::string& chd, const std::string& folder)
{
    const double s = timed([&] {
        const hotaru::ProgramRun r = quietly([&] {
            return hotaru::runProgram(chdman,
                                      {"extractcd", "-i", chd, "-o", folder + "x.cue", "-ob", folder + "x.bin", "-f"},
                                      {}, [] { return false; });
        });
        if (!r.started || r.exitCode != 0) {
            std::fprintf(stderr, "bench_images: chdman extractcd failed\n");
            std::exit(2);
        }
    });
    removeOutputs(folder);
    return s;
}

}  // namespace

int main(int argc, char** argv)
{
    BenchScratch scratch;
    if (!scratch.start(argc, argv, "bench_images", "the archive, its images (about 2.5 GB) and the copies"))
        return 2;
    const int rounds = scratch.rounds;
    const std::string& dir = scratch.dir;
    const std::string archive = dir + "/hotaru4", iso = dir + "/disc.iso", cue = dir + "/disc.cue",
                      chd = dir + "/disc.chd", out = dir + "/out/";
    std::filesystem::create_directory(out);
    const std::string chdman = hotaru::programOnPath("chdman");

    std::printf("writing a disc-1 sample archive (every byte set) and its images ...\n");
    std::fflush(stdout);
    hotaru::writeSampleArchive(archive, Disc, hotaru::SampleFill::Full);
    hotaru::writeIsoImage(archive, iso);
    hotaru::writeBinCue(archive, cue);
    if (!chdman.empty())
        quietly([&] { hotaru::writeChd(archive, chd); });
    else
        std::printf("chdman is not installed (package mame-tools): no CHD lines\n");

    // Warm the cache: one untimed pass of each.
    extractionRound(archive, out);
    extractionRound(iso, out);
    extractionRound(cue, out);
    // The other layouts, each against the plain archive as the BIN/CUE is.
    struct Other {
        const char* name;
        std::string image;
        std::vector<double> secs;
    };
    std::vector<Other> others{{"CloneCD (.ccd):", dir + "/disc.ccd", {}},
                              {"Alcohol 2352:", dir + "/disc.mds", {}},
                              {"Alcohol 2448:", dir + "/sub/disc.mds", {}},
                              {"Nero 2048:", dir + "/cooked.nrg", {}},
                              {"Nero 2352:", dir + "/raw.nrg", {}}};
    std::filesystem::create_directory(dir + "/sub");
    hotaru::writeCloneCd(archive, others[0].image);
    hotaru::writeMds(archive, others[1].image, 2352);
    hotaru::writeMds(archive, others[2].image, 2448);
    hotaru::writeNrg(archive, others[3].image, 2048);
    hotaru::writeNrg(archive, others[4].image, 2352);
    for (const Other& o : others)
        extractionRound(o.image, out);

    std::vector<double> plain, isoSecs, binSecs, chdSecs, extractSecs;
    struct Measure {
        std::vector<double>* secs;
        std::function<double()> round;
    };
    std::vector<Measure> measures{{&plain, [&] { return extractionRound(archive, out); }},
                                  {&isoSecs, [&] { return extractionRound(iso, out); }},
                                  {&binSecs, [&] { return extractionRound(cue, out); }}};
    for (Other& o : others)
        measures.push_back({&o.secs, [&] { return extractionRound(o.image, out); }});
    if (!chdman.empty()) {
        measures.push_back({&chdSecs, [&] { return extractionRound(chd, out); }});
        measures.push_back({&extractSecs, [&] { return extractRound(chdman, chd, out); }});
    }
    const double loadBefore = loadAverage();
    // Each round starts one further along, so no kind always goes first or
    // always meets the writeback of the same other kind.
    for (int r = 0; r < rounds; ++r)
        for (std::size_t k = 0; k < measures.size(); ++k) {
            const Measure& m = measures[(static_cast<std::size_t>(r) + k) % measures.size()];
            m.secs->push_back(m.round());
        }
    const double loadAfter = loadAverage();

    std::int64_t bytes = 0;
    for (std::int32_t n = 1; n <= hotaru::movieCount(Disc); ++n)
        bytes += hotaru::movieSize(Disc, n);
    const double mb = static_cast<double>(bytes) / 1e6;
    const double p = median(plain), i = median(isoSecs), b = median(binSecs);
    const bool isoOk = i / p <= 1.1, binOk = b / p <= 1.1;
    std::printf("31 movies, %.1f MB per round, %d rounds, warm cache (medians); load average %.2f before, %.2f after\n",
                mb, rounds, loadBefore, loadAfter);
    std::printf("plain archive:        %8.3f s  %8.1f MB/s\n", p, mb / p);
    std::printf("from the ISO image:   %8.3f s  %8.1f MB/s  time ratio %.3f (target <= 1.1)  %s\n", i, mb / i, i / p,
                isoOk ? "ok" : "MISSED");
    std::printf("from the BIN/CUE:     %8.3f s  %8.1f MB/s  time ratio %.3f (target <= 1.1)  %s\n", b, mb / b, b / p,
                binOk ? "ok" : "MISSED");
    bool othersOk = true;
    for (const Other& o : others) {
        const double t = median(o.secs);
        const bool ok = t / p <= 1.1;
        othersOk = othersOk && ok;
        std::printf("from %-17s%8.3f s  %8.1f MB/s  time ratio %.3f (target <= 1.1)  %s\n", o.name, t, mb / t, t / p,
                    ok ? "ok" : "MISSED");
    }
    bool chdOk = true;
    if (!chdman.empty()) {
        const double c = median(chdSecs), x = median(extractSecs);
        chdOk = c / x <= 1.0;
        std::printf("chdman extractcd:     %8.3f s  (unpacks the whole image: the reference)\n", x);
        std::printf("from the CHD:         %8.3f s  %8.1f MB/s  time ratio %.3f (target <= 1.0)  %s\n", c, mb / c,
                    c / x, chdOk ? "ok" : "MISSED");
    }
    return isoOk && binOk && othersOk && chdOk ? 0 : 1;
}
