#include "extract/zip_crypto.h"

#include <cstring>

#include "extract/archive_walk.h"
#include "extract/sfx_state.h"
#include "tests/unit/test_support.h"

class ZipCryptoTest : public EngineTest {
 protected:
  // Positions on the named entry and reads its encryption header into the work buffer's
  // second half, as an extraction run does.
  void ReadEncryptionHeader(const std::string& name) {
    uint32_t headerPos = FindEntry(name);
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
