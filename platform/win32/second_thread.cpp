// The second thread on Windows: started with the first task and kept for the rest of the run,
// so that handing over a task costs a wake-up rather than a thread. Tasks come about as often as
// a chunk is decoded, and a sleeping thread takes long to wake, so each side first watches the
// flag for a while and only then sleeps on its event. The flag decides; an event only wakes, so
// one left set by a turn that was seen while spinning costs a needless look and nothing else.
#include <windows.h>

#include "platform/platform.h"
#include "platform/spin_wait.h"

namespace platform {

static HANDLE taskGiven = nullptr;  // wakes the thread
static HANDLE taskDone = nullptr;   // wakes the caller
static void (*task)(void*) = nullptr;
static void* taskContext = nullptr;
static volatile LONG busy = 0;      // 1 from StartTask until the task has returned
static bool cannotStart = false;

static bool IsBusy() { return InterlockedCompareExchange(&busy, 0, 0) != 0; }

static void WaitUntil(bool wantBusy, HANDLE event) {
  while (IsBusy() != wantBusy)
    if (!SpinUntil([wantBusy] { return IsBusy() == wantBusy; })) WaitForSingleObject(event, INFINITE);
}

static DWORD WINAPI Serve(void*) {
  for (;;) {
    WaitUntil(true, taskGiven);
    task(taskContext);
    InterlockedExchange(&busy, 0);
    SetEvent(taskDone);
  }
}

static bool Start() {
  taskGiven = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  taskDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  HANDLE thread =
      taskGiven && taskDone ? CreateThread(nullptr, 0, Serve, nullptr, 0, nullptr) : nullptr;
  if (thread) {
    CloseHandle(thread);  // the thread runs on; nothing waits for it to end
    return true;
  }
  if (taskGiven) CloseHandle(taskGiven);
  if (taskDone) CloseHandle(taskDone);
  taskGiven = taskDone = nullptr;
  return false;
}

void StartTask(void (*given)(void*), void* context) {
  if (!taskGiven && !cannotStart) cannotStart = !Start();
  if (cannotStart) return given(context);
  task = given;
  taskContext = context;
  InterlockedExchange(&busy, 1);  // a full barrier: the thread sees the task before the flag
  SetEvent(taskGiven);
}

void FinishTask() {
  if (taskGiven) WaitUntil(false, taskDone);
}

}  // namespace platform
