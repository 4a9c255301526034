// The second thread on Windows: started with the first task and kept for the rest of the run,
// so that handing over a task costs a wake-up rather than a thread. Tasks come about as often as
// a chunk is decoded, and both sleeping and waking take long, so each side first watches the flag
// for a while, and an event is set only for a side that has said it is going to sleep. The flag
// decides; an event only wakes, and one left set from an earlier turn costs a needless look.
#include <windows.h>

#include <atomic>

#include "platform/platform.h"
#include "platform/spin_wait.h"

namespace platform {

namespace {

// One side's wait: its event, and whether it is asleep on it (or about to be).
struct Sleeper {
  HANDLE event = nullptr;
  std::atomic<bool> asleep{false};
};

Sleeper thread;                    // waits for a task
Sleeper caller;                    // waits for the task to return
void (*task)(void*) = nullptr;
void* taskContext = nullptr;
std::atomic<bool> busy{false};     // from StartTask until the task has returned
bool started = false;
bool cannotStart = false;

// The flags are sequentially consistent: either the waiter sees the flag changed after saying
// it sleeps, or the side that changes the flag sees that it sleeps and wakes it. The flag also
// hands over the task, and the task's results back.
void WaitUntil(bool wantBusy, Sleeper& self) {
  while (!SpinUntil([wantBusy] { return busy == wantBusy; })) {
    self.asleep = true;
    if (busy != wantBusy) WaitForSingleObject(self.event, INFINITE);
    self.asleep = false;
  }
}

void SetBusy(bool value, Sleeper& other) {
  busy = value;
  if (other.asleep) SetEvent(other.event);
}

DWORD WINAPI Serve(void*) {
  for (;;) {
    WaitUntil(true, thread);
    task(taskContext);
    SetBusy(false, caller);
  }
}

// A second thread helps only beside the first: where the process may run on one processor only,
// the two would take turns, and each hand-over would cost a wake-up for nothing.
bool MayRunOnTwoProcessors() {
  DWORD_PTR process = 0, system = 0;
  if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system)) return true;
  return (process & (process - 1)) != 0;  // more than one bit set
}

bool Start() {
  if (!MayRunOnTwoProcessors()) return false;
  thread.event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  caller.event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  HANDLE handle =
      thread.event && caller.event ? CreateThread(nullptr, 0, Serve, nullptr, 0, nullptr) : nullptr;
  if (handle) {
    CloseHandle(handle);  // the thread runs on; nothing waits for it to end
    return true;
  }
  if (thread.event) CloseHandle(thread.event);
  if (caller.event) CloseHandle(caller.event);
  thread.event = caller.event = nullptr;
  return false;
}

}  // namespace

void StartTask(void (*given)(void*), void* context) {
  if (!started && !cannotStart) {
    started = Start();
    cannotStart = !started;
  }
  if (!started) return given(context);
  task = given;
  taskContext = context;
  SetBusy(true, thread);
}

void FinishTask() {
  if (started) WaitUntil(false, caller);
}

}  // namespace platform
