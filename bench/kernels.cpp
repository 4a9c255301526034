// Throughput of the engine's inner loops, in MB/s: UpdateCrc by table and by fold, and the
// decryption a run at a time and a byte at a time. Buffers are the decoders' chunk size, so the
// figures are those of an extraction with its data in cache.
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <random>
#include <vector>

#include "extract/crc32.h"
#include "extract/tables.h"
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

// What no arrangement of the decryption can avoid: from one byte's key2 to the next, a lookup of
// the key-stream step, a multiply into key1 and a lookup of key2's CRC step, each waiting for the
// one before. Everything else of a round can run beside this chain; the chain itself cannot be
// shortened (here even the shift before the first lookup is left out), so its rate alone bounds
// the decryption on this processor.
static uint32_t SerialChainOnly(const uint8_t* data, uint32_t length, uint32_t key2) {
  const uint32_t* table = sfx.crcTable;
  const uint8_t* streamSteps = sfx.keyStreamSteps;
  uint32_t key1Base = 0x23456789, key2Rest = 0x34567890;
  for (uint32_t i = 0; i < length; i++) {
    uint32_t key0Low = data[i] ^ streamSteps[key2 & (KeyStreamStates - 1)];
    uint32_t key1 = key1Base + key0Low * 0x08088405;
    key2 = key2Rest ^ table[key1 >> 24];
    asm("" : "+r"(key1Base), "+r"(key2Rest));  // known ahead in a real round, not constants
  }
  return key2;
}

int main() {
  CreateTables();
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
  printf("| the serial chain alone, the bound for any DecryptRun | %.0f |\n", MegabytesPerSecond(512, [&] {
           sink += SerialChainOnly(data.data(), uint32_t(data.size()), sink);
         }));
  printf("| DecryptByte + UpdateKeys, a byte at a time | %.0f |\n", MegabytesPerSecond(512, [&] {
           for (uint8_t& b : data) {
             b ^= DecryptByte();
             UpdateKeys(b);
           }
         }));
  ReleaseTables();
  return sink == 0x12345678 ? 1 : 0;  // keeps the CRC work from being optimised away
}
