#include "tests/unit/test_support.h"

#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

#include "extract/archive_walk.h"
#include "extract/local_header.h"
#include "extract/tables.h"
#include "extract/sfx_state.h"

namespace fs = std::filesystem;

fs::path NativePath(const std::string& path) {
  std::string native = path;
#ifndef _WIN32
  for (char& c : native)
    if (c == '\\') c = '/';
#endif
  return fs::u8path(native);
}

Bytes ReadWholeFile(const std::string& path) {
  std::ifstream in(NativePath(path), std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes ReadFixture(const std::string& name) {
  Bytes bytes = ReadWholeFile(std::string(KVX_TEST_DATA) + "/" + name);
  EXPECT_FALSE(bytes.empty()) << "missing fixture " << name;
  return bytes;
}

void WriteWholeFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(NativePath(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

uint32_t ZlibCrc(const Bytes& bytes) {
  return static_cast<uint32_t>(crc32(0, bytes.data(), static_cast<uInt>(bytes.size())));
}

uint16_t Get16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
uint32_t Get32(const Bytes& b, size_t at) { return Get16(b, at) | (uint32_t(Get16(b, at + 2)) << 16); }
void Put16(Bytes& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(Bytes& b, size_t at, uint32_t v) {
  Put16(b, at, static_cast<uint16_t>(v));
  Put16(b, at + 2, static_cast<uint16_t>(v >> 16));
}

std::vector<CentralEntry> CentralEntries(const Bytes& zip) {
  std::vector<CentralEntry> entries;
  size_t end = zip.size() - 22;
  while (Get32(zip, end) != 0x06054B50) end--;
  size_t at = Get32(zip, end + 16);
  for (uint16_t n = Get16(zip, end + 10); n > 0; n--) {
    const char* name = reinterpret_cast<const char*>(zip.data() + at + 46);
    entries.push_back({std::string(name, Get16(zip, at + 28)), Get32(zip, at + 16), Get32(zip, at + 24),
                       Get32(zip, at + 42), Get32(zip, at + 20)});
    at += 46 + Get16(zip, at + 28) + Get16(zip, at + 30) + Get16(zip, at + 32);
  }
  return entries;
}

std::vector<size_t> LocalHeaderOffsets(const Bytes& zip) {
  std::vector<size_t> offsets;
  for (const CentralEntry& entry : CentralEntries(zip)) offsets.push_back(entry.localHeader);
  return offsets;
}

size_t DataOffset(const Bytes& zip, const CentralEntry& entry) {
  size_t at = entry.localHeader;
  return at + 30 + Get16(zip, at + 26) + Get16(zip, at + 28);
}

size_t DataEndOffset(const Bytes& zip, const CentralEntry& entry) {
  return DataOffset(zip, entry) + entry.compressedSize;
}

void EngineTest::SetUp() {
  sfx = SfxState();
  CreateTables();
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  // The process id keeps two checkouts' runs (a clean clone's CI beside a working tree) apart.
  std::string test = std::string(info->test_suite_name()) + "." + info->name() + "." + std::to_string(getpid());
  fs::path dir = fs::temp_directory_path() / "kvx-tests" / test;
  fs::remove_all(dir);
  fs::create_directories(dir);
  scratch_ = dir.string();
  for (char& c : scratch_)
    if (c == '/') c = '\\';
}

void EngineTest::TearDown() {
  if (sfx.archiveHandle != platform::InvalidFile) platform::CloseFile(sfx.archiveHandle);
  if (sfx.outputHandle != platform::InvalidFile) platform::CloseFile(sfx.outputHandle);
  ReleaseTables();
  sfx = SfxState();
  if (!HasFailure()) {
    std::error_code ignored;
    fs::remove_all(NativePath(scratch_), ignored);
  }
}

std::string EngineTest::Scratch(const std::string& relative) const {
  return relative.empty() ? scratch_ : scratch_ + "\\" + relative;
}

void EngineTest::OpenArchive(const Bytes& zip) { OpenArchive(zip, 0, {}); }

void EngineTest::OpenArchive(const Bytes& zip, uint64_t farAt, const Bytes& far) {
  Bytes file(ArchiveBase, 0);
  file.insert(file.end(), zip.begin(), zip.end());
  std::string path = Scratch("program.exe");
  WriteWholeFile(path, file);
  if (!far.empty()) {
    std::fstream out(NativePath(path), std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(static_cast<std::streamoff>(farAt));
    out.write(reinterpret_cast<const char*>(far.data()), static_cast<std::streamsize>(far.size()));
    ASSERT_TRUE(out.good()) << "cannot write at offset " << farAt;
  }
  sfx.archiveHandle = platform::OpenForReading(path.c_str());
  ASSERT_NE(sfx.archiveHandle, platform::InvalidFile);
}

std::vector<std::string> EngineTest::WalkNames() {
  std::vector<std::string> names;
  if (!StartWalk()) return names;
  while (ReadLocalHeader()) {
    uint64_t headerPos = static_cast<uint64_t>(sfx.filePos);
    names.push_back(ReadEntryName());
    if (names.back().empty() || !SeekNextHeader(headerPos)) break;
  }
  return names;
}

uint64_t EngineTest::FindEntry(const std::string& name) {
  EXPECT_TRUE(StartWalk());
  while (ReadLocalHeader()) {
    uint64_t headerPos = static_cast<uint64_t>(sfx.filePos);
    std::string found = ReadEntryName();
    if (found == name) return headerPos;
    if (!SeekNextHeader(headerPos)) break;
  }
  ADD_FAILURE() << "no entry " << name;
  return 0;
}
