// The preview as the X server shows it: opened from ﾌｧｲﾙ > ﾌﾟﾚﾋﾞｭｰ on a
// stand-in disc whose movie is a real clip, its window's pixels change while
// it plays and stop changing once paused.
#include "AppTestSupport.h"
#include "TestMain.h"
#include "dialogs/PreviewWindow.h"
#include "tools/SampleArchive.h"

#include <QAction>
#include <QDir>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

// What the X server has in the window now.
QImage onScreen(QWidget* w) { return w->screen()->grabWindow(w->winId()).toImage(); }

}  // namespace

class TestPreviewFrames : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void framesChangeWhileItPlays()
    {
        QTemporaryDir tmp;
        const QString clips = tmp.filePath(QStringLiteral("clips"));
        QVERIFY(QDir().mkpath(clips));
        const QString clip = clips + u'/' + QString::fromStdString(hotaru::clipFileName(2));
        const QByteArray command = QByteArrayLiteral("'" CLIP_SCRIPT "' 2 '") + clip.toUtf8() + "' 4";
        QCOMPARE(std::system(command.constData()), 0);
        const QString archive = tmp.filePath(QStringLiteral("hotaru4"));
        hotaru::writeSampleArchive(archive.toStdString(), 1, hotaru::SampleFill::Stamped, clips.toStdString());

        FakeSystemServices services;  // no sound device: the wall clock leads
        Program program(services, true);
        program.open(services, archive);
        clickRow(program->titles, 1);
        Controls::find<QAction>(*program.window, "Preview1")->trigger();
        auto* preview = program.window->findChild<dialogs::PreviewWindow*>();
        QVERIFY(preview);
        QVERIFY(QTest::qWaitForWindowExposed(preview));
        QTRY_VERIFY_WITH_TIMEOUT(preview->player().isPlaying(), 10000);

        // A grab every 150 ms for 1.5 s of a movie whose test pattern moves each frame.
        QSet<QByteArray> seen;
        for (int i = 0; i < 10; ++i) {
            QTest::qWait(150);
            const QImage shot = onScreen(preview);
            QVERIFY(!shot.isNull());
            seen.insert(QByteArray(reinterpret_cast<const char*>(shot.constBits()), shot.sizeInBytes()));
        }
        qInfo("%lld different pictures in 10 grabs; %d frames passed over", static_cast<long long>(seen.size()),
              preview->player().droppedFrames());
        QVERIFY2(seen.size() >= 6, qPrintable(QString::number(seen.size())));

        // Paused (Space, the window's own key), the picture holds.
        preview->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(preview));
        QTest::keyClick(preview, Qt::Key_Space);
        QVERIFY(!preview->player().isPlaying());
        QTest::qWait(100);
        const QImage held = onScreen(preview);
        QTest::qWait(400);
        QCOMPARE(onScreen(preview), held);
    }
};

HOTARU_QTEST_MAIN(TestPreviewFrames)
#include "test_preview_frames.moc"
