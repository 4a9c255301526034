#include <windows.h>

#include "platform/platform.h"

namespace platform {

uint64_t MonotonicNanoseconds() {
  static LARGE_INTEGER frequency;
  if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  // In two parts, so that the product cannot overflow however long the machine has run.
  uint64_t ticks = uint64_t(now.QuadPart), rate = uint64_t(frequency.QuadPart);
  return ticks / rate * 1000000000u + ticks % rate * 1000000000u / rate;
}

}  // namespace platform
