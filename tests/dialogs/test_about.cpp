// The about box: its texts, the hidden picture and what survives closing.
#include "ACPK2AVI.h"
#include "AboutACPK2AVI.h"
#include "Application.h"
#include "DialogTestSupport.h"
#include "DirBox.h"
#include "Form1.h"
#include "SystemSeams.h"
#include "TestMain.h"
#include "TestSupport.h"
#include "VersionInfo.h"

#include <QAction>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>

namespace {

bool showsPicture(const TOKRightDlg& d)
{
    return d.Image2->isVisibleTo(&d) && !d.Edit1->isVisibleTo(&d) && !d.Edit2->isVisibleTo(&d);
}

bool showsEdits(const TOKRightDlg& d)
{
    return !d.Image2->isVisibleTo(&d) && d.Edit1->isVisibleTo(&d) && d.Edit2->isVisibleTo(&d);
}

}  // namespace

class TestAboutBox : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void textsAndLayout()
    {
        TOKRightDlg d;
        QCOMPARE(d.windowTitle(), QStringLiteral("バージョン情報"));
        QCOMPARE(d.size(), QSize(420, 233));
        QCOMPARE(d.Label1->text(), QStringLiteral("ホタル奇譚ムービーカッター"));
        QCOMPARE(d.Label8->text(), QStringLiteral("For WindowsNT & Windows95"));  // one ampersand shown
        QCOMPARE(d.Label2->text(), QStringLiteral("Version 2.20 Final"));
        QVERIFY(d.Label3->text().startsWith(QStringLiteral("Programmed by ")));
        QCOMPARE(d.Label5->text(), QStringLiteral("連絡先"));
        QCOMPARE(d.Label7->text(), QStringLiteral("ホームページ"));
        QCOMPARE(d.Edit1->toolTip(), QStringLiteral("感想や要望などがありましたらこのアドレスまで。"));
        QCOMPARE(d.Edit2->toolTip(), QStringLiteral("最新版はここに登録されています。"));
        QVERIFY(d.Edit1->isReadOnly() && d.Edit2->isReadOnly());
        QCOMPARE(d.Image1->pixmap().size(), QSize(47, 47));
        QCOMPARE(d.Image2->pixmap().size(), QSize(320, 224));
        QVERIFY(d.OKBtn->isDefault());
        QVERIFY(showsEdits(d));
        // Every label stays inside the frame, whatever face stands in.
        for (QLabel* l : {d.Label1, d.Label8, d.Label2, d.Label3, d.Label5, d.Label7})
            QVERIFY2(d.Bevel1->geometry().contains(l->geometry()), qPrintable(l->objectName()));
    }

    void doubleClicksSetRatherThanToggle()
    {
        TOKRightDlg d;
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QTest::mouseDClick(d.Image1, Qt::LeftButton);
        QVERIFY(showsPicture(d));
        // The picture now covers the emblem: the second double-click there reaches Image2.
        QCOMPARE(d.childAt(d.Image1->geometry().center()), d.Image2);
        QTest::mouseDClick(d.Image2, Qt::LeftButton);
        QVERIFY(showsEdits(d));

        d.Image1DblClick();
        d.Image1DblClick();
        QVERIFY(showsPicture(d));
        d.Image2DblClick();
        d.Image2DblClick();
        QVERIFY(showsEdits(d));
    }

    void theStateSurvivesClosing()
    {
        PromptsScope prompts;
        seams::replaceDrives(std::make_unique<FakeDrives>());
        TForm1 form;
        TOKRightDlg about;
        TForm2 form2({QDir::currentPath()});
        TForm3 form3;
        TForm4 form4;
        form.AttachDialogs();

        whileModal(&about, [&] {
            QVERIFY(about.isModal() && about.isVisible());
            about.Image1DblClick();
            about.close();  // the close box, as OK
        });
        form.About1->trigger();
        QVERIFY(!about.isVisible());

        whileModal(&about, [&] {
            QVERIFY(showsPicture(about));
            QTest::keyClick(&about, Qt::Key_Escape);  // no cancel button: stays
            QVERIFY(about.isVisible());
            QTest::keyClick(&about, Qt::Key_Return);  // the default button
        });
        form.About1->trigger();
        QCOMPARE(about.result(), int(QDialog::Accepted));
        QVERIFY(showsPicture(about));

        whileModal(&about, [&] {
            about.Image2DblClick();
            about.OKBtn->click();
        });
        form.About1->trigger();
        QVERIFY(showsEdits(about));
        seams::replaceDrives(nullptr);
    }

    void editHintsReachTheStatusLine()
    {
        PromptsScope prompts;
        seams::replaceDrives(std::make_unique<FakeDrives>());
        TForm1 form;
        TOKRightDlg about;
        form.AttachDialogs();
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(about.Edit2, &enter);
        QCOMPARE(form.StatusText(), QStringLiteral("最新版はここに登録されています。"));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(about.Edit2, &leave);
        QCOMPARE(form.StatusText(), QString());
        seams::replaceDrives(nullptr);
    }
};

HOTARU_QTEST_MAIN(TestAboutBox)
#include "test_about.moc"
