#include <zlib.h>

#include <random>

#include "extract/crc32.h"
#include "extract/sfx_state.h"
#include "tests/unit/test_support.h"

class Crc32Test : public EngineTest {};

static uint32_t CrcOf(const Bytes& data) {
  uint32_t reg = 0xFFFFFFFF;
  UpdateCrc(data.data(), static_cast<int64_t>(data.size()), reg);
  return reg ^ 0xFFFFFFFF;
}

static Bytes RandomBytes(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes data(n);
  for (auto& b : data) b = static_cast<uint8_t>(rng());
  return data;
}

TEST_F(Crc32Test, TableIsTheReversedPolynomialTable) {
  EXPECT_EQ(sfx.crcTable[0], 0u);
  EXPECT_EQ(sfx.crcTable[1], 0x77073096u);
  EXPECT_EQ(sfx.crcTable[128], 0xEDB88320u);
  EXPECT_EQ(sfx.crcTable[255], 0x2D02EF8Du);
}

TEST_F(Crc32Test, KnownVectors) {
  EXPECT_EQ(CrcOf({}), 0u);
  EXPECT_EQ(CrcOf({'a'}), 0xE8B7BE43u);
  const std::string check = "123456789";
  EXPECT_EQ(CrcOf(Bytes(check.begin(), check.end())), 0xCBF43926u);
  const std::string fox = "The quick brown fox jumps over the lazy dog";
  EXPECT_EQ(CrcOf(Bytes(fox.begin(), fox.end())), 0x414FA339u);
}

TEST_F(Crc32Test, StepIsTheTableLookupWithoutInversion) {
  EXPECT_EQ(Crc32Step(0x00, 0), 0u);
  EXPECT_EQ(Crc32Step(0x80, 0), 0xEDB88320u);
  EXPECT_EQ(Crc32Step(0x12, 0x12345612), 0x00123456u);  // the index is the low byte of reg XOR byte
  EXPECT_EQ(Crc32Step(0x01, 0xFFFFFF00), sfx.crcTable[0x01] ^ 0x00FFFFFFu);
}

TEST_F(Crc32Test, AgreesWithZlibOnRandomDataOfEveryShortLengthAndALongRun) {
  for (size_t n = 0; n < 80; n++) {
    Bytes data = RandomBytes(n, static_cast<unsigned>(n));
    EXPECT_EQ(CrcOf(data), ZlibCrc(data)) << "length " << n;
  }
  Bytes big = RandomBytes(1 << 20, 7);
  EXPECT_EQ(CrcOf(big), ZlibCrc(big));
}

TEST_F(Crc32Test, PiecesGiveTheSameRegisterAsTheWholeRun) {
  Bytes data = RandomBytes(100000, 3);
  uint32_t whole = 0xFFFFFFFF;
  UpdateCrc(data.data(), static_cast<int64_t>(data.size()), whole);
  for (size_t piece : {1u, 3u, 7u, 8u, 13u, 32768u}) {
    uint32_t split = 0xFFFFFFFF;
    for (size_t at = 0; at < data.size(); at += piece)
      UpdateCrc(data.data() + at, static_cast<int64_t>(std::min(piece, data.size() - at)), split);
    EXPECT_EQ(split, whole) << "pieces of " << piece;
  }
}

TEST_F(Crc32Test, RunUpdateMatchesTheByteStepExactly) {
  Bytes data = RandomBytes(4099, 11);
  uint32_t fast = 0x5A5A1234, slow = 0x5A5A1234;
  UpdateCrc(data.data(), static_cast<int64_t>(data.size()), fast);
  for (uint8_t b : data) slow = Crc32Step(b, slow);
  EXPECT_EQ(fast, slow);
}

TEST_F(Crc32Test, EmptyOrNegativeLengthLeavesTheRegister) {
  uint8_t byte = 0x42;
  uint32_t reg = 0x12345678;
  UpdateCrc(&byte, 0, reg);
  EXPECT_EQ(reg, 0x12345678u);
  UpdateCrc(&byte, -5, reg);
  EXPECT_EQ(reg, 0x12345678u);
}
