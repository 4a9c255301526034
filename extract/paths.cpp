#include "extract/paths.h"

#include <cstring>

#include "extract/format.h"
#include "platform/platform.h"

static bool IsSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }
static bool IsLevelSeparator(char c) { return c == '\\' || c == '/'; }

// Position (counted from 1) of the last backslash, slash or colon; 0 when there is none.
static size_t LastSeparator(const std::string& path) {
  for (size_t n = path.size(); n > 0; n--)
    if (IsSeparator(path[n - 1])) return n;
  return 0;
}

std::string FileNamePart(const std::string& path) { return path.substr(LastSeparator(path)); }

std::string DirectoryPart(const std::string& path) {
  if (path.size() == 3 && path.find(':') != std::string::npos) return path;
  size_t n = LastSeparator(path);
  bool driveRoot = n == 3 && path[1] == ':';
  if (n > 0 && IsLevelSeparator(path[n - 1]) && !driveRoot) n--;
  return path.substr(0, n);
}

std::string& SlashesToBackslashes(std::string& path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string NameLevels(const std::string& name, char separator) {
  std::string levels;
  size_t start = 0;
  for (size_t at = 0; at <= name.size(); at++) {
    if (at < name.size() && !IsLevelSeparator(name[at])) continue;
    if (at > start) levels += (levels.empty() ? "" : std::string(1, separator)) + name.substr(start, at - start);
    start = at + 1;
  }
  return levels;
}

bool PathExists(std::string& path) {
  if (!path.empty() && path.back() == '\\') {
    std::string pattern = path + "*.*";
    return platform::FindFirstMatch(SlashesToBackslashes(pattern).c_str());
  }
  return platform::FindFirstMatch(SlashesToBackslashes(path).c_str());
}

bool IsRoot(const std::string& path) {
  bool drive = path.size() >= 2 && path[1] == ':';
  return path.empty() || path == "\\" || (drive && path.size() == 2) || (drive && path.size() == 3 && path[2] == '\\');
}

void ForceDirectories(std::string directory) {
  SlashesToBackslashes(directory);
  if (directory.size() > 1 && directory.back() == '\\') directory.pop_back();
  if (IsRoot(directory) || PathExists(directory)) return;
  // Each level from the top down, in a loop: a name of any depth costs no stack. Below the first
  // missing level every level is missing. A level that cannot be made (a server's name in a UNC
  // path, say) is passed by.
  bool missing = false;
  for (size_t end = directory.find('\\', 1); end != std::string::npos; end = directory.find('\\', end + 1)) {
    std::string level = directory.substr(0, end);
    if (IsRoot(level) || (!missing && PathExists(level))) continue;
    missing = true;
    platform::CreateOneDirectory(level.c_str());
  }
  platform::CreateOneDirectory(directory.c_str());
}

bool WithTrailingBackslash(char* buffer, size_t size) {
  size_t length = strnlen(buffer, size);
  if (length > 0 && buffer[length - 1] == '\\') return true;
  if (length + 2 > size) return false;
  buffer[length] = '\\';
  buffer[length + 1] = '\0';
  return true;
}

void WithoutTrailingBackslash(char* buffer) {
  size_t length = strlen(buffer);
  if (length > 0 && buffer[length - 1] == '\\') buffer[length - 1] = '\0';
}
