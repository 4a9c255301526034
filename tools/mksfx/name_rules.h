// Which entry names mksfx refuses to put into a self-extracting exe. The messages hold each name
// as it is; they are printed through PrintableText, which spells out its control characters.
#pragma once

#include <string>
#include <vector>

struct NamedEntry {
  std::string name;  // as the stub will read it, in UTF-8
  bool isDirectory;  // the name ends in a separator
};

// One message per problem, each naming the entry: empty names, names longer than
// MaxEntryNameLength characters, names the stub refuses as unsafe, and entries that the stub
// would write to one path on Windows. That is the same name twice, names that differ in their
// separators ("a\b", "a//b" and "a/b"), a file where another entry needs a folder, and (unless
// allowed) names that differ only in letter case as NTFS compares it. Folders at one path merge
// and are taken.
std::vector<std::string> NameProblems(const std::vector<NamedEntry>& entries, bool allowCaseDuplicates);

// One message per name that is not UTF-8 (a file name on Linux can be any bytes), naming it.
// mksfx writes every name in UTF-8, so it cannot take these.
std::vector<std::string> NamesNotInUtf8(const std::vector<NamedEntry>& entries);
