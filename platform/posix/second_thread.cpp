// The second thread on POSIX: started with the first task and kept for the rest of the run, so
// that handing over a task costs a wake-up rather than a thread. Tasks come about as often as a
// chunk is decoded, and a sleeping thread takes long to wake on a busy machine, so each side
// first watches the flag for a while and only then sleeps on the condition.
#include <sched.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

#include "platform/platform.h"
#include "platform/spin_wait.h"

namespace platform {

namespace {

struct SecondThread {
  std::mutex lock;
  std::condition_variable changed;
  // Set while a task waits or runs; cleared when it has returned. Changed only under the lock,
  // so that a side that sleeps cannot miss the change.
  std::atomic<void (*)(void*)> task{nullptr};
  void* context = nullptr;

  void Serve() {
    for (;;) {
      WaitFor([this] { return task.load(std::memory_order_acquire) != nullptr; });
      task.load(std::memory_order_relaxed)(context);
      Set(nullptr);
    }
  }

  template <typename Condition>
  void WaitFor(Condition condition) {
    if (SpinUntil(condition)) return;
    std::unique_lock<std::mutex> held(lock);
    changed.wait(held, condition);
  }

  void Set(void (*value)(void*)) {
    {
      std::lock_guard<std::mutex> held(lock);
      task.store(value, std::memory_order_release);
    }
    changed.notify_all();
  }
};

// Started by the first task and never freed: the thread waits on it until the process ends.
SecondThread* second = nullptr;
bool cannotStart = false;

// A second thread helps only beside the first: where the process may run on one processor only,
// the two would take turns, and each hand-over would cost a wake-up for nothing.
bool MayRunOnTwoProcessors() {
  cpu_set_t allowed;
  return sched_getaffinity(0, sizeof allowed, &allowed) != 0 || CPU_COUNT(&allowed) >= 2;
}

SecondThread* Start() {
  if (!MayRunOnTwoProcessors()) return nullptr;
  auto* created = new (std::nothrow) SecondThread;
  if (!created) return nullptr;
  try {
    std::thread(&SecondThread::Serve, created).detach();
  } catch (...) {  // system_error, or bad_alloc for the thread's own state
    delete created;
    return nullptr;
  }
  return created;
}

}  // namespace

void StartTask(void (*task)(void*), void* context) {
  if (!second && !cannotStart) {
    second = Start();
    cannotStart = second == nullptr;
  }
  if (!second) return task(context);
  second->context = context;
  second->Set(task);
}

void FinishTask() {
  if (!second) return;
  second->WaitFor([] { return second->task.load(std::memory_order_acquire) == nullptr; });
}

}  // namespace platform
