#include "tools/unsfx/archive_file.h"

#include "extract/format.h"
#include "extract/sfx_state.h"
#include "extract/zone_mark.h"

static bool StartsWithLocalSignature() {
  uint8_t first[4] = {};
  if (platform::SeekTo(sfx.archiveHandle, 0) != 0) return false;
  if (platform::ReadFile(sfx.archiveHandle, first, sizeof first) != sizeof first) return false;
  uint32_t signature = first[0] | (uint32_t(first[1]) << 8) | (uint32_t(first[2]) << 16) |
                       (uint32_t(first[3]) << 24);
  return signature == LocalSignaturePlusOne - 1;
}

bool OpenArchiveFile(const std::string& path) {
  sfx.archiveHandle = platform::OpenForReading(path.c_str());
  if (sfx.archiveHandle == platform::InvalidFile) return false;
  sfx.attachedAt = StartsWithLocalSignature() ? 0 : ArchiveBase;
  TakeZoneMark(path);
  return true;
}

void CloseArchiveFile() {
  if (sfx.archiveHandle != platform::InvalidFile) platform::CloseFile(sfx.archiveHandle);
  sfx.archiveHandle = platform::InvalidFile;
}
