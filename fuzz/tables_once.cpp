// The engine's tables for the fuzz targets: computed on the first run and handed out again to
// every later one. They depend on nothing but the CRC-32's polynomial, and computing them in
// each of the thousands of commands a second took a fifth of the fuzzer's time.
#include <vector>

#include "extract/crc32.h"
#include "extract/sfx_state.h"
#include "extract/tables.h"
#include "extract/zip_crypto.h"

bool CreateTables() {
  static std::vector<uint32_t> block;
  if (block.empty()) {
    block.resize((CrcTableBytes + KeyStreamStates + 3) / 4);
    sfx.crcTable = block.data();
    sfx.keyStreamSteps = reinterpret_cast<uint8_t*>(block.data()) + CrcTableBytes;
    BuildCrcTable();
    BuildKeyStreamSteps();
  }
  sfx.crcTable = block.data();
  sfx.keyStreamSteps = reinterpret_cast<uint8_t*>(block.data()) + CrcTableBytes;
  return true;
}

void ReleaseTables() {
  sfx.crcTable = nullptr;
  sfx.keyStreamSteps = nullptr;
}
