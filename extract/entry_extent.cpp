#include "extract/entry_extent.h"

#include "extract/archive_reader.h"
#include "extract/crc32.h"
#include "extract/data_descriptor.h"
#include "extract/decoders.h"
#include "extract/little_endian.h"
#include "extract/local_header.h"

void FindSizedEnd(uint64_t dataPosition) {
  const StatedValues& h = sfx.stated;
  // Bounded, so that a huge size cannot wrap around to an earlier header and loop the walk.
  uint64_t next = dataPosition + h.compressedSize;
  sfx.entryEnd = next >= dataPosition && next <= PositionLimit ? next : UnknownEnd;
  if (!(sfx.header.flags & FlagDataDescriptor)) return;
  StatedValues found = {};
  uint32_t length = ReadDataDescriptor(sfx.entryEnd, found);
  bool repeats = found.compressedSize == h.compressedSize && found.size == h.size &&
                 (found.crc == h.crc || h.crc == 0);
  if (length == 0 || !repeats) return;
  sfx.stated.crc = found.crc;
  sfx.entryEnd += length;
}

// Whether a descriptor for an entry of `length` bytes of data (the encryption header included),
// with that CRC-32 and size, stands at p: signed or not, 32-bit or (with a ZIP64 field) 64-bit.
// Returns its length, or 0.
static uint32_t DescriptorLengthAt(const uint8_t* p, uint64_t length, uint32_t crc, uint64_t size) {
  uint32_t signature = Load32(p) == DataDescriptorSignature ? 4 : 0;
  const uint8_t* values = p + signature;
  bool sizes = sfx.hasZip64 ? Load64(values + 4) == length && Load64(values + 12) == size
                            : Load32(values + 4) == length && Load32(values + 8) == size;
  if (Load32(values) != crc || !sizes) return 0;
  return signature + (sfx.hasZip64 ? Zip64DescriptorSize : DescriptorSize);
}

// Nothing in a stored entry's data marks where it ends, but its descriptor does: the one right
// behind the data, whose sizes both equal its distance from the data's first byte and whose CRC-32
// is that of the bytes before it. The data would have to hold its own CRC-32 and length to
// mislead, and a header must follow as well, so that twelve zero bytes at the start of the data
// are not taken for the descriptor of an empty entry.
static void FindStoredEnd(uint64_t dataPosition) {
  sfx.entryEnd = UnknownEnd;
  const uint32_t overlap = 4 + Zip64DescriptorSize;
  uint8_t* buffer = static_cast<uint8_t*>(platform::Allocate(ChunkSize + overlap));
  if (!buffer) return;
  uint32_t reg = 0xFFFFFFFF;  // the CRC of the bytes before the position under test
  for (uint64_t at = dataPosition;; at += ChunkSize) {
    SeekArchive(at);
    uint32_t got = sfx.filePos == -1 ? 0 : platform::ReadFile(sfx.archiveHandle, buffer, ChunkSize + overlap);
    for (uint32_t i = 0; i < ChunkSize && i < got; i++) {
      uint64_t distance = at + i - dataPosition;
      uint32_t length = i + DescriptorSize <= got ? DescriptorLengthAt(buffer + i, distance, ~reg, distance) : 0;
      if (length > 0 && HeaderFollowsAt(at + i + length)) {
        platform::Release(buffer);
        sfx.stated = {~reg, distance, distance};
        sfx.entryEnd = at + i + length;
        return;
      }
      reg = Crc32Step(buffer[i], reg);
    }
    if (got < ChunkSize + overlap) break;
  }
  platform::Release(buffer);
}

// Without keys (or a decoder for the method) the data cannot be followed to its end. The end is
// then the signed descriptor whose compressed size (the encryption header included) is its own
// distance from the data's first byte; the data would have to hold that very pattern to mislead.
static void FindSignedDescriptor(uint64_t dataPosition) {
  sfx.entryEnd = UnknownEnd;
  const uint32_t overlap = 16;  // signature, CRC-32, the compressed size in 64 bits
  uint8_t* buffer = static_cast<uint8_t*>(platform::Allocate(ChunkSize + overlap));
  if (!buffer) return;
  for (uint64_t at = dataPosition;; at += ChunkSize) {
    SeekArchive(at);
    uint32_t got = sfx.filePos == -1 ? 0 : platform::ReadFile(sfx.archiveHandle, buffer, ChunkSize + overlap);
    for (uint32_t i = 0; i < ChunkSize && i + overlap <= got; i++) {
      uint64_t distance = at + i - dataPosition;
      uint64_t size = sfx.hasZip64 ? Load64(buffer + i + 8) : Load32(buffer + i + 8);
      if (Load32(buffer + i) == DataDescriptorSignature && size == distance) {
        platform::Release(buffer);
        TakeDataDescriptor(at + i);
        return;
      }
    }
    if (got < ChunkSize + overlap) break;
  }
  platform::Release(buffer);
}

void FindStreamedEnd(uint64_t headerPos) {
  uint64_t data = DataPosition(headerPos);
  bool encrypted = (sfx.header.flags & FlagEncrypted) != 0;
  // Without keys an encrypted entry's CRC-32 cannot be checked, nor its stream followed.
  if (encrypted || (sfx.method != MethodStored && sfx.method != MethodDeflated))
    return FindSignedDescriptor(data);
  if (sfx.method == MethodStored) return FindStoredEnd(data);
  sfx.entryEnd = UnknownEnd;
  SeekArchive(data);
  if (sfx.filePos == -1) return;
  sfx.outputHandle = platform::InvalidFile;  // decoded into nothing: only its end matters here
  DecodeToItsEnd(data);
}

void DecodeToItsEnd(uint64_t dataPosition) {
  DecodeEntry(dataPosition);
  if (!sfx.streamed) return FindSizedEnd(dataPosition);
  if (!EndsWithItsStream()) return;  // its end was found before it was decoded
  sfx.entryEnd = UnknownEnd;
  if (sfx.decoded.reachedEnd) TakeDataDescriptor(DataStart(dataPosition) + sfx.decoded.consumed);
}
