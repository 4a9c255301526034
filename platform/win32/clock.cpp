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

// Windows keeps a thread's times in scheduler ticks (about 15.6 ms, a hundred times a chunk's
// work) and its cycle count in cycles of no fixed length (Wine keeps none), so the wall clock
// stands in. A task pre-empted inside it then takes longer; the read-ahead's guard counts each
// chunk's work at the fastest rate seen, which that does not change.
uint64_t ThreadRunningNanoseconds() { return MonotonicNanoseconds(); }

}  // namespace platform
