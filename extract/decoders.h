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

// Reading ahead pays while the caller waits for its chunks less than reading and decrypting them
// itself would have taken: then part of that work ran beside its own. A second thread that gets
// no processor of its own (one core, or both kept busy by other work) keeps the caller waiting
// longer than the work it runs, the hand-overs on top; once the waits exceed the work by
// ReadAheadAllowance, the rest of the run reads serially. So reading ahead never costs a run
// more than that, and a slow start decides nothing: the first hand-overs of a run may each wait
// a millisecond, five times a chunk's work, for a processor that was halted to wake up (so on
// a virtual machine, seen up to 12 ms in all), before the two sides fall into step. A count of
// hand-overs cannot tell that start from a second thread that never gets a processor.
constexpr uint64_t ReadAheadAllowance = 16000000;  // nanoseconds
bool ReadAheadPays(const ReadAheadBalance& balance);
void WeighHandOver(ReadAheadBalance& balance, uint64_t waited, uint64_t taskTime, uint32_t count);
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
