#include "extract/output_file.h"

#include "extract/paths.h"
#include "extract/sfx_state.h"
#include "extract/zone_mark.h"

// Enough tries to pass the leftovers of a few runs that were cut off.
constexpr int TemporaryNameTries = 64;

// A name of fixed length, so that it fits wherever the names of the entries around it fit.
static std::string TemporaryName(uint32_t number) {
  static const char digits[] = "0123456789abcdef";
  std::string name = "~kvx0000.tmp";
  for (int i = 7; i >= 4; i--, number >>= 4) name[i] = digits[number & 15];
  return name;
}

static std::string FolderOf(const std::string& path) {
  std::string folder = DirectoryPart(path);
  if (!folder.empty() && folder.back() != '\\' && folder.back() != ':') folder += '\\';
  return folder;
}

bool TemporaryFitsBeside(const std::string& path) {
  std::string temporary = FolderOf(path) + TemporaryName(0);
  return platform::PathFits(temporary) && ZoneMarkFits(temporary);
}

platform::FileHandle CreateTemporaryBeside(const std::string& path, std::string& temporary) {
  std::string folder = FolderOf(path);
  for (int attempt = 0; attempt < TemporaryNameTries; attempt++) {
    temporary = folder + TemporaryName(++sfx.temporaryNumber);
    // Asked first, so that the system's reason for a failed creation stays the last one.
    if (!PathExists(temporary)) return platform::CreateForWriting(temporary.c_str());
  }
  return platform::InvalidFile;
}
