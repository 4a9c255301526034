#include <time.h>

#include "platform/platform.h"

namespace platform {

static uint64_t Nanoseconds(clockid_t clock) {
  timespec now;
  clock_gettime(clock, &now);
  return uint64_t(now.tv_sec) * 1000000000u + uint64_t(now.tv_nsec);
}

uint64_t MonotonicNanoseconds() { return Nanoseconds(CLOCK_MONOTONIC); }

uint64_t ThreadRunningNanoseconds() { return Nanoseconds(CLOCK_THREAD_CPUTIME_ID); }

}  // namespace platform
