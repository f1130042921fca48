// The output-folder dialog: the tree and the current directory, the drive
// selector, OK and Cancel, and the folder reaching the extraction run.
#include "ACPK2AVI.h"
#include "AboutACPK2AVI.h"
#include "Catalogue.h"
#include "DialogTestSupport.h"
#include "DirBox.h"
#include "DirectoryListBox.h"
#include "FileChecks.h"
#include "Form1.h"
#include "Globals.h"
#include "SampleArchive.h"
#include "SystemSeams.h"
#include "TestMain.h"
#include "TestSupport.h"
#include "VersionInfo.h"

#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <fstream>

namespace {

// drive/  with a/ (b/, c/, .hidden/) and z/;  other/ with y/.
struct Folders {
    QTemporaryDir tmp;
    QString drive;
    QString other;

    Folders()
    {
        const QString base = QDir(tmp.path()).canonicalPath();
        drive = base + QStringLiteral("/drive");
        other = base + QStringLiteral("/other");
        for (const char* sub : {"drive/a/b", "drive/a/c", "drive/a/.hidden", "drive/z", "other/y"})
            QDir(base).mkpath(QString::fromLatin1(sub));
    }
    QString at(const char* rel) const { return drive + u'/' + QString::fromLatin1(rel); }
};

QStringList rowTexts(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

int rowOf(const TDirectoryListBox* tree, const QString& path)
{
    for (int i = 0; i < tree->count(); ++i) {
        if (tree->RowPath(i) == path)
            return i;
    }
    return -1;
}

void doubleClickRow(TDirectoryListBox* tree, int row)
{
    QVERIFY(row >= 0);
    // A real double-click begins with a click; the widget version of mouseDClick sends only the second half.
    const QPoint at = tree->visualItemRect(tree->item(row)).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
}

}  // namespace

class TestDirBox : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captionsAndTabOrder()
    {
        Folders f;
        CwdGuard cwd;
        QDir::setCurrent(f.drive);
        TForm2 form({f.drive});
        QCOMPARE(form.windowTitle(), QStringLiteral("保存先の指定"));
        QCOMPARE(form.pos(), QPoint(279, 227));
        QCOMPARE(form.Button1->text(), QStringLiteral("OK"));
        QCOMPARE(form.Button2->text(), QStringLiteral("Cancel"));
        QVERIFY(!(form.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(!form.testAttribute(Qt::WA_QuitOnClose));

        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.DirectoryListBox1->setFocus();
        for (QWidget* next : std::initializer_list<QWidget*>{form.DriveComboBox1, form.Button1, form.Button2}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void startsAtTheCurrentDirectoryOnItsDrive()
    {
        Folders f;
        CwdGuard cwd;
        QDir::setCurrent(f.at("a"));
        TForm2 form({QStringLiteral("/"), f.other, f.drive});
        // The longest drive the folder lies on, not "/".
        QCOMPARE(form.DriveComboBox1->currentData().toString(), f.drive);
        QCOMPARE(form.DirectoryListBox1->Directory(), f.at("a"));
        // The drive's root, the path down, then the subfolders; hidden ones left out.
        QCOMPARE(rowTexts(form.DirectoryListBox1), (QStringList{f.drive, QStringLiteral("a"), QStringLiteral("b"),
                                                                 QStringLiteral("c")}));
        QCOMPARE(form.DirectoryListBox1->ShownRow(), 1);
    }

    void everyFolderShownBecomesCurrentAtOnce()
    {
        Folders f;
        CwdGuard cwd;
        HookScope hooks;
        QDir::setCurrent(f.at("a"));
        TForm2 form({f.drive});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        TDirectoryListBox* tree = form.DirectoryListBox1;

        doubleClickRow(tree, rowOf(tree, f.at("a/b")));
        QCOMPARE(tree->Directory(), f.at("a/b"));
        QCOMPARE(here(), f.at("a/b"));

        // Enter on the drive's row climbs back to the root.
        tree->setFocus();
        tree->setCurrentRow(0);
        QTest::keyClick(tree, Qt::Key_Return);
        QCOMPARE(tree->Directory(), f.drive);
        QCOMPARE(here(), f.drive);
        QCOMPARE(rowTexts(tree), (QStringList{f.drive, QStringLiteral("a"), QStringLiteral("z")}));
        QVERIFY(form.isVisible());

        // A folder gone since it was listed: reported, and nothing moves.
        QVERIFY(QDir(f.drive).rmdir(QStringLiteral("z")));
        doubleClickRow(tree, rowOf(tree, f.at("z")));
        QCOMPARE(hooks.errors.size(), std::size_t{1});
        QCOMPARE(tree->Directory(), f.drive);
        QCOMPARE(here(), f.drive);
    }

    void aFolderThatMayNotBeEnteredIsReportedAndNothingMoves()
    {
        if (runningAsRoot())
            QSKIP("root enters any folder");
        Folders f;
        CwdGuard cwd;
        HookScope hooks;
        QDir::setCurrent(f.at("a"));
        TForm2 form({f.drive});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        TDirectoryListBox* tree = form.DirectoryListBox1;
        const ModeScope closed(f.at("a/b").toStdString(), std::filesystem::perms::none);

        doubleClickRow(tree, rowOf(tree, f.at("a/b")));
        QCOMPARE(hooks.errors, std::vector<QString>{QStringLiteral("ﾌｧｲﾙへのｱｸｾｽが拒否されました")});
        QCOMPARE(tree->Directory(), f.at("a"));
        QCOMPARE(here(), f.at("a"));
        QVERIFY(form.isVisible());
    }

    void okGivesTheFolderWithOneSeparator_data()
    {
        QTest::addColumn<QString>("start");  // relative to the drive, or "/" itself
        QTest::addColumn<QString>("expected");
        QTest::newRow("system root") << QStringLiteral("/") << QStringLiteral("/");
        QTest::newRow("mounted drive root") << QString() << QStringLiteral("<drive>/");
        QTest::newRow("folder") << QStringLiteral("a/b") << QStringLiteral("<drive>/a/b/");
    }

    void okGivesTheFolderWithOneSeparator()
    {
        QFETCH(QString, start);
        QFETCH(QString, expected);
        Folders f;
        CwdGuard cwd;
        QDir::setCurrent(start == QStringLiteral("/") ? start : f.drive + u'/' + start);
        TForm2 form({QStringLiteral("/"), f.drive});
        QSignalSpy chosen(&form, &TForm2::OutputFolderChosen);
        form.show();
        form.Button1->click();
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.at(0).at(0).toString(), expected.replace(QStringLiteral("<drive>"), f.drive));
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QVERIFY(!form.isVisible());
    }

    void cancelAndTheCloseBoxKeepTheFolderButNotTheDirectory()
    {
        Folders f;
        CwdGuard cwd;
        HookScope hooks;
        QDir::setCurrent(f.drive);
        TForm2 form({f.drive});
        QSignalSpy chosen(&form, &TForm2::OutputFolderChosen);
        for (QPushButton* closer : {form.Button2, static_cast<QPushButton*>(nullptr)}) {
            form.show();
            form.DirectoryListBox1->SetDirectory(f.drive, f.at(closer ? "a" : "z"));
            if (closer)
                closer->click();
            else
                form.close();
            QVERIFY(!form.isVisible());
            QCOMPARE(here(), f.at(closer ? "a" : "z"));
        }
        QCOMPARE(chosen.size(), 0);
    }

    void reopeningShowsTheFolderLastShown()
    {
        Folders f;
        CwdGuard cwd;
        QDir::setCurrent(f.drive);
        TForm2 form({QStringLiteral("/"), f.drive});
        form.show();
        form.DirectoryListBox1->SetDirectory(f.drive, f.at("a/c"));
        form.Button2->click();
        QDir::setCurrent(f.other);  // moved elsewhere meanwhile
        form.show();
        QCOMPARE(form.DirectoryListBox1->Directory(), f.at("a/c"));
        QCOMPARE(form.DriveComboBox1->currentData().toString(), f.drive);
        QCOMPARE(form.DirectoryListBox1->item(form.DirectoryListBox1->ShownRow())->text(), QStringLiteral("c"));
    }

    void changingTheDriveGoesToItsLastFolderElseItsRoot()
    {
        Folders f;
        CwdGuard cwd;
        HookScope hooks;
        QDir::setCurrent(f.at("a"));
        TForm2 form({f.drive, f.other});
        QComboBox* drives = form.DriveComboBox1;

        drives->setCurrentIndex(drives->findData(f.other));
        QCOMPARE(form.DirectoryListBox1->Directory(), f.other);
        QCOMPARE(here(), f.other);
        form.DirectoryListBox1->OpenRow(rowOf(form.DirectoryListBox1, f.other + QStringLiteral("/y")));

        drives->setCurrentIndex(drives->findData(f.drive));
        QCOMPARE(form.DirectoryListBox1->Directory(), f.at("a"));
        QCOMPARE(here(), f.at("a"));
        QCOMPARE(form.DirectoryListBox1->Drive(), f.drive);

        drives->setCurrentIndex(drives->findData(f.other));
        QCOMPARE(here(), f.other + QStringLiteral("/y"));
        QVERIFY(hooks.errors.empty());
    }

    void aDriveThatCannotBeEnteredChangesNothing()
    {
        Folders f;
        CwdGuard cwd;
        HookScope hooks;
        const QString missing = f.other + QStringLiteral("/no-medium");
        QDir::setCurrent(f.at("a"));
        TForm2 form({f.drive, missing});
        QSignalSpy chosen(&form, &TForm2::OutputFolderChosen);

        form.DriveComboBox1->setCurrentIndex(form.DriveComboBox1->findData(missing));
        QCOMPARE(hooks.errors.size(), std::size_t{1});
        QCOMPARE(form.DirectoryListBox1->Directory(), f.at("a"));
        QCOMPARE(here(), f.at("a"));
        QCOMPARE(form.DriveComboBox1->currentData().toString(), missing);  // shows the drive chosen
        QCOMPARE(chosen.size(), 0);
    }

    void enterAndEscapeDoNotPressTheButtons()
    {
        Folders f;
        CwdGuard cwd;
        QDir::setCurrent(f.drive);
        TForm2 form({f.drive});
        QSignalSpy chosen(&form, &TForm2::OutputFolderChosen);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        for (QWidget* focus : std::initializer_list<QWidget*>{form.DriveComboBox1, form.Button1, form.Button2}) {
            focus->setFocus();
            QTest::keyClick(focus, Qt::Key_Escape);
            QTest::keyClick(focus, Qt::Key_Return);
            QVERIFY(form.isVisible());
        }
        QCOMPARE(chosen.size(), 0);
        QCOMPARE(form.result(), 0);
    }

    // With the main window: the menu command, the global, the error box and a run.
    void theChosenFolderReachesTheRun()
    {
        Folders f;
        CwdGuard cwd;
        PromptsScope prompts;
        seams::replaceDrives(std::make_unique<FakeDrives>());
        QDir(f.drive).mkpath(QStringLiteral("out"));
        const QString archive = f.other + QStringLiteral("/hotaru4");
        hotaru::writeSampleArchive(archive.toStdString(), 2);
        QDir::setCurrent(f.drive);

        TForm1 form;
        TOKRightDlg about;
        TForm2 form2({f.drive, f.other + QStringLiteral("/no-medium")});
        TForm3 form3;
        TForm4 form4;
        form.AttachDialogs();
        prompts->files = {archive};
        form.Open1Click();
        prompts->boxes.clear();

        // Cancel first: OutputFolder stays empty although the directory moved.
        whileModal(&form2, [&] {
            form2.DirectoryListBox1->OpenRow(rowOf(form2.DirectoryListBox1, f.at("z")));
            form2.Button2->click();
        });
        form.KS1->trigger();
        QVERIFY(OutputFolder.isEmpty());
        QCOMPARE(here(), f.at("z"));

        // A drive without a medium: the standard error box, nothing else.
        whileModal(&form2, [&] {
            form2.DriveComboBox1->setCurrentIndex(1);
            form2.Button2->click();
        });
        form.KS1->trigger();
        QCOMPARE(prompts->boxes.size(), std::size_t{1});
        QCOMPARE(prompts->boxes[0].caption, QStringLiteral("ホタル奇譚ムービーカッター"));
        QCOMPARE(prompts->boxes[0].flags, prompts::MB_OK | prompts::MB_ICONSTOP);
        QVERIFY(prompts->boxes[0].text.endsWith(u'.') || prompts->boxes[0].text.endsWith(u'。'));
        QVERIFY(OutputFolder.isEmpty());
        prompts->boxes.clear();

        whileModal(&form2, [&] {
            form2.DriveComboBox1->setCurrentIndex(0);
            form2.DirectoryListBox1->SetDirectory(f.drive, f.at("out"));
            form2.Button1->click();
        });
        form.KS1->trigger();
        QCOMPARE(OutputFolder, f.at("out") + u'/');

        // The smallest movie keeps the run short.
        std::int32_t movie = 1;
        for (std::int32_t n = 2; n <= hotaru::movieCount(2); ++n) {
            if (hotaru::movieSize(2, n) < hotaru::movieSize(2, movie))
                movie = n;
        }
        QDir::setCurrent(f.other);  // the run must not depend on where the directory is
        selectRow(form.ListBox1, movie - 1);
        form.Button2->click();
        form.Button4->click();
        QTRY_VERIFY_WITH_TIMEOUT(!prompts->boxes.empty(), 60000);
        QCOMPARE(prompts->boxes.back().text, QStringLiteral("ファイルの作成が終了しました。"));

        const QString written = f.at("out/") + fromUtf8(hotaru::movieTitle(2, movie)) + QStringLiteral(".cpk");
        QCOMPARE(QFileInfo(written).size(), qint64{hotaru::movieSize(2, movie)});
        const std::string header = hotaru::sampleHeader(2, movie);
        std::string head(header.size(), '\0');
        std::ifstream(written.toStdString(), std::ios::binary).read(head.data(), std::streamsize(head.size()));
        QCOMPARE(head, header);
        QVERIFY(!QFileInfo::exists(f.other + u'/' + fromUtf8(hotaru::movieTitle(2, movie)) + QStringLiteral(".cpk")));
        seams::replaceDrives(nullptr);
    }
};

HOTARU_QTEST_MAIN(TestDirBox)
#include "test_dirbox.moc"
