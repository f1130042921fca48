// The about box: its texts, the hidden picture, what survives closing and
// the hints it hands on.
#include "DialogTestSupport.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/DoubleClickPicture.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

using namespace dialogs;

namespace {

// The about box and the controls the checks look at, found by their layout names.
struct About {
    FakeSystemServices services;
    AboutDialog form{services};
    DoubleClickPicture* emblem = control<DoubleClickPicture>(form, "Image1");
    DoubleClickPicture* picture = control<DoubleClickPicture>(form, "Image2");
    QLineEdit* contact = control<QLineEdit>(form, "Edit1");
    QLineEdit* homePage = control<QLineEdit>(form, "Edit2");
    QPushButton* ok = control<QPushButton>(form, "OKBtn");

    bool showsPicture() const
    {
        return picture->isVisibleTo(&form) && !contact->isVisibleTo(&form) && !homePage->isVisibleTo(&form);
    }
    bool showsEdits() const
    {
        return !picture->isVisibleTo(&form) && contact->isVisibleTo(&form) && homePage->isVisibleTo(&form);
    }
};

}  // namespace

class TestAboutBox : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void textsAndLayout()
    {
        About d;
        QCOMPARE(d.form.objectName(), QStringLiteral("OKRightDlg"));
        QCOMPARE(d.form.windowTitle(), QStringLiteral("バージョン情報"));
        QCOMPARE(d.form.size(), QSize(420, 233));
        auto text = [&d](const char* name) { return control<QLabel>(d.form, name)->text(); };
        QCOMPARE(text("Label1"), QStringLiteral("ホタル奇譚ムービーカッター"));
        QCOMPARE(text("Label8"), QStringLiteral("For WindowsNT & Windows95"));  // one ampersand shown
        QCOMPARE(text("Label2"), QStringLiteral("Version 2.20 Final"));
        QVERIFY(text("Label3").startsWith(QStringLiteral("Programmed by ")));
        QCOMPARE(text("Label5"), QStringLiteral("連絡先"));
        QCOMPARE(text("Label7"), QStringLiteral("ホームページ"));
        QCOMPARE(d.contact->toolTip(), QStringLiteral("感想や要望などがありましたらこのアドレスまで。"));
        QCOMPARE(d.homePage->toolTip(), QStringLiteral("最新版はここに登録されています。"));
        QVERIFY(d.contact->isReadOnly() && d.homePage->isReadOnly());
        // They name what ships with the program, not a file of its source.
#ifdef _WIN32
        const QString shipped = QStringLiteral("readme.txt");
#else
        const QString shipped = QStringLiteral("man hotaru-movie-cutter");
#endif
        QVERIFY(d.contact->text().contains(shipped) && d.homePage->text().contains(shipped));
        QCOMPARE(d.emblem->pixmap().size(), QSize(47, 47));
        QCOMPARE(d.picture->pixmap().size(), QSize(320, 224));
        QVERIFY(d.ok->isDefault());
        QVERIFY(d.showsEdits());
        // Every label stays inside the frame, whatever face stands in.
        const QRect frame = control<QFrame>(d.form, "Bevel1")->geometry();
        for (const char* name : {"Label1", "Label8", "Label2", "Label3", "Label5", "Label7"})
            QVERIFY2(frame.contains(control<QLabel>(d.form, name)->geometry()), name);
    }

    void doubleClicksSetRatherThanToggle()
    {
        About d;
        d.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d.form));
        QTest::mouseDClick(d.emblem, Qt::LeftButton);
        QVERIFY(d.showsPicture());
        // The picture now covers the emblem: the second double-click there reaches Image2.
        QCOMPARE(d.form.childAt(d.emblem->geometry().center()), d.picture);
        QTest::mouseDClick(d.picture, Qt::LeftButton);
        QVERIFY(d.showsEdits());

        // Each picture's double-click sets its state, however often it comes.
        for (int i = 0; i < 2; ++i)
            QTest::mouseDClick(d.emblem, Qt::LeftButton);
        QVERIFY(d.showsPicture());
        for (int i = 0; i < 2; ++i)
            QTest::mouseDClick(d.picture, Qt::LeftButton);
        QVERIFY(d.showsEdits());
    }

    void theStateSurvivesClosing()
    {
        About d;
        whileModal(&d.form, [&] {
            QVERIFY(d.form.isModal() && d.form.isVisible());
            QTest::mouseDClick(d.emblem, Qt::LeftButton);
            d.form.close();  // the close box, as OK
        });
        d.form.exec();
        QVERIFY(!d.form.isVisible());

        whileModal(&d.form, [&] {
            QVERIFY(d.showsPicture());
            QTest::keyClick(&d.form, Qt::Key_Escape);  // no cancel button: stays
            QVERIFY(d.form.isVisible());
            QTest::keyClick(&d.form, Qt::Key_Return);  // the default button
        });
        QCOMPARE(d.form.exec(), int(QDialog::Accepted));
        QVERIFY(d.showsPicture());

        whileModal(&d.form, [&] {
            QTest::mouseDClick(d.picture, Qt::LeftButton);
            d.ok->click();
        });
        d.form.exec();
        QVERIFY(d.showsEdits());
        QVERIFY(d.services.boxes.empty());
    }

    void editHintsAreHandedOnAsTheHint()
    {
        About d;
        QSignalSpy hints(&d.form, &AboutDialog::hintChanged);
        d.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d.form));
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(d.homePage, &enter);
        QCOMPARE(hints.size(), 1);
        QCOMPARE(hints.at(0).at(0).toString(), QStringLiteral("最新版はここに登録されています。"));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(d.homePage, &leave);
        QCOMPARE(hints.size(), 2);
        QCOMPARE(hints.at(1).at(0).toString(), QString());
    }
};

HOTARU_DIALOG_TEST_MAIN(TestAboutBox)
#include "test_about.moc"
