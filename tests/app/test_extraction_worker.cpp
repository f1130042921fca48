// The extraction worker on its own: the priority it copies at, stopping
// after a slice, and settings read afresh for each movie.
#include "TestMain.h"
#include "WorkerTestSupport.h"
#include "tools/SampleArchive.h"

#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>

#ifdef __linux__
#include <sched.h>

using namespace app;
#endif

using namespace worker_test;

class TestExtractionWorker : public QObject {
    Q_OBJECT
    QTemporaryDir tmp;
    QString disc[2];  // the sample archive of disc 1
    QString out;      // a fresh output folder per test

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(tmp.isValid());
        disc[1] = tmp.filePath(QStringLiteral("hotaru4"));
        hotaru::writeSampleArchive(disc[1].toStdString(), 1);
    }
    void init()
    {
        static int n = 0;
        out = tmp.filePath(QStringLiteral("out%1").arg(++n));
        QVERIFY(QDir().mkpath(out));
    }

#ifdef __linux__
    void copiesRunAtIdlePriorityAndHandOffsDoNot()
    {
        class PolicyWorker : public ExtractionWorker {
        public:
            using ExtractionWorker::ExtractionWorker;
            int copying = -1, handingOff = -1;

        protected:
            hotaru::MovieEnd extractMovie(std::int32_t) override
            {
                copying = sched_getscheduler(0);
                atNormalPriority([this] { handingOff = sched_getscheduler(0); });
                return hotaru::MovieEnd::Copied;
            }
        } worker(hotaru::RunSnapshot{disc[1].toStdString(), 1, {1}});
        worker.start();
        QVERIFY(worker.wait(60000));
        QCOMPARE(worker.copying, SCHED_IDLE);
        QCOMPARE(worker.handingOff, SCHED_OTHER);
    }
#endif

    void theWorkerStopsAtTheSliceAfterInterruption()
    {
        RecordingWorker worker(hotaru::RunSnapshot{disc[1].toStdString(), 1, {1, 2}}, nullptr, QThread::NormalPriority);
        worker.settings().update({(out + u'/').toStdString(), std::nullopt, {}, {}});
        QSignalSpy completed(&worker, &ExtractionWorker::completed);
        QSignalSpy failed(&worker, &ExtractionWorker::failed);
        int steps = 0;
        int stepsAtRequest = -1;
        QObject receiver;
        // Blocking: the worker waits while the request is made, then copies no further slice.
        connect(
            &worker, &ExtractionWorker::stepped, &receiver,
            [&] {
                steps += worker.takeSteps();
                if (stepsAtRequest < 0) {
                    stepsAtRequest = steps;
                    worker.requestInterruption();
                }
            },
            Qt::BlockingQueuedConnection);
        worker.start();
        QTRY_VERIFY_WITH_TIMEOUT(worker.isFinished(), 60000);
        QCoreApplication::processEvents();
        QCOMPARE(steps + worker.takeSteps(), stepsAtRequest);
        QVERIFY(stepsAtRequest >= 1 && stepsAtRequest < 100);
        QCOMPARE(completed.size() + failed.size(), 0);
        QCOMPARE(names(out), QStringList());
    }

    void eachMovieReadsTheFolderAndTheAviSwitchAfresh()
    {
        const QString a = out + QStringLiteral("/a/");
        const QString b = out + QStringLiteral("/b/");
        QDir().mkpath(a);
        QDir().mkpath(b);
        RecordingWorker worker(hotaru::RunSnapshot{disc[1].toStdString(), 1, {4, 6, 13}}, nullptr,
                               QThread::NormalPriority);
        worker.settings().update({a.toStdString(), std::nullopt, {}, {}});
        QObject receiver;
        connect(
            &worker, &ExtractionWorker::movieWritten, &receiver,
            [&](std::int32_t n) {
                // Changed as a copy ends: the switch counts for that movie, the folder for the next.
                if (n == 4)
                    worker.settings().update({b.toStdString(), hotaru::VideoFormat::Avi, {}, {}});
                if (n == 6)
                    worker.settings().update({a.toStdString(), std::nullopt, {}, {}});
            },
            Qt::BlockingQueuedConnection);
        QSignalSpy completed(&worker, &ExtractionWorker::completed);
        worker.start();
        QTRY_VERIFY_WITH_TIMEOUT(worker.isFinished(), 60000);
        QCOMPARE(completed.size(), 1);
        QCOMPARE(names(a), (QStringList{cpk(1, 13), cpk(1, 4)}));  // sorted
        QCOMPARE(names(b), QStringList{cpk(1, 6)});
        QCOMPARE(worker.handOffs, QStringList{a + title(1, 4)});
    }

    // With checksums on, each file kept is recorded as it is finished, in a
    // list that sha256sum checks.
    void eachKeptFileGoesIntoTheChecksums()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("sha256sum")).isEmpty())
            QSKIP("sha256sum is missing");
        RecordingWorker worker(hotaru::RunSnapshot{disc[1].toStdString(), 1, {4, 6}}, nullptr, QThread::NormalPriority);
        hotaru::RunSettingsValues settings{(out + u'/').toStdString(), std::nullopt, {}, {}};
        settings.checksums = true;
        worker.settings().update(settings);
        worker.start();
        QTRY_VERIFY_WITH_TIMEOUT(worker.isFinished(), 60000);
        QStringList written{QStringLiteral("SHA256SUMS"), cpk(1, 4), cpk(1, 6)};
        written.sort();
        QCOMPARE(names(out), written);
        QProcess check;
        check.setWorkingDirectory(out);
        check.start(QStringLiteral("sha256sum"),
                    {QStringLiteral("-c"), QStringLiteral("--strict"), QStringLiteral("SHA256SUMS")});
        QVERIFY(check.waitForFinished(30000));
        const QString said = QString::fromUtf8(check.readAllStandardOutput());
        QCOMPARE(check.exitCode(), 0);
        QCOMPARE(said.count(QStringLiteral(": OK")), 2);
    }
};

HOTARU_QTEST_MAIN(TestExtractionWorker)
#include "test_extraction_worker.moc"
