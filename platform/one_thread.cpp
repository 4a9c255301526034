// The second thread left out: every task runs in the caller, as where no thread can be had. Linked
// in place of a platform's second_thread.cpp, it makes the serial build that benchmarks weigh the
// read-ahead against.
#include "platform/platform.h"

namespace platform {

void StartTask(void (*task)(void*), void* context) { task(context); }
void FinishTask() {}

}  // namespace platform
