#include "extract/data_descriptor.h"

#include "extract/archive_reader.h"
#include "extract/little_endian.h"
#include "extract/local_header.h"

uint32_t ReadDataDescriptor(uint64_t position, StatedValues& values) {
  uint8_t raw[4 + Zip64DescriptorSize];
  SeekArchive(position);
  if (sfx.filePos == -1) return 0;
  uint32_t got = platform::ReadFile(sfx.archiveHandle, raw, sizeof raw);
  uint32_t signature = got >= 4 && Load32(raw) == DataDescriptorSignature ? 4 : 0;
  uint32_t length = signature + (sfx.hasZip64 ? Zip64DescriptorSize : DescriptorSize);
  if (got < length) return 0;
  const uint8_t* p = raw + signature;
  values.crc = Load32(p);
  values.compressedSize = sfx.hasZip64 ? Load64(p + 4) : Load32(p + 4);
  values.size = sfx.hasZip64 ? Load64(p + 12) : Load32(p + 8);
  return length;
}

void TakeDataDescriptor(uint64_t position) {
  sfx.entryEnd = UnknownEnd;
  if (HeaderFollowsAt(position)) {
    sfx.entryEnd = position;
    return;
  }
  StatedValues found = {};
  uint32_t length = ReadDataDescriptor(position, found);
  if (length == 0) return;
  sfx.stated = found;
  sfx.entryEnd = position + length;
}

