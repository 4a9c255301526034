// Where the archive writer puts its bytes: the exe being written (OutputFile), or memory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tools/mksfx/zip_records.h"

class ArchiveOutput {
 public:
  virtual ~ArchiveOutput() = default;

  // Writes at the current position.
  virtual void Write(const void* data, size_t count) = 0;
  void Write(const Bytes& bytes) { Write(bytes.data(), bytes.size()); }
  virtual uint64_t Position() const = 0;
  // Moves back to an earlier position; later writes overwrite what stood there.
  virtual void SeekTo(uint64_t position) = 0;
  // Overwrites bytes at an earlier position and comes back to where writing was.
  void Patch(uint64_t at, const Bytes& bytes) {
    uint64_t resume = Position();
    SeekTo(at);
    Write(bytes);
    SeekTo(resume);
  }
};
