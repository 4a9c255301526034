// The exe being written: a temporary file beside the target, renamed over it only when it is
// complete, so the target is either the old file or the whole new one, never a part.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "tools/mksfx/zip_records.h"

class OutputFile {
 public:
  // Creates the temporary file in the target's folder.
  explicit OutputFile(const std::string& target);
  // Removes the temporary file unless Commit has run.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Writes at the current position; refuses to grow the file to OutputLimit or beyond.
  void Write(const void* data, size_t count);
  void Write(const Bytes& bytes) { Write(bytes.data(), bytes.size()); }
  uint64_t Position() const { return position_; }
  // Moves back to an earlier position; later writes overwrite what stood there.
  void SeekTo(uint64_t position);
  // Overwrites bytes at an earlier position and comes back to where writing was.
  void Patch(uint64_t at, const Bytes& bytes);
  // Cuts the file at the current position and renames it over the target.
  void Commit();

 private:
  std::string target_;
  std::string temporary_;
  FILE* file_ = nullptr;
  uint64_t position_ = 0;
  bool committed_ = false;
};
