// Opening an archive the window did not find itself: named at start, through
// File > Open, or one it cannot read, and what each leaves open.
#include "AppTestSupport.h"
#include "TestMain.h"
#include "catalogue/Archive.h"
#include "catalogue/Catalogue.h"
#include "platform/Path.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <fstream>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

int openDescriptors() { return static_cast<int>(QDir(QStringLiteral("/proc/self/fd")).count()); }

}  // namespace

class TestOpening : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void openingAMissingFileShowsTheErrorAndKeepsTheVariant()
    {
        QTemporaryDir dir;
        FakeSystemServices services;
        Program program(services, false);
        MainWindow& form = *program.window;
        const Controls& c = *program.controls;
        services.boxes.clear();  // the start-up box of a machine without CD-ROM
        services.files = {QString::fromStdString(makeFile(dir, QStringLiteral("hotaru4"), hotaru::Disc1ArchiveSize))};
        c.open->trigger();
        c.selectAll->click();
        c.status->showMessage(QStringLiteral("そのまま"));

        services.files = {dir.filePath(QStringLiteral("typed-but-missing"))};
        c.open->trigger();
        QCOMPARE(services.boxes.size(), size_t(1));
        QCOMPARE(services.boxes[0].text, QStringLiteral("ﾌｧｲﾙが見つかりません."));
        QCOMPARE(services.boxes[0].caption, QStringLiteral("ホタル奇譚ムービーカッター"));
        QCOMPARE(services.boxes[0].buttons, gui::BoxButtons::Ok);
        QCOMPARE(services.boxes[0].icon, gui::BoxIcon::Stop);
        QCOMPARE(form.session().disc(), 1);
        QCOMPARE(c.titles->count(), 0);
        QCOMPARE(c.picks->count(), 0);
        QCOMPARE(form.session().picking().picks().count, 0);
        QVERIFY(!c.run->isEnabled());
        QCOMPARE(form.statusText(), QStringLiteral("そのまま"));
    }

    void aFoundArchiveThatCannotBeOpenedStillOpensTheWindow()
    {
        QTemporaryDir cd;
        FakeSystemServices services;
        setDrives(services, {cd.path()});
        // Seen, not there.
        services.fakeDrives.files.insert(hotaru::joinRoot(cd.path().toStdString(), hotaru::ArchiveFileName));
        Program program(services, false);
        MainWindow& form = *program.window;
        const Controls& c = *program.controls;
        QCOMPARE(services.boxes.size(), size_t(1));
        QCOMPARE(services.boxes[0].text, QStringLiteral("ﾌｧｲﾙが見つかりません."));
        QCOMPARE(form.session().disc(), 0);
        QCOMPARE(c.titles->count(), 0);
        QCOMPARE(form.statusText(), QString());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
    }

    void anArchiveNamedAtStartIsOpenedWithoutTheDriveScan()
    {
        QTemporaryDir dir;
        FakeSystemServices services;
        setDrives(services, {}, {QStringLiteral("C:\\")});
        const QString archive =
            QString::fromStdString(makeFile(dir, QStringLiteral("hotaru4"), hotaru::Disc2ArchiveSize));
        const auto window = startMainWindow(services, {archive, nullptr, {}});
        const Controls c(*window);
        QCOMPARE(services.fakeDrives.scans, 0);
        QVERIFY(services.boxes.empty());
        QCOMPARE(window->session().disc(), 2);
        QCOMPARE(c.titles->count(), 19);
        QCOMPARE(selectedRow(c.titles), 0);
        QCOMPARE(window->statusText(), Ready);

        // One that cannot be read is the usual error, and the window opens all the same.
        FakeSystemServices other;
        const auto second = startMainWindow(other, {dir.filePath(QStringLiteral("missing")), nullptr, {}});
        QCOMPARE(other.boxTexts(), QStringList{QStringLiteral("ﾌｧｲﾙが見つかりません.")});
        QCOMPARE(other.boxes[0].caption, QStringLiteral("ホタル奇譚ムービーカッター"));
    }

#ifndef _WIN32
    // A FIFO would hold the window's thread in open() for good: named at
    // start, through File > Open, or as a sheet's track, it is refused at once.
    void specialFilesAreRefusedAtOnceHoweverNamed()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("hotaru4"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QString notAFile = QStringLiteral("ﾌｧｲﾙではありません.");
        QElapsedTimer took;
        took.start();
        FakeSystemServices services;
        setDrives(services, {}, {QStringLiteral("C:\\")});
        const auto window = startMainWindow(services, {fifo, nullptr, {}});
        QCOMPARE(services.boxTexts(), QStringList{notAFile});
        QCOMPARE(window->session().disc(), 0);

        const Controls c(*window);
        services.boxes.clear();
        services.files = {fifo};
        c.open->trigger();
        const QString cue = dir.filePath(QStringLiteral("game.cue"));
        std::ofstream(cue.toStdString()) << "FILE \"track.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n";
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("track.bin"))).constData(), 0600), 0);
        services.files = {cue};
        c.open->trigger();
        QTRY_COMPARE(services.boxTexts(), (QStringList{notAFile, notAFile}));
        QCOMPARE(c.titles->count(), 0);
        QVERIFY2(took.elapsed() < 5000, qPrintable(QString::number(took.elapsed())));
    }
#endif

    void repeatedOpensLeaveNoDescriptorOpen()
    {
        QTemporaryDir dir;
        FakeSystemServices services;
        Program program(services, false);
        const Controls& c = *program.controls;
        const QString path = QString::fromStdString(makeFile(dir, QStringLiteral("hotaru4"), hotaru::Disc2ArchiveSize));
        services.files = {path};
        c.open->trigger();
        const int before = openDescriptors();
        for (int i = 0; i < 20; ++i) {
            services.files = {path};
            c.open->trigger();
        }
        // Other threads (Wine's among them) open and close their own; a leak grows by one per open.
        QTRY_VERIFY2(openDescriptors() <= before,
                     qPrintable(QStringLiteral("%1 > %2").arg(openDescriptors()).arg(before)));
    }
};

HOTARU_QTEST_MAIN(TestOpening)
#include "test_opening.moc"
