#include <zlib.h>

#include <random>

#include "extract/crc32.h"
#include "extract/crc32_fold.h"
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

// The fold against the byte step it must equal, register for register. Every test runs once per
// path: the tables alone, and the fold where this processor has it.
class Crc32PathsTest : public Crc32Test {
 protected:
  static std::vector<bool> Paths() {
    std::vector<bool> paths = {false};
    if (CrcFoldSupported()) paths.push_back(true);
    return paths;
  }
  static uint32_t ByteByByte(const uint8_t* data, size_t n, uint32_t reg) {
    for (size_t i = 0; i < n; i++) reg = Crc32Step(data[i], reg);
    return reg;
  }
  static uint32_t Update(const uint8_t* data, size_t n, uint32_t reg) {
    UpdateCrc(data, static_cast<int64_t>(n), reg);
    return reg;
  }
};

TEST_F(Crc32PathsTest, TheTableBuildChoosesTheFoldExactlyWhereTheProcessorHasIt) {
  EXPECT_EQ(sfx.crcFold, CrcFoldSupported());
  sfx.crcFold = !sfx.crcFold;
  BuildCrcTable();
  EXPECT_EQ(sfx.crcFold, CrcFoldSupported());
}

TEST_F(Crc32PathsTest, FoldMultipliersArePowersOfXReachedByTheByteStepOverZeroBytes) {
  // x^n modulo the polynomial is what n/8 zero bytes make of the register holding x^0.
  for (int exponent : {96, 160, 480, 544}) {
    uint32_t power = 0x80000000;
    for (int i = 0; i < exponent / 8; i++) power = Crc32Step(0, power);
    EXPECT_EQ(FoldMultiplier(exponent), uint64_t(power) << 1) << "x^" << exponent;
  }
}

TEST_F(Crc32PathsTest, FoldedBlocksCarryTheRegisterOfTheBlocksThemselves) {
  if (!CrcFoldSupported()) GTEST_SKIP() << "no carry-less multiplication here";
  Bytes data = RandomBytes(16 * 40 + 15, 21);
  for (size_t offset = 0; offset < 16; offset += 5)
    for (size_t blocks = 1; blocks <= 40; blocks++) {
      uint8_t folded[16];
      FoldBlocks(data.data() + offset, blocks, 0xA5A5F00D, folded);
      EXPECT_EQ(ByteByByte(folded, 16, 0), ByteByByte(data.data() + offset, blocks * 16, 0xA5A5F00D))
          << blocks << " blocks at offset " << offset;
    }
}

TEST_F(Crc32PathsTest, EveryLengthAndAlignmentGivesTheByteStepsRegister) {
  Bytes data = RandomBytes(640, 5);
  for (bool fold : Paths()) {
    sfx.crcFold = fold;
    for (size_t offset = 0; offset < 16; offset++)
      for (size_t n = 0; offset + n <= 624; n++) {
        uint32_t start = 0x9E3779B9u * static_cast<uint32_t>(n + 1);
        ASSERT_EQ(Update(data.data() + offset, n, start), ByteByByte(data.data() + offset, n, start))
            << "fold " << fold << ", length " << n << " at offset " << offset;
      }
  }
}

TEST_F(Crc32PathsTest, RandomSplitsIntoPiecesGiveTheWholeRunsRegister) {
  Bytes data = RandomBytes(300000, 9);
  uint32_t whole = ByteByByte(data.data(), data.size(), 0xFFFFFFFF);
  std::mt19937 rng(17);
  for (bool fold : Paths()) {
    sfx.crcFold = fold;
    for (size_t limit : {20u, 200u, 5000u, 70000u}) {
      uint32_t split = 0xFFFFFFFF;
      for (size_t at = 0; at < data.size();) {
        size_t piece = std::min<size_t>(rng() % limit, data.size() - at);
        split = Update(data.data() + at, piece, split);
        at += piece;
      }
      EXPECT_EQ(split, whole) << "fold " << fold << ", pieces below " << limit;
    }
  }
}

TEST_F(Crc32PathsTest, LargeBuffersAgreeWithZlibOnBothPaths) {
  Bytes big = RandomBytes((8 << 20) + 13, 23);
  for (bool fold : Paths()) {
    sfx.crcFold = fold;
    EXPECT_EQ(CrcOf(big), ZlibCrc(big)) << "fold " << fold;
    EXPECT_EQ(CrcOf(Bytes(big.size(), 0)), ZlibCrc(Bytes(big.size(), 0))) << "fold " << fold;
  }
}

TEST_F(Crc32Test, EmptyOrNegativeLengthLeavesTheRegister) {
  uint8_t byte = 0x42;
  uint32_t reg = 0x12345678;
  UpdateCrc(&byte, 0, reg);
  EXPECT_EQ(reg, 0x12345678u);
  UpdateCrc(&byte, -5, reg);
  EXPECT_EQ(reg, 0x12345678u);
}
