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

constexpr uint16_t VersionNeededDefault = 20;  // 2.0: deflate, directories, encryption
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
  uint32_t compressedSize = 0;  // the 12-byte encryption header included
  uint32_t uncompressedSize = 0;
  Bytes localExtra;
  // Central-directory only.
  uint16_t versionMadeBy = VersionMadeByWindows;
  uint32_t externalAttributes = 0;
  uint32_t localOffset = 0;     // from the first byte of the exe, so ordinary tools find it
  Bytes centralExtra;
  std::string comment;
};

Bytes LocalHeaderBytes(const EntryRecord& entry);
Bytes CentralHeaderBytes(const EntryRecord& entry);
// Signature, CRC and 32-bit sizes, as written behind the data of an entry with flag bit 3.
Bytes DataDescriptorBytes(const EntryRecord& entry);
Bytes EndRecordBytes(uint16_t entryCount, uint32_t centralSize, uint32_t centralOffset);

// The extra field without its ZIP64 blocks: once the header holds the real 32-bit sizes, a
// leftover ZIP64 block would only contradict it.
Bytes WithoutZip64(const Bytes& extra);
