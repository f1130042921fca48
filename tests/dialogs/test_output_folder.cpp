// The output-folder dialog: the tree and the current directory, the drive
// selector, OK and Cancel, and what reaches the program.
#include "DialogTestSupport.h"
#include "FileChecks.h"
#include "dialogs/FolderTree.h"
#include "dialogs/OutputFolderDialog.h"
#include "gui/WorkingFolder.h"

#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace dialogs;

namespace {

// drive/  with a/ (b/, c/, .hidden/) and z/;  other/ with y/.
struct Folders {
    QTemporaryDir tmp;
    QString drive;
    QString other;

    Folders()
    {
        const QString base = QDir(tmp.path()).canonicalPath();
        // In the system's own form, as the dialog shows and hands them on.
        drive = QDir::toNativeSeparators(base + QStringLiteral("/drive"));
        other = QDir::toNativeSeparators(base + QStringLiteral("/other"));
        for (const char* sub : {"drive/a/b", "drive/a/c", "drive/a/.hidden", "drive/z", "other/y"})
            QDir(base).mkpath(QString::fromLatin1(sub));
    }
    QString at(const char* rel) const { return QDir::toNativeSeparators(drive + u'/' + QString::fromLatin1(rel)); }
    QString inOther(const char* rel) const { return QDir::toNativeSeparators(other + u'/' + QString::fromLatin1(rel)); }
};

// The current directory in the system's own form.
QString current() { return QDir::toNativeSeparators(here()); }

// The dialog on `drives` and its controls, found by their layout names.
struct Dialog {
    FakeSystemServices services;
    gui::WorkingFolder workingFolder;
    OutputFolderDialog form;
    FolderTree* tree = control<FolderTree>(form, "DirectoryListBox1");
    QComboBox* drives = control<QComboBox>(form, "DriveComboBox1");
    QPushButton* ok = control<QPushButton>(form, "Button1");
    QPushButton* cancel = control<QPushButton>(form, "Button2");
    QSignalSpy chosen{&form, &OutputFolderDialog::outputFolderChosen};

    explicit Dialog(const QStringList& driveRoots) : form(services, workingFolder, driveRoots) {}

    bool showUp()
    {
        form.show();
        return QTest::qWaitForWindowExposed(&form);
    }
};

QStringList rowTexts(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

int rowOf(const FolderTree* tree, const QString& path)
{
    for (int i = 0; i < tree->count(); ++i) {
        if (tree->rowPath(i) == path)
            return i;
    }
    return -1;
}

void doubleClickRow(FolderTree* tree, int row)
{
    QVERIFY(row >= 0);
    // A real double-click begins with a click; the widget version of mouseDClick sends only the second half.
    const QPoint at = tree->visualItemRect(tree->item(row)).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
}

}  // namespace

class TestOutputFolder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captionsAndTabOrder()
    {
        Folders f;
        CwdGuard cwd;
        QDir::setCurrent(f.drive);
        Dialog d({f.drive});
        QCOMPARE(d.form.objectName(), QStringLiteral("Form2"));
        QCOMPARE(d.form.windowTitle(), QStringLiteral("保存先の指定"));
        QCOMPARE(d.form.pos(), QPoint(279, 227));
        QCOMPARE(d.ok->text(), QStringLiteral("OK"));
        QCOMPARE(d.cancel->text(), QStringLiteral("Cancel"));
        QVERIFY(!(d.form.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(!d.form.testAttribute(Qt::WA_QuitOnClose));

        QVERIFY(d.showUp());
        d.tree->setFocus();
        for (QWidget* next : std::initializer_list<QWidget*>{d.drives, d.ok, d.cancel}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void startsAtTheCurrentDirectoryOnItsDrive()
    {
        Folders f;
        CwdGuard cwd;
        QDir::setCurrent(f.at("a"));
        Dialog d({QStringLiteral("/"), f.other, f.drive});
        // The longest drive the folder lies on, not "/".
        QCOMPARE(d.drives->currentData().toString(), f.drive);
        QCOMPARE(d.tree->directory(), f.at("a"));
        // The drive's root, the path down, then the subfolders; hidden ones left out.
        QCOMPARE(rowTexts(d.tree),
                 (QStringList{f.drive, QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
        QCOMPARE(d.tree->shownRow(), 1);
    }

    void everyFolderShownBecomesCurrentAtOnce()
    {
        Folders f;
        CwdGuard cwd;
        QDir::setCurrent(f.at("a"));
        Dialog d({f.drive});
        QVERIFY(d.showUp());

        doubleClickRow(d.tree, rowOf(d.tree, f.at("a/b")));
        QCOMPARE(d.tree->directory(), f.at("a/b"));
        QCOMPARE(current(), f.at("a/b"));

        // Enter on the drive's row climbs back to the root.
        d.tree->setFocus();
        d.tree->setCurrentRow(0);
        QTest::keyClick(d.tree, Qt::Key_Return);
        QCOMPARE(d.tree->directory(), f.drive);
        QCOMPARE(current(), f.drive);
        QCOMPARE(rowTexts(d.tree), (QStringList{f.drive, QStringLiteral("a"), QStringLiteral("z")}));
        QVERIFY(d.form.isVisible());

        // A folder gone since it was listed: reported, and nothing moves.
        QVERIFY(QDir(f.drive).rmdir(QStringLiteral("z")));
        doubleClickRow(d.tree, rowOf(d.tree, f.at("z")));
        QVERIFY(showedOneErrorBox(d.services));
        QCOMPARE(d.tree->directory(), f.drive);
        QCOMPARE(current(), f.drive);
    }

    void aFolderThatMayNotBeEnteredIsReportedAndNothingMoves()
    {
#ifdef _WIN32
        QSKIP("closing a folder takes POSIX modes");
#else
        if (runningAsRoot())
            QSKIP("root enters any folder");
        Folders f;
        CwdGuard cwd;
        QDir::setCurrent(f.at("a"));
        Dialog d({f.drive});
        QVERIFY(d.showUp());
        const ModeScope closed(f.at("a/b").toStdString(), std::filesystem::perms::none);

        doubleClickRow(d.tree, rowOf(d.tree, f.at("a/b")));
        QVERIFY(showedOneErrorBox(d.services));
        QCOMPARE(d.services.boxTexts(), QStringList{QStringLiteral("ﾌｧｲﾙへのｱｸｾｽが拒否されました.")});
        QCOMPARE(d.tree->directory(), f.at("a"));
        QCOMPARE(current(), f.at("a"));
        QVERIFY(d.form.isVisible());
#endif
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
#ifdef _WIN32
        if (start == QStringLiteral("/"))
            QSKIP("Windows has a root per drive, none of them \"/\"");
#endif
        Folders f;
        CwdGuard cwd;
        QDir::setCurrent(start == QStringLiteral("/") ? start : f.drive + u'/' + start);
        Dialog d({QStringLiteral("/"), f.drive});
        d.form.show();
        d.ok->click();
        QCOMPARE(d.chosen.size(), 1);
        QCOMPARE(d.chosen.at(0).at(0).toString(),
                 QDir::toNativeSeparators(expected.replace(QStringLiteral("<drive>"), f.drive)));
        QCOMPARE(d.form.result(), int(QDialog::Accepted));
        QVERIFY(!d.form.isVisible());
    }

    void cancelAndTheCloseBoxKeepTheFolderButNotTheDirectory()
    {
        Folders f;
        CwdGuard cwd;
        QDir::setCurrent(f.drive);
        Dialog d({f.drive});
        for (QPushButton* closer : {d.cancel, static_cast<QPushButton*>(nullptr)}) {
            d.form.show();
            d.tree->setDirectory(f.drive, f.at(closer ? "a" : "z"));
            if (closer)
                closer->click();
            else
                d.form.close();
            QVERIFY(!d.form.isVisible());
            QCOMPARE(current(), f.at(closer ? "a" : "z"));
        }
        QCOMPARE(d.chosen.size(), 0);
        QVERIFY(d.services.boxes.empty());
    }

    void reopeningShowsTheFolderLastShown()
    {
        Folders f;
        CwdGuard cwd;
        QDir::setCurrent(f.drive);
        Dialog d({QStringLiteral("/"), f.drive});
        d.form.show();
        d.tree->setDirectory(f.drive, f.at("a/c"));
        d.cancel->click();
        QDir::setCurrent(f.other);  // moved elsewhere meanwhile
        d.form.show();
        QCOMPARE(d.tree->directory(), f.at("a/c"));
        QCOMPARE(d.drives->currentData().toString(), f.drive);
        QCOMPARE(d.tree->item(d.tree->shownRow())->text(), QStringLiteral("c"));
    }

    void changingTheDriveGoesToItsLastFolderElseItsRoot()
    {
        Folders f;
        CwdGuard cwd;
        QDir::setCurrent(f.at("a"));
        Dialog d({f.drive, f.other});

        d.drives->setCurrentIndex(d.drives->findData(f.other));
        QCOMPARE(d.tree->directory(), f.other);
        QCOMPARE(current(), f.other);
        d.tree->openRow(rowOf(d.tree, f.inOther("y")));

        d.drives->setCurrentIndex(d.drives->findData(f.drive));
        QCOMPARE(d.tree->directory(), f.at("a"));
        QCOMPARE(current(), f.at("a"));
        QCOMPARE(d.tree->drive(), f.drive);

        d.drives->setCurrentIndex(d.drives->findData(f.other));
        QCOMPARE(current(), f.inOther("y"));
        QVERIFY(d.services.boxes.empty());
    }

    void aDriveThatCannotBeEnteredChangesNothing()
    {
        Folders f;
        CwdGuard cwd;
        const QString missing = f.inOther("no-medium");
        QDir::setCurrent(f.at("a"));
        Dialog d({f.drive, missing});

        d.drives->setCurrentIndex(d.drives->findData(missing));
        QVERIFY(showedOneErrorBox(d.services));
        QCOMPARE(d.tree->directory(), f.at("a"));
        QCOMPARE(current(), f.at("a"));
        QCOMPARE(d.drives->currentData().toString(), missing);  // shows the drive chosen
        QCOMPARE(d.chosen.size(), 0);
    }

    void enterAndEscapeDoNotPressTheButtons()
    {
        Folders f;
        CwdGuard cwd;
        QDir::setCurrent(f.drive);
        Dialog d({f.drive});
        QVERIFY(d.showUp());
        for (QWidget* focus : std::initializer_list<QWidget*>{d.drives, d.ok, d.cancel}) {
            focus->setFocus();
            QTest::keyClick(focus, Qt::Key_Escape);
            QTest::keyClick(focus, Qt::Key_Return);
            QVERIFY(d.form.isVisible());
        }
        QCOMPARE(d.chosen.size(), 0);
        QCOMPARE(d.form.result(), 0);
    }

    // Run modally, as the menu command runs it: only OK hands a folder on,
    // though every folder shown became the current directory.
    void runModallyOnlyOkHandsTheFolderOn()
    {
        Folders f;
        CwdGuard cwd;
        QDir(f.drive).mkpath(QStringLiteral("out"));
        QDir::setCurrent(f.drive);
        Dialog d({f.drive, f.inOther("no-medium")});

        whileModal(&d.form, [&] {
            d.tree->openRow(rowOf(d.tree, f.at("z")));
            d.cancel->click();
        });
        QCOMPARE(d.form.exec(), int(QDialog::Rejected));
        QCOMPARE(d.chosen.size(), 0);
        QCOMPARE(current(), f.at("z"));

        // A drive without a medium: the standard error box, nothing else.
        whileModal(&d.form, [&] {
            d.drives->setCurrentIndex(1);
            d.cancel->click();
        });
        QCOMPARE(d.form.exec(), int(QDialog::Rejected));
        QVERIFY(showedOneErrorBox(d.services));
        QCOMPARE(d.chosen.size(), 0);

        whileModal(&d.form, [&] {
            d.drives->setCurrentIndex(0);
            d.tree->setDirectory(f.drive, f.at("out"));
            d.ok->click();
        });
        QCOMPARE(d.form.exec(), int(QDialog::Accepted));
        QCOMPARE(d.chosen.size(), 1);
        QCOMPARE(d.chosen.at(0).at(0).toString(), QDir::toNativeSeparators(f.at("out") + u'/'));
        QCOMPARE(d.services.boxes.size(), std::size_t{1});
    }
};

HOTARU_DIALOG_TEST_MAIN(TestOutputFolder)
#include "test_output_folder.moc"
