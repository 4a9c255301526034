// Data descriptors: the CRC-32 and sizes that an entry with flag bit 3 states behind its data,
// and for a streamed entry (no sizes in its header) the means of finding where its data ends.
#pragma once

#include <cstdint>

#include "extract/sfx_state.h"

// Takes what follows a streamed entry's data at that position: its descriptor, whose values then
// stand for the entry's, or the next header at once when the writer left none. sfx.entryEnd is
// set behind it, or to SeekLimit when neither is there.
void TakeDataDescriptor(uint32_t position);

// Where an entry whose header has its sizes ends (sfx.entryEnd): behind its data, and with flag
// bit 3 behind the descriptor that follows it if that repeats the header's sizes. Such a
// descriptor's CRC-32 stands for the entry where the header left its own 0, as Info-ZIP does for
// stored entries it writes to a pipe.
void FindSizedEnd(uint64_t dataPosition);

// Finds where a streamed entry that no decoder has seen in this scan ends (sfx.entryEnd), and
// the values its descriptor states. A deflated entry is decoded into nothing to find the end of
// its stream; one that cannot be decoded here is delimited by its signed descriptor; a stored
// one only when it is empty.
void FindStreamedEnd(uint32_t headerPos);
