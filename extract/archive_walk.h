// The walk over the local headers of the archive appended to the program's image.
#pragma once

#include <cstdint>
#include <string>

// Sets up a walk and seeks to the first header (sfx.attachedAt). False when that seek fails.
bool StartWalk();

// Moves the archive to an absolute position and records it in sfx.filePos (-1 on failure).
// Positions from 2^31 on cannot be reached and fail.
void SeekArchive(uint64_t position);

// Reads 30 bytes at the current position into sfx.header. True when a whole header was read
// and its signature is a local-header signature.
bool ReadLocalHeader();

// Reads the header's nameLength name bytes at the current position; the name ends before the
// first zero byte.
std::string ReadEntryName();

// The first length bytes of buffer, cut before the first zero byte.
std::string TextFromBuffer(const char* buffer, uint32_t length);

// Where the current entry's data begins, for a header that starts at headerPos.
uint64_t DataPosition(uint32_t headerPos);

// Seeks to the header behind the current entry. False when the walk is over because that
// position lies beyond what a seek can reach.
bool SeekNextHeader(uint32_t headerPos);
