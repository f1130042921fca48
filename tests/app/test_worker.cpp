// The extraction run: what "実行" writes, what the window shows, and how a run
// survives failures, File > Open and closing the window.
#include "Archive.h"
#include "Form1.h"
#include "SampleArchive.h"
#include "SystemSeams.h"
#include "TestMain.h"
#include "TestSupport.h"
#include "WorkerTestSupport.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>

#include <optional>

#ifdef __linux__
#include <sched.h>
#endif

namespace fs = std::filesystem;
using namespace worker_test;

namespace {

const QString Done = QStringLiteral("ファイルの作成が終了しました。");

enum Failure { MissingArchive, MissingFolder, FolderInTheWay, ShortArchive, DiskFull };

}  // namespace

class TestWorker : public QObject {
    Q_OBJECT
    QTemporaryDir tmp;
    QString disc[3];  // sample archives of discs 1 and 2
    QString out;      // a fresh output folder per test

    std::unique_ptr<TForm1> makeForm(int variant)
    {
        auto drives = std::make_unique<FakeDrives>();
        const std::string root = QFileInfo(disc[variant]).absolutePath().toStdString();
        drives->rootList = {root};
        drives->cdroms = {root};
        drives->files = {hotaru::joinRoot(root, hotaru::ArchiveFileName)};
        seams::replaceDrives(std::move(drives));
        auto form = std::make_unique<TForm1>();  // its start-up empties OutputFolder
        if (ArchivePath != disc[variant])
            qWarning("discovery did not find the sample archive");
        OutputFolder = out + u'/';
        return form;
    }
    static void pick(TForm1& form, std::initializer_list<std::int32_t> movies)
    {
        for (const std::int32_t n : movies) {
            selectRow(form.ListBox1, n - 1);
            form.Button2Click();
        }
    }
    static void waitForTheEnd(TForm1& form) { QTRY_VERIFY_WITH_TIMEOUT(!form.isRunning(), 300000); }

    // Idle after a run, whatever its outcome.
    static void verifyIdle(TForm1& form)
    {
        QVERIFY(form.ListBox1->isEnabled() && form.ListBox2->isEnabled());
        QVERIFY(form.Button2->isEnabled() && form.Button5->isEnabled() && form.Button6->isEnabled());
        QVERIFY(!form.Button3->isEnabled());
        QCOMPARE(form.ProgressBar1->value(), 0);
        QCOMPARE(form.Label2->text(), QString());
        for (QWidget* w : std::initializer_list<QWidget*>{&form, form.ListBox1, form.ListBox2, form.Button2,
                                                          form.Button3, form.Button4, form.Button5, form.Button6,
                                                          form.StatusBar1, form.ProgressBar1})
            QVERIFY2(!hourglass(w), qPrintable(w->objectName()));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(tmp.isValid());
        QDir::setCurrent(tmp.path());  // whatever lands in the current directory is cleaned up too
        for (int v : {1, 2}) {
            QDir(tmp.path()).mkpath(QStringLiteral("disc%1").arg(v));
            disc[v] = tmp.filePath(QStringLiteral("disc%1/hotaru4").arg(v));
            hotaru::writeSampleArchive(disc[v].toStdString(), v);
        }
    }
    void init()
    {
        static int n = 0;
        out = tmp.filePath(QStringLiteral("out%1").arg(++n));
        QVERIFY(QDir().mkpath(out));
        PickList.clear();
    }
    void cleanup()
    {
        seams::replaceDrives(nullptr);
        fs::remove_all(out.toStdString());
    }

    void theRunEndsOnItsOwnMessageWhateverWasSelected()
    {
        PromptsScope prompts;
        auto form = makeForm(1);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        pick(*form, {1, 2, 3});
        QListWidget* right = form->ListBox2;
        QTest::mouseClick(right->viewport(), Qt::LeftButton, {}, right->visualItemRect(right->item(1)).center());
        QCOMPARE(selectedRow(right), 1);
        form->Button4->click();
        waitForTheEnd(*form);
        QCOMPARE(form->StatusText(), QStringLiteral("終了しました。"));
        QCOMPARE(selectedRow(form->ListBox1), 0);
        QCOMPARE(selectedRow(right), -1);
        QCOMPARE(right->count(), 0);
    }

#ifdef __linux__
    void copiesRunAtIdlePriorityAndHandOffsDoNot()
    {
        class PolicyThread : public TCutThread {
        public:
            using TCutThread::TCutThread;
            int copying = -1, handingOff = -1;

        protected:
            void CutMovie(std::int32_t) override
            {
                copying = sched_getscheduler(0);
                atNormalPriority([this] { handingOff = sched_getscheduler(0); });
            }
        } worker(hotaru::RunSnapshot{disc[1].toStdString(), 1, {1}});
        worker.start();
        QVERIFY(worker.wait(60000));
        QCOMPARE(worker.copying, SCHED_IDLE);
        QCOMPARE(worker.handingOff, SCHED_OTHER);
    }
#endif

    void everyMovieOfADiscIsCopiedByteExact_data()
    {
        QTest::addColumn<int>("variant");
        QTest::newRow("disc 1, 31 movies") << 1;
        QTest::newRow("disc 2, 19 movies") << 2;
    }
    void everyMovieOfADiscIsCopiedByteExact()
    {
        QFETCH(int, variant);
        PromptsScope prompts;
        auto form = makeForm(variant);
        form->Button5Click();
        const std::int32_t count = hotaru::movieCount(variant);
        QStringList statuses;
        QList<int> bar;
        connect(form->StatusBar1, &QStatusBar::messageChanged, this, [&](const QString& s) { statuses << s; });
        connect(form->ProgressBar1, &QProgressBar::valueChanged, this, [&](int v) { bar << v; });
        struct AtBox {
            QString status, label;
            bool listsOff = false;
            int bar = -1;
        } atBox;
        prompts->onBox = [&] {
            atBox = {form->StatusText(), form->Label2->text(),
                     !form->ListBox1->isEnabled() && !form->ListBox2->isEnabled(), form->ProgressBar1->value()};
        };

        form->Button4Click();
        for (QPushButton* b : {form->Button2, form->Button3, form->Button4, form->Button5, form->Button6})
            QVERIFY(!b->isEnabled());
        QVERIFY(!form->ListBox1->isEnabled() && !form->ListBox2->isEnabled());
        for (QWidget* w : std::initializer_list<QWidget*>{form.get(), form->ListBox1, form->ListBox2, form->Button2,
                                                          form->Button3, form->Button4, form->Button5, form->Button6,
                                                          form->StatusBar1, form->ProgressBar1})
            QVERIFY2(hourglass(w), qPrintable(w->objectName()));
        QVERIFY(!hourglass(form->Button1));
        waitForTheEnd(*form);

        QCOMPARE(prompts->boxes.size(), std::size_t{1});
        QCOMPARE(prompts->boxes[0].text, Done);
        QCOMPARE(prompts->boxes[0].caption, QStringLiteral("終了"));
        QCOMPARE(prompts->boxes[0].flags, prompts::MB_OK);
        QCOMPARE(atBox.status, creating(variant, count));
        QCOMPARE(atBox.label, cpk(variant, count));
        QVERIFY(atBox.listsOff);
        QCOMPARE(atBox.bar, 100);

        QStringList expectedStatuses;
        QList<int> expectedBar;
        for (std::int32_t n = 1; n <= count; ++n) {
            expectedStatuses << creating(variant, n);
            for (int step = 1; step <= 100; ++step)
                expectedBar << step;
        }
        expectedStatuses << QStringLiteral("終了しました。");
        expectedBar << 0;
        QCOMPARE(statuses, expectedStatuses);
        QCOMPARE(bar, expectedBar);

        QCOMPARE(names(out).size(), count);
        for (std::int32_t n = 1; n <= count; ++n)
            QVERIFY2(sameAsRange(out + u'/' + cpk(variant, n), disc[variant], variant, n), qPrintable(cpk(variant, n)));

        verifyIdle(*form);
        QCOMPARE(form->ListBox2->count(), 0);
        QCOMPARE(selectedRow(form->ListBox2), -1);
        QCOMPARE(selectedRow(form->ListBox1), 0);
        QCOMPARE(PickList.count, 0);
        QVERIFY(!form->Button4->isEnabled());
        QCOMPARE(form->StatusText(), QStringLiteral("終了しました。"));
    }

    void withoutAFolderTitlesWithSpacesGoToTheCurrentDirectory()
    {
        PromptsScope prompts;
        auto form = makeForm(1);
        OutputFolder.clear();
        const QString before = QDir::currentPath();
        QDir::setCurrent(out);
        writeBytes(out + QStringLiteral("/スタッフロール 其の二.cpk"), "older copy");
        pick(*form, {27, 28});
        form->Button4Click();
        waitForTheEnd(*form);
        QDir::setCurrent(before);
        QCOMPARE(names(out), (QStringList{QStringLiteral("スタッフロール 其の一.cpk"), QStringLiteral("スタッフロール 其の二.cpk")}));
        QVERIFY(sameAsRange(out + QStringLiteral("/スタッフロール 其の一.cpk"), disc[1], 1, 27));
        QVERIFY(sameAsRange(out + QStringLiteral("/スタッフロール 其の二.cpk"), disc[1], 1, 28));
        QCOMPARE(prompts->boxes.size(), std::size_t{1});
    }

    void aFailureEndsTheRunButNotTheProgram_data()
    {
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("message");
        QTest::newRow("2 missing archive") << int(MissingArchive) << QStringLiteral("ﾌｧｲﾙが見つかりません.");
        QTest::newRow("3 missing output folder") << int(MissingFolder) << QStringLiteral("不正なﾌｧｲﾙ名です.");
        QTest::newRow("5 folder in the way") << int(FolderInTheWay) << QStringLiteral("ﾌｧｲﾙへのｱｸｾｽが拒否されました.");
        QTest::newRow("100 archive too short") << int(ShortArchive) << QStringLiteral("ﾌｧｲﾙの末尾以降を読み込みました.");
#ifndef _WIN32
        QTest::newRow("101 disk full") << int(DiskFull) << QStringLiteral("ﾃﾞｨｽｸがいっぱいです.");
#endif
    }
    void aFailureEndsTheRunButNotTheProgram()
    {
        QFETCH(int, failure);
        QFETCH(QString, message);
        PromptsScope prompts;
        auto form = makeForm(1);
        pick(*form, {4, 6});  // 6 is the smaller and lies further into the archive
        const std::int32_t failing = failure == FolderInTheWay || failure == ShortArchive ? 6 : 4;
        const QString older = out + u'/' + cpk(1, failing);
        QString concerned = older;
        std::optional<FileSizeLimit> limit;
        if (failure == FolderInTheWay)
            QDir().mkpath(older + QStringLiteral("/inside"));
        else
            writeBytes(older, "older copy");
        switch (failure) {
        case MissingArchive:
            ArchivePath = tmp.filePath(QStringLiteral("disc1/gone"));
            concerned = ArchivePath;
            break;
        case MissingFolder:
            OutputFolder = out + QStringLiteral("/later/");
            concerned = OutputFolder + cpk(1, 4);
            break;
        case FolderInTheWay:
            break;
        case ShortArchive: {
            // A shorter archive at the same path, as after a disc swap: movie 6 runs past its end.
            const QString swapped = out + QStringLiteral("/hotaru4");
            fs::copy_file(disc[1].toStdString(), swapped.toStdString());
            fs::resize_file(swapped.toStdString(), static_cast<std::uintmax_t>(hotaru::movieOffset(1, 6) + 4096));
            ArchivePath = concerned = swapped;
            break;
        }
        case DiskFull:
            limit.emplace(3000000);  // movie 4 has 3647488 bytes
            break;
        }
        const QStringList before = names(out);

        form->Button4Click();
        waitForTheEnd(*form);
        limit.reset();

        QCOMPARE(prompts->boxes.size(), std::size_t{1});
        QCOMPARE(prompts->boxes[0].caption, QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝ ｴﾗｰ"));
        QCOMPARE(prompts->boxes[0].flags, prompts::MB_OK | prompts::MB_ICONSTOP);
        QCOMPARE(prompts->boxes[0].text, QDir::toNativeSeparators(concerned) + u'\n' + message);
        QCOMPARE(form->StatusText(), message);
        verifyIdle(*form);
        QCOMPARE(PickList.count, 2);
        QCOMPARE(form->ListBox2->count(), 2);
        QVERIFY(form->Button4->isEnabled());

        // Nothing half-written: a movie before the failure is whole, the older copy untouched.
        QStringList expected = before;
        if (failing == 6) {
            expected << cpk(1, 4);
            expected.sort();
            QVERIFY(sameAsRange(out + u'/' + cpk(1, 4), disc[1], 1, 4));
        }
        QCOMPARE(names(out), expected);
        if (failure == FolderInTheWay)
            QVERIFY(QFileInfo(older + QStringLiteral("/inside")).isDir());
        else
            QCOMPARE(readBytes(older), std::string("older copy"));

        // Put right what went wrong, and the same picks run through.
        ArchivePath = disc[1];
        QDir().mkpath(out + QStringLiteral("/later"));
        fs::remove_all(older.toStdString());
        form->Button4Click();
        waitForTheEnd(*form);
        QCOMPARE(prompts->boxes.size(), std::size_t{2});
        QCOMPARE(prompts->boxes[1].text, Done);
        QVERIFY(sameAsRange(OutputFolder + cpk(1, 4), disc[1], 1, 4));
        QVERIFY(sameAsRange(OutputFolder + cpk(1, 6), disc[1], 1, 6));
    }

    void fileOpenDuringARunLeavesTheRunItsOwnPicks()
    {
        PromptsScope prompts;
        auto form = makeForm(1);
        pick(*form, {1, 2, 20});
        form->Button4Click();
        prompts->files = {disc[2]};
        form->Open1Click();
        QVERIFY(form->isRunning());
        QCOMPARE(ArchiveVariant, 2);
        QCOMPARE(form->ListBox1->count(), 19);
        QCOMPARE(form->ListBox1->item(0)->text(), title(2, 1));
        QCOMPARE(form->ListBox2->count(), 0);
        for (QWidget* w : std::initializer_list<QWidget*>{form->Button2, form->Button4, form->Button5, form->Button6,
                                                          form->ListBox1, form->ListBox2})
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
        waitForTheEnd(*form);

        QCOMPARE(prompts->boxes.size(), std::size_t{1});
        QCOMPARE(prompts->boxes[0].text, Done);
        QCOMPARE(names(out), (QStringList{cpk(1, 1), cpk(1, 2), cpk(1, 20)}));
        for (std::int32_t n : {1, 2, 20})
            QVERIFY(sameAsRange(out + u'/' + cpk(1, n), disc[1], 1, n));
        verifyIdle(*form);
        QCOMPARE(form->ListBox1->count(), 19);
        QCOMPARE(selectedRow(form->ListBox1), 0);
        QVERIFY(!form->Button4->isEnabled());
    }

    void closingTheWindowStopsTheRunWithoutLeavingAPartialFile()
    {
        PromptsScope prompts;
        auto form = makeForm(1);
        form->Button5Click();
        bool closed = false;
        // Closed as soon as the first step shows, as a user could: the worker is then barely ahead.
        connect(form->ProgressBar1, &QProgressBar::valueChanged, this, [&] {
            if (!closed) {
                closed = true;
                form->close();
                QVERIFY(!form->isRunning());
            }
        });
        form->Button4Click();
        QTRY_VERIFY(closed);
        QVERIFY(!form->isRunning());
        QTest::qWait(100);  // nothing the worker sent before stopping may open a box now
        QVERIFY(prompts->boxes.empty());
        const QStringList written = names(out);
        QVERIFY(written.size() < 31);
        for (std::int32_t n = 1; n <= 31; ++n) {
            if (written.contains(cpk(1, n)))
                QVERIFY2(sameAsRange(out + u'/' + cpk(1, n), disc[1], 1, n), qPrintable(cpk(1, n)));
        }
        QCOMPARE(written.filter(QStringLiteral(".tmp")), QStringList());
    }

    void theWorkerStopsAtTheSliceAfterInterruption()
    {
        RecordingThread worker(hotaru::RunSnapshot{disc[1].toStdString(), 1, {1, 2}});
        worker.settings().update({(out + u'/').toStdString(), false, {}});
        QSignalSpy completed(&worker, &TCutThread::completed);
        QSignalSpy failed(&worker, &TCutThread::failed);
        int steps = 0;
        int stepsAtRequest = -1;
        QObject receiver;
        // Blocking: the worker waits while the request is made, then copies no further slice.
        connect(&worker, &TCutThread::stepped, &receiver, [&] {
                steps += worker.takeSteps();
                if (stepsAtRequest < 0) {
                    stepsAtRequest = steps;
                    worker.requestInterruption();
                }
            }, Qt::BlockingQueuedConnection);
        worker.start();
        QTRY_VERIFY(worker.isFinished());
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
        RecordingThread worker(hotaru::RunSnapshot{disc[1].toStdString(), 1, {4, 6, 13}});
        worker.settings().update({a.toStdString(), false, {}});
        QObject receiver;
        connect(&worker, &TCutThread::movieDone, &receiver, [&](std::int32_t n) {
                // Changed as a copy ends: the switch counts for that movie, the folder for the next.
                if (n == 4)
                    worker.settings().update({b.toStdString(), true, {}});
                if (n == 6)
                    worker.settings().update({a.toStdString(), false, {}});
            }, Qt::BlockingQueuedConnection);
        QSignalSpy completed(&worker, &TCutThread::completed);
        worker.start();
        QTRY_VERIFY(worker.isFinished());
        QCOMPARE(completed.size(), 1);
        QCOMPARE(names(a), (QStringList{cpk(1, 13), cpk(1, 4)}));  // sorted
        QCOMPARE(names(b), QStringList{cpk(1, 6)});
        QCOMPARE(worker.handOffs, QStringList{a + title(1, 4)});
    }
};

HOTARU_QTEST_MAIN(TestWorker)
#include "test_worker.moc"
