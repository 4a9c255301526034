#include "extract/local_header.h"

#include "extract/archive_reader.h"
#include "extract/crc32.h"
#include "extract/extra_field.h"
#include "extract/little_endian.h"
#include "extract/sfx_state.h"
#include "platform/utf8.h"

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
  sfx.method = h.method;
  sfx.aesField = {};
  sfx.entryEnd = 0;
  return IsLocalSignature(h.signature);
}

bool HeaderFollowsAt(uint64_t position) {
  uint8_t raw[4];
  SeekArchive(position);
  if (sfx.filePos == -1 || platform::ReadFile(sfx.archiveHandle, raw, sizeof raw) != sizeof raw)
    return false;
  uint32_t signature = Load32(raw);
  return IsLocalSignature(signature) || signature == sfx.expectedSignature - LocalMinusCentralSignature;
}

// An AES entry's field: believed only for an encrypted entry whose header says AES, and only with
// a version, vendor and strength this program knows; any other gives strength 0, and the entry
// is refused as one it cannot decrypt.
static AesField AesFieldIn(const uint8_t* extra, uint32_t length) {
  const LocalHeader& h = sfx.header;
  uint16_t size = 0;
  const uint8_t* field = FindExtraField(extra, length, AesExtraId, &size);
  if (h.method != MethodAes || !(h.flags & FlagEncrypted) || !field || size < AesExtraSize) return {};
  uint16_t version = Load16(field);
  uint8_t strength = field[4];
  bool known = (version == AesVersionWithCrc || version == AesVersionWithoutCrc) && Load16(field + 2) == AesVendorId &&
               strength >= 1 && strength <= AesStrongest;
  return known ? AesField{version, strength, Load16(field + 5)} : AesField{};
}

// Reads the header's extra field, which stands at the current position behind the name, takes
// what the walk needs from it (the 64-bit sizes of a ZIP64 field where the header defers to
// them, whether the entry is streamed, and an AES entry's cipher and method: sfx.hasZip64,
// sfx.stated, sfx.streamed, sfx.aesField, sfx.method) and returns its bytes.
static std::string ReadExtraField() {
  std::string extra = ReadArchiveBytes(sfx.header.extraLength);
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(extra.data());
  uint32_t length = static_cast<uint32_t>(extra.size());
  sfx.aesField = AesFieldIn(bytes, length);
  if (sfx.aesField.strength != 0) sfx.method = sfx.aesField.method;
  uint16_t size = 0;
  const uint8_t* zip64 = FindExtraField(bytes, length, Zip64ExtraId, &size);
  sfx.hasZip64 = zip64 != nullptr;
  // The field holds, in this order, the sizes whose 32-bit fields in the header hold the marker.
  if (sfx.header.uncompressedSize == Zip64Marker && size >= 8) {
    sfx.stated.size = Load64(zip64);
    zip64 += 8;
    size = static_cast<uint16_t>(size - 8);
  }
  if (sfx.header.compressedSize == Zip64Marker && size >= 8) sfx.stated.compressedSize = Load64(zip64);
  sfx.streamed = (sfx.header.flags & FlagDataDescriptor) && sfx.stated.compressedSize == 0;
  return extra;
}

std::string ReadEntryName() {
  // The name is read whole, however long, so nothing is cut or written past a buffer and the
  // walk's idea of where the name ends is the header's own.
  std::string bytes = ReadArchiveBytes(sfx.header.nameLength);
  std::string extra = ReadExtraField();
  return EntryName(bytes, sfx.header.flags, reinterpret_cast<const uint8_t*>(extra.data()),
                   static_cast<uint32_t>(extra.size()));
}

std::string DecodeEntryName(const std::string& bytes, uint16_t flags) {
  if (flags & FlagUtf8) return WithReplacementCharacters(bytes);
  if (IsValidUtf8(bytes)) return bytes;
  return platform::LegacyToUtf8(bytes);
}

// The name a Unicode Path field gives, or "" when the field is absent or not to be believed.
// It stands for the header's name only while its CRC-32 matches that name's bytes: a program
// that renamed the entry without knowing the field left a stale name in it.
static std::string UnicodePathName(const uint8_t* extra, uint32_t extraLength, const std::string& nameBytes) {
  uint16_t size = 0;
  const uint8_t* field = FindExtraField(extra, extraLength, UnicodePathExtraId, &size);
  if (!field || size < 5 || field[0] != UnicodePathVersion) return "";
  uint32_t reg = 0xFFFFFFFF;
  UpdateCrc(reinterpret_cast<const uint8_t*>(nameBytes.data()), static_cast<int64_t>(nameBytes.size()), reg);
  if (~reg != Load32(field + 1)) return "";
  std::string name = TextFromBuffer(reinterpret_cast<const char*>(field + 5), size - 5u);
  return IsValidUtf8(name) ? name : "";
}

std::string EntryName(const std::string& nameBytes, uint16_t flags, const uint8_t* extra, uint32_t extraLength) {
  std::string unicodePath = UnicodePathName(extra, extraLength, nameBytes);
  if (!unicodePath.empty()) return unicodePath;
  return DecodeEntryName(TextFromBuffer(nameBytes.data(), static_cast<uint32_t>(nameBytes.size())), flags);
}

std::string TextFromBuffer(const char* buffer, uint32_t length) {
  uint32_t n = 0;
  while (n < length && buffer[n] != '\0') n++;
  return std::string(buffer, n);
}

uint64_t DataPosition(uint64_t headerPos) {
  return uint64_t(headerPos) + LocalHeaderSize + sfx.header.nameLength + sfx.header.extraLength;
}

