// The extraction run: what "実行" writes, what the window shows, and how a run
// survives failures and File > Open.
#include "AppTestSupport.h"
#include "TestMain.h"
#include "WorkerTestSupport.h"
#include "catalogue/Archive.h"
#include "tools/SampleArchive.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>

#include <optional>
#include <vector>

using namespace app;

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

    Program startOn(FakeSystemServices& services, int variant, bool show = true)
    {
        return startWithDisc(services, disc[variant], out, show);
    }
    // Chosen as the user does: a click on each title, then "->".
    static void pick(const Program& program, std::initializer_list<std::int32_t> movies)
    {
        for (const std::int32_t n : movies)
            program.pick(n);
    }
    static QMessageBox* openMessageBox()
    {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                return box;
        }
        return nullptr;
    }
    // What shows the hourglass during a run.
    static std::vector<QWidget*> busyWidgets(const Program& p)
    {
        return {p.window.get(), p->titles,    p->picks,    p->add,    p->remove,
                p->run,         p->selectAll, p->clearAll, p->status, p->progress};
    }

    // Idle after a run, whatever its outcome.
    static void verifyIdle(const Program& p)
    {
        QVERIFY(p->titles->isEnabled() && p->picks->isEnabled());
        QVERIFY(p->add->isEnabled() && p->selectAll->isEnabled() && p->clearAll->isEnabled());
        QVERIFY(!p->remove->isEnabled());
        QCOMPARE(p->progress->value(), 0);
        QCOMPARE(p->fileName->text(), QString());
        for (QWidget* w : busyWidgets(p))
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
    }
    void cleanup() { fs::remove_all(out.toStdString()); }

    void theRunEndsOnItsOwnMessageWhateverWasSelected()
    {
        FakeSystemServices services;
        const Program program = startOn(services, 1);
        QVERIFY(QTest::qWaitForWindowExposed(program.window.get()));
        pick(program, {1, 2, 3});
        QListWidget* right = program->picks;
        QTest::mouseClick(right->viewport(), Qt::LeftButton, {}, right->visualItemRect(right->item(1)).center());
        QCOMPARE(selectedRow(right), 1);
        program->run->click();
        waitForTheEnd(program);
        QCOMPARE(program.status(), QStringLiteral("終了しました。"));
        QCOMPARE(selectedRow(program->titles), 0);
        QCOMPARE(selectedRow(right), -1);
        QCOMPARE(right->count(), 0);
    }

    void everyMovieOfADiscIsCopiedByteExact_data()
    {
        QTest::addColumn<int>("variant");
        QTest::newRow("disc 1, 31 movies") << 1;
        QTest::newRow("disc 2, 19 movies") << 2;
    }
    void everyMovieOfADiscIsCopiedByteExact()
    {
        QFETCH(int, variant);
        FakeSystemServices services;
        const Program program = startOn(services, variant, false);
        program->selectAll->click();
        const std::int32_t count = hotaru::movieCount(variant);
        QStringList statuses;
        QList<int> bar;
        connect(program->status, &QStatusBar::messageChanged, this, [&](const QString& s) { statuses << s; });
        connect(program->progress, &QProgressBar::valueChanged, this, [&](int v) { bar << v; });
        struct AtBox {
            QString status, label;
            bool listsOff = false;
            int bar = -1;
        } atBox;
        services.onBox = [&] {
            atBox = {program.status(), program->fileName->text(),
                     !program->titles->isEnabled() && !program->picks->isEnabled(), program->progress->value()};
        };

        program->run->click();
        for (QPushButton* b : {program->add, program->remove, program->run, program->selectAll, program->clearAll})
            QVERIFY(!b->isEnabled());
        QVERIFY(!program->titles->isEnabled() && !program->picks->isEnabled());
        for (QWidget* w : busyWidgets(program))
            QVERIFY2(hourglass(w), qPrintable(w->objectName()));
        QVERIFY(!hourglass(program->exit));
        waitForTheEnd(program);

        QCOMPARE(services.boxes.size(), std::size_t{1});
        QCOMPARE(services.boxes[0].text, Done);
        QCOMPARE(services.boxes[0].caption, QStringLiteral("終了"));
        QCOMPARE(services.boxes[0].buttons, gui::BoxButtons::Ok);
        QCOMPARE(services.boxes[0].icon, gui::BoxIcon::None);
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

        verifyIdle(program);
        QCOMPARE(program->picks->count(), 0);
        QCOMPARE(selectedRow(program->picks), -1);
        QCOMPARE(selectedRow(program->titles), 0);
        QCOMPARE(program.session().picking().picks().count, 0);
        QVERIFY(!program->run->isEnabled());
        QCOMPARE(program.status(), QStringLiteral("終了しました。"));
    }

    void withoutAFolderTitlesWithSpacesGoToTheCurrentDirectory()
    {
        FakeSystemServices services;
        const Program program = startOn(services, 1);
        program.session().setOutputFolder(QString());
        const QString before = QDir::currentPath();
        QDir::setCurrent(out);
        writeBytes(out + QStringLiteral("/スタッフロール 其の二.cpk"), "older copy");
        pick(program, {27, 28});
        program->run->click();
        waitForTheEnd(program);
        QDir::setCurrent(before);
        QCOMPARE(names(out), (QStringList{QStringLiteral("スタッフロール 其の一.cpk"),
                                          QStringLiteral("スタッフロール 其の二.cpk")}));
        QVERIFY(sameAsRange(out + QStringLiteral("/スタッフロール 其の一.cpk"), disc[1], 1, 27));
        QVERIFY(sameAsRange(out + QStringLiteral("/スタッフロール 其の二.cpk"), disc[1], 1, 28));
        QCOMPARE(services.boxes.size(), std::size_t{1});
    }

    void aFailureEndsTheRunButNotTheProgram_data()
    {
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("message");
        QTest::newRow("2 missing archive") << int(MissingArchive) << QStringLiteral("ﾌｧｲﾙが見つかりません.");
        QTest::newRow("3 missing output folder") << int(MissingFolder) << QStringLiteral("不正なﾌｧｲﾙ名です.");
        QTest::newRow("5 folder in the way") << int(FolderInTheWay) << QStringLiteral("ﾌｧｲﾙへのｱｸｾｽが拒否されました.");
        QTest::newRow("100 archive too short")
            << int(ShortArchive) << QStringLiteral("ﾌｧｲﾙの末尾以降を読み込みました.");
#ifndef _WIN32
        QTest::newRow("101 disk full") << int(DiskFull) << QStringLiteral("ﾃﾞｨｽｸがいっぱいです.");
#endif
    }
    void aFailureEndsTheRunButNotTheProgram()
    {
        QFETCH(int, failure);
        QFETCH(QString, message);
        FakeSystemServices services;
        const Program program = startOn(services, 1);
        Session& session = program.session();
        pick(program, {4, 6});  // 6 is the smaller and lies further into the archive
        const std::int32_t failing = failure == FolderInTheWay || failure == ShortArchive ? 6 : 4;
        const QString older = out + u'/' + cpk(1, failing);
        QString concerned = older;
#ifndef _WIN32
        std::optional<FileSizeLimit> limit;  // no such cap on Windows: no disk-full row there
#endif
        if (failure == FolderInTheWay)
            QDir().mkpath(older + QStringLiteral("/inside"));
        else
            writeBytes(older, "older copy");
        switch (failure) {
        case MissingArchive:
            session.setArchivePath(tmp.filePath(QStringLiteral("disc1/gone")));
            concerned = session.archivePath();
            break;
        case MissingFolder:
            session.setOutputFolder(out + QStringLiteral("/later/"));
            concerned = session.outputFolder() + cpk(1, 4);
            break;
        case FolderInTheWay:
            break;
        case ShortArchive: {
            // A shorter archive at the same path, as after a disc swap: movie 6 runs past its end.
            const QString swapped = out + QStringLiteral("/hotaru4");
            fs::copy_file(disc[1].toStdString(), swapped.toStdString());
            fs::resize_file(swapped.toStdString(), static_cast<std::uintmax_t>(hotaru::movieOffset(1, 6) + 4096));
            session.setArchivePath(swapped);
            concerned = swapped;
            break;
        }
        case DiskFull:
#ifndef _WIN32
            limit.emplace(3000000);  // movie 4 has 3647488 bytes
#endif
            break;
        }
        const QStringList before = names(out);

        program->run->click();
        waitForTheEnd(program);
#ifndef _WIN32
        limit.reset();
#endif

        QCOMPARE(services.boxes.size(), std::size_t{1});
        QCOMPARE(services.boxes[0].caption, QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝ ｴﾗｰ"));
        QCOMPARE(services.boxes[0].buttons, gui::BoxButtons::Ok);
        QCOMPARE(services.boxes[0].icon, gui::BoxIcon::Stop);
        QCOMPARE(services.boxes[0].text, QDir::toNativeSeparators(concerned) + u'\n' + message);
        QCOMPARE(program.status(), message);
        verifyIdle(program);
        QCOMPARE(session.picking().picks().count, 2);
        QCOMPARE(program->picks->count(), 2);
        QVERIFY(program->run->isEnabled());

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
        session.setArchivePath(disc[1]);
        QDir().mkpath(out + QStringLiteral("/later"));
        fs::remove_all(fsPath(older));
        program->run->click();
        waitForTheEnd(program);
        QCOMPARE(services.boxes.size(), std::size_t{2});
        QCOMPARE(services.boxes[1].text, Done);
        QVERIFY(sameAsRange(session.outputFolder() + cpk(1, 4), disc[1], 1, 4));
        QVERIFY(sameAsRange(session.outputFolder() + cpk(1, 6), disc[1], 1, 6));
    }

    void fileOpenDuringARunLeavesTheRunItsOwnPicks()
    {
        FakeSystemServices services;
        const Program program = startOn(services, 1);
        pick(program, {1, 2, 20});
        QSignalSpy said(program->status, &QStatusBar::messageChanged);
        program->run->click();
        program.open(services, disc[2]);
        QVERIFY(program.window->isRunning());
        QCOMPARE(program.session().disc(), 2);
        QCOMPARE(program->titles->count(), 19);
        QCOMPARE(program->titles->item(0)->text(), title(2, 1));
        QCOMPARE(program->picks->count(), 0);
        for (QWidget* w : std::initializer_list<QWidget*>{program->add, program->run, program->selectAll,
                                                          program->clearAll, program->titles, program->picks})
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
        waitForTheEnd(program);

        QCOMPARE(services.boxes.size(), std::size_t{1});
        QCOMPARE(services.boxes[0].text, Done);
        QCOMPARE(names(out), (QStringList{cpk(1, 1), cpk(1, 2), cpk(1, 20)}));
        for (std::int32_t n : {1, 2, 20})
            QVERIFY(sameAsRange(out + u'/' + cpk(1, n), disc[1], 1, n));
        // The status line names the run's movies, not the newly opened disc's.
        QStringList texts;
        for (const QList<QVariant>& message : said)
            texts << message.at(0).toString();
        for (std::int32_t n : {1, 2, 20})
            QVERIFY2(texts.contains(creating(1, n)), qPrintable(texts.join(u'|')));
        verifyIdle(program);
        QCOMPARE(program->titles->count(), 19);
        QCOMPARE(selectedRow(program->titles), 0);
        QVERIFY(!program->run->isEnabled());
    }

    // The completion box waits for the user but blocks nothing the program
    // keeps available during a run: the menus, 終了, the window's close box.
    void theCompletionBoxBlocksNoMenu()
    {
        FakeSystemServices services;
        services.realNotices = gui::makeSystemServices();
        const Program program = startOn(services, 2);
        pick(program, {9});
        program->run->click();
        QMessageBox* box = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((box = openMessageBox()) != nullptr, RunTimeout);
        QCOMPARE(box->text(), Done);
        QCOMPARE(box->windowTitle(), QStringLiteral("終了"));
        QVERIFY(!box->isModal());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QVERIFY(program.window->isRunning());
        QVERIFY(!program->titles->isEnabled() && !program->add->isEnabled());
        program->voices[1]->trigger();
        QCOMPARE(program.status(), QStringLiteral("これからは、わたし、鷲ノ宮あかねがご案内します。"));

        box->button(QMessageBox::Ok)->click();
        QTRY_VERIFY(!program.window->isRunning());
        QCOMPARE(program.status(), QStringLiteral("終了しました。"));
        verifyIdle(program);
        QVERIFY(sameAsRange(out + u'/' + cpk(2, 9), disc[2], 2, 9));
    }

    // 実行 pressed from the keyboard: the keys that follow during the run reach
    // no control the user did not choose, and none of them ends the run, also
    // after the window is activated again with nothing focused (a dialog
    // closed, the user came back), where Qt focuses the first control it can.
    void keysPressedDuringARunNeverEndIt()
    {
        FakeSystemServices services;
        const Program program = startOn(services, 1);
        QVERIFY(QTest::qWaitForWindowActive(program.window.get()));
        program->selectAll->click();
        program->run->setFocus();
        QWidget* focused = program->run;
        bool pressed = false;
        connect(program->progress, &QProgressBar::valueChanged, this, [&] {
            if (pressed)
                return;
            pressed = true;
            QApplication::setActiveWindow(nullptr);
            QApplication::setActiveWindow(program.window.get());
            focused = QApplication::focusWidget();
            QWidget* target = focused ? focused : program.window.get();
            for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter})
                QTest::keyClick(target, key);
        });
        QTest::keyClick(program->run, Qt::Key_Space);
        QVERIFY(program.window->isRunning());
        waitForTheEnd(program);
        QVERIFY(pressed);
        QVERIFY2(focused != program->exit, "the focus went on to 終了");
        QVERIFY(program.window->isVisible());
        QCOMPARE(services.boxTexts(), QStringList{Done});
        QCOMPARE(names(out).size(), 31);
    }
};

HOTARU_QTEST_MAIN(TestWorker)
#include "test_worker.moc"
