// Finds a file-list item by its whole text as the list box's own exact-match search
// (LB_FINDSTRINGEXACT) does, without walking the list. That search compares item after item
// from the last one found; a run that looks up every entry in archive order, which is not the
// list's sorted order, would then cost time in the square of the entry count.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class ListIndex {
 public:
  explicit ListIndex(HWND list) : list_(list) {}

  // The list's items have changed; the next search reads them afresh.
  void Forget();
  // The first item after `after` (from the top when `after` is not an item's index, wrapping
  // around) whose text the list box calls equal to text; LB_ERR when none is.
  int FindExact(int after, const wchar_t* text);
  // How often the list's own search had to correct the index: a key that does not match the
  // list's comparison. Each correction is a walk through the list.
  int Overruled() const { return overruled_; }

 private:
  struct Entry {
    uint32_t keyAt;  // the item's sort key is keys_[keyAt, keyAt + keyLength)
    uint32_t keyLength;
    int index;
  };
  void ReadList();
  void AppendSortKey(const wchar_t* text, int length);
  int FindByKey(int after, const wchar_t* text, const char* key, size_t keyLength);
  size_t FirstNotBefore(const char* key, size_t keyLength, int index) const;
  bool HasKey(size_t at, const char* key, size_t keyLength) const;
  int AskList(int after, const wchar_t* text) const;
  int Overrule(int answer, int proposed);

  HWND list_;
  LCID locale_ = 0;
  bool read_ = false;
  int overruled_ = 0;
  std::string keys_;            // every item's sort key, one after another
  std::vector<Entry> entries_;  // by key, then by index
};
