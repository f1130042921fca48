// bench_preview: how soon a title's tooltip has its picture, and what
// playing a movie in the preview costs.
//
// Makes an 8-second 320x224 FILM clip (Cinepak, 16-bit stereo sound) with
// tools/make-film-clip.sh and places it as movie 1 of a stand-in disc 1,
// read once so that it is in the page cache. Then, in several rounds:
//  - the tooltip's picture: the time from asking the window's picture
//    decoder for it to its arrival, against the ffmpeg command decoding the
//    same frame from the clip on its own (process start included);
//  - playback: the preview's player plays the whole clip at its own rate into
//    a sound device that plays in real time, against `ffmpeg -re` decoding it
//    at its rate; the processor time each takes, the frames the player had
//    to pass over, and the most memory the process held.
// Prints the medians and ratios and the load average around the rounds;
// exits 1 when the picture takes longer than 100 ms, when playback takes more
// than one core, or when a frame was passed over.
#include "BenchScratch.h"
#include "app/MoviePictures.h"
#include "catalogue/Catalogue.h"
#include "dialogs/MoviePlayer.h"
#include "extract/RunArchive.h"
#include "gui/AudioOutput.h"
#include "gui/SystemServices.h"
#include "movie/MovieStream.h"
#include "platform/Process.h"
#include "tools/SampleArchive.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <chrono>
#include <fstream>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr double PictureTargetMs = 100;
constexpr double PlaybackCoreTarget = 1.0;
constexpr const char* ClipSeconds = "8";

double cpuSeconds(int who)
{
    rusage u{};
    ::getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// A sound device that plays in real time, a quarter of a second ahead.
class RealTimeSound final : public gui::AudioOutput {
public:
    RealTimeSound(int bytesPerSecond, int frameBytes, gui::SoundSource& source)
        : bytesPerSecond_(bytesPerSecond), frameBytes_(frameBytes), source_(source)
    {
        clock_.start();
    }
    qint64 playedMicroseconds() const override
    {
        const qint64 us = heard_ + (suspended_ ? 0 : clock_.nsecsElapsed() / 1000);
        // It takes what it is about to play, as a device does.
        qint64 want = (us + 250000) * bytesPerSecond_ / 1000000;
        want -= want % frameBytes_;
        if (want > taken_) {
            buffer_.resize(std::size_t(want - taken_));
            taken_ += source_.readSound(buffer_.data(), want - taken_);
        }
        return std::min(us, taken_ * 1000000 / bytesPerSecond_);
    }
    void suspend() override
    {
        heard_ = playedMicroseconds();
        suspended_ = true;
    }
    void resume() override
    {
        clock_.restart();
        suspended_ = false;
    }
    bool failed() const override { return false; }

private:
    int bytesPerSecond_;
    int frameBytes_;
    gui::SoundSource& source_;
    mutable qint64 taken_ = 0;
    mutable std::vector<char> buffer_;
    qint64 heard_ = 0;
    bool suspended_ = false;
    QElapsedTimer clock_;
};

// The system's own services with the real-time sound device.
class BenchServices final : public gui::SystemServices {
public:
    gui::BoxAnswer messageBox(QWidget* o, const QString& t, const QString& c, gui::BoxButtons b,
                              gui::BoxIcon i) override
    {
        return real_->messageBox(o, t, c, b, i);
    }
    void notify(QWidget* o, const QString& t, const QString& c, std::function<void()> d) override
    {
        real_->notify(o, t, c, std::move(d));
    }
    std::optional<QString> openFile(QWidget* o, const gui::FileRequest& r) override { return real_->openFile(o, r); }
    std::optional<QString> chooseFolder(QWidget* o, const QString& title, const QString& start) override
    {
        return real_->chooseFolder(o, title, start);
    }
    const hotaru::DriveProbe& drives() const override { return real_->drives(); }
    QStringList folderDrives() const override { return real_->folderDrives(); }
    std::unique_ptr<gui::AudioOutput> openAudio(int sampleRate, int channels, gui::SoundSource& source) override
    {
        return std::make_unique<RealTimeSound>(sampleRate * channels * 2, channels * 2, source);
    }

private:
    std::unique_ptr<gui::SystemServices> real_ = gui::makeSystemServices();
};

bool succeeded(const std::string& program, const std::vector<std::string>& args)
{
    const hotaru::ProgramRun r = hotaru::runProgram(program, args, {}, [] { return false; });
    return r.started && r.exitCode == 0;
}

// Milliseconds from asking for movie 1's picture to its arrival, with a
// decoder that has seen nothing yet.
double pictureMs(const QString& archive)
{
    app::MoviePictures pictures;
    const auto opened = std::make_shared<hotaru::SharedArchive>(archive.toStdString());  // opened by the first read
    QEventLoop loop;
    QObject::connect(&pictures, &app::MoviePictures::ready, &loop, &QEventLoop::quit);
    QElapsedTimer t;
    t.start();
    if (!pictures.picture(opened, 1, 1))
        loop.exec();
    const double ms = double(t.nsecsElapsed()) / 1e6;
    if (const auto p = pictures.picture(opened, 1, 1); !p || p->image.isNull()) {
        std::fprintf(stderr, "bench_preview: the movie gave no picture\n");
        std::exit(2);
    }
    return ms;
}

struct Playback {
    double wall = 0, cpu = 0;
    int dropped = 0;
};

Playback play(gui::SystemServices& services, const std::string& archive)
{
    auto make = [archive](const dialogs::MoviePlayer::StopAsked& stopAsked) {
        auto a = std::make_shared<hotaru::RunArchive>(archive);
        a->onStopAsked(stopAsked);
        hotaru::ArchiveRead read = [a](std::int64_t at, void* buffer, std::size_t n) { a->read(at, buffer, n); };
        return std::make_unique<hotaru::MovieStream>(read, hotaru::movieOffset(1, 1), hotaru::movieSize(1, 1));
    };
    const double cpu = cpuSeconds(RUSAGE_SELF);
    QElapsedTimer t;
    t.start();
    Playback p;
    {
        dialogs::MoviePlayer player(services, make);
        QEventLoop loop;
        QObject::connect(&player, &dialogs::MoviePlayer::finished, &loop, &QEventLoop::quit);
        QObject::connect(&player, &dialogs::MoviePlayer::damaged, &loop, &QEventLoop::quit);
        QObject::connect(&player, &dialogs::MoviePlayer::cannotOpen, &loop, &QEventLoop::quit);
        loop.exec();
        p.dropped = player.droppedFrames();
    }
    p.wall = double(t.nsecsElapsed()) / 1e9;
    p.cpu = cpuSeconds(RUSAGE_SELF) - cpu;
    return p;
}

}  // namespace

int main(int argc, char** argv)
{
    BenchScratch scratch;
    if (!scratch.start(argc, argv, "bench_preview", "a stand-in disc 1 (about 250 MB, sparse) and its clip"))
        return 2;
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    const std::string ffmpeg = onPath("ffmpeg");
    if (ffmpeg.empty()) {
        std::fprintf(stderr, "bench_preview: the ffmpeg command is missing (Debian: apt-get install ffmpeg)\n");
        return 2;
    }

    std::printf("making an %s s 320x224 Cinepak clip ...\n", ClipSeconds);
    const std::string clips = scratch.dir + "/clips";
    std::filesystem::create_directory(clips);
    const std::string clip = clips + "/" + hotaru::clipFileName(1);
    ::setenv("CLIP_SIZE", "320x224", 1);
    if (!succeeded("/bin/sh", {BENCH_CLIP_SCRIPT, "1", clip, ClipSeconds})) {
        std::fprintf(stderr, "bench_preview: make-film-clip.sh failed\n");
        return 2;
    }
    const std::string archive = scratch.dir + "/hotaru4";
    hotaru::writeSampleArchive(archive, 1, hotaru::SampleFill::Stamped, clips);
    {
        std::ifstream warm(archive, std::ios::binary);
        warm.seekg(hotaru::movieOffset(1, 1));
        std::vector<char> block(1 << 20);
        for (std::int64_t left = hotaru::movieSize(1, 1); left > 0 && warm; left -= std::int64_t(block.size()))
            warm.read(block.data(), std::streamsize(block.size()));
    }
    const double third = std::atof(ClipSeconds) / 3;

    const double loadBefore = loadAverage();
    std::vector<double> ours, reference, playCores, referenceCores;
    BenchServices services;
    Playback worst;
    for (int r = 0; r < scratch.rounds; ++r) {
        const auto timeReference = [&] {
            const auto start = std::chrono::steady_clock::now();
            if (!succeeded(ffmpeg,
                           {"-nostdin", "-loglevel", "error", "-ss", std::to_string(third), "-i", clip, "-frames:v",
                            "1", "-s", "160x112", "-f", "rawvideo", "-pix_fmt", "rgb24", "-y", "/dev/null"})) {
                std::fprintf(stderr, "bench_preview: the ffmpeg command failed\n");
                std::exit(2);
            }
            reference.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        };
        if (r % 2)
            timeReference();
        ours.push_back(pictureMs(QString::fromStdString(archive)));
        if (r % 2 == 0)
            timeReference();

        const Playback p = play(services, archive);
        playCores.push_back(p.cpu / p.wall);
        worst.dropped = std::max(worst.dropped, p.dropped);
        const double children = cpuSeconds(RUSAGE_CHILDREN);
        const auto start = std::chrono::steady_clock::now();
        succeeded(ffmpeg, {"-nostdin", "-loglevel", "error", "-re", "-i", clip, "-f", "null", "-"});
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        referenceCores.push_back((cpuSeconds(RUSAGE_CHILDREN) - children) / wall);
    }
    rusage peak{};
    ::getrusage(RUSAGE_SELF, &peak);

    const double picture = median(ours), ffmpegPicture = median(reference);
    const double cores = median(playCores), ffmpegCores = median(referenceCores);
    std::printf("tooltip picture and preview playback of an %s s 320x224 clip, %d rounds (medians); "
                "load average %.2f before, %.2f after\n",
                ClipSeconds, scratch.rounds, loadBefore, loadAverage());
    std::printf("first tooltip picture:  %7.1f ms (target <= %.0f ms)  %s\n", picture, PictureTargetMs,
                picture <= PictureTargetMs ? "ok" : "MISSED");
    std::printf("ffmpeg command, same frame: %7.1f ms (the reference)  time ratio %.3f\n", ffmpegPicture,
                picture / ffmpegPicture);
    std::printf("playback:               %7.3f cores (target <= %.1f)  %s; %d frames passed over  %s\n", cores,
                PlaybackCoreTarget, cores <= PlaybackCoreTarget ? "ok" : "MISSED", worst.dropped,
                worst.dropped == 0 ? "ok" : "MISSED");
    std::printf("ffmpeg -re, same clip:  %7.3f cores (the reference)  ratio %.3f\n", ffmpegCores, cores / ffmpegCores);
    std::printf("most memory held:       %7.1f MB (the clip: %.1f MB)\n", double(peak.ru_maxrss) / 1024,
                double(std::filesystem::file_size(clip)) / 1e6);
    return picture <= PictureTargetMs && cores <= PlaybackCoreTarget && worst.dropped == 0 ? 0 : 1;
}
