// The voice items of ｵﾌﾟｼｮﾝ > ﾒｯｾｰｼﾞ as the X server shows them: each row must
// look like the style's radio item in the same state, not like its check box.
#include "AppTestSupport.h"
#include "TestMain.h"

#include <QAction>
#include <QActionGroup>
#include <QCursor>
#include <QDeadlineTimer>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QScreen>

namespace {

// Pops the menu up at a fixed place and reads its pixels back from the X
// server once two reads in a row agree, i.e. the drawing has settled.
QImage shownOnScreen(QMenu* menu)
{
    menu->popup(QPoint(40, 40));
    if (!QTest::qWaitForWindowExposed(menu))
        return {};
    QImage last;
    const QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        QTest::qWait(50);
        const QImage now = menu->screen()->grabWindow(menu->winId()).toImage();
        if (!now.isNull() && now == last)
            break;
        last = now;
    }
    menu->hide();
    QTest::qWait(20);
    return last;
}

// A menu with the same texts, font and checked states, drawn by the style
// either with radio marks (an exclusive group) or with check boxes.
struct Reference {
    QMenu menu;
    QActionGroup group{nullptr};
    Reference(const QMenu& like, bool radio)
    {
        menu.setFont(like.font());
        menu.setPalette(like.palette());
        group.setExclusionPolicy(radio ? QActionGroup::ExclusionPolicy::ExclusiveOptional
                                       : QActionGroup::ExclusionPolicy::None);
        for (const QAction* a : like.actions()) {
            QAction* copy = menu.addAction(a->text());
            copy->setCheckable(a->isCheckable());
            if (radio)
                group.addAction(copy);
            copy->setChecked(a->isChecked());
        }
    }
};

void saveForInspection(const QImage& image, const QString& name)
{
    const QString path = QDir::current().filePath(name);
    if (image.save(path))
        qInfo("saved %s", qPrintable(path));
}

}  // namespace

class TestVoiceMarks : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void voiceItemsShowRadioMarks()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        FakeSystemServices services;  // answers the box of a machine without a CD-ROM drive
        Program program(services, false);
        const Controls& c = *program.controls;
        QMenu* voices = Controls::find<QMenu>(*program.window, "K1");
        QCOMPARE(voices->actions(), QList<QAction*>({c.voices[0], c.voices[1], c.voices[2]}));
        // Hover would highlight a row: keep the pointer away from every menu.
        QCursor::setPos(QGuiApplication::primaryScreen()->geometry().bottomRight());

        Reference radio(*voices, true);
        Reference check(*voices, false);
        const QImage shown = shownOnScreen(voices);
        const QImage radioImage = shownOnScreen(&radio.menu);
        const QImage checkImage = shownOnScreen(&check.menu);
        QVERIFY(!shown.isNull() && !radioImage.isNull() && !checkImage.isNull());
        QCOMPARE(shown.size(), radioImage.size());

        bool compared = false;
        for (qsizetype i = 0; i < voices->actions().size(); ++i) {
            QAction* item = voices->actions().at(i);
            const QRect row = voices->actionGeometry(item);
            QCOMPARE(radio.menu.actionGeometry(radio.menu.actions().at(i)), row);
            const QImage drawn = shown.copy(row);
            const QImage asRadio = radioImage.copy(row);
            const QImage asCheck = checkImage.copy(row);
            if (asRadio == asCheck)
                continue;  // this style draws both alike in this state
            compared = true;
            if (drawn != asRadio || drawn == asCheck) {
                saveForInspection(shown, QStringLiteral("voice-menu-shown.png"));
                saveForInspection(radioImage, QStringLiteral("voice-menu-radio.png"));
                saveForInspection(checkImage, QStringLiteral("voice-menu-check.png"));
            }
            QVERIFY2(drawn != asCheck, qPrintable(item->text() + QStringLiteral(" is drawn with a check box")));
            QVERIFY2(drawn == asRadio, qPrintable(item->text() + QStringLiteral(" is not drawn as a radio item")));
        }
        QVERIFY2(compared, "the style draws radio and check items alike: nothing to tell them apart");
    }
};

HOTARU_QTEST_MAIN(TestVoiceMarks)
#include "test_voice_marks.moc"
