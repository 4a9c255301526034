#include "tools/mksfx/zip_import.h"

#include <algorithm>

#include "extract/extra_field.h"
#include "extract/format.h"
#include "tools/mksfx/errors.h"
#include "tools/mksfx/host.h"
#include "tools/mksfx/limits.h"

namespace {

constexpr uint32_t MaxCommentLength = 0xFFFF;
// Writers that stream may add a ZIP64 end record (56 bytes as they write it) and its locator
// (20 bytes) between the central directory and the end record, even when nothing needs them.
constexpr uint32_t Zip64EndRecordSize = 56;

struct Reader {
  FILE* file;
  std::string name;

  Bytes ReadAt(uint64_t at, size_t count) const {
    Bytes bytes(count);
    if (!host::SeekTo(file, at) ||
        std::fread(bytes.data(), 1, count, file) != count)
      throw Fatal(name + ": cannot read " + std::to_string(count) + " bytes at offset " + std::to_string(at));
    return bytes;
  }
};

uint64_t FileSize(FILE* file) {
  int64_t size = host::FileLength(file);
  return size < 0 ? 0 : static_cast<uint64_t>(size);
}

// The end record is the last one in the file; the comment behind it is at most 64 KiB.
uint64_t FindEndRecord(const Reader& r, uint64_t fileSize) {
  if (fileSize < EndRecordSize) throw Fatal(r.name + ": too short to be a ZIP archive");
  uint64_t searchFrom = fileSize > EndRecordSize + MaxCommentLength ? fileSize - EndRecordSize - MaxCommentLength : 0;
  Bytes tail = r.ReadAt(searchFrom, fileSize - searchFrom);
  for (size_t at = tail.size() - EndRecordSize + 1; at-- > 0;)
    if (Load32(&tail[at]) == EndRecordSignature) return searchFrom + at;
  throw Fatal(r.name + ": no end of central directory record; not a ZIP archive");
}

// Values too large for 32 bits stand in the ZIP64 block, in this order, only when their field
// holds the marker.
void ResolveZip64(EntryRecord& e, uint64_t& offset, const std::string& zipName) {
  bool wantsUncompressed = e.uncompressedSize == Zip64Marker;
  bool wantsCompressed = e.compressedSize == Zip64Marker;
  bool wantsOffset = offset == Zip64Marker;
  if (!wantsUncompressed && !wantsCompressed && !wantsOffset) return;
  const Bytes& extra = e.centralExtra;
  for (size_t at = 0; at + 4 <= extra.size(); at += 4 + Load16(&extra[at + 2])) {
    if (Load16(&extra[at]) != Zip64ExtraId) continue;
    size_t field = at + 4, end = std::min(extra.size(), field + Load16(&extra[at + 2]));
    auto next = [&](uint64_t& value) {
      if (field + 8 > end) throw Fatal(zipName + ": \"" + e.name + "\": torn ZIP64 field");
      value = Load64(&extra[field]);
      field += 8;
    };
    if (wantsUncompressed) next(e.uncompressedSize);
    if (wantsCompressed) next(e.compressedSize);
    if (wantsOffset) next(offset);
    return;
  }
  throw Fatal(zipName + ": \"" + e.name + "\" lacks the ZIP64 field its header calls for");
}

// One central header at `at`; returns the position of the next.
uint64_t ReadCentralHeader(const Reader& r, uint64_t at, int64_t shift, ImportedEntry& out) {
  Bytes h = r.ReadAt(at, CentralHeaderSize);
  if (Load32(&h[0]) != CentralHeaderSignature) throw Fatal(r.name + ": damaged central directory");
  EntryRecord& e = out.record;
  e.versionMadeBy = Load16(&h[4]);
  e.versionNeeded = Load16(&h[6]);
  e.flags = Load16(&h[8]);
  e.method = Load16(&h[10]);
  e.modTime = Load16(&h[12]);
  e.modDate = Load16(&h[14]);
  e.crc32 = Load32(&h[16]);
  e.compressedSize = Load32(&h[20]);
  e.uncompressedSize = Load32(&h[24]);
  uint16_t nameLength = Load16(&h[28]), extraLength = Load16(&h[30]), commentLength = Load16(&h[32]);
  e.externalAttributes = Load32(&h[38]);
  uint64_t offset = Load32(&h[42]);
  Bytes tail = r.ReadAt(at + CentralHeaderSize, nameLength + extraLength);
  e.name.assign(tail.begin(), tail.begin() + nameLength);
  e.centralExtra.assign(tail.begin() + nameLength, tail.end());
  ResolveZip64(e, offset, r.name);
  e.centralExtra = WithoutZip64(e.centralExtra);

  Bytes local = r.ReadAt(static_cast<uint64_t>(static_cast<int64_t>(offset) + shift), LocalHeaderSize);
  if (Load32(&local[0]) != LocalHeaderSignature)
    throw Fatal(r.name + ": \"" + e.name + "\": no local header where the central directory points");
  uint64_t localAt = static_cast<uint64_t>(static_cast<int64_t>(offset) + shift);
  uint16_t localNameLength = Load16(&local[26]), localExtraLength = Load16(&local[28]);
  e.localExtra = WithoutZip64(r.ReadAt(localAt + LocalHeaderSize + localNameLength, localExtraLength));
  out.headerOffset = localAt;
  out.dataOffset = localAt + LocalHeaderSize + localNameLength + localExtraLength;
  return at + CentralHeaderSize + nameLength + extraLength + commentLength;
}

// A data descriptor behind the data is left out: mksfx takes the sizes from the central
// directory and never reads one.
uint64_t DataEnd(const ImportedEntry& e) { return e.dataOffset + e.record.compressedSize; }

// Where the central directory ends: at the end record, or in front of the ZIP64 records.
uint64_t CentralDirectoryEnd(const Reader& r, uint64_t endAt) {
  if (endAt < Zip64LocatorSize || Load32(r.ReadAt(endAt - Zip64LocatorSize, 4).data()) != Zip64LocatorSignature)
    return endAt;
  uint64_t zip64EndAt = endAt - Zip64LocatorSize - Zip64EndRecordSize;
  if (endAt < Zip64LocatorSize + Zip64EndRecordSize || Load32(r.ReadAt(zip64EndAt, 4).data()) != Zip64EndRecordSignature)
    throw Fatal(r.name + ": a ZIP64 end record of a form mksfx does not read");
  return zip64EndAt;
}

}  // namespace

std::vector<ImportedEntry> ReadZipEntries(FILE* zip, const std::string& zipName) {
  Reader r{zip, zipName};
  uint64_t fileSize = FileSize(zip);
  uint64_t endAt = FindEndRecord(r, fileSize);
  Bytes end = r.ReadAt(endAt, EndRecordSize);
  uint64_t count = Load16(&end[10]);
  uint64_t centralSize = Load32(&end[12]), centralOffset = Load32(&end[16]);
  if (Load16(&end[4]) != 0 || Load16(&end[6]) != 0 || count != Load16(&end[8]))
    throw Fatal(zipName + ": a multi-disk archive");
  uint64_t centralEnd = CentralDirectoryEnd(r, endAt);
  if (centralEnd != endAt) {  // the ZIP64 end record holds the values in full
    Bytes zip64 = r.ReadAt(centralEnd, Zip64EndRecordSize);
    count = Load64(&zip64[32]);
    centralSize = Load64(&zip64[40]);
    centralOffset = Load64(&zip64[48]);
  }
  if (count > fileSize / CentralHeaderSize) throw Fatal(zipName + ": damaged end of central directory record");
  if (centralSize > centralEnd) throw Fatal(zipName + ": damaged end of central directory record");
  // Bytes in front of the archive move everything; the central directory stands right before
  // the end records, so the difference to its recorded offset is that shift.
  uint64_t centralAt = centralEnd - centralSize;
  int64_t shift = static_cast<int64_t>(centralAt) - static_cast<int64_t>(centralOffset);
  std::vector<ImportedEntry> entries(static_cast<size_t>(count));
  uint64_t at = centralAt;
  for (ImportedEntry& entry : entries) at = ReadCentralHeader(r, at, shift, entry);
  return entries;
}

std::vector<std::string> OverlappingEntries(const std::vector<ImportedEntry>& entries) {
  std::vector<const ImportedEntry*> byPosition;
  for (const ImportedEntry& e : entries) byPosition.push_back(&e);
  std::stable_sort(byPosition.begin(), byPosition.end(),
                   [](const ImportedEntry* a, const ImportedEntry* b) { return a->headerOffset < b->headerOffset; });
  // In order of position, an entry overlaps another exactly when it starts before the furthest
  // end reached so far.
  std::vector<std::string> problems;
  const ImportedEntry* furthest = nullptr;
  for (const ImportedEntry* e : byPosition) {
    if (furthest && e->headerOffset < DataEnd(*furthest))
      problems.push_back("\"" + e->record.name + "\" and \"" + furthest->record.name +
                         "\" overlap in the input ZIP: its central directory points both into the same bytes");
    if (!furthest || DataEnd(*e) > DataEnd(*furthest)) furthest = e;
  }
  return problems;
}

// The compression method of an AES entry's data, from the AES field of its local header, which
// the stub reads; NoAesField when it has none the stub knows (AE-1 or AE-2, vendor "AE", AES-128,
// 192 or 256).
constexpr uint32_t NoAesField = 0x10000;
static uint32_t AesDataMethod(const EntryRecord& r) {
  uint16_t size = 0;
  const uint8_t* field = FindExtraField(r.localExtra.data(), static_cast<uint32_t>(r.localExtra.size()), AesExtraId, &size);
  if (!(r.flags & FlagEncrypted) || !field || size < AesExtraSize) return NoAesField;
  uint16_t version = Load16(field);
  bool known = (version == AesVersionWithCrc || version == AesVersionWithoutCrc) && Load16(field + 2) == AesVendorId &&
               field[4] >= 1 && field[4] <= AesStrongest;
  return known ? Load16(field + 5) : NoAesField;
}

std::vector<std::string> UnsupportedMethods(const std::vector<ImportedEntry>& entries) {
  std::vector<std::string> problems;
  for (const ImportedEntry& e : entries) {
    uint32_t method = e.record.method == MethodAes ? AesDataMethod(e.record) : e.record.method;
    if (method == NoAesField)
      problems.push_back("\"" + e.record.name + "\": AES without an AES field the stub reads (AE-1 or AE-2, 128 to 256 bits)");
    else if (method != MethodStored && method != MethodDeflated)
      problems.push_back("\"" + e.record.name + "\": compression method " + std::to_string(method) +
                         ", which the stub cannot extract (only stored and deflated)");
  }
  return problems;
}
