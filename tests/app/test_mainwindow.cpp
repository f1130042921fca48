// The main window: layout, start-up discovery, File > Open, hints and errors.
#include "Form1.h"
#include "Globals.h"
#include "SampleArchive.h"
#include "SystemSeams.h"
#include "TestMain.h"
#include "TestSupport.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>

namespace {

const QString Ready = QStringLiteral("作成するムービーファイルを選択してください。");

void resetState()
{
    ArchivePath.clear();
    ArchiveVariant = 0;
    PickList.clear();
    OutputFolder.clear();
}

std::string makeFile(const QTemporaryDir& dir, const QString& name, std::int64_t size)
{
    const std::string p = dir.filePath(name).toStdString();
    std::ofstream(p).close();
    std::filesystem::resize_file(p, static_cast<std::uintmax_t>(size));
    return p;
}

// Drives whose CD-ROM roots are real folders, so a found archive really opens.
FakeDrives* installDrives(const QStringList& cdromRoots, const QStringList& otherRoots = {})
{
    auto d = std::make_unique<FakeDrives>();
    for (const QString& r : otherRoots)
        d->rootList.push_back(r.toStdString());
    for (const QString& r : cdromRoots) {
        d->rootList.push_back(r.toStdString());
        d->cdroms.insert(r.toStdString());
    }
    FakeDrives* raw = d.get();
    seams::replaceDrives(std::move(d));
    return raw;
}

int openDescriptors() { return static_cast<int>(QDir(QStringLiteral("/proc/self/fd")).count()); }

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { resetState(); }
    void cleanup() { seams::replaceDrives(nullptr); }

    void layoutMatchesTheDesign()
    {
        PromptsScope prompts;
        installDrives({});
        TForm1 form;
        QCOMPARE(form.windowTitle(), QStringLiteral("ホタル奇譚ムービーカッター"));
        QCOMPARE(form.centralWidget()->size(), QSize(426, 297));
        QCOMPARE(form.ListBox1->geometry(), QRect(16, 24, 161, 193));
        QCOMPARE(form.ListBox2->geometry(), QRect(248, 24, 161, 193));
        QCOMPARE(form.Button2->geometry(), QRect(192, 40, 41, 41));
        QCOMPARE(form.Button3->geometry(), QRect(192, 96, 41, 41));
        QCOMPARE(form.Button5->geometry(), QRect(192, 152, 41, 25));
        QCOMPARE(form.Button6->geometry(), QRect(192, 192, 41, 25));
        QCOMPARE(form.Button4->geometry(), QRect(240, 232, 81, 25));
        QCOMPARE(form.Button1->geometry(), QRect(336, 232, 75, 25));
        QCOMPARE(form.Label2->geometry(), QRect(8, 240, 169, 17));
        QCOMPARE(form.ProgressBar1->geometry(), QRect(8, 264, 409, 9));
        QCOMPARE(form.StatusBar1->geometry(), QRect(0, 278, 426, 19));
        QCOMPARE(form.ProgressBar1->maximum(), 100);
        QCOMPARE(form.Label3->text(), QStringLiteral("ムービーファイル"));
        QCOMPARE(form.Label4->text(), QStringLiteral("選択したファイル"));
        QCOMPARE(form.Button4->text(), QStringLiteral("実行"));
        QCOMPARE(form.Button1->text(), QStringLiteral("終了"));
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        // Both drawn sizes of the icon, not one scaled for the other.
        const QIcon icon = form.windowIcon();
        for (int px : {16, 32}) {
            QVERIFY(icon.availableSizes().contains(QSize(px, px)));
            QCOMPARE(icon.pixmap(QSize(px, px)).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
                     QImage(QStringLiteral(":/icons/hotaru-%1.png").arg(px)).convertToFormat(QImage::Format_ARGB32_Premultiplied));
        }

        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.minimumSize(), form.maximumSize());  // not resizable

        // Tab: ListBox1, ListBox2, then the enabled buttons in their order.
        form.ListBox1->setFocus();
        QList<QWidget*> expected{form.ListBox2, form.Button2, form.Button5, form.Button6, form.Button1};
        for (QWidget* w : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), w);
        }
    }

    void menuItemsCarryTheirHints()
    {
        PromptsScope prompts;
        installDrives({});
        TForm1 form;
        const QList<QPair<QAction*, QString>> hints{
            {form.Open1, QStringLiteral("ﾑｰﾋﾞｰﾌｧｲﾙを開きます。")},
            {form.KS1, QStringLiteral("ﾌｧｲﾙの保存先を指定します。")},
            {form.Exit1, QStringLiteral("プログラムを終了します。")},
            {form.ACPK2AVI, QStringLiteral("ACPK2AVIと連携してAVIを出力します")},
            {form.K2, QStringLiteral("ﾒｯｾｰｼﾞを通常表示にします。")},
            {form.K3, QStringLiteral("ﾒｯｾｰｼﾞをあかね風に変えます。")},
            {form.K4, QStringLiteral("ﾒｯｾｰｼﾞをしおり風に変えます。")},
            {form.About1, QStringLiteral("このソフトのﾊﾞｰｼﾞｮﾝ情報を表示します。")},
        };
        for (const auto& [action, hint] : hints)
            QCOMPARE(action->statusTip(), hint);
        QVERIFY(form.ACPK2AVI->isCheckable() && !form.ACPK2AVI->isChecked());
        QVERIFY(form.K2->isChecked() && !form.K3->isChecked() && !form.K4->isChecked());
        QCOMPARE(form.File1->actions(), (QList<QAction*>{form.Open1, form.KS1, form.N1, form.Exit1}));
    }

    void highlightingShowsTheHintAndClosingTheMenuEmptiesIt()
    {
        PromptsScope prompts;
        installDrives({});
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.SetStatusText(QStringLiteral("前のメッセージ"));
        form.File1->popup(form.mapToGlobal(QPoint(0, 0)));
        QVERIFY(QTest::qWaitForWindowExposed(form.File1));
        form.File1->setActiveAction(form.Open1);
        QTRY_COMPARE(form.StatusText(), QStringLiteral("ﾑｰﾋﾞｰﾌｧｲﾙを開きます。"));
        form.File1->hide();
        QTRY_COMPARE(form.StatusText(), QString());
    }

    void noCdRomShowsOneBoxBeforeAnyWindow()
    {
        PromptsScope prompts;
        installDrives({}, {QStringLiteral("C:\\")});
        bool windowVisibleDuringBox = true;
        prompts->onBox = [&] { windowVisibleDuringBox = Form1 && Form1->isVisible(); };
        TForm1 form;
        QCOMPARE(prompts->boxes.size(), size_t(1));
        QCOMPARE(prompts->boxes[0].text, QStringLiteral("CD-ROMが見つかりませんわ。"));
        QCOMPARE(prompts->boxes[0].caption, QStringLiteral("エラーですわよ。"));
        QCOMPARE(prompts->boxes[0].flags, prompts::MB_OK);
        QVERIFY(!windowVisibleDuringBox);
        QCOMPARE(form.ListBox1->count(), 0);
        QCOMPARE(form.StatusText(), QString());
        QVERIFY(form.Button2->isEnabled() && form.Button5->isEnabled() && form.Button6->isEnabled());
        QVERIFY(ArchivePath.isEmpty());
    }

    void cdRomWithoutTheDiscOffersRetryThenLists()
    {
        QTemporaryDir cd;
        PromptsScope prompts;
        FakeDrives* drives = installDrives({cd.path()});
        prompts->onBox = [&] {
            drives->files.insert(cd.filePath(QStringLiteral("hotaru4")).toStdString());
            makeFile(cd, QStringLiteral("hotaru4"), 255995904);
        };
        prompts->answers = {prompts::IDRETRY};
        TForm1 form;
        QCOMPARE(prompts->boxes.size(), size_t(1));
        QCOMPARE(prompts->boxes[0].text, QStringLiteral("ホタル奇譚のCDROMが入っていません。"));
        QCOMPARE(prompts->boxes[0].caption, QStringLiteral("エラー"));
        QCOMPARE(prompts->boxes[0].flags, 0x15);
        QCOMPARE(form.ListBox1->count(), 31);
        QCOMPARE(ArchiveVariant, 1);
        QCOMPARE(ArchivePath, cd.filePath(QStringLiteral("hotaru4")));
        QCOMPARE(form.StatusText(), Ready);
        QCOMPARE(selectedRow(form.ListBox1), 0);
        QVERIFY(form.Button2->isEnabled() && !form.Button3->isEnabled() && !form.Button4->isEnabled());
    }

    void cancellingTheRetryDisablesThePickButtonsUntilOpen()
    {
        QTemporaryDir cd, elsewhere;
        PromptsScope prompts;
        installDrives({cd.path()});
        prompts->answers = {prompts::IDRETRY, prompts::IDCANCEL};
        TForm1 form;
        QCOMPARE(prompts->boxes.size(), size_t(2));
        QVERIFY(!form.Button2->isEnabled() && !form.Button5->isEnabled() && !form.Button6->isEnabled());
        QCOMPARE(form.ListBox1->count(), 0);
        QCOMPARE(form.StatusText(), QString());

        // File > Open on an unrecognised size: nothing listed, yet ready and enabled.
        prompts->files = {QString::fromStdString(makeFile(elsewhere, QStringLiteral("odd.bin"), 12345))};
        form.Open1->trigger();
        QCOMPARE(ArchiveVariant, 0);
        QCOMPARE(form.ListBox1->count(), 0);
        QCOMPARE(form.StatusText(), Ready);
        QVERIFY(form.Button2->isEnabled() && form.Button5->isEnabled() && form.Button6->isEnabled());
        QVERIFY(!form.Button4->isEnabled());
    }

    void openListsTheDiscBySizeAndEmptiesThePicks()
    {
        QTemporaryDir dir;
        PromptsScope prompts;
        installDrives({});
        TForm1 form;
        const QString disc2 = QString::fromStdString(makeFile(dir, QStringLiteral("any name"), 208545792));
        prompts->files = {disc2};
        form.Open1->trigger();
        QCOMPARE(prompts->fileRequests.size(), size_t(1));
        QCOMPARE(prompts->fileRequests[0].filterName, QStringLiteral("ホタル奇譚ムービーファイル(hotaru4)"));
        QCOMPARE(prompts->fileRequests[0].fileNames, QStringList{QStringLiteral("hotaru4")});
        QCOMPARE(prompts->fileRequests[0].initialName, QStringLiteral("hotaru4"));
        QCOMPARE(ArchiveVariant, 2);
        QCOMPARE(form.ListBox1->count(), 19);
        QCOMPARE(form.ListBox1->item(0)->text(), QStringLiteral("ディスク2 オープニング"));

        form.Button5->click();
        QCOMPARE(form.ListBox2->count(), 19);
        QVERIFY(form.Button4->isEnabled());
        prompts->files = {disc2};
        const QString before = QDir::currentPath();
        form.Open1->trigger();
        QCOMPARE(prompts->fileRequests.back().initialName, QStringLiteral("any name"));  // remembers the last
        QCOMPARE(form.ListBox2->count(), 0);
        QCOMPARE(PickList.count, 0);
        QVERIFY(!form.Button4->isEnabled());
        QCOMPARE(QDir::currentPath(), before);

        prompts->files = {std::nullopt};  // cancel changes nothing
        form.Open1->trigger();
        QCOMPARE(form.ListBox1->count(), 19);
    }

    void openingAMissingFileShowsTheErrorAndKeepsTheVariant()
    {
        QTemporaryDir dir;
        PromptsScope prompts;
        installDrives({});
        TForm1 form;
        prompts->boxes.clear();  // the start-up box of a machine without CD-ROM
        prompts->files = {QString::fromStdString(makeFile(dir, QStringLiteral("hotaru4"), 255995904))};
        form.Open1->trigger();
        form.Button5->click();
        form.SetStatusText(QStringLiteral("そのまま"));

        prompts->files = {dir.filePath(QStringLiteral("typed-but-missing"))};
        form.Open1->trigger();
        QCOMPARE(prompts->boxes.size(), size_t(1));
        QCOMPARE(prompts->boxes[0].text, QStringLiteral("ﾌｧｲﾙが見つかりません."));
        QCOMPARE(prompts->boxes[0].caption, QStringLiteral("ホタル奇譚ムービーカッター"));
        QCOMPARE(prompts->boxes[0].flags, prompts::MB_OK | prompts::MB_ICONSTOP);
        QCOMPARE(ArchiveVariant, 1);
        QCOMPARE(form.ListBox1->count(), 0);
        QCOMPARE(form.ListBox2->count(), 0);
        QCOMPARE(PickList.count, 0);
        QVERIFY(!form.Button4->isEnabled());
        QCOMPARE(form.StatusText(), QStringLiteral("そのまま"));
    }

    void aFoundArchiveThatCannotBeOpenedStillOpensTheWindow()
    {
        QTemporaryDir cd;
        PromptsScope prompts;
        FakeDrives* drives = installDrives({cd.path()});
        drives->files.insert(cd.filePath(QStringLiteral("hotaru4")).toStdString());  // seen, but not there
        TForm1 form;
        QCOMPARE(prompts->boxes.size(), size_t(1));
        QCOMPARE(prompts->boxes[0].text, QStringLiteral("ﾌｧｲﾙが見つかりません."));
        QCOMPARE(ArchiveVariant, 0);
        QCOMPARE(form.ListBox1->count(), 0);
        QCOMPARE(form.StatusText(), QString());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
    }

    void repeatedOpensLeaveNoDescriptorOpen()
    {
        QTemporaryDir dir;
        PromptsScope prompts;
        installDrives({});
        TForm1 form;
        const QString path = QString::fromStdString(makeFile(dir, QStringLiteral("hotaru4"), 208545792));
        prompts->files = {path};
        form.Open1->trigger();
        const int before = openDescriptors();
        for (int i = 0; i < 20; ++i) {
            prompts->files = {path};
            form.Open1->trigger();
        }
        QCOMPARE(openDescriptors(), before);
    }
};

HOTARU_QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
