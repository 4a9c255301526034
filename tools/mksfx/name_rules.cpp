#include "tools/mksfx/name_rules.h"

#include <map>

#include "extract/safe_name.h"
#include "extract/utf8.h"
#include "tools/mksfx/limits.h"

namespace {

// The stub would stop at an empty name, cut or fail a long one and refuse an unsafe one, and
// the user would learn of it only on the receiving machine.
std::string ProblemWithName(const std::string& name) {
  if (name.empty() || name == "/") return "an entry has an empty name";
  size_t length = Utf16Length(name);
  if (length > MaxEntryNameLength)
    return "\"" + name + "\": name is " + std::to_string(length) + " characters long, the stub takes at most " +
           std::to_string(MaxEntryNameLength);
  if (IsUnsafeName(name)) return "\"" + name + "\": the stub refuses this name as unsafe";
  return std::string();
}

// "a" and "a/" would be the same path on disk, so names are compared without the slash.
std::string PathKey(const std::string& name) {
  return !name.empty() && name.back() == '/' ? name.substr(0, name.size() - 1) : name;
}

}  // namespace

std::vector<std::string> NamesNotInUtf8(const std::vector<NamedEntry>& entries) {
  std::vector<std::string> problems;
  for (const NamedEntry& entry : entries)
    if (!IsValidUtf8(entry.name))
      problems.push_back("\"" + entry.name +
                         "\": the file name is not UTF-8, and would show as other characters on "
                         "every machine; rename it");
  return problems;
}

std::vector<std::string> NameProblems(const std::vector<NamedEntry>& entries, bool allowCaseDuplicates) {
  std::vector<std::string> problems;
  std::map<std::string, const NamedEntry*> exact, folded;
  for (const NamedEntry& entry : entries) {
    std::string problem = ProblemWithName(entry.name);
    if (!problem.empty()) {
      problems.push_back(problem);
      continue;
    }
    std::string key = PathKey(entry.name);
    auto same = exact.emplace(key, &entry);
    if (!same.second) {
      problems.push_back("\"" + entry.name + "\": a second entry with the same path as \"" + same.first->second->name + "\"");
      continue;
    }
    auto alike = folded.emplace(FoldCase(key), &entry);
    // Two folders that differ in case merge harmlessly on Windows; anything else overwrites.
    bool bothFolders = entry.isDirectory && alike.first->second->isDirectory;
    if (!alike.second && !bothFolders && !allowCaseDuplicates)
      problems.push_back("\"" + entry.name + "\" and \"" + alike.first->second->name +
                         "\" differ only in letter case and would overwrite each other on Windows "
                         "(--allow-case-duplicates keeps both)");
  }
  return problems;
}
