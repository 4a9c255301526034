// The entry decoders. Each reads sfx.remaining compressed bytes from the archive's current
// position, decrypts them as they arrive when the entry is encrypted, writes the result to
// sfx.outputHandle (up to sfx.outputLimit bytes; with no output file, nowhere) and feeds every
// byte written through sfx.crc. What they produced and took is counted in sfx.decoded; the
// verdict weighs it afterwards.
#pragma once

#include <cstdint>

#include "extract/entry_failure.h"
#include "extract/sfx_state.h"

void CopyStored();    // method 0

// Reading ahead pays while the caller waits for a chunk clearly less than reading and decrypting
// it itself would have taken: then part of that work ran beside its own. A second thread that gets
// no processor of its own (one core, or both kept busy by other work) keeps the caller waiting as
// long or longer, and the hand-overs cost on top; from then on the run reads serially. Judged from
// ReadAheadTrial hand-overs on, so that one slow start decides nothing.
constexpr uint32_t ReadAheadTrial = 8;
bool ReadAheadPays(const ReadAheadBalance& balance);
void InflateEntry();  // method 8, raw DEFLATE

// Nothing in a streamed deflated entry's header says how long its data is: its stream ends
// itself. Any other entry has its compressed size, a streamed one from its descriptor, found
// before it is decoded. So has a streamed AES entry: its authentication code stands behind the
// data, and the code must take exactly the data's bytes.
bool EndsWithItsStream();

// Decodes the current entry, whose data begins at dataPosition and whose encryption header (if
// any) has been read, from the archive's current position: what it produced and took, and for
// an AES entry whether its authentication code proves it, is in sfx.decoded. A streamed deflated
// entry is decoded to the end of its DEFLATE stream. Where the entry ends is for its caller to
// find (extract/entry_extent.h).
void DecodeEntry(uint64_t dataPosition);
// Where the entry's compressed data begins: behind its encryption header, if it has one.
uint64_t DataStart(uint64_t dataPosition);

// The verdict on the entry just decoded: its bytes agree with the CRC-32 (which AE-2 leaves out)
// and the size the archive states for it, an AES entry's data gives its authentication code, and
// for a streamed entry the whole stream was decoded and took exactly the compressed size its
// descriptor states.
bool EntryVerifies();
// Why the entry just decoded does not verify.
EntryFailure WhyEntryFails();
