// The main window: layout, start-up discovery, File > Open of discs and images, hints.
#include "AppTestSupport.h"
#include "TestMain.h"
#include "catalogue/Archive.h"
#include "catalogue/Catalogue.h"
#include "platform/Path.h"
#include "tools/SampleImage.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include <filesystem>
#include <fstream>

using namespace app;

namespace {

bool anyWindowVisible()
{
    for (const QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            return true;
    return false;
}

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:

    void layoutMatchesTheDesign()
    {
        FakeSystemServices services;
        Program program(services, false);
        MainWindow& form = *program.window;
        const Controls& c = *program.controls;
        QCOMPARE(form.windowTitle(), QStringLiteral("ホタル奇譚ムービーカッター"));
        QCOMPARE(form.centralWidget()->size(), QSize(426, 297));
        QCOMPARE(c.titles->geometry(), QRect(16, 24, 161, 193));
        QCOMPARE(c.picks->geometry(), QRect(248, 24, 161, 193));
        QCOMPARE(c.add->geometry(), QRect(192, 40, 41, 41));
        QCOMPARE(c.remove->geometry(), QRect(192, 96, 41, 41));
        QCOMPARE(c.selectAll->geometry(), QRect(192, 152, 41, 25));
        QCOMPARE(c.clearAll->geometry(), QRect(192, 192, 41, 25));
        QCOMPARE(c.run->geometry(), QRect(240, 232, 81, 25));
        QCOMPARE(c.exit->geometry(), QRect(336, 232, 75, 25));
        QCOMPARE(c.fileName->geometry(), QRect(8, 240, 169, 17));
        QCOMPARE(c.progress->geometry(), QRect(8, 264, 409, 9));
        QCOMPARE(c.status->geometry(), QRect(0, 278, 426, 19));
        QCOMPARE(c.progress->maximum(), 100);
        QCOMPARE(Controls::find<QLabel>(form, "Label3")->text(), QStringLiteral("ムービーファイル"));
        QCOMPARE(Controls::find<QLabel>(form, "Label4")->text(), QStringLiteral("選択したファイル"));
        QCOMPARE(c.run->text(), QStringLiteral("実行"));
        QCOMPARE(c.exit->text(), QStringLiteral("終了"));
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        // Both drawn sizes of the icon, not one scaled for the other.
        const QIcon icon = form.windowIcon();
        for (int px : {16, 32}) {
            QVERIFY(icon.availableSizes().contains(QSize(px, px)));
            QCOMPARE(icon.pixmap(QSize(px, px)).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
                     QImage(QStringLiteral(":/icons/hotaru-%1.png").arg(px))
                         .convertToFormat(QImage::Format_ARGB32_Premultiplied));
        }

        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.minimumSize(), form.maximumSize());  // not resizable

        // Tab: ListBox1, ListBox2, then the enabled buttons in their order.
        c.titles->setFocus();
        QList<QWidget*> expected{c.picks, c.add, c.selectAll, c.clearAll, c.exit};
        for (QWidget* w : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), w);
        }
    }

    void menuItemsCarryTheirHints()
    {
        FakeSystemServices services;
        Program program(services, false);
        MainWindow& form = *program.window;
        const Controls& c = *program.controls;
        const QList<QPair<QAction*, QString>> hints{
            {c.open, QStringLiteral("ﾑｰﾋﾞｰﾌｧｲﾙを開きます。")},
            {c.outputFolder, QStringLiteral("ﾌｧｲﾙの保存先を指定します。")},
            {c.exitItem, QStringLiteral("プログラムを終了します。")},
            {c.aviOutput, QStringLiteral("ACPK2AVIと連携してAVIを出力します")},
            {c.mp4Output, QStringLiteral("ﾌﾞﾗｳｻﾞやｽﾏﾎで再生できるMP4を出力します")},
            {c.mkvOutput, QStringLiteral("ﾃﾞｨｽｸの映像と音声をそのまま収めたMKVを出力します")},
            {c.voices[0], QStringLiteral("ﾒｯｾｰｼﾞを通常表示にします。")},
            {c.voices[1], QStringLiteral("ﾒｯｾｰｼﾞをあかね風に変えます。")},
            {c.voices[2], QStringLiteral("ﾒｯｾｰｼﾞをしおり風に変えます。")},
            {c.about, QStringLiteral("このソフトのﾊﾞｰｼﾞｮﾝ情報を表示します。")},
        };
        for (const auto& [action, hint] : hints)
            QCOMPARE(action->statusTip(), hint);
        QVERIFY(c.aviOutput->isCheckable() && !c.aviOutput->isChecked());
        QVERIFY(c.mp4Output->isCheckable() && !c.mp4Output->isChecked());
        // MP4 directly below AVI.
        const QList<QAction*> options = Controls::find<QMenu>(form, "opt")->actions();
        QCOMPARE(options.indexOf(c.mp4Output), options.indexOf(c.aviOutput) + 1);
        QCOMPARE(options.indexOf(c.mkvOutput), options.indexOf(c.mp4Output) + 1);
        QCOMPARE(c.mp4Output->text(), QStringLiteral("MP4を出力(&P)"));
        QVERIFY(c.voices[0]->isChecked() && !c.voices[1]->isChecked() && !c.voices[2]->isChecked());
        // Stopping a run sits just above 終了, and is off while nothing runs;
        // the preview above the line, off with no title selected.
        auto* stop = Controls::find<QAction>(form, "Stop1");
        auto* preview = Controls::find<QAction>(form, "Preview1");
        QCOMPARE(Controls::find<QMenu>(form, "File1")->actions(),
                 (QList<QAction*>{c.open, c.outputFolder, preview, Controls::find<QAction>(form, "putBack"),
                                  Controls::find<QAction>(form, "N1"), stop, c.exitItem}));
        QCOMPARE(preview->text(), QStringLiteral("ﾌﾟﾚﾋﾞｭｰ(&P)..."));
        QCOMPARE(preview->statusTip(), QStringLiteral("選んだﾑｰﾋﾞｰを再生します。"));
        QVERIFY(!preview->isEnabled());
        QCOMPARE(stop->text(), QStringLiteral("ﾌｧｲﾙ作成の中止(&C)"));
        QCOMPARE(stop->statusTip(), QStringLiteral("ﾌｧｲﾙの作成を中止します。"));
        QVERIFY(!stop->isEnabled());
    }

    void highlightingShowsTheHintAndClosingTheMenuEmptiesIt()
    {
        FakeSystemServices services;
        Program program(services, false);
        MainWindow& form = *program.window;
        const Controls& c = *program.controls;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        c.status->showMessage(QStringLiteral("前のメッセージ"));
        QMenu* file = Controls::find<QMenu>(form, "File1");
        file->popup(form.mapToGlobal(QPoint(0, 0)));
        QVERIFY(QTest::qWaitForWindowExposed(file));
        file->setActiveAction(c.open);
        QTRY_COMPARE(form.statusText(), QStringLiteral("ﾑｰﾋﾞｰﾌｧｲﾙを開きます。"));
        file->hide();
        QTRY_COMPARE(form.statusText(), QString());
    }

    void noCdRomShowsOneBoxBeforeAnyWindow()
    {
        FakeSystemServices services;
        setDrives(services, {}, {QStringLiteral("C:\\")});
        bool windowVisibleDuringBox = true;
        services.onBox = [&] { windowVisibleDuringBox = anyWindowVisible(); };
        Program program(services, false);
        MainWindow& form = *program.window;
        const Controls& c = *program.controls;
        QCOMPARE(services.boxes.size(), size_t(1));
        QCOMPARE(services.boxes[0].text, QStringLiteral("CD-ROMが見つかりませんわ。"));
        QCOMPARE(services.boxes[0].caption, QStringLiteral("エラーですわよ。"));
        QCOMPARE(services.boxes[0].buttons, gui::BoxButtons::Ok);
        QCOMPARE(services.boxes[0].icon, gui::BoxIcon::None);
        QVERIFY(!windowVisibleDuringBox);
        QCOMPARE(c.titles->count(), 0);
        QCOMPARE(form.statusText(), QString());
        QVERIFY(c.add->isEnabled() && c.selectAll->isEnabled() && c.clearAll->isEnabled());
        QVERIFY(form.session().archivePath().isEmpty());
    }

    void cdRomWithoutTheDiscOffersRetryThenLists()
    {
        QTemporaryDir cd;
        FakeSystemServices services;
        setDrives(services, {cd.path()});
        services.onBox = [&] {
            services.fakeDrives.files.insert(hotaru::joinRoot(cd.path().toStdString(), hotaru::ArchiveFileName));
            makeFile(cd, QStringLiteral("hotaru4"), hotaru::Disc1ArchiveSize);
        };
        services.answers = {gui::BoxAnswer::Retry};
        Program program(services, false);
        MainWindow& form = *program.window;
        const Controls& c = *program.controls;
        QCOMPARE(services.boxes.size(), size_t(1));
        QCOMPARE(services.boxes[0].text, QStringLiteral("ホタル奇譚のCDROMが入っていません。"));
        QCOMPARE(services.boxes[0].caption, QStringLiteral("エラー"));
        QCOMPARE(services.boxes[0].buttons, gui::BoxButtons::RetryCancel);
        QCOMPARE(services.boxes[0].icon, gui::BoxIcon::Stop);
        QCOMPARE(c.titles->count(), 31);
        QCOMPARE(form.session().disc(), 1);
        QCOMPARE(form.session().archivePath(),
                 QString::fromStdString(hotaru::joinRoot(cd.path().toStdString(), hotaru::ArchiveFileName)));
        QCOMPARE(form.statusText(), Ready);
        QCOMPARE(selectedRow(c.titles), 0);
        QVERIFY(c.add->isEnabled() && !c.remove->isEnabled() && !c.run->isEnabled());
    }

    void cancellingTheRetryDisablesThePickButtonsUntilOpen()
    {
        QTemporaryDir cd, elsewhere;
        FakeSystemServices services;
        setDrives(services, {cd.path()});
        services.answers = {gui::BoxAnswer::Retry, gui::BoxAnswer::Cancel};
        Program program(services, false);
        MainWindow& form = *program.window;
        const Controls& c = *program.controls;
        QCOMPARE(services.boxes.size(), size_t(2));
        QVERIFY(!c.add->isEnabled() && !c.selectAll->isEnabled() && !c.clearAll->isEnabled());
        QCOMPARE(c.titles->count(), 0);
        QCOMPARE(form.statusText(), QString());

        // File > Open on an unrecognised size: nothing listed, yet ready and
        // enabled once it is read (it might have been an image).
        services.files = {QString::fromStdString(makeFile(elsewhere, QStringLiteral("odd.bin"), 12345))};
        c.open->trigger();
        QTRY_COMPARE(form.statusText(), Ready);
        QCOMPARE(form.session().disc(), 0);
        QCOMPARE(c.titles->count(), 0);
        QVERIFY(c.add->isEnabled() && c.selectAll->isEnabled() && c.clearAll->isEnabled());
        QVERIFY(!c.run->isEnabled());
    }

    void openListsTheDiscBySizeAndEmptiesThePicks()
    {
        QTemporaryDir dir;
        FakeSystemServices services;
        Program program(services, false);
        MainWindow& form = *program.window;
        const Controls& c = *program.controls;
        const QString disc2 =
            QString::fromStdString(makeFile(dir, QStringLiteral("any name"), hotaru::Disc2ArchiveSize));
        services.files = {disc2};
        c.open->trigger();
        QCOMPARE(services.fileRequests.size(), size_t(1));
        QCOMPARE(services.fileRequests[0].filterName, QStringLiteral("ホタル奇譚ムービーファイル(hotaru4)"));
        QCOMPARE(services.fileRequests[0].fileNames, QStringList{QStringLiteral("hotaru4")});
        QCOMPARE(services.fileRequests[0].initialName, QStringLiteral("hotaru4"));
        QCOMPARE(form.session().disc(), 2);
        QCOMPARE(c.titles->count(), 19);
        QCOMPARE(c.titles->item(0)->text(), QStringLiteral("ディスク2 オープニング"));

        c.selectAll->click();
        QCOMPARE(c.picks->count(), 19);
        QVERIFY(c.run->isEnabled());
        services.files = {disc2};
        const QString before = QDir::currentPath();
        c.open->trigger();
        QCOMPARE(services.fileRequests.back().initialName, QStringLiteral("any name"));  // remembers the last
        QCOMPARE(c.picks->count(), 0);
        QCOMPARE(form.session().picking().picks().count, 0);
        QVERIFY(!c.run->isEnabled());
        QCOMPARE(QDir::currentPath(), before);

        services.files = {std::nullopt};  // cancel changes nothing
        c.open->trigger();
        QCOMPARE(c.titles->count(), 19);
    }

    // A disc image opens as the disc, from File > Open or dropped on the
    // window; a damaged one is named in the standard error box.
    void discImagesOpenAsTheDisc()
    {
        QTemporaryDir dir;
        FakeSystemServices services;
        Program program(services, false);
        const Controls& c = *program.controls;
        services.boxes.clear();
        const std::string archive = makeFile(dir, QStringLiteral("hotaru4"), hotaru::Disc2ArchiveSize);
        const QString cue = dir.filePath(QStringLiteral("ホタル (Disc 2).cue"));
        hotaru::writeBinCue(archive, cue.toStdString());
        services.files = {cue};
        c.open->trigger();
        QCOMPARE(services.fileRequests[0].moreFilters.size(), 1);
        for (const char* ext : {"*.cue", "*.chd", "*.ccd", "*.mds", "*.nrg", "*.NRG"})
            QVERIFY2(services.fileRequests[0].moreFilters[0].second.contains(QLatin1String(ext)), ext);
        // An image is read on a thread of its own: listed a moment later.
        QTRY_COMPARE(program.window->session().disc(), 2);
        QCOMPARE(c.titles->count(), 19);
        QCOMPARE(services.boxes.size(), size_t(0));

        const QString iso = dir.filePath(QStringLiteral("disc2.mds"));
        hotaru::writeMds(archive, iso.toStdString());
        c.selectAll->click();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(iso)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(program.window.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(program.window.get(), &drop);
        QCOMPARE(QDir::fromNativeSeparators(program.window->session().archivePath()), QDir::fromNativeSeparators(iso));
        QCOMPARE(c.titles->count(), 0);
        QTRY_COMPARE(c.titles->count(), 19);
        QCOMPARE(c.picks->count(), 0);

        QVERIFY(QFile::remove(QString::fromStdString(hotaru::trackFileName(cue.toStdString(), 1))));
        services.files = {cue};
        c.open->trigger();
        QTRY_COMPARE(services.boxes.size(), size_t(1));
        QVERIFY2(services.boxes[0].text.contains(QStringLiteral("(Track 1).bin")), qPrintable(services.boxes[0].text));
        QVERIFY(services.boxes[0].text.endsWith(QStringLiteral("CUEｼｰﾄのﾄﾗｯｸのﾌｧｲﾙが見つかりません.")));
        QCOMPARE(c.titles->count(), 0);
    }
};

HOTARU_QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
