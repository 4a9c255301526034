#include "extract/item_list.h"

#include <algorithm>

#include "platform/utf8.h"

void ItemList::Clear() {
  items_.clear();
  sortedCount_ = 0;
  selectedCount_ = 0;
}

void ItemList::Add(const std::string& text) { items_.push_back({FoldCase(text), text, false}); }

void ItemList::SortAdded() {
  if (sortedCount_ == items_.size()) return;
  // Stable: items already in the list stay in front of equal ones added after them.
  std::stable_sort(items_.begin(), items_.end(),
                   [](const Item& a, const Item& b) { return a.key < b.key; });
  sortedCount_ = items_.size();
}

int ItemList::FindExact(int after, const std::string& text) {
  SortAdded();
  std::string key = FoldCase(text);
  auto range = std::equal_range(items_.begin(), items_.end(), Item{key, {}, false},
                                [](const Item& a, const Item& b) { return a.key < b.key; });
  if (range.first == range.second) return NoItem;
  int first = static_cast<int>(range.first - items_.begin());
  int end = static_cast<int>(range.second - items_.begin());
  int next = InRange(after) ? std::max(first, after + 1) : first;
  return next < end ? next : first;
}

bool ItemList::IsSelected(int index) {
  SortAdded();
  return InRange(index) && items_[index].selected;
}

void ItemList::SetSelected(int index, bool selected) {
  SortAdded();
  if (!InRange(index) || items_[index].selected == selected) return;
  items_[index].selected = selected;
  selectedCount_ += selected ? 1 : -1;
}

void ItemList::SelectAll() {
  for (Item& item : items_) item.selected = true;
  selectedCount_ = Count();
}

const std::string& ItemList::Text(int index) {
  SortAdded();
  return items_.at(index).text;
}
