#include "extract/crc32.h"

#include <cstdlib>
#include <cstring>

#include "extract/sfx_state.h"

constexpr uint32_t ReversedPolynomial = 0xEDB88320;
// Crc32Table is the first of eight tables in one block. Table k holds the effect of a byte
// followed by k zero bytes, which lets UpdateCrc take eight bytes per step with results
// identical to the byte step.
constexpr int SliceTables = 8;

void CreateCrcTable() {
  sfx.crcTable = static_cast<uint32_t*>(malloc(SliceTables * 256 * sizeof(uint32_t)));
  if (!sfx.crcTable) abort();
  BuildCrcTable();
}

void ReleaseCrcTable() {
  free(sfx.crcTable);
  sfx.crcTable = nullptr;
}

void BuildCrcTable() {
  uint32_t* table = sfx.crcTable;
  for (uint32_t n = 0; n < 256; n++) {
    uint32_t value = n;
    for (int bit = 0; bit < 8; bit++) value = (value & 1) ? (value >> 1) ^ ReversedPolynomial : value >> 1;
    table[n] = value;
  }
  for (int k = 1; k < SliceTables; k++)
    for (uint32_t n = 0; n < 256; n++) {
      uint32_t previous = table[(k - 1) * 256 + n];
      table[k * 256 + n] = table[previous & 0xFF] ^ (previous >> 8);
    }
}

uint32_t Crc32Step(uint8_t byte, uint32_t reg) {
  return sfx.crcTable[(reg ^ byte) & 0xFF] ^ (reg >> 8);
}

static uint32_t LoadLittleEndian32(const uint8_t* p) {
  return p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

void UpdateCrc(const uint8_t* data, int64_t length, uint32_t& reg) {
  if (length <= 0) return;
  const uint32_t* t = sfx.crcTable;
  uint32_t r = reg;
  for (; length >= 8; data += 8, length -= 8) {
    uint32_t low = LoadLittleEndian32(data) ^ r;
    uint32_t high = LoadLittleEndian32(data + 4);
    r = t[7 * 256 + (low & 0xFF)] ^ t[6 * 256 + ((low >> 8) & 0xFF)] ^
        t[5 * 256 + ((low >> 16) & 0xFF)] ^ t[4 * 256 + (low >> 24)] ^
        t[3 * 256 + (high & 0xFF)] ^ t[2 * 256 + ((high >> 8) & 0xFF)] ^
        t[1 * 256 + ((high >> 16) & 0xFF)] ^ t[high >> 24];
  }
  for (; length > 0; data++, length--) r = Crc32Step(*data, r);
  reg = r;
}
