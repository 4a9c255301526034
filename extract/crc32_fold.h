// UpdateCrc's fast path on processors with carry-less multiplication: whole 16-byte blocks are
// folded together, so the work per byte is a fraction of a multiply instead of a table lookup.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t ReversedPolynomial = 0xEDB88320;

// The register (bit i the coefficient of x^(31-i)) multiplied by x, modulo the polynomial: the
// one bit step the table and the fold constants are built from.
constexpr uint32_t TimesX(uint32_t reg) { return (reg & 1) ? (reg >> 1) ^ ReversedPolynomial : reg >> 1; }

// x^exponent modulo the polynomial, in the form the fold multiplies by. A carry-less product of
// two bit-reversed 64-bit values comes out one bit short of the bit-reversed 128-bit product, so
// the multiplier carries the missing factor as one more left shift.
constexpr uint64_t FoldMultiplier(int exponent) {
  uint32_t power = 0x80000000;  // x^0
  for (int i = 0; i < exponent; i++) power = TimesX(power);
  return uint64_t(power) << 1;
}

// True where this processor can run FoldBlocks (x86 with PCLMULQDQ); decided once, by CPUID.
bool CrcFoldSupported();

// Folds `blocks` (at least one) 16-byte blocks of data, fed in with the register reg, into 16
// bytes whose CRC from a zero register is the register the data leaves behind.
void FoldBlocks(const uint8_t* data, size_t blocks, uint32_t reg, uint8_t folded[16]);
