#include "extract/archive_walk.h"
#include "extract/local_header.h"

#include "extract/sfx_state.h"
#include "tests/unit/test_support.h"

class ArchiveWalkTest : public EngineTest {};

TEST_F(ArchiveWalkTest, ThirteenEntriesThenTheCentralDirectoryEndsTheWalk) {
  OpenArchive(ReadFixture("walk13.zip"));
  std::vector<std::string> names = WalkNames();
  ASSERT_EQ(names.size(), 13u);
  EXPECT_EQ(names.front(), "dir1/entry01.txt");
  EXPECT_EQ(names.back(), "dir1/entry13.txt");
  EXPECT_EQ(sfx.header.signature, 0x02014B50u);  // the 14th read found the central directory
}

TEST_F(ArchiveWalkTest, TheFirstHeaderStandsAtTheImageSize) {
  OpenArchive(ReadFixture("walk13.zip"));
  ASSERT_TRUE(StartWalk());
  EXPECT_EQ(sfx.archiveBase, ArchiveBase);
  EXPECT_EQ(sfx.filePos, static_cast<int32_t>(ArchiveBase));
  EXPECT_EQ(sfx.expectedSignature, 0x04034B50u);
}

TEST_F(ArchiveWalkTest, ExtraFieldsAreSteppedOverToReachTheData) {
  Bytes zip = ReadFixture("infozip_dirs.zip");
  OpenArchive(zip);
  uint64_t headerPos = FindEntry("tiny.txt");
  ASSERT_GT(sfx.header.extraLength, 0u);
  uint64_t data = DataPosition(headerPos) - ArchiveBase;
  // The five stored bytes stand right behind the extra field.
  EXPECT_EQ(sfx.header.method, 0u);
  Bytes body(zip.begin() + static_cast<long>(data), zip.begin() + static_cast<long>(data) + 5);
  EXPECT_EQ(ZlibCrc(body), sfx.header.crc32);
  std::vector<std::string> names = WalkNames();
  EXPECT_EQ(names.size(), LocalHeaderOffsets(zip).size());
}

TEST_F(ArchiveWalkTest, ANameEndsAtAZeroByteButTheWalkStepsOverAllItsBytes) {
  Bytes zip = ReadFixture("walk13.zip");
  size_t first = LocalHeaderOffsets(zip)[0];
  zip[first + 30 + 3] = 0;  // "dir1/entry01.txt" -> "dir"
  OpenArchive(zip);
  std::vector<std::string> names = WalkNames();
  ASSERT_EQ(names.size(), 13u);
  EXPECT_EQ(names[0], "dir");
  EXPECT_EQ(names[1], "dir2/entry02.txt");
}

TEST_F(ArchiveWalkTest, ANameOfLengthZeroIsEmpty) {
  Bytes zip = ReadFixture("walk13.zip");
  Put16(zip, LocalHeaderOffsets(zip)[1] + 26, 0);
  OpenArchive(zip);
  std::vector<std::string> names = WalkNames();
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[1], "");
}

TEST_F(ArchiveWalkTest, TheOddSignatureIsAcceptedLikeTheLocalOne) {
  Bytes zip = ReadFixture("walk13.zip");
  Put32(zip, LocalHeaderOffsets(zip)[2], 0x50000000);  // bytes 00 00 00 50
  OpenArchive(zip);
  EXPECT_EQ(WalkNames().size(), 13u);
}

// What a walk over every entry finds: the central directory's names, in its order.
static std::vector<std::string> CentralNames(const Bytes& zip) {
  std::vector<std::string> names;
  for (const CentralEntry& entry : CentralEntries(zip)) names.push_back(entry.name);
  return names;
}

TEST_F(ArchiveWalkTest, StreamedEntriesAreWalkedBehindTheirDescriptors) {
  for (const char* fixture : {"streamed.zip", "infozip_pipe.zip", "infozip_pipe_stored.zip",
                              "infozip_stdin.zip", "jar_streamed.zip"}) {
    Bytes zip = ReadFixture(fixture);
    OpenArchive(zip);
    EXPECT_EQ(WalkNames(), CentralNames(zip)) << fixture;
    EXPECT_EQ(sfx.header.signature, 0x02014B50u) << fixture;
    platform::CloseFile(sfx.archiveHandle);
    sfx.archiveHandle = platform::InvalidFile;
  }
}

TEST_F(ArchiveWalkTest, AZip64StreamedEntryTakesIts64BitSizesFromItsDescriptor) {
  Bytes zip = ReadFixture("infozip_stdin.zip");  // Info-ZIP reading standard input
  OpenArchive(zip);
  uint64_t headerPos = FindEntry("-");
  EXPECT_TRUE(sfx.hasZip64);
  EXPECT_EQ(sfx.header.compressedSize, 0xFFFFFFFFu);
  EXPECT_TRUE(sfx.streamed);
  ASSERT_TRUE(SeekNextHeader(headerPos));
  const CentralEntry entry = CentralEntries(zip)[0];
  EXPECT_EQ(sfx.stated.crc, entry.crc);
  EXPECT_EQ(sfx.stated.size, entry.size);
  // Behind the 24-byte descriptor (signature, CRC-32, two 64-bit sizes): the central directory.
  EXPECT_EQ(sfx.entryEnd, DataPosition(headerPos) + sfx.stated.compressedSize + 24);
  EXPECT_FALSE(ReadLocalHeader());
  EXPECT_EQ(sfx.header.signature, 0x02014B50u);
}

TEST_F(ArchiveWalkTest, EncryptedStreamedEntriesAreDelimitedByTheirSignedDescriptors) {
  // No keys during a walk: the entries cannot be decoded to find their ends.
  Bytes zip = ReadFixture("infozip_pipe_encrypted.zip");
  OpenArchive(zip);
  EXPECT_EQ(WalkNames(), CentralNames(zip));
  EXPECT_EQ(sfx.header.signature, 0x02014B50u);
}

TEST_F(ArchiveWalkTest, AStoredEntryWithoutSizesEndsAtTheDescriptorThatMatchesItsBytes) {
  Bytes zip = ReadFixture("streamed_stored.zip");  // one.txt, empty.txt, two.bin, three.txt
  OpenArchive(zip);
  EXPECT_EQ(WalkNames(), CentralNames(zip));
  EXPECT_EQ(sfx.header.signature, 0x02014B50u);
  uint64_t headerPos = FindEntry("two.bin");
  ASSERT_TRUE(SeekNextHeader(headerPos));
  EXPECT_EQ(sfx.stated.size, 300u);
  EXPECT_EQ(sfx.stated.compressedSize, 300u);
  EXPECT_EQ(sfx.stated.crc, CentralEntries(zip)[2].crc);
}

TEST_F(ArchiveWalkTest, AStoredEntryWhoseDescriptorDoesNotMatchItsBytesEndsTheWalk) {
  Bytes zip = ReadFixture("streamed_stored.zip");
  const CentralEntry two = CentralEntries(zip)[2];
  zip[DataOffset(zip, two) + 10] ^= 1;  // the descriptor's CRC-32 no longer holds
  OpenArchive(zip);
  EXPECT_EQ(WalkNames(), (std::vector<std::string>{"one.txt", "empty.txt", "two.bin"}));
  EXPECT_EQ(sfx.entryEnd, UnknownEnd);
}

TEST_F(ArchiveWalkTest, StoredDataThatBeginsWithZeroBytesIsNotTakenForAnEmptyEntry) {
  Bytes zip = ReadFixture("streamed_stored_zeros.zip");  // zeros.bin, after.txt
  OpenArchive(zip);
  EXPECT_EQ(WalkNames(), CentralNames(zip));
  ASSERT_TRUE(SeekNextHeader(FindEntry("zeros.bin")));
  EXPECT_EQ(sfx.stated.size, 100u);
}

TEST_F(ArchiveWalkTest, DescriptorsBehindEncryptedEntriesAreSteppedOver) {
  Bytes zip = ReadFixture("infozip_encrypted.zip");
  OpenArchive(zip);
  std::vector<std::string> names = WalkNames();
  EXPECT_EQ(names, (std::vector<std::string>{"readme.txt", "docs/guide.txt", "tiny.txt", "photo.bin"}));
  EXPECT_EQ(sfx.header.signature, 0x02014B50u);
}

TEST_F(ArchiveWalkTest, DescriptorsWithoutTheirSignatureAreSteppedOverToo) {
  // Rebuild the Info-ZIP archive with each 16-byte descriptor cut to its 12 unsigned bytes.
  Bytes zip = ReadFixture("infozip_encrypted.zip");
  std::vector<size_t> offsets = LocalHeaderOffsets(zip);
  Bytes local;
  for (size_t at : offsets) {
    size_t end = at + 30 + Get16(zip, at + 26) + Get16(zip, at + 28) + Get32(zip, at + 18);
    ASSERT_EQ(Get32(zip, end), 0x08074B50u);
    local.insert(local.end(), zip.begin() + static_cast<long>(at), zip.begin() + static_cast<long>(end));
    local.insert(local.end(), zip.begin() + static_cast<long>(end) + 4, zip.begin() + static_cast<long>(end) + 16);
  }
  OpenArchive(local);
  EXPECT_EQ(WalkNames().size(), offsets.size());
}

TEST_F(ArchiveWalkTest, ADescriptorThatDoesNotRepeatTheHeaderIsNotSkipped) {
  Bytes zip = ReadFixture("infozip_encrypted.zip");
  size_t at = LocalHeaderOffsets(zip)[0];
  size_t end = at + 30 + Get16(zip, at + 26) + Get16(zip, at + 28) + Get32(zip, at + 18);
  Put32(zip, end + 4, Get32(zip, end + 4) ^ 1);  // the descriptor's CRC no longer agrees
  OpenArchive(zip);
  EXPECT_EQ(WalkNames().size(), 1u);
}

TEST_F(ArchiveWalkTest, NothingAppendedMeansNoEntry) {
  OpenArchive({});
  ASSERT_TRUE(StartWalk());
  EXPECT_FALSE(ReadLocalHeader());
  EXPECT_EQ(sfx.header.signature, 0u);
}

TEST_F(ArchiveWalkTest, AHeaderCutShortEndsTheWalk) {
  Bytes zip = ReadFixture("walk13.zip");
  size_t second = LocalHeaderOffsets(zip)[1];
  zip.resize(second + 20);  // a signature, but only 20 of the 30 bytes
  OpenArchive(zip);
  EXPECT_EQ(WalkNames().size(), 1u);
}

TEST_F(ArchiveWalkTest, SizesThatWouldWrapAroundEndTheWalk) {
  Bytes zip = ReadFixture("walk13.zip");
  size_t first = LocalHeaderOffsets(zip)[0];
  // Unsigned 32-bit arithmetic would land exactly on this same header again, for ever.
  uint32_t toItself = 0u - (30 + Get16(zip, first + 26) + Get16(zip, first + 28));
  Put32(zip, first + 18, toItself);
  OpenArchive(zip);
  EXPECT_EQ(WalkNames().size(), 1u);
}

TEST_F(ArchiveWalkTest, ASizeThatLeadsBeyondWhatASeekReachesEndsTheWalk) {
  // The first entry's sizes in a ZIP64 field, its compressed size close to 2^63.
  Bytes zip = ReadFixture("walk13.zip");
  size_t nameEnd = LocalHeaderSize + Get16(zip, 26);
  ASSERT_EQ(Get16(zip, 28), 0);
  Bytes zip64 = {0x01, 0x00, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F};
  zip.insert(zip.begin() + static_cast<long>(nameEnd), zip64.begin(), zip64.end());
  Put16(zip, 28, static_cast<uint16_t>(zip64.size()));
  Put32(zip, 18, 0xFFFFFFFF);
  Put32(zip, 22, 0xFFFFFFFF);
  OpenArchive(zip);
  ASSERT_TRUE(StartWalk());
  ASSERT_TRUE(ReadLocalHeader());
  uint64_t headerPos = static_cast<uint64_t>(sfx.filePos);
  ReadEntryName();
  EXPECT_EQ(sfx.stated.compressedSize, 0x7FFFFFFFFFFFFFF0u);
  EXPECT_FALSE(SeekNextHeader(headerPos));
  EXPECT_EQ(sfx.filePos, -1);
}

TEST_F(ArchiveWalkTest, TextFromBufferCutsAtTheFirstZero) {
  const char raw[] = {'a', 'b', '\0', 'c'};
  EXPECT_EQ(TextFromBuffer(raw, 4), "ab");
  EXPECT_EQ(TextFromBuffer(raw, 1), "a");
  EXPECT_EQ(TextFromBuffer(raw, 0), "");
}

TEST_F(ArchiveWalkTest, AVeryLongNameIsReadWhole) {
  Bytes zip = ReadFixture("walk13.zip");
  size_t first = LocalHeaderOffsets(zip)[0];
  uint16_t oldLength = Get16(zip, first + 26);
  std::string longName(1000, 'n');
  zip.erase(zip.begin() + static_cast<long>(first) + 30, zip.begin() + static_cast<long>(first) + 30 + oldLength);
  zip.insert(zip.begin() + static_cast<long>(first) + 30, longName.begin(), longName.end());
  Put16(zip, first + 26, 1000);
  OpenArchive(zip);
  std::vector<std::string> names = WalkNames();
  ASSERT_EQ(names.size(), 13u);
  EXPECT_EQ(names[0], longName);
}
