// The pick list and the message voices, driven through the window's own controls.
#include "AppTestSupport.h"
#include "TestMain.h"
#include "catalogue/Catalogue.h"

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>

using namespace app;

namespace {

// What the user can see of the pick list after an event.
struct View {
    int left;  // selected row, -1 for none
    int right;
    bool add, remove, execute, all, clear;  // "->", "<-", "実行", "全選択", "全削除"
    std::vector<std::int32_t> picks;

    bool operator==(const View&) const = default;
};

QString describe(const View& v)
{
    QString picks;
    for (auto n : v.picks)
        picks += QString::number(n) + u' ';
    return QStringLiteral("left %1 right %2 buttons %3%4%5%6%7 picks [%8]")
        .arg(v.left)
        .arg(v.right)
        .arg(v.add)
        .arg(v.remove)
        .arg(v.execute)
        .arg(v.all)
        .arg(v.clear)
        .arg(picks);
}

}  // namespace

class TestPickList : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<FakeSystemServices> services;
    std::unique_ptr<Program> program;
    MainWindow* form = nullptr;
    Controls* c = nullptr;

    void openDisc(std::int64_t size)
    {
        const std::string p = dir.filePath(QStringLiteral("hotaru4")).toStdString();
        makeSizedFile(p, size);
        program->open(*services, QString::fromStdString(p));
    }

    const hotaru::PickList& picks() const { return form->session().picking().picks(); }

    View view() const
    {
        return {selectedRow(c->titles), selectedRow(c->picks),     c->add->isEnabled(),      c->remove->isEnabled(),
                c->run->isEnabled(),    c->selectAll->isEnabled(), c->clearAll->isEnabled(), picks().live()};
    }

    void expectView(const View& expected)
    {
        const View got = view();
        QVERIFY2(got == expected, qPrintable(QStringLiteral("got ") + describe(got) + QStringLiteral(", expected ") +
                                             describe(expected)));
        QCOMPARE(c->picks->count(), picks().count);
        for (int r = 0; r < picks().count; ++r)
            QCOMPARE(c->picks->item(r)->text(), title(picks().at(r + 1)));
    }

    static void click(QListWidget* list, int row) { clickRow(list, row); }
    static void doubleClick(QListWidget* list, int row) { doubleClickRow(list, row); }

    void add(int row)
    {
        click(c->titles, row);
        c->add->click();
    }

    QString title(std::int32_t n) const
    {
        return QString::fromStdString(std::string(hotaru::movieTitle(form->session().disc(), n)));
    }
    QString plainAdded(std::int32_t n) const { return title(n) + QStringLiteral("  をリストに追加しました。"); }

private Q_SLOTS:
    void init()
    {
        services = std::make_unique<FakeSystemServices>();
        program = std::make_unique<Program>(*services);
        form = program->window.get();
        c = program->controls.get();
        openDisc(hotaru::Disc1ArchiveSize);
        services->boxes.clear();
    }

    void cleanup()
    {
        program.reset();
        services.reset();
    }

    void selectingAndAddingFollowTheStateTable()
    {
        expectView({0, -1, true, false, false, true, true, {}});  // after File > Open
        click(c->titles, 4);
        QCOMPARE(form->statusText(), title(5) + QStringLiteral("       ") +
                                         QString::number(hotaru::movieSize(1, 5) / 1024) + QStringLiteral("KBytes"));
        expectView({4, -1, true, false, false, true, true, {}});
        c->add->click();
        QCOMPARE(form->statusText(), plainAdded(5));
        expectView({4, -1, true, false, true, true, true, {5}});

        click(c->picks, 0);
        QCOMPARE(form->statusText(), title(5) + QStringLiteral("       15552KBytes"));
        expectView({-1, 0, false, true, true, true, true, {5}});
        click(c->titles, 0);
        expectView({0, -1, true, false, true, true, true, {5}});

        // Clicking the row that is already selected tells about it again; so do the arrow keys.
        c->status->clearMessage();
        click(c->titles, 0);
        QCOMPARE(form->statusText(), title(1) + QStringLiteral("       23140KBytes"));
        QTest::keyClick(c->titles, Qt::Key_Down);
        QCOMPARE(form->statusText(), title(2) + QStringLiteral("       21206KBytes"));
        expectView({1, -1, true, false, true, true, true, {5}});
    }

    void duplicatesAreRefusedWithABox()
    {
        add(0);
        add(1);
        c->add->click();  // title 2 again, straight away
        add(0);           // title 1, not the last entry
        QCOMPARE(services->boxes.size(), size_t(2));
        for (const ShownBox& b : services->boxes) {
            QCOMPARE(b.text, QStringLiteral("すでに選択されています。"));
            QCOMPARE(b.caption, QStringLiteral("エラー"));
            QCOMPARE(b.buttons, gui::BoxButtons::Ok);
            QCOMPARE(b.icon, gui::BoxIcon::None);
        }
        QCOMPARE(picks().live(), (std::vector<std::int32_t>{1, 2}));
        QCOMPARE(form->statusText(),
                 title(1) + QStringLiteral("       23140KBytes"));  // the click's, not the refusal's

        c->selectAll->click();
        add(17);
        QCOMPARE(services->boxes.size(), size_t(3));
        QCOMPARE(picks().count, 31);
    }

    void selectAllRebuildsTheListInCatalogueOrder()
    {
        add(3);
        c->selectAll->click();
        c->selectAll->click();
        expectView({3, -1, true, false, true, true, true, picks().live()});
        QCOMPARE(picks().count, 31);
        for (int i = 1; i <= 31; ++i)
            QCOMPARE(picks().at(i), i);

        openDisc(hotaru::Disc2ArchiveSize);
        c->selectAll->click();
        QCOMPARE(picks().count, 19);
        QCOMPARE(c->picks->count(), 19);
        QCOMPARE(picks().at(19), 19);
    }

    void removingClosesTheGapAndSelectsTheFirstRow_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("removed");
        QTest::addColumn<QList<int>>("left");
        QTest::newRow("first") << 0 << 5 << QList<int>{9, 2};
        QTest::newRow("middle") << 1 << 9 << QList<int>{5, 2};
        QTest::newRow("last") << 2 << 2 << QList<int>{5, 9};
    }
    void removingClosesTheGapAndSelectsTheFirstRow()
    {
        QFETCH(int, row);
        QFETCH(int, removed);
        QFETCH(QList<int>, left);
        for (int r : {4, 8, 1})
            add(r);
        click(c->picks, row);
        c->remove->click();
        // The removed message stays: selecting row 0 afterwards is the program's, not the user's.
        QCOMPARE(form->statusText(), title(removed) + QStringLiteral("  をリストから削除しました。"));
        expectView({-1, 0, false, true, true, true, true, {left[0], left[1]}});

        // "->" stays off until a title on the left is chosen again.
        QVERIFY(!c->add->isEnabled());
        click(c->titles, 6);
        QVERIFY(c->add->isEnabled());
    }

    void onlyTheLeftButtonOnARowChoosesOne()
    {
        add(4);
        click(c->picks, 0);
        const View picked{-1, 0, false, true, true, true, true, {5}};
        expectView(picked);
        c->status->clearMessage();
        const auto centre = [](QListWidget* list, int row) { return list->visualItemRect(list->item(row)).center(); };

        // The right button neither selects nor clears, nor adds on a double-click.
        QTest::mouseClick(c->titles->viewport(), Qt::RightButton, {}, centre(c->titles, 2));
        QTest::mouseClick(c->picks->viewport(), Qt::RightButton, {}, centre(c->picks, 0));
        QTest::mouseDClick(c->titles->viewport(), Qt::RightButton, {}, centre(c->titles, 2));
        expectView(picked);
        QCOMPARE(form->statusText(), QString());

        // Ctrl+click and Ctrl+Space on the selected row keep it, and the click still tells about it.
        QTest::mouseClick(c->picks->viewport(), Qt::LeftButton, Qt::ControlModifier, centre(c->picks, 0));
        QTest::keyClick(c->picks, Qt::Key_Space, Qt::ControlModifier);
        expectView(picked);
        QCOMPARE(form->statusText(), title(5) + QStringLiteral("       15552KBytes"));

        // A click below the last row chooses nothing and clears nothing.
        c->status->clearMessage();
        QTest::mouseClick(c->picks->viewport(), Qt::LeftButton, {}, QPoint(10, c->picks->viewport()->height() - 3));
        expectView(picked);
        QCOMPARE(form->statusText(), QString());

        // Ctrl+click on another row simply chooses it.
        QTest::mouseClick(c->titles->viewport(), Qt::LeftButton, Qt::ControlModifier, centre(c->titles, 2));
        expectView({2, -1, true, false, true, true, true, {5}});
    }

    void removingTheOnlyEntryReturnsToTheLeft()
    {
        add(2);
        click(c->picks, 0);
        c->remove->click();
        expectView({0, -1, true, false, false, true, true, {}});
    }

    void clearAllOnAnEmptyListSelectsTheFirstTitle()
    {
        click(c->titles, 7);
        c->clearAll->click();
        expectView({0, -1, true, false, false, true, true, {}});
        add(1);
        add(2);
        click(c->picks, 1);
        c->clearAll->click();
        expectView({0, -1, false, true, false, true, true, {}});  // "<-" keeps its state
        const QString before = form->statusText();
        c->remove->click();  // nothing selected on the right: ignored
        QCOMPARE(form->statusText(), before);
        expectView({0, -1, false, true, false, true, true, {}});
    }

    void doubleClicksSelectThenAddOrRemove()
    {
        doubleClick(c->titles, 2);
        QCOMPARE(form->statusText(), plainAdded(3));
        QCOMPARE(picks().live(), (std::vector<std::int32_t>{3}));
        doubleClick(c->picks, 0);
        QCOMPARE(form->statusText(), title(3) + QStringLiteral("  をリストから削除しました。"));
        QCOMPARE(picks().count, 0);
    }

    void anUnrecognisedArchiveOffersNothingToPick()
    {
        openDisc(12345);
        QTRY_COMPARE(form->session().disc(), 0);  // read first: it might have been an image
        c->selectAll->click();
        c->add->click();  // nothing selected on an empty list: ignored
        expectView({-1, -1, true, false, false, true, true, {}});
        QVERIFY(services->boxes.empty());
    }

    void voicesMarkOneItemAndWordEveryLaterMessage()
    {
        QAction* const* items = c->voices;
        auto marks = [&] {
            return std::vector<bool>{items[0]->isChecked(), items[1]->isChecked(), items[2]->isChecked()};
        };
        QCOMPARE(marks(), (std::vector<bool>{true, false, false}));
        c->voices[1]->trigger();
        QCOMPARE(form->statusText(), QStringLiteral("これからは、わたし、鷲ノ宮あかねがご案内します。"));
        QCOMPARE(marks(), (std::vector<bool>{false, true, false}));
        add(0);
        QCOMPARE(form->statusText(), title(1) + QStringLiteral("　をリストに追加しますね。"));

        c->voices[2]->trigger();
        QCOMPARE(marks(), (std::vector<bool>{false, false, true}));
        c->voices[2]->trigger();  // the current voice again: still marked, message again
        QCOMPARE(marks(), (std::vector<bool>{false, false, true}));
        QCOMPARE(form->statusText(), QStringLiteral("ようやく私の出番というわけですわね。"));

        openDisc(hotaru::Disc1ArchiveSize);
        QCOMPARE(form->statusText(), QStringLiteral("さぁ、始めますわよ。"));
        c->voices[0]->trigger();
        QCOMPARE(marks(), (std::vector<bool>{true, false, false}));
        QCOMPARE(form->statusText(), QStringLiteral("メッセージを通常モードにしました。"));
    }
};

HOTARU_QTEST_MAIN(TestPickList)
#include "test_picklist.moc"
