// The extra field behind a local header's name: a run of fields, each a 16-bit ID, a 16-bit
// data size and that many bytes of data.
#pragma once

#include <cstdint>

// The data of the first field with this ID among the first `length` bytes of `extra`, with its
// size in *size; nullptr when there is none. A field whose data would run past the end is not
// believed, nor is anything behind it.
const uint8_t* FindExtraField(const uint8_t* extra, uint32_t length, uint16_t id, uint16_t* size);
