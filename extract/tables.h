// The tables a run computes once: the CRC-32's, and the decryption's key-stream steps, which are
// derived from it and live behind it in one block.
#pragma once

// Allocates and fills them (sfx.crcTable, sfx.keyStreamSteps); false when there is no memory for
// them. ReleaseTables frees them. Both are called once per run of a program.
bool CreateTables();
void ReleaseTables();
