#include "ui/list_index.h"

#include <cstdlib>
#include <cstring>

// Orders two keys byte by byte, a shorter one before the longer one it begins.
static int CompareKeys(const char* a, size_t aLength, const char* b, size_t bLength) {
  int order = memcmp(a, b, aLength < bLength ? aLength : bLength);
  if (order != 0) return order;
  return aLength < bLength ? -1 : aLength > bLength ? 1 : 0;
}

static int CompareIndices(int a, int b) { return a < b ? -1 : a > b ? 1 : 0; }

// The C library's sort takes no context; the keys being sorted are reached through this.
static const char* sortedKeys;

static int CompareEntries(const void* a, const void* b) {
  auto x = static_cast<const uint32_t*>(a);  // an Entry: keyAt, keyLength, index
  auto y = static_cast<const uint32_t*>(b);
  int order = CompareKeys(sortedKeys + x[0], x[1], sortedKeys + y[0], y[1]);
  return order != 0 ? order : CompareIndices(static_cast<int>(x[2]), static_cast<int>(y[2]));
}

// Two texts have equal sort keys exactly when the locale's comparison calls them equal, and the
// list box compares in its own locale without regard to case. So equal keys are what the list
// calls equal, in every script, for ignorable characters and for different spellings of one
// letter alike.
void ListIndex::AppendSortKey(const wchar_t* text, int length) {
  const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
  int size = LCMapStringW(locale_, flags, text, length, nullptr, 0);
  if (size <= 0) return;
  size_t at = keys_.size();
  keys_.resize(at + static_cast<size_t>(size));
  LCMapStringW(locale_, flags, text, length, reinterpret_cast<wchar_t*>(&keys_[at]), size);
}

void ListIndex::Forget() {
  read_ = false;
  keys_.clear();
  entries_.clear();
}

void ListIndex::ReadList() {
  Forget();
  locale_ = static_cast<LCID>(SendMessageW(list_, LB_GETLOCALE, 0, 0));
  int count = static_cast<int>(SendMessageW(list_, LB_GETCOUNT, 0, 0));
  entries_.resize(static_cast<size_t>(count > 0 ? count : 0));
  wchar_t* text = nullptr;
  LRESULT room = 0;
  for (int i = 0; i < count; i++) {
    LRESULT length = SendMessageW(list_, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length >= room) {
      delete[] text;
      room = length + 1;
      text = new wchar_t[static_cast<size_t>(room)];
    }
    length = SendMessageW(list_, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    size_t at = keys_.size();
    AppendSortKey(text, static_cast<int>(length > 0 ? length : 0));
    entries_[static_cast<size_t>(i)] = {static_cast<uint32_t>(at), static_cast<uint32_t>(keys_.size() - at), i};
  }
  delete[] text;
  sortedKeys = keys_.data();
  qsort(entries_.data(), entries_.size(), sizeof(Entry), CompareEntries);
  read_ = true;
}

// The position of the first entry whose key and index are not below key and index.
size_t ListIndex::FirstNotBefore(const char* key, size_t keyLength, int index) const {
  size_t low = 0, high = entries_.size();
  while (low < high) {
    size_t middle = low + (high - low) / 2;
    const Entry& e = entries_[middle];
    int order = CompareKeys(&keys_[e.keyAt], e.keyLength, key, keyLength);
    if (order < 0 || (order == 0 && e.index < index)) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

bool ListIndex::HasKey(size_t at, const char* key, size_t keyLength) const {
  if (at >= entries_.size()) return false;
  const Entry& e = entries_[at];
  return CompareKeys(&keys_[e.keyAt], e.keyLength, key, keyLength) == 0;
}

int ListIndex::AskList(int after, const wchar_t* text) const {
  return static_cast<int>(SendMessageW(list_, LB_FINDSTRINGEXACT, static_cast<WPARAM>(after),
                                       reinterpret_cast<LPARAM>(text)));
}

int ListIndex::Overrule(int answer, int proposed) {
  if (answer != proposed) overruled_++;
  return answer;
}

// The list box stays the judge: it confirms the item the index proposes with one comparison,
// and answers itself, walking the list, when the index knows no item or proposes a wrong one.
int ListIndex::FindExact(int after, const wchar_t* text) {
  if (!text[0]) return LB_ERR;  // the list box finds nothing for an empty text
  if (!read_) ReadList();
  int count = static_cast<int>(entries_.size());
  if (after < 0 || after >= count) after = -1;
  // The text's key goes behind the items' keys while it is looked up.
  size_t keyAt = keys_.size();
  AppendSortKey(text, lstrlenW(text));
  int answer = FindByKey(after, text, keys_.data() + keyAt, keys_.size() - keyAt);
  keys_.resize(keyAt);
  return answer;
}

int ListIndex::FindByKey(int after, const wchar_t* text, const char* key, size_t keyLength) {
  size_t first = FirstNotBefore(key, keyLength, 0);
  if (!HasKey(first, key, keyLength)) return Overrule(AskList(after, text), LB_ERR);
  // Equal keys stand in index order: the first item behind `after`, else the first of all.
  size_t behind = FirstNotBefore(key, keyLength, after + 1);
  int candidate = entries_[HasKey(behind, key, keyLength) ? behind : first].index;
  if (AskList(candidate - 1, text) == candidate) return candidate;
  return Overrule(AskList(after, text), candidate);
}
