// Reading the archive: where the walk, the descriptors and the end records move the archive's
// file position and take its bytes. The decoders read on from wherever this left it.
#pragma once

#include <cstdint>
#include <string>

// Moves the archive to an absolute position and records it in sfx.filePos (-1 on failure, as for
// a position beyond PositionLimit).
void SeekArchive(uint64_t position);

// Up to length bytes at the current position, as stored; fewer where the file ends.
std::string ReadArchiveBytes(uint32_t length);

// length bytes at position into buffer; false when they are not all there.
bool ReadArchiveAt(uint64_t position, uint8_t* buffer, uint32_t length);
