// The converter link dialog and the converter information window it owns.
#include "DialogTestSupport.h"
#include "dialogs/ConverterInfoWindow.h"
#include "dialogs/ConverterLinkDialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>

using namespace dialogs;

namespace {

// The link dialog, its controls found by their layout names, and what it hands on.
struct Link {
    FakeSystemServices services;
    ConverterLinkDialog form{services};
    QLineEdit* path = control<QLineEdit>(form, "Edit1");
    QPushButton* browse = control<QPushButton>(form, "Button1");
    QPushButton* ok = control<QPushButton>(form, "Button2");
    QPushButton* cancel = control<QPushButton>(form, "Button3");
    QPushButton* help = control<QPushButton>(form, "Button4");
    ConverterInfoWindow* info = form.infoWindow();
    QSignalSpy chosen{&form, &ConverterLinkDialog::converterChosen};
    QSignalSpy switchedOn{&form, &ConverterLinkDialog::aviOutputRequested};
};

// Closed windows stay, to be shown again: nothing deletes them on close.
bool survivesClosing(QPointer<QWidget> window)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return !window.isNull();
}

}  // namespace

class TestConverterLink : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captionsFilterAndTabOrder()
    {
        Link l;
        QCOMPARE(l.form.objectName(), QStringLiteral("Form3"));
        QCOMPARE(l.form.windowTitle(), QStringLiteral("ACPK2AVIとの連携"));
        QCOMPARE(l.form.size(), QSize(284, 106));
        QCOMPARE(l.form.minimumSize(), l.form.maximumSize());
        QCOMPARE(control<QLabel>(l.form, "Label1")->text(), QStringLiteral("ACPK2AVIの指定"));
        QVERIFY(l.path->isReadOnly() && l.path->text().isEmpty());
        QCOMPARE((QStringList{l.browse->text(), l.ok->text(), l.cancel->text(), l.help->text()}),
                 (QStringList{QStringLiteral("参照"), QStringLiteral("OK"), QStringLiteral("ｷｬﾝｾﾙ"),
                              QStringLiteral("ﾍﾙﾌﾟ")}));

        // What the open dialog lists, before any choice.
        l.browse->click();
        QCOMPARE(l.services.fileRequests.size(), std::size_t{1});
        const gui::FileRequest& request = l.services.fileRequests[0];
        QVERIFY(request.title.isEmpty());
        QCOMPARE(request.filterName, QStringLiteral("ACPK2AVI"));
        QVERIFY(request.fileNames.contains(QStringLiteral("ACPK2AVI.exe")));
#ifndef _WIN32
        QVERIFY(request.fileNames.contains(QStringLiteral("cpk2avi")));
        QVERIFY(request.fileNames.contains(QStringLiteral("ACPK2AVI")));
#endif
        QVERIFY(request.initialName.isEmpty() && request.initialFolder.isEmpty());

        QVERIFY(l.info && l.info->isWindow() && !l.info->isVisible());
        QCOMPARE(l.info->objectName(), QStringLiteral("Form4"));
        QCOMPARE(l.info->windowTitle(), QStringLiteral("Form4"));
        QCOMPARE(l.info->pos(), QPoint(189, 459));
        QCOMPARE(control<QLabel>(*l.info, "Label1")->text(), QStringLiteral("ACPK2AVI(Another CPK2AVI)"));
        QCOMPARE(control<QLabel>(*l.info, "Label3")->text(), QStringLiteral("最新版はこちら"));
        const QLineEdit* whereFrom = control<QLineEdit>(*l.info, "Edit1");
        QVERIFY(whereFrom->isReadOnly() && !whereFrom->hasFrame());
        QVERIFY(!l.form.testAttribute(Qt::WA_QuitOnClose) && !l.info->testAttribute(Qt::WA_QuitOnClose));

        l.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&l.form));
        const QPoint centre = l.form.screen()->availableGeometry().center();
        QVERIFY((l.form.frameGeometry().center() - centre).manhattanLength() <= 2);
        l.path->setFocus();
        for (QWidget* next : std::initializer_list<QWidget*>{l.browse, l.ok, l.cancel, l.help}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
    }

    void aConverterChosenCountsAtOnceAndOkSwitchesOn()
    {
        Link l;
        const QString chosen = QDir::toNativeSeparators(QDir::currentPath() + QStringLiteral("/tools/cpk2avi"));
        l.form.show();

        // 参照 cancelled changes nothing; confirmed hands the path on at once.
        l.browse->click();
        QVERIFY(l.path->text().isEmpty());
        QCOMPARE(l.chosen.size(), 0);
        l.services.files = {chosen};
        l.browse->click();
        QCOMPARE(l.path->text(), chosen);
        QCOMPARE(l.chosen.size(), 1);
        QCOMPARE(l.chosen.at(0).at(0).toString(), chosen);
        QCOMPARE(l.switchedOn.size(), 0);

        // ｷｬﾝｾﾙ: hidden, nothing switched on, the path kept.
        l.cancel->click();
        QVERIFY(!l.form.isVisible());
        QCOMPARE(l.switchedOn.size(), 0);

        // Shown again with the path; OK switches on and hides.
        l.form.show();
        QCOMPARE(l.path->text(), chosen);
        l.ok->click();
        QCOMPARE(l.switchedOn.size(), 1);
        QVERIFY(!l.form.isVisible());

        // The open dialog starts at the file chosen last.
        l.form.show();
        l.browse->click();
        QCOMPARE(l.services.fileRequests.back().initialName, QStringLiteral("cpk2avi"));
        QCOMPARE(l.services.fileRequests.back().initialFolder,
                 QDir::toNativeSeparators(QDir::currentPath() + QStringLiteral("/tools")));
        QCOMPARE(l.path->text(), chosen);
        QCOMPARE(l.chosen.size(), 1);
        QVERIFY(l.services.boxes.empty());
    }

    void okWithoutAPathAsksForOneAndStays()
    {
        Link l;
        l.form.show();
        l.ok->click();
        QCOMPARE(l.services.boxes.size(), std::size_t{1});
        const ShownBox& box = l.services.boxes[0];
        QCOMPARE(box.text, QStringLiteral("ACPK2AVI.exeを指定してください。"));
        QCOMPARE(box.caption, QStringLiteral("ホタル奇譚ムービーカッター"));
        QVERIFY(box.buttons == gui::BoxButtons::Ok && box.icon == gui::BoxIcon::None);
        QVERIFY(l.form.isVisible());
        QCOMPARE(l.switchedOn.size(), 0);
    }

    void keysAndTheCloseBoxOnlyHide()
    {
        Link l;
        l.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&l.form));
        l.ok->setFocus();
        QTest::keyClick(l.ok, Qt::Key_Return);
        QTest::keyClick(l.ok, Qt::Key_Escape);
        QVERIFY(l.form.isVisible() && l.services.boxes.empty());
        l.form.close();
        QVERIFY(!l.form.isVisible() && survivesClosing(&l.form));
        QCOMPARE(l.switchedOn.size(), 0);
    }

    void theInformationWindowStaysOpenOnItsOwn()
    {
        Link l;
        QPushButton* infoOk = control<QPushButton>(*l.info, "Button1");
        l.form.show();
        l.help->click();
        QVERIFY(l.info->isVisible());
        l.cancel->click();
        QVERIFY(!l.form.isVisible() && l.info->isVisible());
        l.form.show();
        l.form.close();
        QVERIFY(l.info->isVisible());
        infoOk->click();
        QVERIFY(!l.info->isVisible());
        // Its close box hides it the same way, to be shown again.
        l.help->click();
        l.info->close();
        QVERIFY(!l.info->isVisible() && survivesClosing(l.info));
        l.help->click();
        QVERIFY(l.info->isVisible());
    }
};

HOTARU_DIALOG_TEST_MAIN(TestConverterLink)
#include "test_converter_link.moc"
