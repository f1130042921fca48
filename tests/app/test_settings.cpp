// What the user chose comes back at the next start; a first start is the
// program's initial state.
#include "AppTestSupport.h"
#include "TestMain.h"
#include "catalogue/Catalogue.h"
#include "cli/CommandLine.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>

using namespace app;

class TestSettings : public QObject {
    Q_OBJECT
    QTemporaryDir scratch;
    QString store;
    QString startDir;

    std::unique_ptr<MainWindow> start(FakeSystemServices& services, const QString& archive = {})
    {
        return startMainWindow(services, {archive, std::make_unique<QSettings>(store, QSettings::IniFormat),
                                          QStringLiteral("/opt/hotaru/cpk2avi")});
    }

private Q_SLOTS:
    void init()
    {
        static int n = 0;
        store = scratch.filePath(QStringLiteral("settings%1.conf").arg(++n));
        startDir = QDir::currentPath();
    }
    void cleanup() { QDir::setCurrent(startDir); }

    void aFirstStartIsTheInitialStateAndStoresNothing()
    {
        FakeSystemServices services;
        auto window = start(services);
        const Controls c(*window);
        QVERIFY(c.voices[0]->isChecked() && !c.voices[1]->isChecked() && !c.voices[2]->isChecked());
        QVERIFY(!c.aviOutput->isChecked() && !c.mp4Output->isChecked());
        QVERIFY(window->session().outputFolder().isEmpty());
        QVERIFY(window->session().converterPath().isEmpty());
        QCOMPARE(QDir::currentPath(), startDir);
        window.reset();
        QVERIFY(QSettings(store, QSettings::IniFormat).allKeys().isEmpty());
    }

    // Settings saved before the formats had one setting still count, once.
    void anOlderSwitchStillChoosesItsFormat()
    {
        {
            QSettings old(store, QSettings::IniFormat);
            old.setValue(QStringLiteral("mp4Output"), true);
            old.setValue(QStringLiteral("scale"), 9);  // out of range: ignored
        }
        FakeSystemServices services;
        auto window = start(services);
        QVERIFY(window->session().converts(hotaru::VideoFormat::Mp4) && Controls(*window).mp4Output->isChecked());
        QCOMPARE(window->session().scale(), 1);
        Controls(*window).mp4Output->trigger();  // off, and saved in the new way
        window.reset();
        const QSettings saved(store, QSettings::IniFormat);
        QCOMPARE(saved.value(QStringLiteral("outputFormat")).toString(), QString());
        QVERIFY(!saved.contains(QStringLiteral("mp4Output")));
        FakeSystemServices again;
        QVERIFY(!start(again)->session().outputFormat());
    }

    void everyChoiceSurvivesARestart()
    {
        const QString folder = scratch.filePath(QStringLiteral("出力 フォルダ")) + u'/';
        QVERIFY(QDir().mkpath(folder));
        {
            FakeSystemServices services;
            auto window = start(services);
            const Controls c(*window);
            c.voices[2]->trigger();
            window->session().setOutputFolder(folder);
            window->session().setConverterPath(QStringLiteral("/opt/変換/cpk2avi"));
            window->session().setAviOutput(true);
        }
        FakeSystemServices services;
        services.fakeDrives.rootList = {"/"};
        services.fakeDrives.cdroms = {"/"};
        services.answers = {gui::BoxAnswer::Cancel};  // no disc in the drive: give up
        auto window = start(services);
        const Controls c(*window);
        QVERIFY(!c.voices[0]->isChecked() && !c.voices[1]->isChecked() && c.voices[2]->isChecked());
        QCOMPARE(window->session().voice(), Voice::Shiori);
        QCOMPARE(window->session().outputFolder(), folder);
        QCOMPARE(QDir(QDir::currentPath()), QDir(folder));
        QCOMPARE(window->session().converterPath(), QStringLiteral("/opt/変換/cpk2avi"));
        QVERIFY(window->session().aviOutput() && c.aviOutput->isChecked());

        // MP4 output comes back too, and turns AVI output off for good.
        c.mp4Output->trigger();
        window.reset();
        FakeSystemServices fourth;
        window = start(fourth);
        QVERIFY(window->session().converts(hotaru::VideoFormat::Mp4) && !window->session().aviOutput());
        QVERIFY(Controls(*window).mp4Output->isChecked());

        // So does MKV, enlarged three times; the menu shows both.
        Controls(*window).mkvOutput->trigger();
        Controls(*window).scales[2]->trigger();
        Controls::find<QAction>(*window, "checksums")->trigger();
        window->session().setNaming(hotaru::NameTemplate("{n} {title}"), hotaru::ExistingFiles::Skip);
        window.reset();
        FakeSystemServices fifth;
        window = start(fifth);
        const Controls d(*window);
        QVERIFY(window->session().converts(hotaru::VideoFormat::Mkv) && d.mkvOutput->isChecked());
        QVERIFY(!d.mp4Output->isChecked() && !d.aviOutput->isChecked());
        QCOMPARE(window->session().runSettings().conversion()->scale, 3);
        QVERIFY(d.scales[2]->isChecked() && !d.scales[0]->isChecked());
        QVERIFY(window->session().checksums() && Controls::find<QAction>(*window, "checksums")->isChecked());
        QCOMPARE(window->session().naming().text(), std::string("{n} {title}"));
        QCOMPARE(window->session().existingFiles(), hotaru::ExistingFiles::Skip);
        window.reset();

        // The remembered voice speaks from the start.
        const std::string archive = scratch.filePath(QStringLiteral("hotaru4")).toStdString();
        makeSizedFile(archive, hotaru::Disc1ArchiveSize);
        FakeSystemServices again;
        auto third = start(again, QString::fromStdString(archive));
        QCOMPARE(third->statusText(), QStringLiteral("さぁ、始めますわよ。"));
    }

    // cd /media/cdrom && hotaru-movie-cutter hotaru4, with another folder remembered.
    void aRelativeArchiveIsFoundWhereTheProgramStarted()
    {
        const QString disc = scratch.filePath(QStringLiteral("cdrom"));
        const QString remembered = scratch.filePath(QStringLiteral("movies")) + u'/';
        QVERIFY(QDir().mkpath(disc) && QDir().mkpath(remembered));
        makeSizedFile(QDir(disc).filePath(QStringLiteral("hotaru4")).toStdString(), hotaru::Disc2ArchiveSize);
        {
            FakeSystemServices services;
            auto window = start(services);
            window->session().setOutputFolder(remembered);
        }
        QVERIFY(QDir::setCurrent(disc));
        const cli::Options options =
            cli::parse({QStringLiteral("hotaru-movie-cutter"), QStringLiteral("hotaru4")}, QDir::currentPath());
        FakeSystemServices services;
        auto window = start(services, options.archive);
        QCOMPARE(services.boxTexts(), QStringList{});
        QCOMPARE(window->session().disc(), 2);
        QCOMPARE(QDir(QDir::currentPath()), QDir(remembered));
    }

    // outputFolder=/home/me/movies, edited by hand: the movies go into it, not beside it.
    void aFolderWithoutItsLastSeparatorStillMeansThatFolder()
    {
        const QString folder = scratch.filePath(QStringLiteral("手で書いた"));
        QVERIFY(QDir().mkpath(folder));
        QSettings(store, QSettings::IniFormat).setValue(QStringLiteral("outputFolder"), folder);
        FakeSystemServices services;
        auto window = start(services);
        QCOMPARE(window->session().outputFolder(), folder + QDir::separator());
        QCOMPARE(QString::fromStdString(window->session().runSettings().outputFolder), folder + QDir::separator());
    }

    void aFolderThatHasGoneIsForgottenQuietly()
    {
        const QString folder = scratch.filePath(QStringLiteral("gone")) + u'/';
        QVERIFY(QDir().mkpath(folder));
        {
            FakeSystemServices services;
            auto window = start(services);
            window->session().setOutputFolder(folder);
        }
        QDir().rmdir(folder);
        QDir::setCurrent(startDir);
        FakeSystemServices services;
        auto window = start(services);
        QVERIFY(window->session().outputFolder().isEmpty());
        QCOMPARE(QDir::currentPath(), startDir);
        QCOMPARE(services.boxTexts(), QStringList{QStringLiteral("CD-ROMが見つかりませんわ。")});  // no other box
    }
};

HOTARU_QTEST_MAIN(TestSettings)
#include "test_settings.moc"
