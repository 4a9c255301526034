// Scaffolding shared by the engine tests: a fresh state per test, scratch folders, fixture
// archives made by other programs, and byte-level patching for malformed ones.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Windows path text as the host's file system takes it (the engine's own layer does this too).
std::filesystem::path NativePath(const std::string& path);
Bytes ReadFixture(const std::string& name);  // an archive from tests/data
Bytes ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const Bytes& bytes);
uint32_t ZlibCrc(const Bytes& bytes);

// What an archive's central directory (which the engine never reads) says of each entry.
struct CentralEntry {
  std::string name;
  uint32_t crc;
  uint32_t size;
  size_t localHeader;  // offset of the local header, the archive starting at offset 0
  uint32_t compressedSize;
};
std::vector<CentralEntry> CentralEntries(const Bytes& zip);
std::vector<size_t> LocalHeaderOffsets(const Bytes& zip);
// Offset of the entry's data, and of whatever follows it (its data descriptor, say).
size_t DataOffset(const Bytes& zip, const CentralEntry& entry);
size_t DataEndOffset(const Bytes& zip, const CentralEntry& entry);
void Put16(Bytes& bytes, size_t at, uint16_t value);
void Put32(Bytes& bytes, size_t at, uint32_t value);
uint16_t Get16(const Bytes& bytes, size_t at);
uint32_t Get32(const Bytes& bytes, size_t at);

// Makes a folder the current one for as long as it lives.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::string& folder) : before_(std::filesystem::current_path()) {
    std::filesystem::current_path(NativePath(folder));
  }
  ~CurrentFolder() { std::filesystem::current_path(before_); }

 private:
  std::filesystem::path before_;
};

// Each test starts from a fresh SfxState with a built CRC table and its own scratch folder
// (Windows path text, no trailing backslash). The archive under test is a stand-in image of
// ArchiveBase bytes with the ZIP appended, as the real program file is.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes image + zip to the scratch folder and opens it as sfx.archiveHandle.
  void OpenArchive(const Bytes& zip);
  // The same with `far` written at the file offset farAt; the gap in between stays a hole in a
  // sparse file, so offsets of 2 GiB cost no disk space.
  void OpenArchive(const Bytes& zip, uint64_t farAt, const Bytes& far);
  std::string Scratch(const std::string& relative = "") const;
  // Walks the open archive as a listing does; returns the names in archive order.
  std::vector<std::string> WalkNames();
  // Walks to the entry with that name, leaving sfx.header on it; returns its header position.
  uint64_t FindEntry(const std::string& name);

  std::string scratch_;
};
