// The preview through the system's real sound device: a PulseAudio server of
// the suite's own that plays into a null sink in real time, whose monitor a
// recorder listens to. A clip with a white picture and a click together at
// each whole second shows how far apart the eye and the ear get them.
//
// Built for Windows it runs under Wine, whose own PulseAudio driver plays
// into that server: there record-sink.sh makes the clip and records the
// monitor into a file, which the suite reads as it grows.
#include "DialogTestSupport.h"

#include "dialogs/MoviePlayer.h"
#include "movie/MovieStream.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

#ifndef _WIN32
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

using dialogs::MoviePlayer;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int RecordRate = 44100;

// What the sink plays, as parec hears it from the monitor, each sample with
// the moment it was heard. A small latency asked of the monitor keeps the
// null sink from playing far ahead of the moment it reports.
class SinkRecorder {
public:
#ifdef _WIN32
    // parec runs on the host, into the file record-sink.sh names: what it
    // adds from now on is heard as it arrives.
    SinkRecorder() : file_(qEnvironmentVariable("HOTARU_SINK_RECORDING"))
    {
        if (file_.fileName().isEmpty() || !file_.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            return;
        file_.seek(file_.size() - file_.size() % 2);
        reader_ = std::thread([this] {
            char buffer[4096];
            while (!stop_.load()) {
                const qint64 n = file_.read(buffer, sizeof buffer);
                if (n > 0)
                    heard(buffer, std::size_t(n));
                else
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    }
    ~SinkRecorder()
    {
        stop_.store(true);
        if (reader_.joinable())
            reader_.join();
    }
    bool started() const { return reader_.joinable(); }
#else
    SinkRecorder()
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        std::string rate = "--rate=" + std::to_string(RecordRate);
        char* argv[] = {const_cast<char*>("parec"),
                        const_cast<char*>("--device=silent.monitor"),
                        const_cast<char*>("--raw"),
                        const_cast<char*>("--format=s16le"),
                        const_cast<char*>("--channels=1"),
                        rate.data(),
                        const_cast<char*>("--latency-msec=5"),
                        nullptr};
        if (posix_spawnp(&pid_, "parec", &actions, nullptr, argv, environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        fd_ = fds[0];
        reader_ = std::thread([this] {
            char buffer[4096];
            ssize_t n;
            while ((n = ::read(fd_, buffer, sizeof buffer)) > 0)
                heard(buffer, std::size_t(n));
        });
    }
    ~SinkRecorder()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
        if (reader_.joinable())
            reader_.join();
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool started() const { return pid_ > 0; }
#endif

    // When each loud start after a quiet stretch was heard.
    std::vector<Clock::time_point> clicks() const
    {
        const std::lock_guard lock(mutex_);
        std::vector<Clock::time_point> found;
        std::size_t quiet = 0;
        for (std::size_t i = 0; i < samples_.size(); ++i) {
            if (std::abs(int(samples_[i])) >= 2000 && quiet > RecordRate / 10) {
                // The chunk that brought sample i arrived at its end.
                std::size_t chunk = 0;
                while (ends_[chunk].first <= i)
                    ++chunk;
                const double early = double(ends_[chunk].first - 1 - i) / RecordRate;
                found.push_back(ends_[chunk].second -
                                std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(early)));
            }
            quiet = std::abs(int(samples_[i])) < 2000 ? quiet + 1 : 0;
        }
        std::size_t loud = 0;
        for (auto v : samples_)
            loud += std::abs(int(v)) > 8000;
        return found;
    }

private:
    // The next bytes the monitor gave, arrived just now.
    void heard(const char* data, std::size_t n)
    {
        const Clock::time_point now = Clock::now();
        const std::lock_guard lock(mutex_);
        for (std::size_t i = 0; i < n; ++i) {
            if (!odd_) {
                carry_ = data[i];
                odd_ = true;
                continue;
            }
            const char pair[2] = {carry_, data[i]};
            std::int16_t s;
            std::memcpy(&s, pair, 2);
            samples_.push_back(s);
            odd_ = false;
        }
        ends_.emplace_back(samples_.size(), now);
    }

#ifdef _WIN32
    QFile file_;
    std::atomic<bool> stop_{false};
#else
    pid_t pid_ = -1;
    int fd_ = -1;
#endif
    std::thread reader_;
    mutable std::mutex mutex_;
    bool odd_ = false;  // a sample's first byte came alone
    char carry_ = 0;
    std::vector<std::int16_t> samples_;
    std::vector<std::pair<std::size_t, Clock::time_point>> ends_;  // samples heard by then
};

double milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

class TestSoundDevice : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void picturesAndSoundReachTheSenseTogether()
    {
#ifdef _WIN32
        const QString path = qEnvironmentVariable("HOTARU_SYNC_CLIP");
        QVERIFY2(!path.isEmpty(), "run through record-sink.sh, which makes the clip");
#else
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("clip.cpk"));
        const QByteArray command =
            QByteArrayLiteral("CLIP_SYNC=1 " CLIP_SCRIPT " 5 '") + path.toUtf8() + QByteArrayLiteral("' 4");
        QCOMPARE(std::system(command.constData()), 0);
#endif
        std::ifstream in(path.toStdString(), std::ios::binary);
        QVERIFY(in);
        auto film =
            std::make_shared<const std::string>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        const auto make = [film](const MoviePlayer::StopAsked&) {
            hotaru::ArchiveRead read = [film](std::int64_t at, void* buffer, std::size_t n) {
                std::memcpy(buffer, film->data() + at, n);
            };
            return std::make_unique<hotaru::MovieStream>(read, 0, std::int64_t(film->size()));
        };

        SinkRecorder recorder;
        QVERIFY(recorder.started());
        QTest::qWait(300);  // the recorder is listening

        const std::unique_ptr<gui::SystemServices> services = gui::makeSystemServices();
        MoviePlayer player(*services, make);
        QSignalSpy noSound(&player, &MoviePlayer::soundUnavailable);
        QSignalSpy finished(&player, &MoviePlayer::finished);
        int pictures = 0;
        std::vector<Clock::time_point> flashes;
        connect(&player, &MoviePlayer::picture, this, [&](const QImage& image) {
            ++pictures;
            if (qGray(image.pixel(image.width() / 2, image.height() / 2)) > 128)
                flashes.push_back(Clock::now());
        });
        QTRY_VERIFY_WITH_TIMEOUT(player.isPlaying(), 10000);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(noSound.count(), 0);

        // Once the device has started (it takes a moment to), the movie
        // moves at the wall clock's pace, give or take a tick.
        QTRY_VERIFY_WITH_TIMEOUT(player.position() > 0.2, 10000);
        const double startedAt = double(clock.elapsed()) / 1000, from = player.position();
        QTest::qWait(2000);
        const double wall = double(clock.elapsed()) / 1000 - startedAt, moved = player.position() - from;
        qInfo("the device took %.3f s to start; in %.3f s the movie moved %.3f s", startedAt - from, wall, moved);
        QVERIFY(std::abs(moved - wall) < 0.15);
        // And it lasts its length after that start, however long the start took.
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 15000);
        const double total = double(clock.elapsed()) / 1000, late = startedAt - from;
        qInfo("the 4 s movie played in %.3f s, %.3f s of them after the start, %d frames passed over", total,
              total - late, player.droppedFrames());
        QVERIFY(std::abs(total - late - 4.0) < 0.25);
        QCOMPARE(noSound.count(), 0);
        // Every frame shown, once.
        QCOMPARE(pictures, 60);
        QCOMPARE(player.droppedFrames(), 0);

        // Each second's flash shows within 40 ms of its click being heard.
        QTest::qWait(300);  // the last of the sound reaches the recorder
        const std::vector<Clock::time_point> clicks = recorder.clicks();
        QCOMPARE(flashes.size(), std::size_t(4));
        // The first may come as the sink wakes, before the recorder hears.
        QVERIFY(clicks.size() >= 3);
        for (std::size_t k = 1; k < 4; ++k) {
            const auto nearest = *std::min_element(clicks.begin(), clicks.end(), [&](auto a, auto b) {
                return std::abs(milliseconds(flashes[k] - a)) < std::abs(milliseconds(flashes[k] - b));
            });
            const double offset = milliseconds(flashes[k] - nearest);
            qInfo("second %zu: the picture came %+.1f ms after the sound", k, offset);
            QVERIFY2(std::abs(offset) <= 40, qPrintable(QString::number(offset)));
        }
    }
};

HOTARU_DIALOG_TEST_MAIN(TestSoundDevice)
#include "test_sound_device.moc"
