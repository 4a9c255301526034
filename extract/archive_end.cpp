#include "extract/archive_end.h"

#include <algorithm>
#include <cstring>

#include "extract/archive_reader.h"
#include "extract/extra_field.h"
#include "extract/little_endian.h"
#include "extract/sfx_state.h"

namespace {

constexpr uint32_t Zip64EndRecordSize = 56;  // as every writer makes it: no extensible data
// A central directory is read in one piece; one larger than this (millions of entries) is not.
constexpr uint64_t BufferLimit = 0x40000000;

uint32_t SignatureAt(uint32_t distanceFromLocal) { return sfx.expectedSignature + distanceFromLocal; }
uint32_t CentralSignature() { return sfx.expectedSignature - LocalMinusCentralSignature; }

// A buffer from the platform's heap for as long as it lives; empty when none could be had.
class Buffer {
 public:
  explicit Buffer(uint64_t size) : bytes_(size < BufferLimit ? static_cast<uint8_t*>(platform::Allocate(size + 1)) : nullptr) {}
  ~Buffer() { platform::Release(bytes_); }
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;
  uint8_t* get() const { return bytes_; }

 private:
  uint8_t* bytes_;
};

struct CentralDirectory {
  uint64_t at;     // file offset of its first header
  uint64_t size;
  uint64_t count;
  int64_t shift;   // file offset minus the offset the archive records: a stub or other prefix
};

// The central directory an end record at endAt describes, with the ZIP64 end record's values
// where a locator stands in front of it (streaming writers add one even when nothing needs it).
bool DescribedBy(uint64_t endAt, const uint8_t* end, CentralDirectory& cd) {
  if (Load16(end + 4) != 0 || Load16(end + 6) != 0) return false;  // a multi-disk archive
  uint64_t count = Load16(end + 10), size = Load32(end + 12), offset = Load32(end + 16);
  uint64_t centralEnd = endAt;
  uint8_t locator[Zip64LocatorSize], zip64[Zip64EndRecordSize];
  if (endAt >= Zip64LocatorSize + Zip64EndRecordSize && ReadArchiveAt(endAt - Zip64LocatorSize, locator, sizeof locator) &&
      Load32(locator) == SignatureAt(Zip64LocatorMinusLocalSignature)) {
    centralEnd = endAt - Zip64LocatorSize - Zip64EndRecordSize;
    if (!ReadArchiveAt(centralEnd, zip64, sizeof zip64) || Load32(zip64) != SignatureAt(Zip64EndRecordMinusLocalSignature))
      return false;
    count = Load64(zip64 + 32);
    size = Load64(zip64 + 40);
    offset = Load64(zip64 + 48);
  }
  if (size > centralEnd) return false;
  cd = {centralEnd - size, size, count, static_cast<int64_t>(centralEnd - size - offset)};
  return true;
}

// The last end record in the file's tail that describes a central directory.
bool FindCentralDirectory(CentralDirectory& cd) {
  int64_t length = platform::FileLength(sfx.archiveHandle);
  if (length < 0 || static_cast<uint64_t>(length) < sfx.archiveBase + EndRecordSize) return false;
  uint64_t from = std::max<uint64_t>(sfx.archiveBase, length > EndRecordSearchSpan ? length - EndRecordSearchSpan : 0);
  uint32_t span = static_cast<uint32_t>(length - from);
  Buffer tail(span);
  if (!tail.get() || !ReadArchiveAt(from, tail.get(), span)) return false;
  for (uint32_t at = span - EndRecordSize + 1; at-- > 0;)
    if (Load32(tail.get() + at) == SignatureAt(EndRecordMinusLocalSignature) && DescribedBy(from + at, tail.get() + at, cd))
      return true;
  return false;
}

// The local-header offset a central header records: its 32-bit field, or the ZIP64 extra
// field's value behind the sizes that are also marked there.
uint64_t RecordedOffset(const uint8_t* header, const uint8_t* extra, uint16_t extraLength) {
  uint64_t offset = Load32(header + 42);
  if (offset != Zip64Marker) return offset;
  uint16_t size = 0;
  const uint8_t* zip64 = FindExtraField(extra, extraLength, Zip64ExtraId, &size);
  uint32_t skip = 8 * ((Load32(header + 24) == Zip64Marker) + (Load32(header + 20) == Zip64Marker));
  return zip64 && size >= skip + 8 ? Load64(zip64 + skip) : Zip64Marker;
}

// True when the central directory lists each of the headers once and nothing else. The walk met
// the headers in file order, so they are sorted.
bool ListsExactly(const CentralDirectory& cd, const std::vector<uint64_t>& headers) {
  Buffer bytes(cd.size), seen(headers.size());
  if (!bytes.get() || !seen.get() || !ReadArchiveAt(cd.at, bytes.get(), static_cast<uint32_t>(cd.size))) return false;
  memset(seen.get(), 0, headers.size());
  const uint8_t* p = bytes.get();
  uint64_t at = 0;
  for (uint64_t n = 0; n < cd.count; n++) {
    if (at + CentralHeaderSize > cd.size || Load32(p + at) != CentralSignature()) return false;
    uint16_t nameLength = Load16(p + at + 28), extraLength = Load16(p + at + 30), commentLength = Load16(p + at + 32);
    uint64_t next = at + CentralHeaderSize + nameLength + extraLength + commentLength;
    if (next > cd.size) return false;
    uint64_t offset = RecordedOffset(p + at, p + at + CentralHeaderSize + nameLength, extraLength);
    uint64_t position = offset + static_cast<uint64_t>(cd.shift);
    auto found = std::lower_bound(headers.begin(), headers.end(), position);
    if (found == headers.end() || *found != position || seen.get()[found - headers.begin()]) return false;
    seen.get()[found - headers.begin()] = 1;
    at = next;
  }
  return true;
}

}  // namespace

bool ArchiveEndsAt(uint64_t position) {
  uint8_t raw[4];
  if (!ReadArchiveAt(position, raw, sizeof raw)) return false;
  uint32_t signature = Load32(raw);
  return signature == CentralSignature() || signature == SignatureAt(EndRecordMinusLocalSignature) ||
         signature == SignatureAt(Zip64EndRecordMinusLocalSignature) ||
         signature == SignatureAt(Zip64LocatorMinusLocalSignature) ||
         signature == SignatureAt(ExtraDataMinusLocalSignature) ||
         signature == SignatureAt(DigitalSignatureMinusLocalSignature);
}

bool CentralDirectoryConfirms(const std::vector<uint64_t>& headers) {
  CentralDirectory cd;
  return FindCentralDirectory(cd) && cd.count == headers.size() && ListsExactly(cd, headers);
}
