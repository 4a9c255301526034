#include "extract/paths.h"

#include <cstring>

#include "extract/format.h"
#include "extract/utf8.h"
#include "platform/platform.h"

static bool IsSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }
static bool IsLevelSeparator(char c) { return c == '\\' || c == '/'; }

// Position (counted from 1) of the last backslash, slash or colon; 0 when there is none.
static size_t LastSeparator(const std::string& path) {
  for (size_t n = path.size(); n > 0; n--)
    if (IsSeparator(path[n - 1])) return n;
  return 0;
}

std::string FileNamePart(const std::string& path) {
  return FirstCharacters(path.substr(LastSeparator(path)), MaxNamePartLength);
}

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

bool PathExists(std::string& path) {
  if (!path.empty() && path.back() == '\\') {
    std::string pattern = path + "*.*";
    return platform::FindFirstMatch(SlashesToBackslashes(pattern).c_str());
  }
  return platform::FindFirstMatch(SlashesToBackslashes(path).c_str());
}

void ForceDirectories(std::string directory) {
  if (!directory.empty() && directory.back() == '\\') directory.pop_back();
  if (directory.size() < 3 || PathExists(directory)) return;
  std::string parent = DirectoryPart(directory);
  // A three-character path with a colon (such as C:X) is its own directory part: going on
  // would recurse without end.
  if (parent.size() < directory.size()) ForceDirectories(parent);
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
