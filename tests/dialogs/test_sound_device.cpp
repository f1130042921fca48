// The preview through the system's real sound device: a PulseAudio server of
// the suite's own that plays into a null sink in real time. The pictures
// follow what the device has played, so the movie lasts its length.
#include "DialogTestSupport.h"

#include "dialogs/MoviePlayer.h"
#include "movie/MovieStream.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

using dialogs::MoviePlayer;

class TestSoundDevice : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void picturesKeepInStepWithTheDevice()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("clip.cpk"));
        const QByteArray command = QByteArrayLiteral(CLIP_SCRIPT " 5 '") + path.toUtf8() + QByteArrayLiteral("' 4");
        QCOMPARE(std::system(command.constData()), 0);
        std::ifstream in(path.toStdString(), std::ios::binary);
        auto film =
            std::make_shared<const std::string>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        const auto make = [film](const MoviePlayer::StopAsked&) {
            hotaru::ArchiveRead read = [film](std::int64_t at, void* buffer, std::size_t n) {
                std::memcpy(buffer, film->data() + at, n);
            };
            return std::make_unique<hotaru::MovieStream>(read, 0, std::int64_t(film->size()));
        };

        const std::unique_ptr<gui::SystemServices> services = gui::makeSystemServices();
        MoviePlayer player(*services, make);
        QSignalSpy noSound(&player, &MoviePlayer::soundUnavailable);
        QSignalSpy finished(&player, &MoviePlayer::finished);
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
    }
};

HOTARU_DIALOG_TEST_MAIN(TestSoundDevice)
#include "test_sound_device.moc"
