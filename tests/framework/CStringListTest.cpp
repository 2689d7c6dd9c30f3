#include <gtest/gtest.h>

#include "framework/CStringList.h"

TEST(CStringList, KeepsOrderAndWalksByPosition) {
  CStringList list;
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(list.GetHeadPosition(), nullptr);
  for (int i = 0; i < 25; ++i) {
    CString item;
    item.Format("item%d", i);
    list.AddTail(item);
  }
  list.AddHead("first");
  EXPECT_EQ(list.GetCount(), 26);
  EXPECT_STREQ(list.GetHead(), "first");
  EXPECT_STREQ(list.GetTail(), "item24");

  int seen = 0;
  for (POSITION pos = list.GetHeadPosition(); pos != nullptr;) {
    const CString& item = list.GetNext(pos);
    EXPECT_FALSE(item.IsEmpty());
    ++seen;
  }
  EXPECT_EQ(seen, 26);
  EXPECT_NE(list.Find("item7"), nullptr);
  EXPECT_EQ(list.Find("missing"), nullptr);

  CStringList copy(list);
  EXPECT_STREQ(list.RemoveHead(), "first");
  EXPECT_EQ(copy.GetCount(), 26);
  list.RemoveAll();
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_STREQ(list.GetHead(), "");
}
