// Writes the entries behind the stub so that the stub's local-header walk reaches every one:
// each local header carries the real CRC and sizes (flag bit 3 is never set for a new entry),
// and each entry's data follows its header with nothing between one entry and the next.
#pragma once

#include <cstdio>
#include <memory>
#include <vector>

#include "tools/mksfx/archive_output.h"
#include "tools/mksfx/encryptor.h"
#include "tools/mksfx/progress.h"
#include "tools/mksfx/source_tree.h"
#include "tools/mksfx/zip_import.h"
#include "tools/mksfx/zip_records.h"

class ArchiveWriter {
 public:
  // level 0 stores everything; 1-9 are zlib's deflate levels. encryptor may be null.
  ArchiveWriter(ArchiveOutput& out, int level, Encryptor* encryptor, Progress& progress)
      : out_(out), level_(level), encryptor_(encryptor), progress_(progress) {}

  void AddDirectory(const SourceEntry& entry);
  // Deflated, or stored when deflating does not make the data smaller.
  void AddFile(const SourceEntry& entry);
  // Copies the entry's data as it is; the new local header takes the central directory's CRC
  // and sizes, so a data descriptor in the input is no longer needed and is left behind.
  void AddImported(const ImportedEntry& entry, FILE* zip);
  // Writes the central directory and the end record; their offsets count from the exe's first
  // byte, as for any ZIP with bytes in front of it.
  void Finish();

 private:
  void Describe(EntryRecord& record, uint16_t method, uint32_t crc);
  uint64_t WriteFileData(const SourceEntry& entry, uint16_t method, uint32_t crc);
  void BeginEntry(EntryRecord& record);
  void EndEntry(EntryRecord& record, uint64_t headerAt);

  ArchiveOutput& out_;
  int level_;
  Encryptor* encryptor_;
  Progress& progress_;
  std::vector<EntryRecord> central_;
};
