#include "fuzz/sandbox.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <vector>

namespace fs = std::filesystem;

[[noreturn]] static void Escaped(const std::string& what) {
  fprintf(stderr, "ESCAPE: %s\n", what.c_str());
  abort();
}

Sandbox::Sandbox() {
  std::string pattern = (fs::temp_directory_path() / "kvx-fuzz-XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) Escaped("cannot make the sandbox");
  root_ = buffer.data();
  fs::create_directories(OutPath());
  WriteArchive(nullptr, 0);
  listing_ = Listing();
}

Sandbox::~Sandbox() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

std::string Sandbox::ArchivePath() const { return root_ + "/input.zip"; }
std::string Sandbox::OutPath() const { return root_ + "/jail/a/b/out"; }

void Sandbox::WriteArchive(const uint8_t* data, size_t size) const {
  std::ofstream out(ArchivePath(), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void Sandbox::EmptyOut() const {
  fs::remove_all(OutPath());
  fs::create_directory(OutPath());
}

// Every name below the root except what lies inside the extraction folder, with its type.
std::string Sandbox::Listing() const {
  std::set<std::string> names;
  fs::path out(OutPath());
  for (auto it = fs::recursive_directory_iterator(root_); it != fs::recursive_directory_iterator(); ++it) {
    if (it->path() == out) it.disable_recursion_pending();
    names.insert(it->path().string() + (it->is_directory() ? "/" : ""));
  }
  std::string listing;
  for (const std::string& name : names) listing += name + "\n";
  return listing;
}

void Sandbox::CheckNothingEscaped() const {
  std::string now = Listing();
  if (now != listing_) Escaped("the sandbox changed:\n" + now);
  for (auto& entry : fs::recursive_directory_iterator(OutPath()))
    if (entry.is_symlink()) Escaped("a link was made: " + entry.path().string());
}

// The path with backslashes as separators, its "." and ".." levels resolved by their text:
// the engine makes no links, so this is where the system would put it. Empty when ".." climbs
// above the file system's root.
static std::string ResolvedByText(const char* path) {
  std::vector<std::string> levels;
  std::string level;
  std::string text(path);
  text += '/';
  for (char c : text) {
    if (c != '/' && c != '\\') {
      level += c;
      continue;
    }
    if (level == "..") {
      if (levels.empty()) return {};
      levels.pop_back();
    } else if (!level.empty() && level != ".") {
      levels.push_back(level);
    }
    level.clear();
  }
  std::string resolved;
  for (const std::string& l : levels) resolved += "/" + l;
  return resolved;
}

void Sandbox::CheckCreation(const char* path, bool isFile) const {
  std::string resolved = ResolvedByText(path);
  std::string inside = OutPath() + "/";
  if (resolved.compare(0, inside.size(), inside) == 0) return;
  // ForceDirectories may try a folder that is already there; that creates nothing.
  std::error_code ignored;
  if (!isFile && !resolved.empty() && fs::is_directory(resolved, ignored)) return;
  Escaped(std::string(isFile ? "file " : "directory ") + path);
}

Sandbox& TheSandbox() {
  static Sandbox sandbox;
  return sandbox;
}
