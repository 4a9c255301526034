#include "extract/crc32_fold.h"

#include <cstdlib>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>

// The kernel is built for processors with PCLMULQDQ while everything around it stays on the
// baseline instruction set; it runs only where CrcFoldSupported said yes. The 32-bit Windows
// stack is only 4-byte aligned, so there the kernel realigns its own.
#if defined(__i386__)
#define FOLD_TARGET __attribute__((target("pclmul,sse2"), force_align_arg_pointer))
#else
#define FOLD_TARGET __attribute__((target("pclmul,sse2")))
#endif
#define FOLD_STEP __attribute__((target("pclmul,sse2"), always_inline)) inline

bool CrcFoldSupported() {
  unsigned eax, ebx, ecx, edx;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  return (ecx & bit_PCLMUL) && (edx & bit_SSE2);
}

// Multipliers that move a block `distance` bits further: its first (low) 64 bits by
// x^(distance + 64), its last 64 by x^distance, each 32 less because the product of a 64-bit
// value and a 33-bit multiplier stands 32 bits below the 128-bit frame it lands in.
template <int Distance>
FOLD_STEP __m128i Multipliers() {
  constexpr uint64_t first = FoldMultiplier(Distance + 32), last = FoldMultiplier(Distance - 32);
  return _mm_set_epi64x(static_cast<long long>(last), static_cast<long long>(first));
}

// acc moved forward by the multipliers' distance, plus the block that stands there.
FOLD_STEP __m128i FoldOnto(__m128i acc, __m128i block, __m128i multipliers) {
  __m128i first = _mm_clmulepi64_si128(acc, multipliers, 0x00);
  __m128i last = _mm_clmulepi64_si128(acc, multipliers, 0x11);
  return _mm_xor_si128(_mm_xor_si128(first, last), block);
}

FOLD_STEP __m128i Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// Four accumulators take turns over 64-byte strides, so four products are in flight at once;
// then they fold into one and single blocks follow. The register enters as the first four
// bytes' XOR, which is what a CRC from a zero register over so changed data gives.
FOLD_TARGET void FoldBlocks(const uint8_t* data, size_t blocks, uint32_t reg, uint8_t folded[16]) {
  const __m128i by1 = Multipliers<128>();
  __m128i acc = _mm_xor_si128(Load(data), _mm_cvtsi32_si128(static_cast<int>(reg)));
  if (blocks >= 4) {
    const __m128i by4 = Multipliers<512>();
    __m128i acc1 = Load(data + 16), acc2 = Load(data + 32), acc3 = Load(data + 48);
    for (data += 64, blocks -= 4; blocks >= 4; data += 64, blocks -= 4) {
      acc = FoldOnto(acc, Load(data), by4);
      acc1 = FoldOnto(acc1, Load(data + 16), by4);
      acc2 = FoldOnto(acc2, Load(data + 32), by4);
      acc3 = FoldOnto(acc3, Load(data + 48), by4);
    }
    acc = FoldOnto(FoldOnto(FoldOnto(acc, acc1, by1), acc2, by1), acc3, by1);
  } else {
    data += 16;
    blocks -= 1;
  }
  for (; blocks > 0; data += 16, blocks--) acc = FoldOnto(acc, Load(data), by1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(folded), acc);
}

#else

bool CrcFoldSupported() { return false; }
void FoldBlocks(const uint8_t*, size_t, uint32_t, uint8_t*) { abort(); }  // never chosen

#endif
