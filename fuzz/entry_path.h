// Where an entry lands below the extraction folder, for the fuzz targets' checks.
#pragma once

#include <string>

// The entry name's levels, split at slashes and backslashes as the engine splits them, joined
// by one slash: "a\\b//c" lands at "a/b/c".
inline std::string EntryPath(const std::string& name) {
  std::string path, level;
  for (char c : name + '/') {
    if (c != '/' && c != '\\') {
      level += c;
    } else if (!level.empty()) {
      path += (path.empty() ? "" : "/") + level;
      level.clear();
    }
  }
  return path;
}
