// The main window's menu commands with the dialogs they open: what each
// dialog hands back reaches the session, the menu and the next run.
#include "AppTestSupport.h"
#include "DialogTestSupport.h"
#include "TestMain.h"
#include "catalogue/Catalogue.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/ConverterLinkDialog.h"
#include "dialogs/FolderTree.h"
#include "dialogs/NamingDialog.h"
#include "dialogs/OutputFolderDialog.h"
#include "tools/SampleArchive.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

using namespace app;
using namespace dialogs;

class TestMenuDialogs : public QObject {
    Q_OBJECT

    static std::unique_ptr<MainWindow> start(FakeSystemServices& services, const QString& offered = {})
    {
        auto window = startMainWindow(services, {QString(), nullptr, offered});
        services.boxes.clear();  // the start-up box of a machine without a CD-ROM drive
        window->show();
        return window;
    }

private Q_SLOTS:
    void theChosenFolderReachesTheRun()
    {
        QTemporaryDir tmp;
        CwdGuard cwd;
        const QString base = QDir(tmp.path()).canonicalPath();
        const QString drive = base + QStringLiteral("/drive");
        const QString other = base + QStringLiteral("/other");
        for (const char* sub : {"drive/z", "drive/out", "other"})
            QDir(base).mkpath(QString::fromLatin1(sub));
        const QString archive = other + QStringLiteral("/hotaru4");
        hotaru::writeSampleArchive(archive.toStdString(), 2);
        QDir::setCurrent(drive);

        FakeSystemServices services;
        services.folderDriveList = {drive, other + QStringLiteral("/no-medium")};
        const auto window = start(services);
        const Controls c(*window);
        OutputFolderDialog& dialog = window->outputFolderDialog();
        auto* tree = control<FolderTree>(dialog, "DirectoryListBox1");
        auto* drives = control<QComboBox>(dialog, "DriveComboBox1");
        auto* ok = control<QPushButton>(dialog, "Button1");
        auto* cancel = control<QPushButton>(dialog, "Button2");
        services.files = {archive};
        c.open->trigger();

        // Cancel: no output folder, although the current directory moved.
        whileModal(&dialog, [&] {
            tree->setDirectory(drive, drive + QStringLiteral("/z"));
            cancel->click();
        });
        c.outputFolder->trigger();
        QVERIFY(window->session().outputFolder().isEmpty());
        QCOMPARE(here(), drive + QStringLiteral("/z"));

        // A drive without a medium: the standard error box, nothing else.
        whileModal(&dialog, [&] {
            drives->setCurrentIndex(1);
            cancel->click();
        });
        c.outputFolder->trigger();
        QVERIFY(showedOneErrorBox(services));
        QVERIFY(window->session().outputFolder().isEmpty());
        services.boxes.clear();

        whileModal(&dialog, [&] {
            drives->setCurrentIndex(0);
            tree->setDirectory(drive, drive + QStringLiteral("/out"));
            ok->click();
        });
        c.outputFolder->trigger();
        // In the system's own form: backslashes on Windows.
        QCOMPARE(window->session().outputFolder(), QDir::toNativeSeparators(drive + QStringLiteral("/out/")));

        // The smallest movie keeps the run short; where the directory is does not matter.
        std::int32_t movie = 1;
        for (std::int32_t n = 2; n <= hotaru::movieCount(2); ++n)
            if (hotaru::movieSize(2, n) < hotaru::movieSize(2, movie))
                movie = n;
        QDir::setCurrent(other);
        Program::pickWith(c, movie);
        c.run->click();
        QTRY_VERIFY_WITH_TIMEOUT(!window->isRunning(), 60000);
        QCOMPARE(services.boxTexts(), QStringList{QStringLiteral("ファイルの作成が終了しました。")});
        const QString title = QString::fromStdString(std::string(hotaru::movieTitle(2, movie)));
        const QString written = drive + QStringLiteral("/out/") + title + QStringLiteral(".cpk");
        QCOMPARE(QFileInfo(written).size(), qint64{hotaru::movieSize(2, movie)});
        const std::string header = hotaru::sampleHeader(2, movie);
        // Through QFile: a std::ifstream would read a narrow name in the ANSI code page on Windows.
        QFile copy(written);
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.read(qint64(header.size())).toStdString(), header);
        QVERIFY(!QFileInfo::exists(other + u'/' + title + QStringLiteral(".cpk")));
    }

    // The name shows as it is typed, or why it cannot be used; OK takes the
    // template and the rule, and the run names its files by them.
    void theNamingDialogShowsTheNameAndTheRunUsesIt()
    {
        QTemporaryDir tmp;
        const QString archive = tmp.filePath(QStringLiteral("hotaru4"));
        hotaru::writeSampleArchive(archive.toStdString(), 2);
        const QString out = tmp.filePath(QStringLiteral("out")) + u'/';
        QVERIFY(QDir().mkpath(out));
        FakeSystemServices services;
        const auto window = start(services);
        const Controls c(*window);
        services.files = {archive};
        c.open->trigger();
        window->session().setOutputFolder(out);

        Controls::find<QAction>(*window, "naming")->trigger();
        dialogs::NamingDialog& dialog = window->namingDialog();
        QVERIFY(dialog.isVisible());
        auto* edit = control<QLineEdit>(dialog, "nameTemplate");
        auto* example = control<QLabel>(dialog, "example");
        auto* ok = control<QPushButton>(dialog, "ok");
        QCOMPARE(edit->text(), QStringLiteral("{title}"));
        edit->setText(QStringLiteral("{n:02} {title_en}"));
        QCOMPARE(example->text(),
                 QStringLiteral("例: 01 %1.cpk").arg(QString::fromUtf8(hotaru::movieEnglishTitle(2, 1).data())));
        edit->setText(QStringLiteral("{bad}"));
        QVERIFY(!ok->isEnabled());
        QCOMPARE(example->text(), QStringLiteral("{bad} という項目はありません"));
        edit->setText(QStringLiteral("disc{disc}"));
        control<QComboBox>(dialog, "existingFiles")->setCurrentIndex(2);
        ok->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(window->session().naming().text(), std::string("disc{disc}"));
        QCOMPARE(window->session().existingFiles(), hotaru::ExistingFiles::Rename);

        // Two picks with one name: the second is kept apart; again, both go beside them.
        std::vector<std::int32_t> movies;
        for (std::int32_t n = 1; n <= hotaru::movieCount(2); ++n)
            movies.push_back(n);
        std::sort(movies.begin(), movies.end(),
                  [](std::int32_t a, std::int32_t b) { return hotaru::movieSize(2, a) < hotaru::movieSize(2, b); });
        Program::pickWith(c, movies[0]);
        Program::pickWith(c, movies[1]);
        // The status line names the files by the names they get.
        QStringList said;
        connect(window->findChild<ExtractionRun*>(), &ExtractionRun::statusChanged, window.get(),
                [&](const QString& text) { said << text; });
        for (int round = 0; round < 2; ++round) {
            c.run->click();
            QTRY_VERIFY_WITH_TIMEOUT(!window->isRunning(), 60000);
            Program::pickWith(c, movies[0]);
            Program::pickWith(c, movies[1]);
        }
        QStringList names = QDir(out).entryList(QDir::Files);
        QCOMPARE(names, (QStringList{QStringLiteral("disc2 (2).cpk"), QStringLiteral("disc2 (3).cpk"),
                                     QStringLiteral("disc2 (4).cpk"), QStringLiteral("disc2.cpk")}));
        QCOMPARE(QFileInfo(out + QStringLiteral("disc2.cpk")).size(), qint64{hotaru::movieSize(2, movies[0])});
        QVERIFY2(said.contains(QStringLiteral("disc2 (4).cpk  を作成中です。")), qPrintable(said.join(u'|')));
    }

    // The subtitle folder comes from the folder picker and goes again on a
    // second choice; a file there that cannot be read is named when the run
    // ends, its movie converted without it.
    void anUnusableSubtitleFileIsNamedWhenTheRunEnds()
    {
        QTemporaryDir tmp;
        const QString archive = tmp.filePath(QStringLiteral("hotaru4"));
        hotaru::writeSampleArchive(archive.toStdString(), 2);
        const QString out = tmp.filePath(QStringLiteral("out")) + u'/';
        const QString subtitles = tmp.filePath(QStringLiteral("字幕"));
        QVERIFY(QDir().mkpath(out) && QDir().mkpath(subtitles));
        FakeSystemServices services;
        const auto window = start(services, QStringLiteral("/opt/hotaru/cpk2avi"));
        const Controls c(*window);
        services.files = {archive};
        c.open->trigger();
        Session& session = window->session();
        session.setOutputFolder(out);
        auto* folderItem = Controls::find<QAction>(*window, "subtitleFolder");
        auto* burnItem = Controls::find<QAction>(*window, "burnSubtitles");
        services.folders = {subtitles};
        folderItem->trigger();
        QCOMPARE(session.subtitleFolder(), QDir::toNativeSeparators(subtitles + u'/'));
        QVERIFY(folderItem->isChecked() && folderItem->statusTip().contains(QDir::toNativeSeparators(subtitles)));
        burnItem->trigger();
        QVERIFY(burnItem->isChecked() && session.burnSubtitles());
        c.mkvOutput->trigger();

        std::int32_t movie = 1;
        for (std::int32_t n = 2; n <= hotaru::movieCount(2); ++n)
            if (hotaru::movieSize(2, n) < hotaru::movieSize(2, movie))
                movie = n;
        const QString title = QString::fromUtf8(hotaru::movieTitle(2, movie).data());
        QFile broken(subtitles + u'/' + title + QStringLiteral(".srt"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("1\n00:00:01,000 --> 00:00:00,500\nlate\n");
        broken.close();
        Program::pickWith(c, movie);
        c.run->click();
        QTRY_VERIFY_WITH_TIMEOUT(!window->isRunning(), 60000);
        QCOMPARE(services.boxTexts().size(), 1);
        QVERIFY2(
            services.boxTexts()[0].contains(QStringLiteral("使えなかった字幕 (字幕なしで変換しました):\n%1: 2 行目: "
                                                           "終わりが始まりより前です")
                                                .arg(QDir::toNativeSeparators(broken.fileName()))),
            qPrintable(services.boxTexts()[0]));

        services.folders = {};
        folderItem->trigger();  // a second choice: no subtitles
        QVERIFY(session.subtitleFolder().isEmpty() && !folderItem->isChecked());
    }

    void theAviSwitchFollowsTheStateTable()
    {
        FakeSystemServices services;
        const auto window = start(services);
        const Controls c(*window);
        Session& session = window->session();
        ConverterLinkDialog& link = window->converterLinkDialog();
        auto* path = control<QLineEdit>(link, "Edit1");
        auto* browse = control<QPushButton>(link, "Button1");
        auto* ok = control<QPushButton>(link, "Button2");
        auto* cancel = control<QPushButton>(link, "Button3");
        const QString chosen = QDir::toNativeSeparators(QDir::currentPath() + QStringLiteral("/tools/cpk2avi"));
        QVERIFY(!c.aviOutput->isChecked() && session.converterPath().isEmpty());

        c.aviOutput->trigger();
        QVERIFY(link.isVisible() && !c.aviOutput->isChecked());
        // 参照 cancelled changes nothing; confirmed sets the path at once.
        browse->click();
        QVERIFY(path->text().isEmpty() && session.converterPath().isEmpty());
        services.files = {chosen};
        browse->click();
        QCOMPARE(session.converterPath(), chosen);
        QVERIFY(!c.aviOutput->isChecked());
        // ｷｬﾝｾﾙ: off, path kept.
        cancel->click();
        QVERIFY(!link.isVisible() && !c.aviOutput->isChecked());
        QCOMPARE(session.converterPath(), chosen);

        // Reopened with the path: OK alone switches on.
        c.aviOutput->trigger();
        QCOMPARE(path->text(), chosen);
        ok->click();
        QVERIFY(c.aviOutput->isChecked() && session.aviOutput() && !link.isVisible());
        // Checked: the item only unchecks, no window.
        c.aviOutput->trigger();
        QVERIFY(!c.aviOutput->isChecked() && !session.aviOutput() && !link.isVisible());
        QCOMPARE(session.converterPath(), chosen);
        c.aviOutput->trigger();
        ok->click();
        QVERIFY(c.aviOutput->isChecked());
        QVERIFY(services.boxes.empty());
    }

    // No dialog: the item flips the switch, and one output turns the other off.
    void theMp4SwitchExcludesTheAviSwitch()
    {
        FakeSystemServices services;
        auto window = start(services, QStringLiteral("/opt/hotaru/cpk2avi"));
        const Controls c(*window);
        Session& session = window->session();
        QVERIFY(c.mp4Output->isEnabled() && !c.mp4Output->isChecked());
        c.mp4Output->trigger();
        QVERIFY(c.mp4Output->isChecked() && session.converts(hotaru::VideoFormat::Mp4) &&
                !window->converterLinkDialog().isVisible());
        QCOMPARE(session.runSettings().bundledConverterPath, std::string("/opt/hotaru/cpk2avi"));

        c.aviOutput->trigger();
        control<QPushButton>(window->converterLinkDialog(), "Button2")->click();  // OK on the offered converter
        QVERIFY(c.aviOutput->isChecked() && !c.mp4Output->isChecked() && !session.converts(hotaru::VideoFormat::Mp4));
        c.mp4Output->trigger();
        QVERIFY(c.mp4Output->isChecked() && !c.aviOutput->isChecked() && !session.aviOutput());
        c.mp4Output->trigger();
        QVERIFY(!c.mp4Output->isChecked() && !session.converts(hotaru::VideoFormat::Mp4) && !session.aviOutput());
        // MKV likewise, and the enlargement is asked of the converter with it.
        c.mp4Output->trigger();
        c.mkvOutput->trigger();
        c.scales[3]->trigger();
        QVERIFY(c.mkvOutput->isChecked() && !c.mp4Output->isChecked() && c.scales[3]->isChecked());
        QVERIFY(!c.scales[0]->isChecked());
        const std::optional<hotaru::ConversionChoice> mkv = session.runSettings().conversion();
        QVERIFY(mkv && mkv->format == hotaru::VideoFormat::Mkv && mkv->scale == 4);
        c.aviOutput->trigger();
        control<QPushButton>(window->converterLinkDialog(), "Button2")->click();
        QCOMPARE(session.runSettings().conversion()->scale, 1);  // an AVI is never enlarged
        QVERIFY(services.boxes.empty());

        // Without the converter that comes with the program there is nothing to write MP4 with.
        FakeSystemServices bare;
        auto other = start(bare);
        const Controls d(*other);
        QVERIFY(!d.mp4Output->isEnabled() && !d.mkvOutput->isEnabled() && d.aviOutput->isEnabled());
        other->session().setConverting(hotaru::VideoFormat::Mp4, true);
        QVERIFY(!other->session().converts(hotaru::VideoFormat::Mp4) && !d.mp4Output->isChecked());
    }

    void okWithoutAConverterKeepsTheSwitchOff()
    {
        FakeSystemServices services;
        const auto window = start(services);
        const Controls c(*window);
        c.aviOutput->trigger();
        control<QPushButton>(window->converterLinkDialog(), "Button2")->click();
        QCOMPARE(services.boxTexts(), QStringList{QStringLiteral("ACPK2AVI.exeを指定してください。")});
        QVERIFY(window->converterLinkDialog().isVisible() && !c.aviOutput->isChecked());
    }

    void theBundledConverterIsOneOkAway()
    {
        FakeSystemServices services;
        const QString bundled = QDir::toNativeSeparators(QStringLiteral("/opt/ホタル/cpk2avi"));
        const auto window = start(services, bundled);
        const Controls c(*window);
        c.aviOutput->trigger();
        QCOMPARE(control<QLineEdit>(window->converterLinkDialog(), "Edit1")->text(), bundled);
        QVERIFY(!c.aviOutput->isChecked());  // offered, not switched on
        control<QPushButton>(window->converterLinkDialog(), "Button2")->click();
        QVERIFY(c.aviOutput->isChecked());
        QCOMPARE(window->session().converterPath(), bundled);
    }

    void clickingTheItemWhileOpenOnlyRaisesIt()
    {
        FakeSystemServices services;
        const auto window = start(services);
        const Controls c(*window);
        ConverterLinkDialog& link = window->converterLinkDialog();
        c.aviOutput->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(&link));
        window->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), window.get());
        c.aviOutput->trigger();
        QTRY_COMPARE(QApplication::activeWindow(), &link);
        QVERIFY(link.isVisible() && !c.aviOutput->isChecked());
        QVERIFY(services.boxes.empty());
    }

    void theAboutBoxRunsModallyAndItsHintsReachTheStatusLine()
    {
        FakeSystemServices services;
        const auto window = start(services);
        const Controls c(*window);
        QDialog& about = window->aboutDialog();
        bool modal = false;
        whileModal(&about, [&] {
            modal = about.isModal() && about.isVisible();
            QEvent enter(QEvent::Enter);
            QApplication::sendEvent(control<QLineEdit>(about, "Edit2"), &enter);
            QCOMPARE(window->statusText(), QStringLiteral("最新版はここに登録されています。"));
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(control<QLineEdit>(about, "Edit2"), &leave);
            QCOMPARE(window->statusText(), QString());
            control<QPushButton>(about, "OKBtn")->click();
        });
        c.about->trigger();
        QVERIFY(modal);
        QVERIFY(!about.isVisible());
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }
};

HOTARU_QTEST_MAIN(TestMenuDialogs)
#include "test_menu_dialogs.moc"
