// The stand-in for the dialog's file list where there is no window (the console tool, a silent
// run, the tests): a sorted list box with multiple selection. Items sort without regard to
// letter case; an item equal to others goes behind them, as a sorted list box inserts it. Case
// is folded as FoldCase does (platform/utf8.h): the list box folds more scripts, and sorts by
// the user's language rather than by code point.
#pragma once

#include <string>
#include <vector>

class ItemList {
 public:
  static constexpr int NoItem = -1;

  void Clear();
  void Add(const std::string& text);
  // First item after `after` (from the top when after is -1 or out of range, wrapping around)
  // whose text equals text without regard to letter case; NoItem when none does.
  int FindExact(int after, const std::string& text);
  bool IsSelected(int index);
  void SetSelected(int index, bool selected);  // an index out of range changes nothing
  void SelectAll();
  int SelectedCount() const { return selectedCount_; }
  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& Text(int index);

 private:
  struct Item {
    std::string key;  // the text with its case folded: what the order and the search compare
    std::string text;
    bool selected;
  };
  // Items are appended and sorted when an index is next used: a listing of 100,000 entries
  // then costs one sort rather than 100,000 insertions into the middle.
  void SortAdded();
  bool InRange(int index) const { return index >= 0 && index < Count(); }

  std::vector<Item> items_;
  size_t sortedCount_ = 0;
  int selectedCount_ = 0;
};
