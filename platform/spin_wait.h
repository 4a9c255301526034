// Watching a flag that another thread is about to change, before going to sleep on it.
#pragma once

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>
#endif

namespace platform {

// Tells the processor this is a wait loop, which spares the other thread on the core.
inline void SpinPause() {
#if defined(__i386__) || defined(__x86_64__)
  _mm_pause();
#endif
}

// True as soon as condition() holds; false when it still does not after 4096 pauses: from some
// microseconds to a fifth of a millisecond, by processor, about the time a chunk takes.
template <typename Condition>
bool SpinUntil(Condition condition) {
  for (int i = 0; i < 4096; i++) {
    if (condition()) return true;
    SpinPause();
  }
  return condition();
}

}  // namespace platform
