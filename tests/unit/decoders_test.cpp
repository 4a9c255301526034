#include "extract/decoders.h"

#include <iterator>

#include "extract/archive_walk.h"
#include "extract/sfx_state.h"
#include "extract/zip_crypto.h"
#include "tests/unit/decoder_harness.h"
#ifndef _WIN32
#include "platform/posix/write_budget.h"
#endif

class DecodersTest : public DecoderTest {};

static const uint32_t ChunkBoundarySizes[] = {0, 1, 32767, 32768, 32769, 65536};

TEST_F(DecodersTest, EntriesAtTheChunkAndWindowBoundariesDecodeExactly) {
  struct Case { const char* archive; const char* prefix; const char* suffix; uint16_t method; };
  for (Case c : {Case{"sizes_stored.zip", "s", ".bin", MethodStored},
                 Case{"sizes_deflated.zip", "d", ".txt", MethodDeflated}}) {
    Bytes zip = ReadFixture(c.archive);
    for (uint32_t size : ChunkBoundarySizes) {
      OpenArchive(zip);
      Decoded d = Decode(c.prefix + std::to_string(size) + c.suffix);
      EXPECT_EQ(sfx.header.method, c.method);
      EXPECT_EQ(d.output.size(), size) << c.archive;
      EXPECT_TRUE(d.verifies) << c.archive << " " << size;
      EXPECT_EQ(ZlibCrc(d.output), sfx.header.crc32) << c.archive << " " << size;
      EXPECT_EQ(sfx.remaining, 0) << c.archive << " " << size;
      platform::CloseFile(sfx.archiveHandle);
    }
  }
}

TEST_F(DecodersTest, TheOutcomeCountsWhatWasProducedAndTakenAndWhetherTheDataEnded) {
  for (const char* entry : {"s65536.bin", "d65536.txt"}) {
    OpenArchive(ReadFixture(entry[0] == 's' ? "sizes_stored.zip" : "sizes_deflated.zip"));
    Decode(entry);
    EXPECT_EQ(sfx.decoded.produced, 65536u) << entry;
    EXPECT_EQ(sfx.decoded.consumed, sfx.header.compressedSize) << entry;
    EXPECT_TRUE(sfx.decoded.reachedEnd) << entry;
    platform::CloseFile(sfx.archiveHandle);
  }
}

TEST_F(DecodersTest, NothingBeyondTheOutputLimitIsWrittenButAllIsCounted) {
  for (const char* entry : {"s65536.bin", "d65536.txt"}) {
    OpenArchive(ReadFixture(entry[0] == 's' ? "sizes_stored.zip" : "sizes_deflated.zip"));
    sfx.outputLimit = 40000;
    Decoded d = Decode(entry);
    EXPECT_EQ(d.output.size(), 40000u) << entry;
    EXPECT_EQ(d.crc, ZlibCrc(d.output)) << entry;
    EXPECT_EQ(sfx.decoded.produced, 65536u) << entry;
    platform::CloseFile(sfx.archiveHandle);
  }
}

TEST_F(DecodersTest, ATruncatedStreamDoesNotReachItsEnd) {
  Bytes zip = ReadFixture("sizes_deflated.zip");
  size_t at = LocalHeaderOffsets(zip)[5];
  Put32(zip, at + 18, Get32(zip, at + 18) / 2);
  OpenArchive(zip);
  Decode("d65536.txt");
  EXPECT_FALSE(sfx.decoded.reachedEnd);
}

TEST_F(DecodersTest, StoredBlocksInsideADeflateStreamInflate) {
  OpenArchive(ReadFixture("sizes_deflated.zip"));
  Decoded d = Decode("random70000.bin");
  EXPECT_EQ(d.output.size(), 70000u);
  EXPECT_TRUE(d.verifies);
}

TEST_F(DecodersTest, EncryptedEntriesDecryptAsTheyAreRead) {
  struct Case { const char* archive; const char* entry; uint16_t method; };
  for (Case c : {Case{"infozip_encrypted_stored.zip", "readme.txt", MethodStored},
                 Case{"infozip_encrypted.zip", "docs/guide.txt", MethodDeflated},
                 Case{"infozip_encrypted_stored.zip", "tiny.txt", MethodStored},
                 Case{"sevenzip_encrypted.zip", "docs/guide.txt", MethodDeflated},
                 Case{"sevenzip_encrypted.zip", "readme.txt", MethodDeflated}}) {
    OpenArchive(ReadFixture(c.archive));
    Decoded d = Decode(c.entry, "secret");
    EXPECT_EQ(sfx.header.method, c.method) << c.archive << " " << c.entry;
    EXPECT_EQ(d.output.size(), sfx.header.uncompressedSize) << c.archive << " " << c.entry;
    EXPECT_TRUE(d.verifies) << c.archive << " " << c.entry;
    platform::CloseFile(sfx.archiveHandle);
  }
}

// The keys and plain bytes that decrypting the entry's data a byte at a time gives: what the
// decoders must reproduce, whatever they read ahead.
struct ByteAtATime {
  Bytes plain;
  uint32_t key0, key1, key2;
};
static ByteAtATime DecryptByteAtATime(const Bytes& zip, size_t headerAt, const std::string& password) {
  size_t data = headerAt + 30 + Get16(zip, headerAt + 26) + Get16(zip, headerAt + 28);
  InitKeys(password);
  ByteAtATime result;
  for (size_t i = 0; i < Get32(zip, headerAt + 18); i++) {
    uint8_t plain = zip[data + i] ^ DecryptByte();
    UpdateKeys(plain);
    if (i >= EncryptionHeaderSize) result.plain.push_back(plain);
  }
  result.key0 = sfx.key0, result.key1 = sfx.key1, result.key2 = sfx.key2;
  return result;
}

// From the second chunk on, an encrypted entry is read and decrypted ahead, on a second thread.
TEST_F(DecodersTest, EncryptedEntriesOfSeveralChunksComeOutAsDecryptedByteByByte) {
  Bytes zip = ReadFixture("infozip_encrypted_chunks.zip");
  std::vector<size_t> headers = LocalHeaderOffsets(zip);
  const char* names[] = {"s32768.bin", "s32769.bin", "s65537.bin", "random70000.bin", "text300000.txt"};
  for (size_t i = 0; i < std::size(names); i++) {
    ByteAtATime expected = DecryptByteAtATime(zip, headers[i], "secret");
    OpenArchive(zip);
    Decoded d = Decode(names[i], "secret");
    EXPECT_TRUE(d.verifies) << names[i];
    EXPECT_EQ(d.output.size(), sfx.header.uncompressedSize) << names[i];
    if (sfx.header.method == MethodStored) {
      EXPECT_EQ(d.output, expected.plain) << names[i];
    }
    // Every byte of the data went through the keys, in order, and nothing behind it.
    EXPECT_EQ(sfx.key0, expected.key0) << names[i];
    EXPECT_EQ(sfx.key1, expected.key1) << names[i];
    EXPECT_EQ(sfx.key2, expected.key2) << names[i];
    EXPECT_FALSE(sfx.aheadPending) << names[i];
    EXPECT_EQ(sfx.aheadBuffer, nullptr) << names[i];
    platform::CloseFile(sfx.archiveHandle);
  }
}

TEST_F(DecodersTest, AStreamThatEndsWhileTheNextChunkIsReadAheadStillVerifies) {
  Bytes zip = ReadFixture("infozip_encrypted_chunks.zip");
  size_t at = LocalHeaderOffsets(zip).back();  // text300000.txt, two chunks
  uint32_t size = Get32(zip, at + 18);
  Put32(zip, at + 18, size + 2 * ChunkSize);  // a third chunk is read ahead as the second is taken
  OpenArchive(zip);
  Decoded d = Decode("text300000.txt", "secret");
  EXPECT_EQ(d.output.size(), 300000u);
  EXPECT_TRUE(d.verifies);
  EXPECT_TRUE(sfx.decoded.reachedEnd);
  EXPECT_EQ(sfx.decoded.consumed, size - EncryptionHeaderSize);
  EXPECT_FALSE(sfx.aheadPending);
}

TEST_F(DecodersTest, AnArchiveThatEndsInAnEncryptedEntryEndsItWhereTheDataEnds) {
  Bytes zip = ReadFixture("infozip_encrypted_chunks.zip");
  size_t at = LocalHeaderOffsets(zip)[2];  // s65537.bin, three chunks
  ByteAtATime expected = DecryptByteAtATime(zip, at, "secret");
  size_t data = at + 30 + Get16(zip, at + 26) + Get16(zip, at + 28) + EncryptionHeaderSize;
  zip.resize(data + 40000);
  OpenArchive(zip);
  Decoded d = Decode("s65537.bin", "secret");
  EXPECT_EQ(d.output, Bytes(expected.plain.begin(), expected.plain.begin() + 40000));
  EXPECT_FALSE(d.verifies);
  EXPECT_EQ(sfx.decoded.consumed, 40000u);
}

TEST_F(DecodersTest, EncryptedEntryOfTwelveBytesOrLessReadsAndWritesNothing) {
  for (uint32_t compressedSize : {12u, 5u, 0u}) {
    Bytes zip = ReadFixture("infozip_encrypted_stored.zip");
    Put32(zip, LocalHeaderOffsets(zip)[0] + 18, compressedSize);
    OpenArchive(zip);
    FindEntry("readme.txt");
    Decoded d = RunDecoder(static_cast<int32_t>(compressedSize) - 12);
    EXPECT_TRUE(d.output.empty()) << compressedSize;
    EXPECT_EQ(d.crc, 0u) << compressedSize;
    platform::CloseFile(sfx.archiveHandle);
  }
}

TEST_F(DecodersTest, DeflatedEntryWithNothingToReadWritesNothing) {
  OpenArchive(ReadFixture("sizes_deflated.zip"));
  FindEntry("d65536.txt");
  Decoded d = RunDecoder(0);
  EXPECT_TRUE(d.output.empty());
  EXPECT_EQ(d.crc, 0u);
}

TEST_F(DecodersTest, ACompressedSizeThatIsTooSmallEndsDecodingAndFailsTheCheck) {
  Bytes zip = ReadFixture("sizes_deflated.zip");
  size_t at = LocalHeaderOffsets(zip)[5];
  Put32(zip, at + 18, Get32(zip, at + 18) / 2);
  OpenArchive(zip);
  Decoded d = Decode("d65536.txt");
  EXPECT_GT(d.output.size(), 0u);
  EXPECT_LT(d.output.size(), 65536u);
  EXPECT_EQ(d.crc, ZlibCrc(d.output));  // what was decoded was written and counted
  EXPECT_FALSE(d.verifies);
  EXPECT_EQ(sfx.remaining, 0);
}

TEST_F(DecodersTest, AnArchiveThatEndsInsideAnEntryEndsTheCopy) {
  for (const char* archive : {"sizes_stored.zip", "sizes_deflated.zip"}) {
    Bytes zip = ReadFixture(archive);
    size_t last = LocalHeaderOffsets(zip)[5];  // the 65536-byte entry
    zip.resize(last + 30 + Get16(zip, last + 26) + 1000);
    OpenArchive(zip);
    Decoded d = Decode(std::string(archive) == "sizes_stored.zip" ? "s65536.bin" : "d65536.txt");
    EXPECT_LT(d.output.size(), 65536u) << archive;
    EXPECT_FALSE(d.verifies) << archive;
    platform::CloseFile(sfx.archiveHandle);
  }
}

TEST_F(DecodersTest, CorruptDeflateDataEndsDecodingAndFailsTheCheck) {
  Bytes zip = ReadFixture("sizes_deflated.zip");
  size_t at = LocalHeaderOffsets(zip)[5];
  size_t data = at + 30 + Get16(zip, at + 26) + Get16(zip, at + 28);
  uint32_t size = Get32(zip, at + 18);
  for (size_t i = size / 3; i < size / 3 + 64; i++) zip[data + i] ^= 0xA5;
  OpenArchive(zip);
  Decoded d = Decode("d65536.txt");
  EXPECT_FALSE(d.verifies);
  EXPECT_LE(d.output.size(), 65536u * 4);
}

TEST_F(DecodersTest, BytesBehindTheFinalBlockAreNotDecodedAndTheNextEntryIsFound) {
  Bytes zip = ReadFixture("sizes_deflated.zip");
  size_t at = LocalHeaderOffsets(zip)[4];  // d32769.txt, followed by d65536.txt
  size_t end = at + 30 + Get16(zip, at + 26) + Get16(zip, at + 28) + Get32(zip, at + 18);
  Bytes surplus(100, 0x5A);
  zip.insert(zip.begin() + static_cast<long>(end), surplus.begin(), surplus.end());
  Put32(zip, at + 18, Get32(zip, at + 18) + 100);
  OpenArchive(zip);
  Decoded d = Decode("d32769.txt");
  EXPECT_EQ(d.output.size(), 32769u);
  EXPECT_TRUE(d.verifies);
  EXPECT_GT(sfx.remaining, 0);  // the surplus was left unread
  EXPECT_TRUE(Decode("d65536.txt").verifies);
}

#ifndef _WIN32
TEST_F(DecodersTest, AShortWriteFailsTheEntryForBothDecoders) {
  struct Case { const char* archive; const char* entry; };
  for (Case c : {Case{"sizes_stored.zip", "s65536.bin"}, Case{"sizes_deflated.zip", "d65536.txt"}}) {
    OpenArchive(ReadFixture(c.archive));
    platform::SetWriteBudget(40000);  // the disk fills up in the second piece
    Decoded d = Decode(c.entry);
    platform::SetWriteBudget(-1);
    EXPECT_EQ(d.output.size(), 40000u) << c.entry;
    EXPECT_EQ(d.crc, ZlibCrc(d.output)) << c.entry;  // counts exactly what reached the disk
    EXPECT_FALSE(d.verifies) << c.entry;
    platform::CloseFile(sfx.archiveHandle);
  }
}
#endif

static ReadAheadBalance Balance(uint64_t worked, uint64_t waited) {
  ReadAheadBalance balance = {};
  balance.worked = worked;
  balance.waited = waited;
  return balance;
}

TEST(ReadAheadBalanceTest, ReadingAheadPaysUntilTheWaitsExceedTheWorkDoneBesideItByTheAllowance) {
  const uint64_t chunk = 200000;  // nanoseconds to read and decrypt a chunk
  EXPECT_TRUE(ReadAheadPays(Balance(3000 * chunk, 0)));            // never waited
  EXPECT_TRUE(ReadAheadPays(Balance(3000 * chunk, 2700 * chunk)));  // waited for most of it
  EXPECT_TRUE(ReadAheadPays(Balance(3000 * chunk, 3000 * chunk + ReadAheadAllowance - 1)));
  EXPECT_FALSE(ReadAheadPays(Balance(3000 * chunk, 3000 * chunk + ReadAheadAllowance)));
}

// Each hand-over waits a millisecond for a fifth of one's work: at the start of a run while a
// halted processor wakes, or all along beside busy cores.
TEST(ReadAheadBalanceTest, ASlowStartDecidesNothingAndASecondThreadWithoutAProcessorCostsAtMostTheAllowance) {
  const uint64_t work = 200000, wait = 1000000;
  EXPECT_TRUE(ReadAheadPays(Balance(12 * work, 12 * wait)));
  uint32_t handovers = 0;
  ReadAheadBalance balance = {};
  while (!balance.givenUp && handovers < 1000) {
    WeighHandOver(balance, wait, work, ChunkSize);
    handovers++;
  }
  EXPECT_EQ(handovers, 20u);  // 16 ms lost, 0.8 ms at a time
  EXPECT_EQ(balance.waited - balance.worked, ReadAheadAllowance);
}

TEST(ReadAheadBalanceTest, AChunksWorkIsTakenAtTheFastestRateAnyChunkWasReadAndDecryptedAt) {
  ReadAheadBalance balance = {};
  WeighHandOver(balance, 0, 200000, ChunkSize);
  WeighHandOver(balance, 0, 2000000, ChunkSize);  // pre-empted for most of its time
  EXPECT_EQ(balance.worked, 400000u);
  WeighHandOver(balance, 0, 50000, ChunkSize / 2);  // a faster rate, for half the bytes
  WeighHandOver(balance, 0, 400000, ChunkSize);
  EXPECT_EQ(balance.worked, 400000u + 50000 + 100000);
  WeighHandOver(balance, 300, 1000, 0);  // nothing read: no work, but the wait counts
  EXPECT_EQ(balance.worked, 550000u);
  EXPECT_EQ(balance.waited, 300u);
  EXPECT_FALSE(balance.givenUp);
}
