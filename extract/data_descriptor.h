// Data descriptors: the CRC-32 and sizes that an entry with flag bit 3 states behind its data.
#pragma once

#include <cstdint>

#include "extract/sfx_state.h"

// Reads a descriptor at that position into values: an optional signature, then the CRC-32 and
// the compressed and uncompressed sizes, 64-bit when the entry carries a ZIP64 extra field.
// Returns its length in bytes, 0 when the archive ends first.
uint32_t ReadDataDescriptor(uint64_t position, StatedValues& values);

// Takes what follows a streamed entry's data at that position: its descriptor, whose values then
// stand for the entry's, or the next header at once when the writer left none. sfx.entryEnd is
// set behind it, or to UnknownEnd when neither is there.
void TakeDataDescriptor(uint64_t position);
