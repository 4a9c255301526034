#include "tools/mksfx/ntfs_case.h"

#include <algorithm>
#include <iterator>

#include "platform/utf8.h"
#include "tools/mksfx/ntfs_case_table.h"

// The table is the one of the Unicode version the generator ran with. A volume keeps the table
// of the Windows that formatted it, often an older one that folds fewer characters: folding by
// the newer table then only refuses some names that the volume would keep apart.
char32_t NtfsUpcaseCharacter(char32_t c) {
  auto range = std::lower_bound(std::begin(UpcaseRanges), std::end(UpcaseRanges), c,
                                [](const UpcaseRange& r, char32_t value) { return r.last < value; });
  if (range == std::end(UpcaseRanges) || c < range->first) return c;
  if (range->delta == AlternatingPairs) return range->first + ((c - range->first) & ~char32_t{1});
  return static_cast<char32_t>(static_cast<int32_t>(c) + range->delta);
}

std::string NtfsUpcase(const std::string& text) {
  std::string upcased;
  for (size_t at = 0; at < text.size();) {
    size_t start = at;
    char32_t c = NextCharacter(text, at);
    if (c == ReplacementCharacter && at - start == 1)
      upcased += text[start];
    else
      AppendUtf8(upcased, NtfsUpcaseCharacter(c));
  }
  return upcased;
}
