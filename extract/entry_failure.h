// Why an entry failed. The dialog shows a failure by the list's selection alone; the console tool
// and a silent run's log name each failed entry with the words for its reason (run_report.h).
#pragma once

#include <cstdint>

enum class EntryFailure : uint8_t {
  CrcMismatch,         // the data does not match its CRC-32
  SizeMismatch,        // it decoded to another size than the archive states
  DescriptorMismatch,  // it does not end where its data descriptor says
  DataCutShort,        // the archive ends inside its data
  DataCorrupt,         // its compressed data is damaged
  OutOfMemory,
  NotWritten,          // a write failed, or the file could not be closed
  NotCreated,          // its file could not be created
  NotReplaced,         // the file of its name could not be replaced
  NotMarked,           // its file could not be given the program's mark of where it came from
  NameUnsafe,
  NamePartTooLong,     // a part of its name is longer than the file system takes
  PathTooLong,         // its path is longer than the system takes
  NoDirectory,         // its folder could not be created
  NotReachable,        // its data lies beyond what a seek reaches
  EndUnknown,          // a stored entry without sizes that no descriptor delimits
  CannotDecode,        // a method or an encryption this program does not have
  OverwriteUndecided,  // its file exists and nobody can say whether to replace it (a silent run)
  NotAuthentic,        // its AES data does not give its authentication code: it was changed
  CryptographyFailed,  // the system's cryptography failed on it
};
