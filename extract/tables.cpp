#include "extract/tables.h"

#include "extract/crc32.h"
#include "extract/sfx_state.h"
#include "extract/zip_crypto.h"

bool CreateTables() {
  sfx.crcTable = static_cast<uint32_t*>(platform::Allocate(CrcTableBytes + KeyStreamStates));
  if (!sfx.crcTable) return false;
  sfx.keyStreamSteps = reinterpret_cast<uint8_t*>(sfx.crcTable) + CrcTableBytes;
  BuildCrcTable();
  BuildKeyStreamSteps();
  return true;
}

void ReleaseTables() {
  platform::Release(sfx.crcTable);
  sfx.crcTable = nullptr;
  sfx.keyStreamSteps = nullptr;
}
