// The records of a ZIP archive as mksfx writes them: local header, central header and end
// record, serialised little-endian.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "extract/format.h"
#include "extract/little_endian.h"

using Bytes = std::vector<uint8_t>;

// Signatures as stored in the file. The stub must never contain these bytes; mksfx may.
constexpr uint32_t LocalHeaderSignature = 0x04034B50;
constexpr uint32_t CentralHeaderSignature = 0x02014B50;
constexpr uint32_t EndRecordSignature = 0x06054B50;
constexpr uint32_t Zip64EndRecordSignature = 0x06064B50;
constexpr uint32_t Zip64LocatorSignature = 0x07064B50;

constexpr uint16_t VersionNeededDefault = 20;  // 2.0: deflate, directories, encryption
constexpr uint16_t VersionNeededZip64 = 45;    // 4.5: the ZIP64 format
constexpr uint16_t VersionNeededAes = 51;      // 5.1: AES encryption
// Host 10 (Windows NTFS; MS-DOS attributes), version 2.0. Not host 0 (MS-DOS): Info-ZIP unzip
// takes a name from that host for code page 437 even when flag bit 11 says UTF-8.
constexpr uint16_t VersionMadeByWindows = (10 << 8) | 20;
constexpr uint32_t DosDirectoryAttribute = 0x10;

// One entry's fields as they stand in both its local and central header.
struct EntryRecord {
  std::string name;
  uint16_t versionNeeded = VersionNeededDefault;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t modTime = 0;
  uint16_t modDate = 0;
  uint32_t crc32 = 0;
  uint64_t compressedSize = 0;  // the 12-byte encryption header included
  uint64_t uncompressedSize = 0;
  // The local header holds both sizes in a ZIP64 field (decided before the data is written, as
  // the header's length cannot change afterwards), and a descriptor behind the data is 64-bit.
  bool zip64 = false;
  Bytes localExtra;
  // Central-directory only.
  uint16_t versionMadeBy = VersionMadeByWindows;
  uint32_t externalAttributes = 0;
  uint64_t localOffset = 0;     // from the first byte of the exe, so ordinary tools find it
  Bytes centralExtra;
  std::string comment;
};

Bytes LocalHeaderBytes(const EntryRecord& entry);
Bytes CentralHeaderBytes(const EntryRecord& entry);
// Signature, CRC and sizes (64-bit for a ZIP64 entry), as written behind the data of an entry
// with flag bit 3.
Bytes DataDescriptorBytes(const EntryRecord& entry);
// The end of the central directory: the end record, and in front of it, where the entries or
// the directory's size or place do not fit its 16- and 32-bit fields, the ZIP64 end record and
// its locator.
Bytes EndRecordsBytes(uint64_t entryCount, uint64_t centralSize, uint64_t centralOffset);
// Whether the end needs the ZIP64 records; their length when it does.
bool EndNeedsZip64(uint64_t entryCount, uint64_t centralSize, uint64_t centralOffset);
constexpr uint32_t Zip64EndRecordsSize = 56 + 20;

// The AES field of an AES-256 entry in the AE-2 form, whose data has the given compression
// method.
Bytes AesExtraField(uint16_t method);

// The extra field without its ZIP64 blocks: once the header holds the real 32-bit sizes, a
// leftover ZIP64 block would only contradict it.
Bytes WithoutZip64(const Bytes& extra);
