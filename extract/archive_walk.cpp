#include "extract/archive_walk.h"

#include <vector>

#include "extract/little_endian.h"
#include "extract/sfx_state.h"
#include "extract/utf8.h"

bool StartWalk() {
  sfx.archiveBase = sfx.attachedAt;
  // Formed at run time through a volatile: an optimiser folds a plain "minus one" back into
  // the very literal that must not appear in the image.
  volatile uint32_t plusOne = LocalSignaturePlusOne;
  sfx.expectedSignature = plusOne - 1;
  SeekArchive(sfx.archiveBase);
  return sfx.filePos != -1;
}

void SeekArchive(uint64_t position) {
  if (position >= SeekLimit) {
    sfx.filePos = -1;
    return;
  }
  sfx.filePos = platform::SeekTo(sfx.archiveHandle, static_cast<int32_t>(position));
}

static bool IsLocalSignature(uint32_t signature) {
  return signature == sfx.expectedSignature || signature == OddLocalSignature;
}

bool ReadLocalHeader() {
  uint8_t raw[LocalHeaderSize];
  sfx.header.signature = 0;
  // A short read is the end of the file: the fields not read would be stale, so it ends the walk.
  if (platform::ReadFile(sfx.archiveHandle, raw, sizeof raw) != sizeof raw) return false;
  LocalHeader& h = sfx.header;
  h.signature = Load32(raw);
  h.versionNeeded = Load16(raw + 4);
  h.flags = Load16(raw + 6);
  h.method = Load16(raw + 8);
  h.modTime = Load16(raw + 10);
  h.modDate = Load16(raw + 12);
  h.crc32 = Load32(raw + 14);
  h.compressedSize = Load32(raw + 18);
  h.uncompressedSize = Load32(raw + 22);
  h.nameLength = Load16(raw + 26);
  h.extraLength = Load16(raw + 28);
  sfx.stated = {h.crc32, h.compressedSize, h.uncompressedSize};
  return IsLocalSignature(h.signature);
}

std::string ReadEntryName() {
  // The name is read whole, however long, so nothing is cut or written past a buffer and the
  // walk's idea of where the name ends is the header's own.
  std::vector<char> buffer(sfx.header.nameLength + 1u);
  uint32_t got = platform::ReadFile(sfx.archiveHandle, buffer.data(), sfx.header.nameLength);
  return DecodeEntryName(TextFromBuffer(buffer.data(), got), sfx.header.flags);
}

std::string DecodeEntryName(const std::string& bytes, uint16_t flags) {
  if (flags & FlagUtf8) return WithReplacementCharacters(bytes);
  if (IsValidUtf8(bytes)) return bytes;
  return platform::LegacyToUtf8(bytes);
}

std::string TextFromBuffer(const char* buffer, uint32_t length) {
  uint32_t n = 0;
  while (n < length && buffer[n] != '\0') n++;
  return std::string(buffer, n);
}

uint64_t DataPosition(uint32_t headerPos) {
  return uint64_t(headerPos) + LocalHeaderSize + sfx.header.nameLength + sfx.header.extraLength;
}

// Writers that cannot seek set flag bit 3 and put the CRC and sizes into a data descriptor
// behind the data; Info-ZIP's encryption does the same even though it also fills them in the
// header. When the header has its sizes, the descriptor is where the next header should be:
// step over it (with or without its optional signature) if it repeats this header's values.
static uint64_t StepOverDataDescriptor(uint64_t next) {
  const LocalHeader& h = sfx.header;
  if (!(h.flags & FlagDataDescriptor) || h.compressedSize == 0) return next;
  SeekArchive(next);
  if (sfx.filePos == -1) return next;
  uint8_t raw[16];
  uint32_t got = platform::ReadFile(sfx.archiveHandle, raw, sizeof raw);
  if (got >= 4 && IsLocalSignature(Load32(raw))) return next;
  auto repeatsHeader = [&](const uint8_t* p) {
    return Load32(p) == h.crc32 && Load32(p + 4) == h.compressedSize &&
           Load32(p + 8) == h.uncompressedSize;
  };
  if (got >= 16 && Load32(raw) == DataDescriptorSignature && repeatsHeader(raw + 4)) return next + 16;
  if (got >= 12 && repeatsHeader(raw)) return next + 12;
  return next;
}

bool SeekNextHeader(uint32_t headerPos) {
  // In 64 bits, so that huge sizes cannot wrap around to an earlier header and loop the walk.
  uint64_t next = DataPosition(headerPos) + sfx.header.compressedSize;
  next = StepOverDataDescriptor(next);
  SeekArchive(next);
  return sfx.filePos != -1;
}
