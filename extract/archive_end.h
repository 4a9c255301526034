// Where a walk over the local headers may end: the records a ZIP holds behind its entries, and
// the central directory's word on whether a walk that stopped elsewhere met every entry.
#pragma once

#include <cstdint>
#include <vector>

// True when one of the records that may follow an archive's entries begins at the position: the
// central directory, an end record (ZIP64 ones too), archive extra data or a digital signature.
bool ArchiveEndsAt(uint64_t position);

// True when the archive's end record, near the end of the file, points to a central directory
// that lists exactly the local headers at these file offsets (ascending, as a walk meets them),
// in any order. Some writers leave padding between the last entry and the central directory;
// this tells that from damage.
bool CentralDirectoryConfirms(const std::vector<uint64_t>& headers);
