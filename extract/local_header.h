// The local header of an entry, the name and extra field behind it, and where its data begins:
// what the walk reads of each entry in turn before it seeks to the next.
#pragma once

#include <cstdint>
#include <string>

// Reads 30 bytes at the current position into sfx.header, and takes the CRC and sizes it states
// into sfx.stated. True when a whole header was read and its signature is a local-header
// signature.
bool ReadLocalHeader();

// Reads the header's nameLength name bytes at the current position and the extra field behind
// them, and returns the entry's name (EntryName). From the extra field it also takes what the
// walk needs: the 64-bit sizes of a ZIP64 field where the header defers to them, whether the
// entry is streamed, and an AES entry's cipher and compression method (sfx.hasZip64,
// sfx.stated, sfx.streamed, sfx.aesField, sfx.method).
std::string ReadEntryName();

// An entry's name, from its header's name bytes and flags and its extra field: the UTF-8 name of
// a Unicode Path field (0x7075) whose CRC-32 matches the name bytes, else the name bytes
// decoded. Either ends before its first zero byte. Nothing else in the extra field counts.
std::string EntryName(const std::string& nameBytes, uint16_t flags, const uint8_t* extra, uint32_t extraLength);

// The name as text (UTF-8), read once here and carried as such by everything after the walk.
// Flag bit 11 says UTF-8. Without it, bytes that are UTF-8 and not plain ASCII are UTF-8 too
// (Linux and macOS writers store names so and set no flag), and any other name is in the legacy
// code page of the system that wrote it. A flagged name that is not UTF-8 keeps U+FFFD for its
// bad bytes, which the unsafe-name rule refuses.
std::string DecodeEntryName(const std::string& bytes, uint16_t flags);

// True when a local header or the central directory begins at that position.
bool HeaderFollowsAt(uint64_t position);

// The first length bytes of buffer, cut before the first zero byte.
std::string TextFromBuffer(const char* buffer, uint32_t length);

// Where the current entry's data begins, for a header that starts at headerPos.
uint64_t DataPosition(uint64_t headerPos);

