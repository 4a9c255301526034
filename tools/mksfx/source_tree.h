// The files and folders named on the command line, as the entries they become.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// 1980-01-01 00:00, the earliest time a DOS date can hold: reproducible builds use it, and
// older file times are raised to it.
constexpr uint16_t EarliestDosDate = (0 << 9) | (1 << 5) | 1;
constexpr uint16_t EarliestDosTime = 0;

struct SourceEntry {
  std::string name;  // relative, forward slashes; a folder's name ends in "/"
  std::filesystem::path path;
  bool isDirectory = false;
  uint64_t size = 0;
  uint16_t modTime = EarliestDosTime;
  uint16_t modDate = EarliestDosDate;
};

struct SourceTree {
  std::vector<SourceEntry> entries;
  std::vector<std::string> skipped;  // why each input that is neither file nor folder was left out
};

// A file becomes an entry under its own name; a folder becomes a directory entry under its own
// name with everything below it (folder contents sorted by name), so empty folders survive.
// "." (or a path that ends in "..") puts the contents of that folder at the top instead.
// Symbolic links to files are followed; links to folders are skipped (they may loop), as are
// devices, pipes and sockets. The output file itself is never taken in.
SourceTree CollectSources(const std::vector<std::string>& paths, const std::string& outputPath);
