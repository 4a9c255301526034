// Which entry names mksfx refuses to put into a self-extracting exe.
#pragma once

#include <string>
#include <vector>

struct NamedEntry {
  std::string name;  // a folder's name ends in "/"
  bool isDirectory;
};

// One message per problem, each naming the entry: empty names, names longer than
// MaxEntryNameLength, names the stub refuses as unsafe, the same name twice, and (unless
// allowed) names that differ only in letter case, which Windows takes for one file.
std::vector<std::string> NameProblems(const std::vector<NamedEntry>& entries, bool allowCaseDuplicates);
