// Reading an existing ZIP through its central directory, for --from-zip.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/mksfx/zip_records.h"

struct ImportedEntry {
  EntryRecord record;     // as the central directory gives it, ZIP64 sizes resolved
  uint64_t headerOffset;  // where the entry's local header starts in the input file
  uint64_t dataOffset;    // where the entry's data starts in the input file
};

// Every entry, in central-directory order. Offsets are corrected for any bytes in front of
// the archive (a stub or other prefix), found by where the central directory really stands.
// Throws on anything that is not a readable single-disk ZIP.
std::vector<ImportedEntry> ReadZipEntries(FILE* zip, const std::string& zipName);

// One message per entry whose bytes in the input, from its local header to the end of its data,
// overlap another's, naming both. Each entry's bytes are copied once for it, so records that
// point into one stretch would copy it many times over: 64 records on one 1 MiB entry make an
// exe of 64 MiB.
std::vector<std::string> OverlappingEntries(const std::vector<ImportedEntry>& entries);

// One message per entry whose method the stub cannot decode (anything but stored and deflated).
std::vector<std::string> UnsupportedMethods(const std::vector<ImportedEntry>& entries);
