// The converter link dialog, the converter information window and the menu
// item that switches AVI output.
#include "ACPK2AVI.h"
#include "AboutACPK2AVI.h"
#include "DialogTestSupport.h"
#include "DirBox.h"
#include "Form1.h"
#include "Globals.h"
#include "SystemSeams.h"
#include "TestMain.h"
#include "TestSupport.h"
#include "VersionInfo.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>

namespace {

// The main window with its four dialogs joined, as the program starts them.
struct Program {
    PromptsScope prompts;
    std::unique_ptr<TForm1> form;
    std::unique_ptr<TOKRightDlg> about;
    std::unique_ptr<TForm2> form2;
    std::unique_ptr<TForm3> form3;
    std::unique_ptr<TForm4> form4;

    Program()
    {
        seams::replaceDrives(std::make_unique<FakeDrives>());
        form = std::make_unique<TForm1>();
        about = std::make_unique<TOKRightDlg>();
        form2 = std::make_unique<TForm2>(QStringList{QDir::currentPath()});
        form3 = std::make_unique<TForm3>();
        form4 = std::make_unique<TForm4>();
        form->AttachDialogs();
        prompts->boxes.clear();
        form->show();
    }
    ~Program()
    {
        form4.reset();
        form3.reset();
        form2.reset();
        about.reset();
        form.reset();
        seams::replaceDrives(nullptr);
    }
    bool switchedOn() const { return form->ACPK2AVI->isChecked(); }
};

}  // namespace

class TestConverterLink : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captionsFilterAndTabOrder()
    {
        TForm3 form3;
        TForm4 form4;
        QCOMPARE(form3.windowTitle(), QStringLiteral("ACPK2AVIとの連携"));
        QCOMPARE(form3.size(), QSize(284, 106));
        QCOMPARE(form3.minimumSize(), form3.maximumSize());
        QCOMPARE(form3.Label1->text(), QStringLiteral("ACPK2AVIの指定"));
        QVERIFY(form3.Edit1->isReadOnly() && form3.Edit1->text().isEmpty());
        QCOMPARE((QStringList{form3.Button1->text(), form3.Button2->text(), form3.Button3->text(),
                              form3.Button4->text()}),
                 (QStringList{QStringLiteral("参照"), QStringLiteral("OK"), QStringLiteral("ｷｬﾝｾﾙ"),
                              QStringLiteral("ﾍﾙﾌﾟ")}));
        QCOMPARE(form3.OpenDialog1.filterName, QStringLiteral("ACPK2AVI"));
        QVERIFY(form3.OpenDialog1.fileNames.contains(QStringLiteral("ACPK2AVI.exe")));
#ifndef _WIN32
        QVERIFY(form3.OpenDialog1.fileNames.contains(QStringLiteral("cpk2avi")));
        QVERIFY(form3.OpenDialog1.fileNames.contains(QStringLiteral("ACPK2AVI")));
#endif
        QVERIFY(form3.OpenDialog1.initialName.isEmpty());

        QCOMPARE(form4.windowTitle(), QStringLiteral("Form4"));
        QCOMPARE(form4.Label1->text(), QStringLiteral("ACPK2AVI(Another CPK2AVI)"));
        QCOMPARE(form4.Label3->text(), QStringLiteral("最新版はこちら"));
        QVERIFY(form4.Edit1->isReadOnly() && !form4.Edit1->hasFrame());
        QVERIFY(!form3.testAttribute(Qt::WA_QuitOnClose) && !form4.testAttribute(Qt::WA_QuitOnClose));

        form3.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form3));
        const QPoint centre = form3.screen()->availableGeometry().center();
        QVERIFY((form3.frameGeometry().center() - centre).manhattanLength() <= 2);
        form3.Edit1->setFocus();
        for (QWidget* next : std::initializer_list<QWidget*>{form3.Button1, form3.Button2, form3.Button3,
                                                              form3.Button4}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void theSwitchFollowsTheStateTable()
    {
        Program p;
        const QString chosen = QDir::toNativeSeparators(QDir::currentPath() + QStringLiteral("/tools/cpk2avi"));
        QVERIFY(!p.switchedOn() && p.form->ConverterPath.isEmpty());

        p.form->ACPK2AVI->trigger();
        QVERIFY(p.form3->isVisible() && !p.switchedOn());

        // 参照 cancelled changes nothing; confirmed sets the path at once.
        p.form3->Button1->click();
        QVERIFY(p.form3->Edit1->text().isEmpty() && p.form->ConverterPath.isEmpty());
        p.prompts->files = {chosen};
        p.form3->Button1->click();
        QCOMPARE(p.form3->Edit1->text(), chosen);
        QCOMPARE(p.form->ConverterPath, chosen);
        QCOMPARE(p.prompts->fileRequests.back().filterName, QStringLiteral("ACPK2AVI"));
        QVERIFY(!p.switchedOn());

        // ｷｬﾝｾﾙ: off, path kept.
        p.form3->Button3->click();
        QVERIFY(!p.form3->isVisible() && !p.switchedOn());
        QCOMPARE(p.form->ConverterPath, chosen);

        // Reopened with the path; OK alone switches on.
        p.form->ACPK2AVI->trigger();
        QCOMPARE(p.form3->Edit1->text(), chosen);
        QVERIFY(!p.switchedOn());
        p.form3->Button2->click();
        QVERIFY(p.switchedOn() && !p.form3->isVisible());

        // Checked: the click only unchecks, no window.
        p.form->ACPK2AVI->trigger();
        QVERIFY(!p.switchedOn() && !p.form3->isVisible() && !p.form4->isVisible());
        QCOMPARE(p.form->ConverterPath, chosen);

        // Again: the earlier path, and OK switches on again.
        p.form->ACPK2AVI->trigger();
        QCOMPARE(p.form3->Edit1->text(), chosen);
        p.form3->Button2->click();
        QVERIFY(p.switchedOn());
        // The open dialog starts at the file chosen last.
        p.form->ACPK2AVI->trigger();
        p.form->ACPK2AVI->trigger();
        p.form3->Button1->click();
        QCOMPARE(p.prompts->fileRequests.back().initialName, QStringLiteral("cpk2avi"));
        QCOMPARE(p.form->ConverterPath, chosen);
        QVERIFY(p.prompts->boxes.empty());
    }

    void okWithoutAPathAsksForOneAndStays()
    {
        Program p;
        p.form->ACPK2AVI->trigger();
        p.form3->Button2->click();
        QCOMPARE(p.prompts->boxes.size(), std::size_t{1});
        QCOMPARE(p.prompts->boxes[0].text, QStringLiteral("ACPK2AVI.exeを指定してください。"));
        QCOMPARE(p.prompts->boxes[0].caption, QStringLiteral("ホタル奇譚ムービーカッター"));
        QCOMPARE(p.prompts->boxes[0].flags, prompts::MB_OK);  // no icon
        QVERIFY(p.form3->isVisible() && !p.switchedOn());
    }

    void clickingTheItemWhileOpenOnlyRaisesIt()
    {
        Program p;
        p.form->ACPK2AVI->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(p.form3.get()));
        p.form->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), p.form.get());
        p.form->ACPK2AVI->trigger();
        QTRY_COMPARE(QApplication::activeWindow(), p.form3.get());
        QVERIFY(p.form3->isVisible() && !p.switchedOn());
        QVERIFY(p.prompts->boxes.empty());
    }

    void keysAndTheCloseBoxOnlyHide()
    {
        HookScope hooks;
        TForm3 form3;
        QSignalSpy on(&form3, &TForm3::AviOutputOn);
        form3.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form3));
        form3.Button2->setFocus();
        QTest::keyClick(form3.Button2, Qt::Key_Return);
        QTest::keyClick(form3.Button2, Qt::Key_Escape);
        QVERIFY(form3.isVisible() && hooks.messages.empty());
        form3.close();
        QVERIFY(!form3.isVisible() && Form3 == &form3);
        QCOMPARE(on.size(), 0);
    }

    void theInformationWindowStaysOpenOnItsOwn()
    {
        Program p;
        p.form->ACPK2AVI->trigger();
        p.form3->Button4->click();
        QVERIFY(p.form4->isVisible());
        p.form3->Button3->click();
        QVERIFY(!p.form3->isVisible() && p.form4->isVisible());
        p.form->ACPK2AVI->trigger();
        p.form3->close();
        QVERIFY(p.form4->isVisible());
        p.form4->Button1->click();
        QVERIFY(!p.form4->isVisible());
        // Its close box hides it the same way, to be shown again.
        p.form3->Button4->click();
        p.form4->close();
        QVERIFY(!p.form4->isVisible() && Form4 == p.form4.get());
        p.form3->Button4->click();
        QVERIFY(p.form4->isVisible());
    }
};

HOTARU_QTEST_MAIN(TestConverterLink)
#include "test_converter.moc"
