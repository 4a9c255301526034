#include "extract/crc32.h"

#include <cstdlib>
#include <cstring>

#include "extract/crc32_fold.h"
#include "extract/sfx_state.h"

// Crc32Table is the first of eight tables in one block. Table k holds the effect of a byte
// followed by k zero bytes, which lets UpdateCrc take eight bytes per step with results
// identical to the byte step.
constexpr int SliceTables = 8;
static_assert(CrcTableBytes == SliceTables * 256 * sizeof(uint32_t), "the block holds the eight tables");

void BuildCrcTable() {
  uint32_t* table = sfx.crcTable;
  for (uint32_t n = 0; n < 256; n++) {
    uint32_t value = n;
    for (int bit = 0; bit < 8; bit++) value = TimesX(value);
    table[n] = value;
  }
  for (int k = 1; k < SliceTables; k++)
    for (uint32_t n = 0; n < 256; n++) {
      uint32_t previous = table[(k - 1) * 256 + n];
      table[k * 256 + n] = Crc32StepWith(table, 0, previous);
    }
  sfx.crcFold = CrcFoldSupported();
}

uint32_t Crc32Step(uint8_t byte, uint32_t reg) { return Crc32StepWith(sfx.crcTable, byte, reg); }

static uint32_t LoadLittleEndian32(const uint8_t* p) {
  return p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// Eight bytes per step through the sliced tables, the rest one at a time.
static uint32_t SliceBy8(const uint8_t* data, int64_t length, uint32_t r) {
  const uint32_t* t = sfx.crcTable;
  for (; length >= 8; data += 8, length -= 8) {
    uint32_t low = LoadLittleEndian32(data) ^ r;
    uint32_t high = LoadLittleEndian32(data + 4);
    r = t[7 * 256 + (low & 0xFF)] ^ t[6 * 256 + ((low >> 8) & 0xFF)] ^
        t[5 * 256 + ((low >> 16) & 0xFF)] ^ t[4 * 256 + (low >> 24)] ^
        t[3 * 256 + (high & 0xFF)] ^ t[2 * 256 + ((high >> 8) & 0xFF)] ^
        t[1 * 256 + ((high >> 16) & 0xFF)] ^ t[high >> 24];
  }
  for (; length > 0; data++, length--) r = Crc32Step(*data, r);
  return r;
}

// Below this length the tables are as quick as setting up the fold.
constexpr int64_t FoldMinimum = 64;

void UpdateCrc(const uint8_t* data, int64_t length, uint32_t& reg) {
  if (length <= 0) return;
  uint32_t r = reg;
  if (sfx.crcFold && length >= FoldMinimum) {
    uint8_t folded[16];
    size_t blocks = static_cast<size_t>(length / 16);
    FoldBlocks(data, blocks, r, folded);
    r = SliceBy8(folded, sizeof folded, 0);
    data += blocks * 16;
    length -= static_cast<int64_t>(blocks * 16);
  }
  reg = SliceBy8(data, length, r);
}
