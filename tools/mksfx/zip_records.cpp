#include "tools/mksfx/zip_records.h"

#include <algorithm>
#include <initializer_list>
#include <stdexcept>

#include "extract/format.h"

namespace {

void Put16(Bytes& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(Bytes& out, uint32_t value) {
  Put16(out, static_cast<uint16_t>(value));
  Put16(out, static_cast<uint16_t>(value >> 16));
}

void PutBytes(Bytes& out, const void* data, size_t count) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  out.insert(out.end(), p, p + count);
}

void Put64(Bytes& out, uint64_t value) {
  Put32(out, static_cast<uint32_t>(value));
  Put32(out, static_cast<uint32_t>(value >> 32));
}

// A 32-bit field's value, or the marker that sends a reader to the ZIP64 field for it.
uint32_t Field32(uint64_t value, bool inZip64) { return inZip64 ? Zip64Marker : static_cast<uint32_t>(value); }

bool Overflows(uint64_t value) { return value >= Zip64Marker; }

// The fields from "version needed" to "uncompressed size", shared by both headers; the sizes
// that stand in the ZIP64 field hold the marker.
void PutCommonFields(Bytes& out, const EntryRecord& e, bool sizesInZip64, uint16_t versionNeeded) {
  Put16(out, versionNeeded);
  Put16(out, e.flags);
  Put16(out, e.method);
  Put16(out, e.modTime);
  Put16(out, e.modDate);
  Put32(out, e.crc32);
  Put32(out, Field32(e.compressedSize, sizesInZip64));
  Put32(out, Field32(e.uncompressedSize, sizesInZip64));
}

// A ZIP64 extra field with the given values, in the order the format fixes: uncompressed size,
// compressed size, local-header offset.
Bytes Zip64Field(std::initializer_list<uint64_t> values) {
  Bytes field;
  Put16(field, Zip64ExtraId);
  Put16(field, static_cast<uint16_t>(8 * values.size()));
  for (uint64_t v : values) Put64(field, v);
  return field;
}

Bytes Joined(Bytes first, const Bytes& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

// ZIP64 raises the version an entry needs, never lowers it (an AES entry needs more).
uint16_t VersionNeeded(const EntryRecord& e, bool zip64) {
  return zip64 ? std::max(e.versionNeeded, VersionNeededZip64) : e.versionNeeded;
}

}  // namespace

Bytes AesExtraField(uint16_t method) {
  Bytes field;
  Put16(field, AesExtraId);
  Put16(field, AesExtraSize);
  Put16(field, AesVersionWithoutCrc);
  Put16(field, AesVendorId);
  field.push_back(AesStrongest);
  Put16(field, method);
  return field;
}

// The local header's ZIP64 field holds both sizes, whichever needs it.
Bytes LocalHeaderBytes(const EntryRecord& e) {
  if (!e.zip64 && (Overflows(e.compressedSize) || Overflows(e.uncompressedSize)))
    throw std::logic_error("an entry of 4 GiB or more without its ZIP64 field");
  Bytes extra = e.zip64 ? Joined(Zip64Field({e.uncompressedSize, e.compressedSize}), e.localExtra) : e.localExtra;
  Bytes out;
  Put32(out, LocalHeaderSignature);
  PutCommonFields(out, e, e.zip64, VersionNeeded(e, e.zip64));
  Put16(out, static_cast<uint16_t>(e.name.size()));
  Put16(out, static_cast<uint16_t>(extra.size()));
  PutBytes(out, e.name.data(), e.name.size());
  PutBytes(out, extra.data(), extra.size());
  return out;
}

// The central header's ZIP64 field holds what does not fit, and only that.
Bytes CentralHeaderBytes(const EntryRecord& e) {
  bool sizes = Overflows(e.compressedSize) || Overflows(e.uncompressedSize), offset = Overflows(e.localOffset);
  Bytes zip64;
  if (sizes && offset) zip64 = Zip64Field({e.uncompressedSize, e.compressedSize, e.localOffset});
  else if (sizes) zip64 = Zip64Field({e.uncompressedSize, e.compressedSize});
  else if (offset) zip64 = Zip64Field({e.localOffset});
  Bytes extra = Joined(zip64, e.centralExtra);
  Bytes out;
  Put32(out, CentralHeaderSignature);
  Put16(out, e.versionMadeBy);
  PutCommonFields(out, e, sizes, VersionNeeded(e, e.zip64 || !zip64.empty()));
  Put16(out, static_cast<uint16_t>(e.name.size()));
  Put16(out, static_cast<uint16_t>(extra.size()));
  Put16(out, static_cast<uint16_t>(e.comment.size()));
  Put16(out, 0);  // disk number
  Put16(out, 0);  // internal attributes
  Put32(out, e.externalAttributes);
  Put32(out, Field32(e.localOffset, offset));
  PutBytes(out, e.name.data(), e.name.size());
  PutBytes(out, extra.data(), extra.size());
  PutBytes(out, e.comment.data(), e.comment.size());
  return out;
}

Bytes DataDescriptorBytes(const EntryRecord& e) {
  Bytes out;
  Put32(out, DataDescriptorSignature);
  Put32(out, e.crc32);
  if (e.zip64) {
    Put64(out, e.compressedSize);
    Put64(out, e.uncompressedSize);
  } else {
    Put32(out, static_cast<uint32_t>(e.compressedSize));
    Put32(out, static_cast<uint32_t>(e.uncompressedSize));
  }
  return out;
}

bool EndNeedsZip64(uint64_t entryCount, uint64_t centralSize, uint64_t centralOffset) {
  return entryCount >= 0xFFFF || Overflows(centralSize) || Overflows(centralOffset);
}

Bytes EndRecordsBytes(uint64_t entryCount, uint64_t centralSize, uint64_t centralOffset) {
  Bytes out;
  bool zip64 = EndNeedsZip64(entryCount, centralSize, centralOffset);
  if (zip64) {
    uint64_t zip64At = centralOffset + centralSize;
    Put32(out, Zip64EndRecordSignature);
    Put64(out, 44);  // the size of the rest of this record
    Put16(out, (VersionMadeByWindows & 0xFF00) | VersionNeededZip64);
    Put16(out, VersionNeededZip64);
    Put32(out, 0);  // this disk
    Put32(out, 0);  // disk with the central directory
    Put64(out, entryCount);
    Put64(out, entryCount);
    Put64(out, centralSize);
    Put64(out, centralOffset);
    Put32(out, Zip64LocatorSignature);
    Put32(out, 0);  // disk with the ZIP64 end record
    Put64(out, zip64At);
    Put32(out, 1);  // disks in all
  }
  uint16_t count = entryCount >= 0xFFFF ? 0xFFFF : static_cast<uint16_t>(entryCount);
  Put32(out, EndRecordSignature);
  Put16(out, 0);  // this disk
  Put16(out, 0);  // disk with the central directory
  Put16(out, count);
  Put16(out, count);
  Put32(out, Field32(centralSize, Overflows(centralSize)));
  Put32(out, Field32(centralOffset, Overflows(centralOffset)));
  Put16(out, 0);  // comment length
  return out;
}

Bytes WithoutZip64(const Bytes& extra) {
  Bytes kept;
  size_t at = 0;
  while (at + 4 <= extra.size()) {
    uint16_t id = Load16(&extra[at]);
    size_t blockEnd = at + 4 + Load16(&extra[at + 2]);
    if (blockEnd > extra.size()) break;  // a torn last block is dropped too
    if (id != Zip64ExtraId) kept.insert(kept.end(), extra.begin() + at, extra.begin() + blockEnd);
    at = blockEnd;
  }
  return kept;
}
