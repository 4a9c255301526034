#include "tools/mksfx/source_tree.h"

#include <algorithm>
#include <ctime>

#include "tools/mksfx/errors.h"
#include "tools/mksfx/host.h"

namespace fs = std::filesystem;

namespace {

struct Collector {
  SourceTree tree;
  fs::path output;
  bool outputExists = false;
};

// ZIP keeps local time in DOS form: two-second steps, years from 1980.
void SetDosTime(SourceEntry& entry) {
  time_t seconds;
  if (!host::ModificationTime(entry.path, seconds)) return;
  const std::tm* local = std::localtime(&seconds);
  if (!local || local->tm_year < 80) return;
  entry.modDate = static_cast<uint16_t>(((local->tm_year - 80) << 9) | ((local->tm_mon + 1) << 5) | local->tm_mday);
  entry.modTime = static_cast<uint16_t>((local->tm_hour << 11) | (local->tm_min << 5) | (local->tm_sec / 2));
}

void AddEntry(Collector& c, const std::string& name, const fs::path& path, bool isDirectory) {
  SourceEntry entry;
  entry.name = isDirectory ? name + "/" : name;
  entry.path = path;
  entry.isDirectory = isDirectory;
  if (!isDirectory) entry.size = fs::file_size(path);
  SetDosTime(entry);
  c.tree.entries.push_back(std::move(entry));
}

bool IsOutput(const Collector& c, const fs::path& path) {
  std::error_code ignored;
  return c.outputExists && fs::equivalent(path, c.output, ignored);
}

std::string Join(const std::string& prefix, const std::string& name) {
  return prefix.empty() ? name : prefix + "/" + name;
}

void AddFolderContents(Collector& c, const fs::path& folder, const std::string& prefix) {
  std::vector<fs::directory_entry> children{fs::directory_iterator(folder), fs::directory_iterator()};
  std::sort(children.begin(), children.end(),
            [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
  for (const fs::directory_entry& child : children) {
    std::string name = Join(prefix, child.path().filename().string());
    if (child.is_symlink() && child.is_directory()) {
      c.tree.skipped.push_back(child.path().string() + ": link to a folder, not followed");
    } else if (child.is_directory()) {
      AddEntry(c, name, child.path(), true);
      AddFolderContents(c, child.path(), name);
    } else if (child.is_regular_file()) {
      if (!IsOutput(c, child.path())) AddEntry(c, name, child.path(), false);
    } else {
      c.tree.skipped.push_back(child.path().string() + ": neither a file nor a folder");
    }
  }
}

void AddArgument(Collector& c, const std::string& argument) {
  fs::path path = fs::path(argument).lexically_normal();
  if (!path.has_filename() && path.has_parent_path() && path != path.root_path()) path = path.parent_path();
  std::error_code error;
  fs::file_status status = fs::status(path, error);
  if (error || !fs::exists(status)) throw Fatal(argument + ": no such file or folder");
  std::string base = path.filename().string();
  bool atTop = base.empty() || base == "." || base == "..";
  if (fs::is_directory(status)) {
    if (!atTop) AddEntry(c, base, path, true);
    AddFolderContents(c, path, atTop ? std::string() : base);
  } else if (fs::is_regular_file(status)) {
    if (IsOutput(c, path)) throw Fatal(argument + ": is the output file itself");
    AddEntry(c, base, path, false);
  } else {
    throw Fatal(argument + ": neither a file nor a folder");
  }
}

}  // namespace

SourceTree CollectSources(const std::vector<std::string>& paths, const std::string& outputPath) {
  Collector c;
  c.output = fs::path(outputPath);
  c.outputExists = fs::exists(c.output);
  try {
    for (const std::string& argument : paths) AddArgument(c, argument);
  } catch (const fs::filesystem_error& e) {
    throw Fatal(e.path1().string() + ": " + e.code().message());
  }
  return std::move(c.tree);
}
