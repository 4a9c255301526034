#include "extract/zip_crypto.h"

#include <cstring>
#include <random>

#include "extract/archive_reader.h"
#include "extract/local_header.h"
#include "extract/sfx_state.h"
#include "tests/unit/test_support.h"

class ZipCryptoTest : public EngineTest {
 protected:
  // Positions on the named entry and reads its encryption header into the work buffer's
  // second half, as an extraction run does.
  void ReadEncryptionHeader(const std::string& name) {
    uint64_t headerPos = FindEntry(name);
    SeekArchive(DataPosition(headerPos));
    ASSERT_EQ(platform::ReadFile(sfx.archiveHandle, work_ + 12, 12), 12u);
    memcpy(original_, work_ + 12, 12);
  }
  bool Verify(const std::string& password) {
    return VerifyPassword(work_, 12, sfx.header.flags, password, sfx.header.modTime, sfx.header.crc32);
  }
  uint8_t work_[24] = {};
  uint8_t original_[12] = {};
};

TEST_F(ZipCryptoTest, InitKeysStartsFromTheFixedValues) {
  InitKeys("");
  EXPECT_EQ(sfx.key0, 0x12345678u);
  EXPECT_EQ(sfx.key1, 0x23456789u);
  EXPECT_EQ(sfx.key2, 0x34567890u);
}

TEST_F(ZipCryptoTest, EncryptingWithTheSameKeyStreamIsUndoneByDecryptRun) {
  const std::string plain = "stream cipher over plain bytes";
  Bytes data(plain.begin(), plain.end());
  InitKeys("pw");
  for (uint8_t& b : data) {  // encryption: the key stream XOR, keys advanced by the plain byte
    uint8_t p = b;
    b ^= DecryptByte();
    UpdateKeys(p);
  }
  EXPECT_NE(std::string(data.begin(), data.end()), plain);
  InitKeys("pw");
  DecryptRun(data.data(), static_cast<uint32_t>(data.size()));
  EXPECT_EQ(std::string(data.begin(), data.end()), plain);
}

// The reference: the key-stream byte and the key update one byte at a time.
static void DecryptByteByByte(uint8_t* data, size_t length) {
  for (size_t i = 0; i < length; i++) {
    data[i] ^= DecryptByte();
    UpdateKeys(data[i]);
  }
}

struct KeyState {
  uint32_t key0, key1, key2;
  bool operator==(const KeyState& o) const { return key0 == o.key0 && key1 == o.key1 && key2 == o.key2; }
};
static KeyState Keys() { return {sfx.key0, sfx.key1, sfx.key2}; }

TEST_F(ZipCryptoTest, DecryptRunGivesTheBytesAndKeysOfTheByteStepForEveryShortLength) {
  std::mt19937 rng(12);
  for (uint32_t n = 0; n <= 300; n++) {
    Bytes cipher(n);
    for (auto& b : cipher) b = static_cast<uint8_t>(rng());
    Bytes fast = cipher, slow = cipher;
    InitKeys("pw" + std::to_string(n));
    DecryptByteByByte(slow.data(), n);
    KeyState after = Keys();
    InitKeys("pw" + std::to_string(n));
    DecryptRun(fast.data(), n);
    ASSERT_EQ(fast, slow) << "length " << n;
    ASSERT_TRUE(Keys() == after) << "length " << n;
  }
}

TEST_F(ZipCryptoTest, DecryptRunOverRandomPiecesOfALongRunMatchesTheByteStep) {
  std::mt19937 rng(99);
  Bytes cipher(1 << 20);
  for (auto& b : cipher) b = static_cast<uint8_t>(rng());
  Bytes slow = cipher;
  InitKeys("a longer password");
  DecryptByteByByte(slow.data(), slow.size());
  KeyState after = Keys();
  for (uint32_t limit : {7u, 1000u, 40000u}) {
    Bytes fast = cipher;
    InitKeys("a longer password");
    for (size_t at = 0; at < fast.size();) {
      uint32_t piece = static_cast<uint32_t>(std::min<size_t>(rng() % limit, fast.size() - at));
      DecryptRun(fast.data() + at, piece);
      at += piece;
    }
    EXPECT_EQ(fast, slow) << "pieces below " << limit;
    EXPECT_TRUE(Keys() == after) << "pieces below " << limit;
  }
}

TEST_F(ZipCryptoTest, DecryptRunMatchesTheByteStepFromArbitraryKeyStates) {
  // States no password leads to directly: every key2 bit pattern the shortcut table indexes.
  std::mt19937 rng(5);
  for (int trial = 0; trial < 2000; trial++) {
    KeyState start = {static_cast<uint32_t>(rng()), static_cast<uint32_t>(rng()), static_cast<uint32_t>(rng())};
    Bytes fast(64), slow;
    for (auto& b : fast) b = static_cast<uint8_t>(rng());
    slow = fast;
    sfx.key0 = start.key0, sfx.key1 = start.key1, sfx.key2 = start.key2;
    DecryptByteByByte(slow.data(), slow.size());
    KeyState after = Keys();
    sfx.key0 = start.key0, sfx.key1 = start.key1, sfx.key2 = start.key2;
    DecryptRun(fast.data(), static_cast<uint32_t>(fast.size()));
    ASSERT_EQ(fast, slow) << "trial " << trial;
    ASSERT_TRUE(Keys() == after) << "trial " << trial;
  }
}

TEST_F(ZipCryptoTest, InfoZipCheckByteIsTheHighByteOfTheTimeWhenFlagBit3IsSet) {
  OpenArchive(ReadFixture("infozip_encrypted.zip"));
  ReadEncryptionHeader("docs/guide.txt");
  ASSERT_TRUE(sfx.header.flags & FlagDataDescriptor);
  EXPECT_TRUE(Verify("secret"));
  EXPECT_EQ(work_[11], sfx.header.modTime >> 8);
  sfx.header.crc32 ^= 0xFF000000;  // the CRC's high byte plays no part
  EXPECT_TRUE(Verify("secret"));
  sfx.header.modTime ^= 0x0100;
  EXPECT_FALSE(Verify("secret"));
}

TEST_F(ZipCryptoTest, SevenZipCheckByteIsTheHighByteOfTheCrcWhenFlagBit3IsClear) {
  OpenArchive(ReadFixture("sevenzip_encrypted.zip"));
  ReadEncryptionHeader("docs/guide.txt");
  ASSERT_FALSE(sfx.header.flags & FlagDataDescriptor);
  EXPECT_TRUE(Verify("secret"));
  EXPECT_EQ(work_[11], sfx.header.crc32 >> 24);
  sfx.header.modTime ^= 0xFF00;  // the time plays no part
  EXPECT_TRUE(Verify("secret"));
  sfx.header.crc32 ^= 0x01000000;
  EXPECT_FALSE(Verify("secret"));
}

TEST_F(ZipCryptoTest, WrongPasswordsFailAndLeaveTheEncryptedCopyIntact) {
  OpenArchive(ReadFixture("infozip_encrypted.zip"));
  ReadEncryptionHeader("readme.txt");
  EXPECT_FALSE(Verify("Secret"));
  EXPECT_FALSE(Verify("secret "));
  EXPECT_EQ(memcmp(work_ + 12, original_, 12), 0);
}

TEST_F(ZipCryptoTest, TheRightPasswordAtTheSecondTryLeavesTheKeysOfThatPassword) {
  OpenArchive(ReadFixture("infozip_encrypted.zip"));
  ReadEncryptionHeader("readme.txt");
  ASSERT_FALSE(Verify("wrong"));
  ASSERT_TRUE(Verify("secret"));
  uint32_t keys[3] = {sfx.key0, sfx.key1, sfx.key2};

  // The same state comes from a first and only try with the right password.
  uint8_t fresh[24];
  memcpy(fresh + 12, original_, 12);
  ASSERT_TRUE(VerifyPassword(fresh, 12, sfx.header.flags, "secret", sfx.header.modTime, sfx.header.crc32));
  EXPECT_EQ(sfx.key0, keys[0]);
  EXPECT_EQ(sfx.key1, keys[1]);
  EXPECT_EQ(sfx.key2, keys[2]);
  EXPECT_EQ(memcmp(fresh, work_, 12), 0);
}

TEST_F(ZipCryptoTest, AnEmptyPasswordFailsWithoutTouchingTheKeysOrTheBuffer) {
  OpenArchive(ReadFixture("infozip_encrypted.zip"));
  ReadEncryptionHeader("readme.txt");
  sfx.key0 = 1, sfx.key1 = 2, sfx.key2 = 3;
  EXPECT_FALSE(Verify(""));
  EXPECT_EQ(sfx.key0, 1u);
  EXPECT_EQ(sfx.key1, 2u);
  EXPECT_EQ(sfx.key2, 3u);
  for (int i = 0; i < 12; i++) EXPECT_EQ(work_[i], 0) << i;
}

TEST_F(ZipCryptoTest, EveryEntryOfAnInfoZipArchiveVerifiesWithItsPassword) {
  OpenArchive(ReadFixture("infozip_encrypted.zip"));
  for (const char* name : {"readme.txt", "docs/guide.txt", "tiny.txt", "photo.bin"}) {
    ReadEncryptionHeader(name);
    EXPECT_TRUE(sfx.header.flags & FlagEncrypted) << name;
    EXPECT_TRUE(Verify("secret")) << name;
  }
}
