// Throughput of the engine's inner loops, in MB/s: UpdateCrc by table and by fold, and the
// decryption a run at a time and a byte at a time. Buffers are the decoders' chunk size, so the
// figures are those of an extraction with its data in cache.
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <random>
#include <vector>

#include "extract/crc32.h"
#include "extract/sfx_state.h"
#include "extract/zip_crypto.h"

constexpr size_t BufferSize = ChunkSize;

// Median of five timings of `rounds` calls of work over the buffer, as MB/s. The clock is the
// process's processor time where the C library gives it (not on Windows, where clock() is wall
// time), so other work on a shared machine counts less.
template <typename Work>
static double MegabytesPerSecond(size_t rounds, Work work) {
  std::vector<double> rates;
  for (int take = 0; take < 5; take++) {
    std::clock_t start = std::clock();
    for (size_t i = 0; i < rounds; i++) work();
    double spent = double(std::clock() - start) / CLOCKS_PER_SEC;
    rates.push_back(double(rounds * BufferSize) / spent / 1e6);
  }
  std::sort(rates.begin(), rates.end());
  return rates[2];
}

static double CrcRate(std::vector<uint8_t>& data, bool fold, uint32_t& sink) {
  sfx.crcFold = fold;
  return MegabytesPerSecond(16384, [&] { UpdateCrc(data.data(), int64_t(data.size()), sink); });
}

int main() {
  CreateCrcTable();
  bool foldAvailable = sfx.crcFold;
  std::vector<uint8_t> data(BufferSize);
  std::mt19937 rng(1);
  for (auto& b : data) b = static_cast<uint8_t>(rng());
  uint32_t sink = 0;

  printf("| kernel | MB/s |\n|---|---:|\n");
  printf("| UpdateCrc, sliced tables | %.0f |\n", CrcRate(data, false, sink));
  if (foldAvailable) printf("| UpdateCrc, carry-less fold | %.0f |\n", CrcRate(data, true, sink));
  else printf("| UpdateCrc, carry-less fold | (not supported here) |\n");
  InitKeys("bench-password");
  printf("| DecryptRun (keys in registers) | %.0f |\n",
         MegabytesPerSecond(512, [&] { DecryptRun(data.data(), uint32_t(data.size())); }));
  printf("| DecryptByte + UpdateKeys, a byte at a time | %.0f |\n", MegabytesPerSecond(512, [&] {
           for (uint8_t& b : data) {
             b ^= DecryptByte();
             UpdateKeys(b);
           }
         }));
  ReleaseCrcTable();
  return sink == 0x12345678 ? 1 : 0;  // keeps the CRC work from being optimised away
}
