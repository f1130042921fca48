// The pick list and the message voices, driven through the window's own controls.
#include "Catalogue.h"
#include "Form1.h"
#include "Globals.h"
#include "SystemSeams.h"
#include "TestMain.h"
#include "TestSupport.h"
#include "Voices.h"

#include <QAction>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>

namespace {

// What the user can see of the pick list after an event.
struct View {
    int left;   // selected row, -1 for none
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
    std::unique_ptr<TForm1> form;
    std::unique_ptr<PromptsScope> prompts;

    void openDisc(std::int64_t size)
    {
        const std::string p = dir.filePath(QStringLiteral("hotaru4")).toStdString();
        std::ofstream(p).close();
        std::filesystem::resize_file(p, static_cast<std::uintmax_t>(size));
        (*prompts)->files = {QString::fromStdString(p)};
        form->Open1->trigger();
    }

    View view() const
    {
        return {selectedRow(form->ListBox1), selectedRow(form->ListBox2), form->Button2->isEnabled(),
                form->Button3->isEnabled(),  form->Button4->isEnabled(),  form->Button5->isEnabled(),
                form->Button6->isEnabled(),  PickList.live()};
    }

    void expectView(const View& expected)
    {
        const View got = view();
        QVERIFY2(got == expected, qPrintable(QStringLiteral("got ") + describe(got) + QStringLiteral(", expected ") +
                                             describe(expected)));
        QCOMPARE(form->ListBox2->count(), PickList.count);
        for (int r = 0; r < PickList.count; ++r)
            QCOMPARE(form->ListBox2->item(r)->text(), fromUtf8(hotaru::movieTitle(ArchiveVariant, PickList.at(r + 1))));
    }

    static void click(QListWidget* list, int row)
    {
        const QPoint at = list->visualItemRect(list->item(row)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    static void doubleClick(QListWidget* list, int row)
    {
        const QPoint at = list->visualItemRect(list->item(row)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    void add(int row)
    {
        click(form->ListBox1, row);
        form->Button2->click();
    }

    static QString title(std::int32_t n) { return fromUtf8(hotaru::movieTitle(ArchiveVariant, n)); }
    static QString plainAdded(std::int32_t n) { return title(n) + QStringLiteral("  をリストに追加しました。"); }

private Q_SLOTS:
    void init()
    {
        ArchiveVariant = 0;
        PickList.clear();
        prompts = std::make_unique<PromptsScope>();
        seams::replaceDrives(std::make_unique<FakeDrives>());
        form = std::make_unique<TForm1>();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        openDisc(hotaru::Disc1ArchiveSize);
        (*prompts)->boxes.clear();
    }

    void cleanup()
    {
        form.reset();
        prompts.reset();
        seams::replaceDrives(nullptr);
    }

    void selectingAndAddingFollowTheStateTable()
    {
        expectView({0, -1, true, false, false, true, true, {}});  // after File > Open
        click(form->ListBox1, 4);
        QCOMPARE(form->StatusText(), title(5) + QStringLiteral("       ") +
                                         QString::number(hotaru::movieSize(1, 5) / 1024) + QStringLiteral("KBytes"));
        expectView({4, -1, true, false, false, true, true, {}});
        form->Button2->click();
        QCOMPARE(form->StatusText(), plainAdded(5));
        expectView({4, -1, true, false, true, true, true, {5}});

        click(form->ListBox2, 0);
        QCOMPARE(form->StatusText(), title(5) + QStringLiteral("       15552KBytes"));
        expectView({-1, 0, false, true, true, true, true, {5}});
        click(form->ListBox1, 0);
        expectView({0, -1, true, false, true, true, true, {5}});

        // Clicking the row that is already selected tells about it again; so do the arrow keys.
        form->SetStatusText(QString());
        click(form->ListBox1, 0);
        QCOMPARE(form->StatusText(), title(1) + QStringLiteral("       23140KBytes"));
        QTest::keyClick(form->ListBox1, Qt::Key_Down);
        QCOMPARE(form->StatusText(), title(2) + QStringLiteral("       21206KBytes"));
        expectView({1, -1, true, false, true, true, true, {5}});
    }

    void duplicatesAreRefusedWithABox()
    {
        add(0);
        add(1);
        form->Button2->click();  // title 2 again, straight away
        add(0);                  // title 1, not the last entry
        QCOMPARE((*prompts)->boxes.size(), size_t(2));
        for (const ShownBox& b : (*prompts)->boxes) {
            QCOMPARE(b.text, QStringLiteral("すでに選択されています。"));
            QCOMPARE(b.caption, QStringLiteral("エラー"));
            QCOMPARE(b.flags, prompts::MB_OK);
        }
        QCOMPARE(PickList.live(), (std::vector<std::int32_t>{1, 2}));
        QCOMPARE(form->StatusText(), title(1) + QStringLiteral("       23140KBytes"));  // the click's, not the refusal's

        form->Button5->click();
        add(17);
        QCOMPARE((*prompts)->boxes.size(), size_t(3));
        QCOMPARE(PickList.count, 31);
    }

    void selectAllRebuildsTheListInCatalogueOrder()
    {
        add(3);
        form->Button5->click();
        form->Button5->click();
        expectView({3, -1, true, false, true, true, true, PickList.live()});
        QCOMPARE(PickList.count, 31);
        for (int i = 1; i <= 31; ++i)
            QCOMPARE(PickList.at(i), i);

        openDisc(hotaru::Disc2ArchiveSize);
        form->Button5->click();
        QCOMPARE(PickList.count, 19);
        QCOMPARE(form->ListBox2->count(), 19);
        QCOMPARE(PickList.at(19), 19);
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
        click(form->ListBox2, row);
        form->Button3->click();
        // The removed message stays: selecting row 0 afterwards is the program's, not the user's.
        QCOMPARE(form->StatusText(), title(removed) + QStringLiteral("  をリストから削除しました。"));
        expectView({-1, 0, false, true, true, true, true, {left[0], left[1]}});

        // "->" stays off until a title on the left is chosen again.
        QVERIFY(!form->Button2->isEnabled());
        click(form->ListBox1, 6);
        QVERIFY(form->Button2->isEnabled());
    }

    void onlyTheLeftButtonOnARowChoosesOne()
    {
        add(4);
        click(form->ListBox2, 0);
        const View picked{-1, 0, false, true, true, true, true, {5}};
        expectView(picked);
        form->SetStatusText(QString());
        const auto centre = [](QListWidget* list, int row) { return list->visualItemRect(list->item(row)).center(); };

        // The right button neither selects nor clears, nor adds on a double-click.
        QTest::mouseClick(form->ListBox1->viewport(), Qt::RightButton, {}, centre(form->ListBox1, 2));
        QTest::mouseClick(form->ListBox2->viewport(), Qt::RightButton, {}, centre(form->ListBox2, 0));
        QTest::mouseDClick(form->ListBox1->viewport(), Qt::RightButton, {}, centre(form->ListBox1, 2));
        expectView(picked);
        QCOMPARE(form->StatusText(), QString());

        // Ctrl+click and Ctrl+Space on the selected row keep it, and the click still tells about it.
        QTest::mouseClick(form->ListBox2->viewport(), Qt::LeftButton, Qt::ControlModifier, centre(form->ListBox2, 0));
        QTest::keyClick(form->ListBox2, Qt::Key_Space, Qt::ControlModifier);
        expectView(picked);
        QCOMPARE(form->StatusText(), title(5) + QStringLiteral("       15552KBytes"));

        // A click below the last row chooses nothing and clears nothing.
        form->SetStatusText(QString());
        QTest::mouseClick(form->ListBox2->viewport(), Qt::LeftButton, {},
                          QPoint(10, form->ListBox2->viewport()->height() - 3));
        expectView(picked);
        QCOMPARE(form->StatusText(), QString());

        // Ctrl+click on another row simply chooses it.
        QTest::mouseClick(form->ListBox1->viewport(), Qt::LeftButton, Qt::ControlModifier, centre(form->ListBox1, 2));
        expectView({2, -1, true, false, true, true, true, {5}});
    }

    void removingTheOnlyEntryReturnsToTheLeft()
    {
        add(2);
        click(form->ListBox2, 0);
        form->Button3->click();
        expectView({0, -1, true, false, false, true, true, {}});
    }

    void clearAllOnAnEmptyListSelectsTheFirstTitle()
    {
        click(form->ListBox1, 7);
        form->Button6->click();
        expectView({0, -1, true, false, false, true, true, {}});
        add(1);
        add(2);
        click(form->ListBox2, 1);
        form->Button6->click();
        expectView({0, -1, false, true, false, true, true, {}});  // "<-" keeps its state
        const QString before = form->StatusText();
        form->Button3->click();  // nothing selected on the right: ignored
        QCOMPARE(form->StatusText(), before);
        expectView({0, -1, false, true, false, true, true, {}});
    }

    void doubleClicksSelectThenAddOrRemove()
    {
        doubleClick(form->ListBox1, 2);
        QCOMPARE(form->StatusText(), plainAdded(3));
        QCOMPARE(PickList.live(), (std::vector<std::int32_t>{3}));
        doubleClick(form->ListBox2, 0);
        QCOMPARE(form->StatusText(), title(3) + QStringLiteral("  をリストから削除しました。"));
        QCOMPARE(PickList.count, 0);
    }

    void anUnrecognisedArchiveOffersNothingToPick()
    {
        openDisc(12345);
        QCOMPARE(ArchiveVariant, 0);
        form->Button5->click();
        form->Button2->click();  // nothing selected on an empty list: ignored
        expectView({-1, -1, true, false, false, true, true, {}});
        QVERIFY((*prompts)->boxes.empty());
    }

    void voicesMarkOneItemAndWordEveryLaterMessage()
    {
        QAction* items[] = {form->K2, form->K3, form->K4};
        auto marks = [&] {
            return std::vector<bool>{items[0]->isChecked(), items[1]->isChecked(), items[2]->isChecked()};
        };
        QCOMPARE(marks(), (std::vector<bool>{true, false, false}));
        form->K3->trigger();
        QCOMPARE(form->StatusText(), QStringLiteral("これからは、わたし、鷲ノ宮あかねがご案内します。"));
        QCOMPARE(marks(), (std::vector<bool>{false, true, false}));
        add(0);
        QCOMPARE(form->StatusText(), title(1) + QStringLiteral("　をリストに追加しますね。"));

        form->K4->trigger();
        QCOMPARE(marks(), (std::vector<bool>{false, false, true}));
        form->K4->trigger();  // the current voice again: still marked, message again
        QCOMPARE(marks(), (std::vector<bool>{false, false, true}));
        QCOMPARE(form->StatusText(), QStringLiteral("ようやく私の出番というわけですわね。"));

        openDisc(hotaru::Disc1ArchiveSize);
        QCOMPARE(form->StatusText(), QStringLiteral("さぁ、始めますわよ。"));
        form->K2->trigger();
        QCOMPARE(marks(), (std::vector<bool>{true, false, false}));
        QCOMPARE(form->StatusText(), QStringLiteral("メッセージを通常モードにしました。"));
    }
};

HOTARU_QTEST_MAIN(TestPickList)
#include "test_picklist.moc"
