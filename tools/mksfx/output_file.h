// The exe being written: a temporary file beside the target, renamed over it only when it is
// complete, so the target is either the old file or the whole new one, never a part.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
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
  // Reads the finished file (first argument) and writes a changed copy (second argument).
  using Rewrite = std::function<void(const std::string&, const std::string&)>;
  // Cuts the file at the current position, writes its PE checksum, lets `rewrite` (when given)
  // make the last change to a copy, and renames the result over the target.
  void Commit(const Rewrite& rewrite = nullptr);

 private:
  std::string target_;
  std::string temporary_;
  std::string rewritten_;  // the rewrite's copy, another temporary file
  FILE* file_ = nullptr;
  uint64_t position_ = 0;
  bool committed_ = false;
};
