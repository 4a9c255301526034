// A progress bar on stderr, drawn only when stderr is a terminal and the input is large
// enough for the wait to be noticed.
#pragma once

#include <cstdint>

class Progress {
 public:
  Progress(uint64_t totalBytes, bool quiet);
  ~Progress();
  void Advance(uint64_t bytes);

 private:
  void Draw();

  bool shown_ = false;
  uint64_t total_ = 0;
  uint64_t done_ = 0;
  int lastPercent_ = -1;
};
