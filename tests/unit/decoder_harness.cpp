#include "tests/unit/decoder_harness.h"

#include <filesystem>

#include "extract/archive_reader.h"
#include "extract/local_header.h"
#include "extract/decoders.h"
#include "extract/sfx_state.h"
#include "extract/zip_crypto.h"

DecoderTest::Decoded DecoderTest::Decode(const std::string& name, const std::string& password) {
  uint64_t headerPos = FindEntry(name);
  SeekArchive(DataPosition(headerPos));
  int32_t remaining = static_cast<int32_t>(sfx.header.compressedSize);
  if (sfx.header.flags & FlagEncrypted) {
    uint8_t work[2 * EncryptionHeaderSize];
    platform::ReadFile(sfx.archiveHandle, work + EncryptionHeaderSize, EncryptionHeaderSize);
    EXPECT_TRUE(VerifyPassword(work, EncryptionHeaderSize, sfx.header.flags, password,
                               sfx.header.modTime, sfx.header.crc32));
    remaining -= EncryptionHeaderSize;
  }
  return RunDecoder(remaining);
}

DecoderTest::Decoded DecoderTest::RunDecoder(int32_t remaining) {
  std::string outputPath = Scratch("output.bin");
  std::filesystem::remove(NativePath(outputPath));  // files are only ever created new
  sfx.outputHandle = platform::CreateForWriting(outputPath.c_str());
  EXPECT_NE(sfx.outputHandle, platform::InvalidFile);
  sfx.crc = 0xFFFFFFFF;
  sfx.remaining = remaining;
  sfx.decoded = {};
  if (sfx.header.method == MethodStored) CopyStored();
  if (sfx.header.method == MethodDeflated) InflateEntry();
  platform::CloseFile(sfx.outputHandle);
  sfx.outputHandle = platform::InvalidFile;
  uint32_t crc = sfx.crc ^ 0xFFFFFFFF;
  return {ReadWholeFile(outputPath), crc, crc == sfx.header.crc32};
}
