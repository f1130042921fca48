#include "catalogue/PickList.h"

#include <gtest/gtest.h>

using namespace hotaru;

TEST(PickList, RefusesDuplicatesAndNumbersTheDiscDoesNotHave)
{
    PickList p;
    EXPECT_TRUE(p.add(1, 1));
    EXPECT_TRUE(p.add(1, 2));
    EXPECT_FALSE(p.add(1, 1));  // not the last entry, still refused
    EXPECT_FALSE(p.add(2, 20));
    EXPECT_FALSE(p.add(0, 1));
    EXPECT_FALSE(p.add(1, 0));
    EXPECT_EQ(p.live(), (std::vector<std::int32_t>{1, 2}));
}

TEST(PickList, RemovingClosesTheGapInOrder)
{
    PickList p;
    for (int n : {5, 9, 2})
        p.add(1, n);
    EXPECT_TRUE(p.removeAt(2));
    EXPECT_EQ(p.live(), (std::vector<std::int32_t>{5, 2}));
    EXPECT_FALSE(p.removeAt(3));
    EXPECT_FALSE(p.removeAt(0));
    EXPECT_TRUE(p.removeAt(2));
    EXPECT_TRUE(p.removeAt(1));
    EXPECT_EQ(p.count, 0);
    EXPECT_FALSE(p.removeAt(1));
}

TEST(PickList, FillReplacesTheWholeList)
{
    PickList p;
    p.add(1, 7);
    p.fill(1);
    p.fill(1);
    ASSERT_EQ(p.count, 31);
    for (int i = 1; i <= 31; ++i)
        EXPECT_EQ(p.at(i), i);
    EXPECT_FALSE(p.add(1, 31));  // full disc: every number taken
    p.fill(2);
    EXPECT_EQ(p.count, 19);
    p.fill(0);
    EXPECT_EQ(p.count, 0);
}
