#include "tools/mksfx/output_file.h"

#include <filesystem>

#include "tools/mksfx/errors.h"
#include "tools/mksfx/host.h"
#include "tools/mksfx/limits.h"
#include "tools/mksfx/pe_image.h"

namespace fs = std::filesystem;

namespace {

// A name no other run picks: the target's name, ".tmp-" and 16 random hex digits.
std::string TemporaryNameFor(const std::string& target) {
  uint8_t random[8];
  if (!host::FillRandom(random, sizeof random)) throw Fatal("cannot read the system's random source");
  static const char digits[] = "0123456789abcdef";
  std::string name = target + ".tmp-";
  for (uint8_t b : random) {
    name.push_back(digits[b >> 4]);
    name.push_back(digits[b & 15]);
  }
  return name;
}

// A name beside the target that no file has yet.
std::string UnusedTemporaryNameFor(const std::string& target) {
  std::string name = TemporaryNameFor(target);
  return fs::exists(fs::path(name)) ? TemporaryNameFor(target) : name;
}

void RemoveQuietly(const std::string& path) {
  std::error_code ignored;
  if (!path.empty()) fs::remove(fs::path(path), ignored);
}

}  // namespace

OutputFile::OutputFile(const std::string& target) : target_(target) {
  temporary_ = UnusedTemporaryNameFor(target);
  file_ = std::fopen(temporary_.c_str(), "wb");
  if (!file_) throw Fatal("cannot create " + temporary_ + " (the folder of " + target + " must be writable)");
}

OutputFile::~OutputFile() {
  if (file_) std::fclose(file_);
  if (!committed_) {
    RemoveQuietly(temporary_);
    RemoveQuietly(rewritten_);
  }
}

void OutputFile::Write(const void* data, size_t count) {
  if (position_ + count >= OutputLimit) throw Fatal(TooBigForWindows);
  if (count > 0 && std::fwrite(data, 1, count, file_) != count) throw Fatal("cannot write " + temporary_);
  position_ += count;
}

void OutputFile::SeekTo(uint64_t position) {
  if (!host::SeekTo(file_, position)) throw Fatal("cannot seek in " + temporary_);
  position_ = position;
}

void OutputFile::Commit(const Rewrite& rewrite) {
  bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!closed) throw Fatal("cannot finish writing " + temporary_);
  std::error_code error;
  fs::resize_file(fs::path(temporary_), position_, error);
  if (error) throw Fatal("cannot trim " + temporary_ + ": " + error.message());
  StampPeChecksum(temporary_);
  if (rewrite) {
    rewritten_ = UnusedTemporaryNameFor(target_);
    rewrite(temporary_, rewritten_);
    RemoveQuietly(temporary_);
    temporary_.swap(rewritten_);
    rewritten_.clear();
  }
  if (!host::RenameOver(temporary_, target_)) throw Fatal("cannot rename " + temporary_ + " to " + target_);
  committed_ = true;
}
