// The index beside the file list answers exactly what the list box's own exact-match search
// answers, on a real list box under Windows, for every name and every starting item.
#include "ui/list_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Names = std::vector<std::wstring>;

// A sorted list box with multiple selection, as the main dialog's file list.
class ListIndexTest : public testing::Test {
 protected:
  void SetUp() override {
    list_ = CreateWindowExW(0, L"LISTBOX", L"", LBS_SORT | LBS_MULTIPLESEL | LBS_HASSTRINGS, 0, 0, 200, 200,
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(list_, nullptr);
  }
  void TearDown() override { DestroyWindow(list_); }

  void Fill(ListIndex& index, const Names& names) {
    SendMessageW(list_, LB_RESETCONTENT, 0, 0);
    index.Forget();
    for (const std::wstring& name : names) SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }

  int ListAnswer(int after, const std::wstring& name) {
    return static_cast<int>(SendMessageW(list_, LB_FINDSTRINGEXACT, static_cast<WPARAM>(after),
                                         reinterpret_cast<LPARAM>(name.c_str())));
  }

  // Every name of the list and every extra query, from every start: before the top, each item,
  // and past the end. The list must never have to correct the index.
  void ExpectSameAnswers(ListIndex& index, const Names& names, const Names& extra) {
    Names queries = names;
    queries.insert(queries.end(), extra.begin(), extra.end());
    int count = static_cast<int>(SendMessageW(list_, LB_GETCOUNT, 0, 0));
    int found = 0;
    for (const std::wstring& query : queries) {
      for (int after = -1; after <= count; after++) {
        int expected = ListAnswer(after, query);
        found += expected != LB_ERR;
        ASSERT_EQ(index.FindExact(after, query.c_str()), expected)
            << "query " << testing::PrintToString(query) << " after " << after;
      }
    }
    EXPECT_GT(found, 0);
    EXPECT_EQ(index.Overruled(), 0) << "the index's keys disagree with the list's comparison";
  }

  void ExpectSameAnswersIn(LCID locale, const Names& names, const Names& extra = {}) {
    SendMessageW(list_, LB_SETLOCALE, locale, 0);
    ListIndex index(list_);
    Fill(index, names);
    ExpectSameAnswers(index, names, extra);
  }

  HWND list_ = nullptr;
};

const LCID English = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);
const LCID German = MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT);
const LCID Turkish = MAKELCID(MAKELANGID(LANG_TURKISH, SUBLANG_TURKISH_TURKEY), SORT_DEFAULT);

const Names CaseAndDuplicates = {
    L"README.TXT", L"readme.txt", L"ReadMe.txt", L"x.txt", L"x.txt", L"X.TXT", L"x.txt ", L"a", L"A", L"b",
    L"dir/a.txt", L"DIR/A.TXT", L"dir\\a.txt", L"co-op", L"coop", L"co'op", L"CO-OP", L"file1", L"file10"};

const Names BeyondAscii = {
    L"Stra\u00DFe", L"STRASSE", L"strasse", L"STRA\u1E9EE", L"stra\u1E9Ee", L"Strasse",
    L"\u0130stanbul", L"istanbul", L"ISTANBUL", L"\u0131stanbul", L"Istanbul",
    L"\uFF21\uFF22\uFF23", L"\uFF41\uFF42\uFF43", L"ABC", L"abc",
    L"caf\u00E9", L"cafe\u0301", L"CAF\u00C9", L"CAFE\u0301", L"cafe",
    L"ab", L"a\u00ADb", L"a\u200Bb", L"\u00ADab", L"AB\u00AD",
    L"\u03A3\u03AF\u03C3\u03C5\u03C6\u03BF\u03C2", L"\u03A3\u038A\u03A3\u03A5\u03A6\u039F\u03A3",
    L"\u0424\u0430\u0439\u043B", L"\u0424\u0410\u0419\u041B", L"\u0444\u0430\u0439\u043B",
    L"\u6587\u4EF6", L"\u304B\u306A", L"\u30AB\u30CA", L"\uFF76\uFF85",
    L"\uD55C", L"\u1112\u1161\u11AB", L"\uFB01le", L"file", L"file\u00B9", L"file\u0661",
    L"\U0001D400", L"\U0001F600.txt", L"\U0001F601.txt", L"\u00C5ngstr\u00F6m", L"A\u030Angstro\u0308m"};

const Names NotListed = {L"nothing", L"\u00DF", L"ss", L"SS", L"i", L"\u0130", L"\u00AD", L"\u200B",
                         L"readme", L"x.tx", L"\uFF58.txt", L"X\u0301.TXT"};

TEST_F(ListIndexTest, CaseOnlyDifferencesAndDuplicatesFindWhatTheListFinds) {
  ExpectSameAnswersIn(English, CaseAndDuplicates, NotListed);
}

TEST_F(ListIndexTest, NamesBeyondAsciiFindWhatTheListFindsInEveryLocale) {
  for (LCID locale : {GetUserDefaultLCID(), English, German, Turkish}) {
    SCOPED_TRACE(locale);
    ExpectSameAnswersIn(locale, BeyondAscii, NotListed);
  }
}

// A relisted list (the check box shows only file names, or full paths again) is read afresh.
TEST_F(ListIndexTest, AfterARelistingTheIndexFollowsTheNewItems) {
  ListIndex index(list_);
  Fill(index, CaseAndDuplicates);
  ExpectSameAnswers(index, CaseAndDuplicates, NotListed);
  Fill(index, BeyondAscii);
  ExpectSameAnswers(index, BeyondAscii, CaseAndDuplicates);
  Names both = CaseAndDuplicates;
  both.insert(both.end(), BeyondAscii.begin(), BeyondAscii.end());
  Fill(index, both);
  ExpectSameAnswers(index, both, NotListed);
}
