// Which entry names mksfx refuses to put into a self-extracting exe. The messages hold each name
// as it is; they are printed through PrintableText, which spells out its stray bytes.
#pragma once

#include <string>
#include <vector>

struct NamedEntry {
  std::string name;  // as the stub will read it, in UTF-8; a folder's name ends in "/"
  bool isDirectory;
};

// One message per problem, each naming the entry: empty names, names longer than
// MaxEntryNameLength characters, names the stub refuses as unsafe, the same name twice, and
// (unless allowed) names that differ only in letter case, which Windows takes for one file.
std::vector<std::string> NameProblems(const std::vector<NamedEntry>& entries, bool allowCaseDuplicates);

// One message per name that is not UTF-8 (a file name on Linux can be any bytes), naming it.
// mksfx writes every name in UTF-8, so it cannot take these.
std::vector<std::string> NamesNotInUtf8(const std::vector<NamedEntry>& entries);
