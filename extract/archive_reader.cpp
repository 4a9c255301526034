#include "extract/archive_reader.h"

#include "extract/sfx_state.h"

void SeekArchive(uint64_t position) { sfx.filePos = platform::SeekTo(sfx.archiveHandle, position); }

std::string ReadArchiveBytes(uint32_t length) {
  std::string bytes(length, '\0');
  bytes.resize(platform::ReadFile(sfx.archiveHandle, &bytes[0], length));
  return bytes;
}


bool ReadArchiveAt(uint64_t position, uint8_t* buffer, uint32_t length) {
  SeekArchive(position);
  return sfx.filePos != -1 && platform::ReadFile(sfx.archiveHandle, buffer, length) == length;
}
