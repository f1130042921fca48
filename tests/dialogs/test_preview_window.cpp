// The preview window: its pictures follow the sound device's clock, pause
// and seek, and a damaged movie stops with a message.
#include "DialogTestSupport.h"

#include "dialogs/PreviewWindow.h"
#include "movie/MovieStream.h"
#include "movie/SubtitleFile.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

using dialogs::MoviePlayer;
using dialogs::PreviewWindow;

namespace {

// Movie 3 for 4 s, 160x120 at 15 frames a second, stereo sound at 22050 Hz.
std::string makeClip(const QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("three.cpk"));
    const QByteArray command = QByteArrayLiteral(CLIP_SCRIPT " 3 '") + path.toUtf8() + QByteArrayLiteral("' 4");
    if (std::system(command.constData()) != 0)
        return {};
    std::ifstream in(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

MoviePlayer::StreamMaker streamOf(std::string film)
{
    return [film = std::make_shared<const std::string>(std::move(film))](const MoviePlayer::StopAsked&) {
        hotaru::ArchiveRead read = [film](std::int64_t at, void* buffer, std::size_t n) {
            if (at < 0 || at + std::int64_t(n) > std::int64_t(film->size()))
                throw std::runtime_error("outside the movie");
            std::memcpy(buffer, film->data() + at, n);
        };
        return std::make_unique<hotaru::MovieStream>(read, 0, std::int64_t(film->size()));
    };
}

// Every picture of the movie, as the stream decodes it.
std::vector<QImage> allPictures(const std::string& film)
{
    std::vector<QImage> pictures;
    auto stream = streamOf(film)({});
    while (auto piece = stream->next())
        if (piece->kind == hotaru::MoviePiece::Kind::Picture)
            pictures.push_back(
                QImage(piece->rgb.data(), stream->width(), stream->height(), stream->width() * 3, QImage::Format_RGB888)
                    .copy());
    return pictures;
}

// All the movie's sound, as the stream decodes it.
std::vector<std::int16_t> allSound(const std::string& film)
{
    std::vector<std::int16_t> sound;
    auto stream = streamOf(film)({});
    while (auto piece = stream->next())
        sound.insert(sound.end(), piece->samples.begin(), piece->samples.end());
    return sound;
}

// Deletes a window that deletes itself on close, should a failed check leave it open.
struct Owned {
    QPointer<PreviewWindow> window;
    ~Owned() { delete window.data(); }
};

}  // namespace

class TestPreviewWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        film_ = makeClip(dir_);
        QVERIFY2(!film_.empty(), "make-film-clip.sh failed");
        pictures_ = allPictures(film_);
        sound_ = allSound(film_);
        QCOMPARE(pictures_.size(), std::size_t(60));
    }

    void picturesFollowTheSoundDevicesClock()
    {
        FakeSystemServices services;
        services.sound = FakeSound{};
        auto* window = new PreviewWindow(services, QStringLiteral("蛍の舞う夜"), streamOf(film_));
        const QPointer<PreviewWindow> guard(window);
        const Owned owned{window};
        window->show();
        QCOMPARE(window->windowTitle(), QStringLiteral("ﾌﾟﾚﾋﾞｭｰ - 蛍の舞う夜"));
        MoviePlayer& player = window->player();
        QTRY_VERIFY(player.isPlaying());
        QCOMPARE(player.length(), 4.0);
        QCOMPARE(services.sound->opened, 1);
        QTRY_COMPARE(window->picture(), pictures_[0]);
        FakeSound& sound = *services.sound;

        // The device has played 1 s: the picture of 1 s shows, and no later
        // one however long the sound takes. What it took is the movie's sound
        // from the start, in order.
        sound.playTo(1000000);
        QTRY_COMPARE(window->picture(), pictures_[15]);
        QTest::qWait(300);
        QCOMPARE(window->picture(), pictures_[15]);
        QCOMPARE(player.position(), 1.0);
        QCOMPARE(control<QLabel>(*window, "Time")->text(), QStringLiteral("0:01 / 0:04"));
        QVERIFY(std::equal(sound.taken.begin(), sound.taken.end(), sound_.begin()));

        // Paused: the device is told, and the clock holds.
        QTest::keyClick(window, Qt::Key_Space);
        QVERIFY(!player.isPlaying());
        QVERIFY(sound.suspended);
        QCOMPARE(control<QPushButton>(*window, "PlayButton")->text(), QStringLiteral("再生"));
        QTest::keyClick(window, Qt::Key_Space);
        QVERIFY(player.isPlaying());
        QVERIFY(!sound.suspended);
        sound.playTo(2000000);
        QTRY_COMPARE(window->picture(), pictures_[30]);

        // A seek keeps the device. What it still holds from before is heard
        // out first, and the movie waits at the seek's time meanwhile; then
        // the sound from there plays, and the pictures with it.
        player.seek(3.0);
        QCOMPARE(services.sound->opened, 1);
        QTRY_COMPARE(window->picture(), pictures_[45]);
        const std::size_t stale = sound.taken.size();
        sound.playTo(2000000 + FakeSound::AheadMicroseconds);
        QTest::qWait(100);
        QCOMPARE(player.position(), 3.0);
        QCOMPARE(window->picture(), pictures_[45]);
        sound.playTo(2000000 + FakeSound::AheadMicroseconds + 466667);  // 7 frames on
        QTRY_COMPARE(window->picture(), pictures_[52]);
        QVERIFY(std::abs(player.position() - (3.0 + 0.466667)) < 1e-3);
        const std::size_t at3 = 3 * 22050 * 2;
        QVERIFY(std::equal(sound.taken.begin() + std::ptrdiff_t(stale), sound.taken.end(),
                           sound_.begin() + std::ptrdiff_t(at3)));

        // To the end: the device is let go.
        QSignalSpy finished(&player, &MoviePlayer::finished);
        sound.playTo(4000000);
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(window->picture(), pictures_[59]);
        QVERIFY(!player.isPlaying());
        QVERIFY(!services.sound->open);
        QCOMPARE(window->message(), QString());
        window->close();
        QTRY_VERIFY(!guard);
    }

    void closingSilencesItAtOnce()
    {
        FakeSystemServices services;
        services.sound = FakeSound{};
        auto* window = new PreviewWindow(services, QStringLiteral("t"), streamOf(film_));
        const QPointer<PreviewWindow> guard(window);
        const Owned owned{window};
        window->show();
        QTRY_VERIFY(window->player().isPlaying());
        services.sound->playTo(1500000);
        QVERIFY(!services.sound->taken.empty());
        window->close();
        QVERIFY(!services.sound->open);
        QTRY_VERIFY(!guard);
    }

    // The movie's first bytes lie on a scratch the drive keeps retrying: the
    // window still closes, and goes, at once.
    void closingWhileTheDiscIsReadWaitsForNothing()
    {
        FakeSystemServices services;
        const auto scratched = [](const MoviePlayer::StopAsked& stopAsked) -> std::unique_ptr<hotaru::MovieStream> {
            hotaru::ArchiveRead read = [stopAsked](std::int64_t, void*, std::size_t) {
                QElapsedTimer retrying;
                retrying.start();
                while (!stopAsked() && retrying.elapsed() < 60000)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                throw std::runtime_error("gave up");
            };
            return std::make_unique<hotaru::MovieStream>(read, 0, 1 << 20);
        };
        auto* window = new PreviewWindow(services, QStringLiteral("t"), scratched);
        const QPointer<PreviewWindow> guard(window);
        const Owned owned{window};
        window->show();
        QTest::qWait(200);
        QElapsedTimer closing;
        closing.start();
        window->close();
        QTRY_VERIFY_WITH_TIMEOUT(!guard, 5000);
        QVERIFY2(closing.elapsed() < 1000, qPrintable(QString::number(closing.elapsed())));
    }

    void withoutASoundDeviceTheWallClockLeads()
    {
        FakeSystemServices services;  // no device
        PreviewWindow window(services, QStringLiteral("t"), streamOf(film_));
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QSignalSpy finished(&window.player(), &MoviePlayer::finished);
        QElapsedTimer clock;
        clock.start();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 15000);
        QVERIFY2(clock.elapsed() >= 3900, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(window.picture(), pictures_[59]);
        QCOMPARE(window.message(), QStringLiteral("音声を再生できません。映像だけを再生します。"));

        // Played to the end, play starts it again.
        QTest::keyClick(&window, Qt::Key_Space);
        QVERIFY(window.player().isPlaying());
        QVERIFY(window.player().position() < 0.5);

        // Paused for longer than the leeway below, then played: on from where
        // it was paused, neither from the start nor by the time the pause took.
        QTRY_VERIFY(window.player().position() >= 2.0);
        QTest::keyClick(&window, Qt::Key_Space);
        QVERIFY(!window.player().isPlaying());
        const double pausedAt = window.player().position();
        QTest::qWait(700);
        QCOMPARE(window.player().position(), pausedAt);
        QTest::keyClick(&window, Qt::Key_Space);
        QVERIFY(window.player().isPlaying());
        const double resumedAt = window.player().position();
        QVERIFY2(resumedAt >= pausedAt && resumedAt < pausedAt + 0.5,
                 qPrintable(QStringLiteral("paused at %1, on from %2").arg(pausedAt).arg(resumedAt)));
    }

    // Subtitles show over the picture during their cue only, as they play.
    void subtitlesShowDuringTheirCue()
    {
        FakeSystemServices services;  // no device: the wall clock leads
        PreviewWindow window(services, QStringLiteral("t"), streamOf(film_));
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        const auto read =
            hotaru::parseSubtitles("1\n00:00:01,000 --> 00:00:02,000\n蛍が舞う\n二行目\n", hotaru::SubtitleFormat::Srt);
        window.setSubtitles(std::get<hotaru::Subtitles>(read));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTRY_VERIFY_WITH_TIMEOUT(window.player().position() >= 0.2, 10000);
        QVERIFY(window.player().position() < 0.9);
        QCOMPARE(window.subtitle(), QString());
        QTRY_COMPARE_WITH_TIMEOUT(window.subtitle(), QStringLiteral("蛍が舞う\n二行目"), 10000);
        QVERIFY(window.player().position() < 2.0);
        // Drawn over the picture's lower part: the same frame without it differs there only.
        QTest::keyClick(&window, Qt::Key_Space);
        auto* view = window.findChild<QWidget*>(QStringLiteral("Picture"));
        const QImage with = view->grab().toImage();
        const hotaru::Subtitles kept = std::get<hotaru::Subtitles>(read);
        window.setSubtitles({});
        Q_EMIT window.player().positionChanged(window.player().position());
        const QImage without = view->grab().toImage();
        QCOMPARE(window.subtitle(), QString());
        int above = 0, below = 0;
        for (int y = 0; y < with.height(); ++y)
            for (int x = 0; x < with.width(); ++x)
                if (with.pixel(x, y) != without.pixel(x, y))
                    ++(y < with.height() / 2 ? above : below);
        QVERIFY2(above == 0 && below > 100, qPrintable(QStringLiteral("%1 above, %2 below").arg(above).arg(below)));
        window.setSubtitles(kept);
        QTest::keyClick(&window, Qt::Key_Space);
        QTRY_VERIFY_WITH_TIMEOUT(window.player().position() >= 2.05, 10000);
        QTRY_COMPARE(window.subtitle(), QString());
    }

    void damagedMoviesStopWithAMessage()
    {
        // A frame 2 s in whose length disagrees with the frame.
        std::string broken = film_;
        const std::size_t stab = broken.find("STAB");
        std::size_t record = stab + 16;
        for (int videoSeen = 0;; record += 16)
            if (std::uint8_t(broken[record + 8]) != 0xFF && videoSeen++ == 30)
                break;
        const auto be32 = [&](std::size_t at) {
            return std::uint32_t(std::uint8_t(broken[at])) << 24 | std::uint8_t(broken[at + 1]) << 16 |
                   std::uint8_t(broken[at + 2]) << 8 | std::uint8_t(broken[at + 3]);
        };
        const std::size_t frame = be32(4) + be32(record);
        broken[frame + 1] = '\x7F';
        FakeSystemServices services;
        services.sound = FakeSound{};
        PreviewWindow window(services, QStringLiteral("t"), streamOf(broken));
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        QSignalSpy damaged(&window.player(), &MoviePlayer::damaged);
        QTRY_VERIFY(window.player().isPlaying());
        services.sound->playTo(10000000);
        QTRY_COMPARE_WITH_TIMEOUT(damaged.count(), 1, 10000);
        QCOMPARE(window.picture(), pictures_[29]);
        QCOMPARE(window.message(), QStringLiteral("ﾑｰﾋﾞｰの 0:02 から先が壊れています。"));
        QVERIFY(!window.player().isPlaying());

        PreviewWindow none(services, QStringLiteral("t"), streamOf(std::string(film_.size(), '\0')));
        none.setAttribute(Qt::WA_DeleteOnClose, false);
        QTRY_COMPARE(none.message(), QStringLiteral("ﾑｰﾋﾞｰを読み込めません。"));
        QVERIFY(!control<QPushButton>(none, "PlayButton")->isEnabled());
        // An archive that throws as it opens is the same.
        PreviewWindow unreadable(services, QStringLiteral("t"),
                                 [](const MoviePlayer::StopAsked&) -> std::unique_ptr<hotaru::MovieStream> {
                                     throw std::runtime_error("gone");
                                 });
        unreadable.setAttribute(Qt::WA_DeleteOnClose, false);
        QTRY_COMPARE(unreadable.message(), QStringLiteral("ﾑｰﾋﾞｰを読み込めません。"));
    }

private:
    QTemporaryDir dir_;
    std::string film_;
    std::vector<QImage> pictures_;
    std::vector<std::int16_t> sound_;
};

HOTARU_DIALOG_TEST_MAIN(TestPreviewWindow)
#include "test_preview_window.moc"
