// Where an entry ends, so that the walk can step to the header behind it: by the sizes its header
// states, or, for an entry that leaves them to a descriptor behind its data, by decoding it to
// the end of its stream or by the descriptor that proves where its data ends.
#pragma once

#include <cstdint>

// Where an entry whose header has its sizes ends (sfx.entryEnd): behind its data, and with flag
// bit 3 behind the descriptor that follows it if that repeats the header's sizes. Such a
// descriptor's CRC-32 stands for the entry where the header left its own 0, as Info-ZIP does for
// stored entries it writes to a pipe.
void FindSizedEnd(uint64_t dataPosition);

// Finds where a streamed entry that no decoder has seen in this scan ends (sfx.entryEnd), and
// the values its descriptor states. A deflated entry is decoded into nothing to find the end of
// its stream; one that cannot be decoded here is delimited by its signed descriptor; a stored
// one by the descriptor that proves its bytes.
void FindStreamedEnd(uint64_t headerPos);

// Decodes the current entry (DecodeEntry) and then takes where it ends: for a streamed deflated
// entry the descriptor behind its stream, whose values may stand for the entry's (sfx.stated).
void DecodeToItsEnd(uint64_t dataPosition);
