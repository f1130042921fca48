// bench_extract: how fast a run copies, and what it costs the window while it does.
//
// Writes a disc-1 sample archive with every byte set, warms the cache, then in
// several rounds copies all 31 movies three times: through the worker's copy
// code (extractMovie, as ExtractionWorker::extractMovie calls it) and through a plain
// read/write loop with the same buffer, both on this thread, and through a
// whole extraction worker run, its signals received on this thread as the window
// receives them. Prints the median throughputs and the ratio of the first two
// medians, the longest delay of a 10 ms timer on this thread during the
// the extraction worker runs, and how much resident memory such a run leaves behind.
// Then it times a few more whole runs while busy processes keep every core
// busy, and prints their throughput beside the unloaded one, without a target.
// Exits 1 when a target is missed.
#include "app/ExtractionWorker.h"
#include "catalogue/Catalogue.h"
#include "catalogue/MovieFiles.h"
#include "extract/CopyRange.h"
#include "tools/SampleArchive.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using app::ExtractionWorker;

namespace {

constexpr std::int32_t Disc = 1;
using Clock = std::chrono::steady_clock;

struct WorkerRound {
    double seconds = 0;
    double longestDelayMs = 0;
    long rssGrowthKiB = 0;
};

long residentKiB()
{
#ifdef __linux__
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
#else
    return 0;
#endif
}

std::int64_t totalBytes()
{
    std::int64_t sum = 0;
    for (std::int32_t n = 1; n <= hotaru::movieCount(Disc); ++n)
        sum += hotaru::movieSize(Disc, n);
    return sum;
}

void removeOutputs(const std::string& folder)
{
    for (const auto& e : std::filesystem::directory_iterator(folder))
        std::filesystem::remove(e.path());
}

[[noreturn]] void die(const char* what, const std::string& path)
{
    std::fprintf(stderr, "bench_extract: %s: %s: %s\n", what, path.c_str(), std::strerror(errno));
    std::exit(2);
}

// The yardstick: the same 101 reads and writes per movie, straight into the final name.
double referenceRound(const std::string& archive, const std::string& folder)
{
    std::vector<char> buffer(hotaru::CopyBufferSize);
    const auto start = Clock::now();
    for (std::int32_t n = 1; n <= hotaru::movieCount(Disc); ++n) {
        const std::int64_t size = hotaru::movieSize(Disc, n);
        const auto slice = static_cast<std::size_t>(size / hotaru::SlicesPerMovie);
        const auto remainder =
            static_cast<std::size_t>(size - hotaru::SlicesPerMovie * static_cast<std::int64_t>(slice));
        const int in = ::open(archive.c_str(), O_RDONLY);
        const std::string name = folder + hotaru::cpkName(hotaru::movieTitle(Disc, n));
        const int out = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (in < 0 || out < 0)
            die("open", in < 0 ? archive : name);
        ::lseek(in, hotaru::movieOffset(Disc, n), SEEK_SET);
        for (int i = 0; i <= hotaru::SlicesPerMovie; ++i) {
            const std::size_t want = i < hotaru::SlicesPerMovie ? slice : remainder;
            if (::read(in, buffer.data(), want) != static_cast<ssize_t>(want))
                die("read", archive);
            if (::write(out, buffer.data(), want) != static_cast<ssize_t>(want))
                die("write", name);
        }
        ::close(in);
        ::close(out);
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The copy code of the worker, called as ExtractionWorker::extractMovie calls it, on this thread.
double extractionRound(const std::string& archive, const std::string& folder)
{
    const hotaru::RunSnapshot run{archive, Disc, {}};
    int steps = 0;
    hotaru::MovieHooks hooks;
    hooks.copying = [] {};
    hooks.label = [](const std::string&) {};
    hooks.slice = [&] { return ++steps > 0; };
    const auto start = Clock::now();
    hotaru::RunArchive opened(archive);  // once for the round, as a run does
    for (std::int32_t n = 1; n <= hotaru::movieCount(Disc); ++n)
        hotaru::extractMovie(run, opened, n, folder, hooks);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

WorkerRound workerRound(const std::string& archive, const std::string& folder)
{
    std::vector<std::int32_t> movies;
    for (std::int32_t n = 1; n <= hotaru::movieCount(Disc); ++n)
        movies.push_back(n);

    WorkerRound round;
    const long rssBefore = residentKiB();
    QEventLoop loop;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
        round.longestDelayMs = std::max(round.longestDelayMs, sinceTick.nsecsElapsed() / 1e6 - 10.0);
        sinceTick.restart();
    });
    int steps = 0;
    bool ok = false;
    {
        auto worker = std::make_unique<ExtractionWorker>(hotaru::RunSnapshot{archive, Disc, movies});
        worker->settings().update({folder, std::nullopt, {}, {}});
        ExtractionWorker* w = worker.get();
        QObject::connect(
            w, &ExtractionWorker::stepped, &loop, [&steps, w] { steps += w->takeSteps(); }, Qt::QueuedConnection);
        QObject::connect(
            worker.get(), &ExtractionWorker::completed, &loop,
            [&] {
                ok = true;
                loop.quit();
            },
            Qt::QueuedConnection);
        QObject::connect(
            worker.get(), &ExtractionWorker::failed, &loop,
            [&](const QString& path, const QString& message) {
                std::fprintf(stderr, "bench_extract: %s: %s\n", qPrintable(path), qPrintable(message));
                loop.quit();
            },
            Qt::QueuedConnection);
        const auto start = Clock::now();
        sinceTick.start();
        ticker.start();
        worker->start();  // it lowers itself to idle priority
        loop.exec();
        round.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        ticker.stop();
        worker->wait();
    }
    if (!ok || steps != 100 * hotaru::movieCount(Disc)) {
        std::fprintf(stderr, "bench_extract: the run did not complete\n");
        std::exit(2);
    }
    round.rssGrowthKiB = residentKiB() - rssBefore;
    return round;
}

// Processes that spin until this is destroyed. They are killed with this
// process too, should it end without destroying them (std::exit, a crash).
class BusyProcesses {
public:
    explicit BusyProcesses(int count)
    {
        const pid_t parent = ::getpid();
        std::fflush(nullptr);
        for (int i = 0; i < count; ++i) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::prctl(PR_SET_PDEATHSIG, SIGKILL);
                if (::getppid() != parent)
                    ::_exit(0);
                volatile unsigned spin = 0;
                for (;;)
                    spin = spin + 1;
            }
            if (pid < 0) {
                std::perror("bench_extract: fork");
                stop();
                std::exit(2);
            }
            pids_.push_back(pid);
        }
    }
    ~BusyProcesses() { stop(); }
    BusyProcesses(const BusyProcesses&) = delete;
    BusyProcesses& operator=(const BusyProcesses&) = delete;

private:
    void stop()
    {
        for (const pid_t pid : pids_)
            ::kill(pid, SIGKILL);
        for (const pid_t pid : pids_)
            ::waitpid(pid, nullptr, 0);
        pids_.clear();
    }
    std::vector<pid_t> pids_;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int rounds = 9;
    int loadedRounds = 3;
    QString base;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--rounds" && i + 1 < argc) {
            rounds = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--loaded-rounds" && i + 1 < argc) {
            loadedRounds = std::max(0, std::atoi(argv[++i]));
        } else if (a == "--dir" && i + 1 < argc) {
            base = QString::fromLocal8Bit(argv[++i]);
        } else {
            std::fprintf(stderr,
                         "usage: bench_extract [--rounds N] [--loaded-rounds N] [--dir FOLDER]\n"
                         "  --loaded-rounds: whole runs timed with every core busy (default 3, 0 for none)\n"
                         "  FOLDER holds the 256 MB sample archive and the copies (default: a temporary folder)\n");
            return 2;
        }
    }
    QTemporaryDir dir(base.isEmpty() ? QDir::tempPath() + QStringLiteral("/hotaru-bench-XXXXXX")
                                     : base + QStringLiteral("/hotaru-bench-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_extract: cannot make a folder under %s\n", qPrintable(base));
        return 2;
    }
    const std::string archive = dir.filePath(QStringLiteral("hotaru4")).toStdString();
    const std::string folder = dir.filePath(QStringLiteral("out")).toStdString() + "/";
    std::filesystem::create_directory(folder);

    std::printf("writing a disc-1 sample archive (every byte set) ...\n");
    std::fflush(stdout);
    hotaru::writeSampleArchive(archive, Disc, hotaru::SampleFill::Full);
    // Warm the cache for both: one untimed pass of each.
    referenceRound(archive, folder);
    removeOutputs(folder);
    const long rssAtStart = residentKiB();
    const WorkerRound first = workerRound(archive, folder);
    removeOutputs(folder);

    std::vector<double> extractionSecs, referenceSecs, workerSecs;
    double longestDelay = first.longestDelayMs;
    long rssGrowth = first.rssGrowthKiB;  // the first run meets every allocation for the first time
    for (int r = 0; r < rounds; ++r) {
        // Alternate who goes first, so neither always meets the other's writeback.
        for (int k = 0; k < 2; ++k) {
            if ((r + k) % 2 == 0)
                extractionSecs.push_back(extractionRound(archive, folder));
            else
                referenceSecs.push_back(referenceRound(archive, folder));
            removeOutputs(folder);
        }
        const WorkerRound w = workerRound(archive, folder);
        removeOutputs(folder);
        workerSecs.push_back(w.seconds);
        longestDelay = std::max(longestDelay, w.longestDelayMs);
        rssGrowth = std::max(rssGrowth, w.rssGrowthKiB);
    }

    const long rssOverall = residentKiB() - rssAtStart;

    // The same whole run while other programs keep every core busy.
    const int busy = std::max(1, static_cast<int>(::sysconf(_SC_NPROCESSORS_ONLN)));
    std::vector<double> loadedSecs;
    for (int r = 0; r < loadedRounds; ++r) {
        {
            const BusyProcesses load(busy);
            loadedSecs.push_back(workerRound(archive, folder).seconds);
        }
        removeOutputs(folder);
    }

    const double mb = static_cast<double>(totalBytes()) / 1e6;
    const double cut = mb / median(extractionSecs);
    const double reference = mb / median(referenceSecs);
    const double worker = mb / median(workerSecs);
    const double ratio = cut / reference;
    const bool ratioOk = ratio >= 0.95, delayOk = longestDelay < 50, memoryOk = rssGrowth < 2048;
    std::printf("31 movies, %.1f MB per round, %d rounds, warm cache (medians)\n", mb, rounds);
    std::printf("worker's copy code:   %8.1f MB/s\n", cut);
    std::printf("reference loop:       %8.1f MB/s\n", reference);
    std::printf("ratio of the two:     %8.3f    (target >= 0.95)  %s\n", ratio, ratioOk ? "ok" : "MISSED");
    std::printf("whole worker run:     %8.1f MB/s (idle priority: yields to anything else running)\n", worker);
    if (!loadedSecs.empty()) {
        const double loaded = mb / median(loadedSecs);
        char label[40];
        std::snprintf(label, sizeof label, "  %d busy processes:", busy);
        std::printf("%-22s%8.1f MB/s (%.3f of the run above; median of %zu runs)\n", label, loaded, loaded / worker,
                    loadedSecs.size());
    }
    std::printf("longest timer delay:  %8.1f ms (target < 50)     %s\n", longestDelay, delayOk ? "ok" : "MISSED");
    std::printf("resident growth:      %8ld KiB (target < 2048)  %s  [%ld KiB over all %d worker runs]\n", rssGrowth,
                memoryOk ? "ok" : "MISSED", rssOverall, rounds + 1);
    return ratioOk && delayOk && memoryOk ? 0 : 1;
}
