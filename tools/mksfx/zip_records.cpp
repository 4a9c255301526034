#include "tools/mksfx/zip_records.h"

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

// The fields from "version needed" to "uncompressed size", shared by both headers.
void PutCommonFields(Bytes& out, const EntryRecord& e) {
  Put16(out, e.versionNeeded);
  Put16(out, e.flags);
  Put16(out, e.method);
  Put16(out, e.modTime);
  Put16(out, e.modDate);
  Put32(out, e.crc32);
  Put32(out, e.compressedSize);
  Put32(out, e.uncompressedSize);
}

}  // namespace

Bytes LocalHeaderBytes(const EntryRecord& e) {
  Bytes out;
  Put32(out, LocalHeaderSignature);
  PutCommonFields(out, e);
  Put16(out, static_cast<uint16_t>(e.name.size()));
  Put16(out, static_cast<uint16_t>(e.localExtra.size()));
  PutBytes(out, e.name.data(), e.name.size());
  PutBytes(out, e.localExtra.data(), e.localExtra.size());
  return out;
}

Bytes CentralHeaderBytes(const EntryRecord& e) {
  Bytes out;
  Put32(out, CentralHeaderSignature);
  Put16(out, e.versionMadeBy);
  PutCommonFields(out, e);
  Put16(out, static_cast<uint16_t>(e.name.size()));
  Put16(out, static_cast<uint16_t>(e.centralExtra.size()));
  Put16(out, static_cast<uint16_t>(e.comment.size()));
  Put16(out, 0);  // disk number
  Put16(out, 0);  // internal attributes
  Put32(out, e.externalAttributes);
  Put32(out, e.localOffset);
  PutBytes(out, e.name.data(), e.name.size());
  PutBytes(out, e.centralExtra.data(), e.centralExtra.size());
  PutBytes(out, e.comment.data(), e.comment.size());
  return out;
}

Bytes DataDescriptorBytes(const EntryRecord& e) {
  Bytes out;
  Put32(out, DataDescriptorSignature);
  Put32(out, e.crc32);
  Put32(out, e.compressedSize);
  Put32(out, e.uncompressedSize);
  return out;
}

Bytes EndRecordBytes(uint16_t entryCount, uint32_t centralSize, uint32_t centralOffset) {
  Bytes out;
  Put32(out, EndRecordSignature);
  Put16(out, 0);  // this disk
  Put16(out, 0);  // disk with the central directory
  Put16(out, entryCount);
  Put16(out, entryCount);
  Put32(out, centralSize);
  Put32(out, centralOffset);
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

