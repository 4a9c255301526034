// The entry decoders. Each reads sfx.remaining compressed bytes from the archive's current
// position, decrypts them as they arrive when the entry is encrypted, writes the result to
// sfx.outputHandle and feeds every byte written through sfx.crc. Neither reports errors: the
// CRC comparison afterwards is the verdict.
#pragma once

void CopyStored();    // method 0
void InflateEntry();  // method 8, raw DEFLATE
