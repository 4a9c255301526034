// Reading an existing ZIP through its central directory, for --from-zip.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/mksfx/zip_records.h"

struct ImportedEntry {
  EntryRecord record;   // as the central directory gives it, ZIP64 sizes resolved
  uint64_t dataOffset;  // where the entry's data starts in the input file
};

// Every entry, in central-directory order. Offsets are corrected for any bytes in front of
// the archive (a stub or other prefix), found by where the central directory really stands.
// Throws on anything that is not a readable single-disk ZIP.
std::vector<ImportedEntry> ReadZipEntries(FILE* zip, const std::string& zipName);

// One message per entry whose method the stub cannot decode (anything but stored and deflated).
std::vector<std::string> UnsupportedMethods(const std::vector<ImportedEntry>& entries);
