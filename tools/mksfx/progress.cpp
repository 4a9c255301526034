#include "tools/mksfx/progress.h"

#include <cstdio>

#include "tools/mksfx/host.h"

namespace {
constexpr uint64_t LargeInput = 16u << 20;  // below this, building takes too little time to show
constexpr int BarWidth = 40;
}  // namespace

Progress::Progress(uint64_t totalBytes, bool quiet)
    : shown_(!quiet && totalBytes >= LargeInput && host::StderrIsTerminal()), total_(totalBytes) {}

Progress::~Progress() {
  if (shown_ && lastPercent_ >= 0) std::fputc('\n', stderr);
}

void Progress::Advance(uint64_t bytes) {
  done_ += bytes;
  if (shown_) Draw();
}

void Progress::Draw() {
  int percent = static_cast<int>(done_ >= total_ ? 100 : done_ * 100 / total_);
  if (percent == lastPercent_) return;
  lastPercent_ = percent;
  char bar[BarWidth + 1];
  int filled = percent * BarWidth / 100;
  for (int i = 0; i < BarWidth; i++) bar[i] = i < filled ? '#' : '.';
  bar[BarWidth] = '\0';
  std::fprintf(stderr, "\rmksfx: [%s] %3d%%", bar, percent);
  std::fflush(stderr);
}
