#include "extract/item_list.h"

#include <gtest/gtest.h>

static std::vector<std::string> Texts(ItemList& list) {
  std::vector<std::string> texts;
  for (int i = 0; i < list.Count(); i++) texts.push_back(list.Text(i));
  return texts;
}

TEST(ItemList, SortsItemsWithoutRegardToLetterCase) {
  ItemList list;
  for (const char* name : {"b.txt", "C.txt", "A.txt", "a/z.txt"}) list.Add(name);
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"A.txt", "a/z.txt", "b.txt", "C.txt"}));
}

TEST(ItemList, PutsAnItemBehindTheEqualItemsAlreadyThere) {
  ItemList list;
  list.Add("X.TXT");
  list.Add("a.txt");
  EXPECT_EQ(list.Text(1), "X.TXT");  // sorted once before the next item comes
  list.Add("x.txt");
  list.Add("X.txt");
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"a.txt", "X.TXT", "x.txt", "X.txt"}));
}

TEST(ItemList, FindExactStartsBehindTheGivenIndexAndWrapsAround) {
  ItemList list;
  for (const char* name : {"x.txt", "a.txt", "x.txt", "z.txt"}) list.Add(name);
  // Sorted: a.txt, x.txt, x.txt, z.txt
  EXPECT_EQ(list.FindExact(-1, "x.txt"), 1);
  EXPECT_EQ(list.FindExact(1, "x.txt"), 2);
  EXPECT_EQ(list.FindExact(2, "x.txt"), 1);
  EXPECT_EQ(list.FindExact(3, "x.txt"), 1);
  EXPECT_EQ(list.FindExact(0, "a.txt"), 0);
}

TEST(ItemList, FindExactSearchesFromTheTopForAnIndexOutOfRange) {
  ItemList list;
  list.Add("one");
  list.Add("two");
  EXPECT_EQ(list.FindExact(7, "one"), 0);
  EXPECT_EQ(list.FindExact(-5, "two"), 1);
}

TEST(ItemList, FindExactIgnoresCaseButMatchesTheWholeText) {
  ItemList list;
  list.Add("readme.txt");
  list.Add("readme.txt.bak");
  EXPECT_EQ(list.FindExact(-1, "README.TXT"), 0);
  EXPECT_EQ(list.FindExact(-1, "readme"), ItemList::NoItem);
  EXPECT_EQ(list.FindExact(-1, "eadme.txt"), ItemList::NoItem);
  EXPECT_EQ(ItemList().FindExact(-1, "readme.txt"), ItemList::NoItem);
}

TEST(ItemList, SelectionFollowsItsItemWhenLaterItemsSortInFront) {
  ItemList list;
  list.Add("m");
  list.SetSelected(0, true);
  list.Add("a");
  EXPECT_FALSE(list.IsSelected(0));
  EXPECT_TRUE(list.IsSelected(1));
  EXPECT_EQ(list.SelectedCount(), 1);
}

TEST(ItemList, CountsSelectedItemsAndIgnoresIndicesOutOfRange) {
  ItemList list;
  for (const char* name : {"a", "b", "c"}) list.Add(name);
  list.SelectAll();
  EXPECT_EQ(list.SelectedCount(), 3);
  list.SetSelected(1, false);
  list.SetSelected(1, false);
  list.SetSelected(3, false);
  list.SetSelected(-1, false);
  EXPECT_EQ(list.SelectedCount(), 2);
  EXPECT_FALSE(list.IsSelected(1));
  EXPECT_FALSE(list.IsSelected(3));
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.SelectedCount(), 0);
}

TEST(ItemList, FindExactIgnoresCaseBeyondAscii) {
  ItemList list;
  for (const char* name : {"\xC3\x9C" "bersicht.txt", "\xD0\x97\xD0\xB0\xD0\xB3\xD1\x80\xD1\x83\xD0\xB7\xD0\xBA\xD0\xB8",
                           "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCE\xB4\xCE\xB1"})
    list.Add(name);
  EXPECT_EQ(list.Text(list.FindExact(-1, "\xC3\xBC" "BERSICHT.txt")), "\xC3\x9C" "bersicht.txt");  // üBERSICHT
  EXPECT_NE(list.FindExact(-1, "\xD0\xB7\xD0\x90\xD0\x93\xD0\xA0\xD0\xA3\xD0\x97\xD0\x9A\xD0\x98"),
            ItemList::NoItem);  // зАГРУЗКИ
  EXPECT_NE(list.FindExact(-1, "\xCE\x95\xCE\x9B\xCE\x9B\xCE\x86\xCE\x94\xCE\x91"), ItemList::NoItem);  // ΕΛΛΆΔΑ
  EXPECT_EQ(list.FindExact(-1, "Ubersicht.txt"), ItemList::NoItem);  // no accent is dropped
}
