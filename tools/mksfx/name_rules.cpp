#include "tools/mksfx/name_rules.h"

#include <map>

#include "extract/paths.h"
#include "extract/safe_name.h"
#include "platform/utf8.h"
#include "tools/mksfx/limits.h"
#include "tools/mksfx/ntfs_case.h"

namespace {

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

// The stub would stop at an empty name, cut or fail a long one and refuse an unsafe one, and
// the user would learn of it only on the receiving machine.
std::string ProblemWithName(const std::string& name) {
  if (name.empty() || name == "/") return "an entry has an empty name";
  size_t length = Utf16Length(name);
  if (length > MaxEntryNameLength || name.size() > MaxEntryNameBytes)
    return Quoted(FirstCharacters(name, 60)) + "...: name is " + std::to_string(length) + " characters (" +
           std::to_string(name.size()) + " bytes) long, the stub takes at most " + std::to_string(MaxEntryNameLength) +
           " characters (" + std::to_string(MaxEntryNameBytes) + " bytes)";
  if (IsUnsafeName(name)) return Quoted(name) + ": the stub refuses this name as unsafe";
  return std::string();
}

// A name that ends in "\\" is a folder to the stub, as one that ends in "/" is: a file of that
// name (a Linux file may have one) would arrive as an empty folder, its data left out.
std::string FileNamedAsFolder(const std::string& name) {
  if (name.back() != '\\') return std::string();
  return Quoted(name) + ": a file whose name ends in \"\\\", which the stub takes for a folder; its data "
                        "would be left out";
}

// The path the stub writes the entry to, as Windows reads it: "\" separates levels as "/" does,
// and doubled or trailing separators add none. Levels are joined by "/", letters upcased as
// NTFS compares them, so that two entries share a key exactly when they share a file or
// folder on disk.
std::string PathKey(const std::string& name) { return NtfsUpcase(NameLevels(name, '/')); }

// Which entry first needs a path on disk, and whether as a folder: a folder entry needs its own
// path, and every entry needs the folders above it.
struct Claim {
  const NamedEntry* entry;
  bool asFolder;
};

struct Paths {
  std::map<std::string, Claim> claims;             // by PathKey
  std::map<std::string, const NamedEntry*> files;  // by the name as it stands
};

std::string FileInTheWay(const NamedEntry& file, const NamedEntry& needsFolder) {
  return Quoted(file.name) + " is a file, and " + Quoted(needsFolder.name) +
         " needs a folder at the same path on Windows; the stub cannot make both";
}

// Two files at one path: the stub would write the later one over the earlier and report
// success. Names that differ only in letter case the user may keep, knowing that; names that
// differ in their separators are one name to every Windows program, which no option changes.
std::string SecondFile(const NamedEntry& entry, const NamedEntry& first, bool allowCaseDuplicates) {
  if (NtfsUpcase(entry.name) != NtfsUpcase(first.name))
    return Quoted(entry.name) + " and " + Quoted(first.name) +
           " are one path on Windows, where \"\\\" separates folders as \"/\" does and empty levels "
           "add nothing; one would overwrite the other";
  if (allowCaseDuplicates) return std::string();
  return Quoted(entry.name) + " and " + Quoted(first.name) +
         " differ only in letter case and would overwrite each other on Windows "
         "(--allow-case-duplicates keeps both)";
}

// Claims the entry's path and the folders above it; the message says why it cannot have them.
std::string ClaimPath(Paths& paths, const NamedEntry& entry, bool allowCaseDuplicates) {
  std::string key = PathKey(entry.name);
  for (size_t slash = key.find('/'); slash != std::string::npos; slash = key.find('/', slash + 1)) {
    const Claim& above = paths.claims.emplace(key.substr(0, slash), Claim{&entry, true}).first->second;
    if (!above.asFolder) return FileInTheWay(*above.entry, entry);
  }
  if (!entry.isDirectory) {
    auto same = paths.files.emplace(entry.name, &entry);
    if (!same.second)
      return Quoted(entry.name) + ": a second entry with the same path as " + Quoted(same.first->second->name);
  }
  auto claim = paths.claims.emplace(key, Claim{&entry, entry.isDirectory});
  if (claim.second) return std::string();
  const Claim& first = claim.first->second;
  if (first.asFolder && entry.isDirectory) return std::string();  // folders merge harmlessly
  if (first.asFolder) return FileInTheWay(entry, *first.entry);
  if (entry.isDirectory) return FileInTheWay(*first.entry, entry);
  return SecondFile(entry, *first.entry, allowCaseDuplicates);
}

}  // namespace

std::vector<std::string> NamesNotInUtf8(const std::vector<NamedEntry>& entries) {
  std::vector<std::string> problems;
  for (const NamedEntry& entry : entries)
    if (!IsValidUtf8(entry.name))
      problems.push_back(Quoted(entry.name) +
                         ": the file name is not UTF-8, and would show as other characters on "
                         "every machine; rename it");
  return problems;
}

std::vector<std::string> NameProblems(const std::vector<NamedEntry>& entries, bool allowCaseDuplicates) {
  std::vector<std::string> problems;
  Paths paths;
  for (const NamedEntry& entry : entries) {
    std::string problem = ProblemWithName(entry.name);
    if (problem.empty() && !entry.isDirectory) problem = FileNamedAsFolder(entry.name);
    if (problem.empty()) problem = ClaimPath(paths, entry, allowCaseDuplicates);
    if (!problem.empty()) problems.push_back(problem);
  }
  return problems;
}
