// The rules of choosing movies, without a window: the state table of
// selections and buttons, and what the rules refuse.
#include "app/PickListRules.h"

#include <gtest/gtest.h>

using namespace app;

void PrintTo(const PickView& v, std::ostream* os)
{
    *os << "rows " << v.titleRow << "/" << v.pickRow << " buttons " << v.add << v.remove << v.run << v.selectAll
        << v.clearAll << " lists " << v.listsEnabled;
}

namespace {

using Picks = std::vector<std::int32_t>;

// left row, right row, "->", "<-", "実行", "全選択", "全削除", lists enabled
PickView view(int left, int right, bool add, bool remove, bool run, bool all, bool clear, bool lists = true)
{
    return {left, right, add, remove, run, all, clear, lists};
}

PickListRules listedDisc(std::int32_t disc)
{
    PickListRules rules;
    rules.listedAtStart(disc);
    return rules;
}

void add(PickListRules& rules, int row)
{
    rules.chooseTitle(row);
    rules.add();
}

}  // namespace

TEST(PickListRules, StartUpAndOpenFollowTheTable)
{
    PickListRules gaveUp;
    gaveUp.gaveUpAtStart();
    EXPECT_EQ(gaveUp.view(), view(-1, -1, false, false, false, false, false));
    EXPECT_EQ(gaveUp.titleCount(), 0);

    gaveUp.openingArchive();
    gaveUp.listedByOpen(2);
    EXPECT_EQ(gaveUp.view(), view(0, -1, true, false, false, true, true));
    EXPECT_EQ(gaveUp.titleCount(), 19);

    PickListRules unknown = listedDisc(0);
    EXPECT_EQ(unknown.view(), view(-1, -1, true, false, false, true, true));
    EXPECT_EQ(unknown.add().outcome, AddOutcome::NothingSelected);  // nothing to add on an empty list
    unknown.selectAll();
    EXPECT_EQ(unknown.picks().count, 0);
    EXPECT_FALSE(unknown.view().run);
}

TEST(PickListRules, AddingRefusesDuplicatesAndRemovingSelectsTheFirstRow)
{
    PickListRules rules = listedDisc(1);
    for (int row : {4, 8, 1})
        add(rules, row);
    EXPECT_EQ(rules.picks().live(), (Picks{5, 9, 2}));
    EXPECT_EQ(rules.view(), view(1, -1, true, false, true, true, true));

    rules.chooseTitle(4);
    EXPECT_EQ(rules.add().outcome, AddOutcome::AlreadyPicked);
    EXPECT_EQ(rules.picks().live(), (Picks{5, 9, 2}));

    const auto info = rules.choosePick(2);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->message, Message::PickInfo);
    EXPECT_EQ(info->movie, 2);
    const auto removed = rules.remove();
    ASSERT_TRUE(removed);
    EXPECT_EQ(removed->movie, 2);
    EXPECT_EQ(rules.picks().live(), (Picks{5, 9}));
    EXPECT_EQ(rules.view(), view(-1, 0, false, true, true, true, true));

    rules.remove();
    rules.remove();
    EXPECT_EQ(rules.view(), view(0, -1, true, false, false, true, true));
    EXPECT_FALSE(rules.remove());  // nothing selected on the right
}

TEST(PickListRules, ARunHoldsThePicksUntilItEnds)
{
    PickListRules rules = listedDisc(1);
    rules.selectAll();
    EXPECT_EQ(rules.picks().count, 31);
    rules.runStarted();
    EXPECT_EQ(rules.view(), view(0, -1, false, false, false, false, false, false));

    // File > Open meanwhile lists the new disc but gives no button back.
    rules.openingArchive();
    rules.listedByOpen(2);
    EXPECT_EQ(rules.view(), view(0, -1, false, false, false, false, false, false));
    rules.runFailed();
    EXPECT_EQ(rules.view(), view(0, -1, true, false, false, true, true));

    add(rules, 3);
    rules.choosePick(0);
    rules.runStarted();
    rules.runFailed();  // the picks stay, ready to run again
    EXPECT_EQ(rules.picks().live(), Picks{4});
    EXPECT_EQ(rules.view(), view(0, -1, true, false, true, true, true));
    rules.runStarted();
    rules.runCompleted();
    EXPECT_EQ(rules.picks().count, 0);
    EXPECT_EQ(rules.view(), view(0, -1, true, false, false, true, true));
}

TEST(PickListRules, AStoppedRunKeepsWhatItDidNotWriteInOrder)
{
    PickListRules rules = listedDisc(1);
    for (const int row : {9, 2, 6, 4})
        add(rules, row);
    rules.runStarted();
    rules.runStopped({10, 7});  // out of the picks' order, as written
    EXPECT_EQ(rules.picks().live(), (Picks{3, 5}));
    EXPECT_EQ(rules.view(), view(0, -1, true, false, true, true, true));
    rules.runStarted();
    rules.runStopped({3, 5});
    EXPECT_EQ(rules.picks().count, 0);
    EXPECT_FALSE(rules.view().run);
}

TEST(PickListRules, AFailedOpenKeepsTheDiscButListsNothing)
{
    PickListRules rules = listedDisc(1);
    add(rules, 0);
    rules.openingArchive();  // and reading it then fails
    EXPECT_EQ(rules.disc(), 1);
    EXPECT_EQ(rules.titleCount(), 0);
    EXPECT_EQ(rules.picks().count, 0);
    EXPECT_EQ(rules.view(), view(-1, -1, true, false, false, true, true));
    rules.clearAll();
    EXPECT_EQ(rules.view().titleRow, -1);
}
