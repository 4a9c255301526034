#include "tools/mksfx/pe_image.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "extract/little_endian.h"
#include "tools/mksfx/errors.h"

namespace {

constexpr size_t DosHeaderSize = 64;
constexpr size_t PeOffsetField = 0x3C;      // e_lfanew, in the DOS header
constexpr size_t FileHeaderSize = 20;       // behind the 4-byte "PE\0\0"
constexpr size_t ChecksumInOptional = 64;   // the same in PE32 and PE32+ headers
constexpr size_t ChecksumSize = 4;
constexpr size_t HeadSize = 4096;           // the headers of any program mksfx writes

using FilePtr = std::unique_ptr<FILE, int (*)(FILE*)>;

size_t ChecksumOffset(const uint8_t* head, size_t size) {
  size_t pe = PeHeaderOffset(head, size);
  size_t at = pe + 4 + FileHeaderSize + ChecksumInOptional;
  return pe != 0 && at + ChecksumSize <= size ? at : 0;
}

// The sum of the file's 16-bit little-endian words with the carries folded back in, the
// checksum field counting as zero; an odd last byte is a word of its own.
class WordSum {
 public:
  void Add(const uint8_t* p, size_t count) {
    for (size_t i = 0; i + 1 < count; i += 2) AddWord(Load16(p + i));
    if (count % 2) AddWord(p[count - 1]);
  }
  uint32_t Checksum(uint64_t fileSize) const { return static_cast<uint32_t>(sum_ + fileSize); }

 private:
  void AddWord(uint16_t word) {
    sum_ += word;
    sum_ = (sum_ & 0xFFFF) + (sum_ >> 16);
  }
  uint32_t sum_ = 0;
};

}  // namespace

size_t PeHeaderOffset(const uint8_t* head, size_t size) {
  if (size < DosHeaderSize || head[0] != 'M' || head[1] != 'Z') return 0;
  uint32_t at = Load32(head + PeOffsetField);
  if (at < DosHeaderSize || at > size - 6 || std::memcmp(head + at, "PE\0\0", 4) != 0) return 0;
  return at;
}

uint16_t PeMachine(const uint8_t* head, size_t size) {
  size_t at = PeHeaderOffset(head, size);
  return at ? Load16(head + at + 4) : 0;
}

void StampPeChecksum(const std::string& path) {
  FilePtr file(std::fopen(path.c_str(), "r+b"), &std::fclose);
  if (!file) throw Fatal("cannot open " + path + " to write its checksum");
  std::vector<uint8_t> buffer(1 << 20);  // even, so no word straddles two reads
  size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
  size_t field = ChecksumOffset(buffer.data(), std::min(got, HeadSize));
  if (field == 0) throw Fatal(path + ": the stub has no PE header to hold the checksum");
  std::memset(&buffer[field], 0, ChecksumSize);
  WordSum sum;
  uint64_t total = 0;
  for (; got > 0; got = std::fread(buffer.data(), 1, buffer.size(), file.get())) {
    sum.Add(buffer.data(), got);
    total += got;
  }
  uint8_t stamp[ChecksumSize];
  uint32_t checksum = sum.Checksum(total);
  for (size_t i = 0; i < ChecksumSize; i++) stamp[i] = static_cast<uint8_t>(checksum >> (8 * i));
  if (std::ferror(file.get()) || std::fseek(file.get(), static_cast<long>(field), SEEK_SET) != 0 ||
      std::fwrite(stamp, 1, ChecksumSize, file.get()) != ChecksumSize || std::fflush(file.get()) != 0)
    throw Fatal("cannot write the checksum into " + path);
}
