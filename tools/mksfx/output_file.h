// The exe being written: a temporary file beside the target, renamed over it only when it is
// complete, so the target is either the old file or the whole new one, never a part.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "tools/mksfx/archive_output.h"

class OutputFile : public ArchiveOutput {
 public:
  // Creates the temporary file in the target's folder.
  explicit OutputFile(const std::string& target);
  // Removes the temporary file unless Commit has run.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  using ArchiveOutput::Write;
  // Refuses to grow the file to OutputLimit or beyond.
  void Write(const void* data, size_t count) override;
  uint64_t Position() const override { return position_; }
  void SeekTo(uint64_t position) override;
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
