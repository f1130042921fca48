// What the window does at start on a scratched disc: it opens, lists and
// closes without waiting for the damaged stretch. The scratch comes from
// tools/scratched_disc.cpp, preloaded.
#include "AppTestSupport.h"
#include "TestMain.h"
#include "catalogue/Catalogue.h"
#include "tools/SampleArchive.h"
#include "tools/SampleImage.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>

using namespace app;

class TestScratchedStart : public QObject {
    Q_OBJECT
    QTemporaryDir tmp;
    QString disc;  // the sample archive of disc 1

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(tmp.isValid());
        disc = tmp.filePath(QStringLiteral("disc1/hotaru4"));
        QVERIFY(QDir().mkpath(QFileInfo(disc).path()));
        hotaru::writeSampleArchive(disc.toStdString(), 1);
    }

    // The first sector of either disc never reads: the window still opens
    // and lists the disc, having read nothing of it.
    void aScratchAtTheDiscsStartHoldsNothingBack()
    {
        for (const std::int32_t n : {1, 2}) {
            const QString archive = tmp.filePath(QStringLiteral("start%1/hotaru4").arg(n));
            QVERIFY(QDir().mkpath(QFileInfo(archive).path()));
            hotaru::writeSampleArchive(archive.toStdString(), n);
            qputenv("HOTARU_SCRATCH_FILE", QFileInfo(archive).canonicalFilePath().toUtf8());
            qputenv("HOTARU_SCRATCH_FROM", "0");
            qputenv("HOTARU_SCRATCH_TO", "2048");
            qputenv("HOTARU_SCRATCH_TRY", "0");
            const auto unscratch = qScopeGuard([] { qunsetenv("HOTARU_SCRATCH_FILE"); });
            FakeSystemServices services;
            const auto window = startMainWindow(services, {archive, nullptr, {}});
            QCOMPARE(services.boxTexts(), QStringList());
            QCOMPARE(window->session().disc(), n);
            QCOMPARE(Controls(*window).titles->count(), hotaru::movieCount(n));
        }
    }

    // An image whose tables lie on a stretch that reads slowly, or never: the
    // window opens and closes at once all the same, and lists the disc once
    // it is read.
    void aScratchedImageHoldsNeitherTheWindowNorItsClose()
    {
#ifdef _WIN32
        QSKIP("the scratch is preloaded into Linux processes only");
#endif
        const QString cue = tmp.filePath(QStringLiteral("image/disc1.cue"));
        QVERIFY(QDir().mkpath(QFileInfo(cue).path()));
        hotaru::writeBinCue(disc.toStdString(), cue.toStdString());
        qputenv("HOTARU_SCRATCH_FILE", QFileInfo(QString::fromStdString(hotaru::trackFileName(cue.toStdString(), 1)))
                                           .canonicalFilePath()
                                           .toUtf8());
        qputenv("HOTARU_SCRATCH_FROM", "0");
        qputenv("HOTARU_SCRATCH_TO", QByteArray::number(2352 * 64));
        qputenv("HOTARU_SCRATCH_MS", "300");
        const auto unscratch = qScopeGuard([] {
            qunsetenv("HOTARU_SCRATCH_FILE");
            qunsetenv("HOTARU_SCRATCH_MS");
        });
        for (const char* tries : {"1", "0"}) {
            qputenv("HOTARU_SCRATCH_TRY", tries);
            FakeSystemServices services;
            QElapsedTimer took;
            took.start();
            auto window = startMainWindow(services, {cue, nullptr, {}});
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window.get()));
            qInfo("the window showed %lld ms after its start", static_cast<long long>(took.elapsed()));
            QVERIFY2(took.elapsed() < 250, qPrintable(QString::number(took.elapsed())));
            const Controls c(*window);
            QCOMPARE(c.titles->count(), 0);
            if (QByteArray(tries) == "1") {
                QTRY_COMPARE_WITH_TIMEOUT(c.titles->count(), hotaru::movieCount(1), 30000);
                QCOMPARE(window->statusText(), Ready);
                QVERIFY(services.boxes.empty());
                continue;
            }
            QTest::qWait(500);  // well into the retries
            took.restart();
            window.reset();
            qInfo("the window closed in %lld ms", static_cast<long long>(took.elapsed()));
            QVERIFY2(took.elapsed() < 1000, qPrintable(QString::number(took.elapsed())));
            QVERIFY(services.boxes.empty());
        }
    }

    // Another image opened while a scratched one is still being read: the
    // scratched one is given up without a word, and the one opened is listed.
    void anImageOpenedMeanwhileWinsOverTheOneGivenUp()
    {
#ifdef _WIN32
        QSKIP("the scratch is preloaded into Linux processes only");
#endif
        const QString scratched = tmp.filePath(QStringLiteral("given-up/disc1.iso"));
        QVERIFY(QDir().mkpath(QFileInfo(scratched).path()));
        hotaru::writeIsoImage(disc.toStdString(), scratched.toStdString());
        const QString archive2 = tmp.filePath(QStringLiteral("opened/hotaru4"));
        const QString opened = tmp.filePath(QStringLiteral("opened/disc2.iso"));
        QVERIFY(QDir().mkpath(QFileInfo(opened).path()));
        hotaru::writeSampleArchive(archive2.toStdString(), 2);
        hotaru::writeIsoImage(archive2.toStdString(), opened.toStdString());
        qputenv("HOTARU_SCRATCH_FILE", QFileInfo(scratched).canonicalFilePath().toUtf8());
        qputenv("HOTARU_SCRATCH_FROM", "0");
        qputenv("HOTARU_SCRATCH_TO", QByteArray::number(2048 * 64));
        qputenv("HOTARU_SCRATCH_MS", "300");
        qputenv("HOTARU_SCRATCH_TRY", "0");
        const auto unscratch = qScopeGuard([] {
            qunsetenv("HOTARU_SCRATCH_FILE");
            qunsetenv("HOTARU_SCRATCH_MS");
        });
        FakeSystemServices services;
        const auto window = startMainWindow(services, {scratched, nullptr, {}});
        const Controls c(*window);
        services.files = {opened};
        QElapsedTimer took;
        took.start();
        c.open->trigger();
        // Read after the scratched one on the same thread: by the time it is
        // listed, whatever the scratched one had to say has been said.
        QTRY_COMPARE_WITH_TIMEOUT(window->session().disc(), 2, 30000);
        // The scratched one gave up at its next try, not after all of them.
        qInfo("listed %lld ms after it was opened", static_cast<long long>(took.elapsed()));
        QVERIFY2(took.elapsed() < 1500, qPrintable(QString::number(took.elapsed())));
        QCOMPARE(c.titles->count(), hotaru::movieCount(2));
        QCOMPARE(window->statusText(), Ready);
        QCOMPARE(services.boxTexts(), QStringList());
    }
};

HOTARU_QTEST_MAIN(TestScratchedStart)
#include "test_scratched_start.moc"
