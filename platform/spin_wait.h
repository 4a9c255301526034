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

// True as soon as condition() holds; false when it still does not after 16384 pauses: from some
// tens of microseconds to over half a millisecond, by processor. A chunk takes about a fifth of a
// millisecond to decrypt, so a wait for one mostly ends here, without a call to the system (under
// Wine each one is a round trip to its server).
template <typename Condition>
bool SpinUntil(Condition condition) {
  for (int i = 0; i < 16384; i++) {
    if (condition()) return true;
    SpinPause();
  }
  return condition();
}

}  // namespace platform
