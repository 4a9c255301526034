// The CRC-32 of the ZIP format: reflected, polynomial 0xEDB88320.
#pragma once

#include <cstddef>
#include <cstdint>

// The bytes sfx.crcTable points to: the table and the wider ones behind it (extract/tables.h
// allocates them).
constexpr size_t CrcTableBytes = 8 * 256 * sizeof(uint32_t);
// Fills the table that sfx.crcTable points to (and the wider tables behind it).
void BuildCrcTable();

// One byte through the table, with no inversion: the step the decryption keys use too.
uint32_t Crc32Step(uint8_t byte, uint32_t reg);
// The same step over a table held in a local, for loops that keep their state in registers.
inline uint32_t Crc32StepWith(const uint32_t* table, uint8_t byte, uint32_t reg) {
  return table[(reg ^ byte) & 0xFF] ^ (reg >> 8);
}
// Feeds a run of bytes through the register; a length of zero or less changes nothing.
void UpdateCrc(const uint8_t* data, int64_t length, uint32_t& reg);
