#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sched.h>
#endif

#include "platform/platform.h"

namespace {

struct Handshake {
  std::atomic<bool> callerWentOn{false};
  bool sawCaller = false;
};

// Waits, for ten seconds at most, for the caller to go on after handing the task over: only a
// task on another thread can see that.
void WaitForCaller(void* context) {
  auto* h = static_cast<Handshake*>(context);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!h->callerWentOn.load() && std::chrono::steady_clock::now() < deadline) {
  }
  h->sawCaller = h->callerWentOn.load();
}

struct Slow {
  volatile uint32_t sink = 0;
  bool done = false;
};

void WorkAWhile(void* context) {
  auto* s = static_cast<Slow*>(context);
  for (uint32_t i = 0; i < 20000000; i++) s->sink = s->sink * 31 + i;
  s->done = true;
}

void Append(void* context) {
  auto* order = static_cast<std::vector<int>*>(context);
  order->push_back(static_cast<int>(order->size()));
}

}  // namespace

#ifndef _WIN32
bool MayRunOnOneProcessorOnly() {
  cpu_set_t allowed;
  return sched_getaffinity(0, sizeof allowed, &allowed) == 0 && CPU_COUNT(&allowed) < 2;
}

void RecordThread(void* context) { *static_cast<std::thread::id*>(context) = std::this_thread::get_id(); }

// In a process of its own, pinned to one processor before its first task.
TEST(SecondThreadDeathTest, OnOneProcessorEveryTaskRunsInTheCaller) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(sched_getcpu(), &one);
        sched_setaffinity(0, sizeof one, &one);
        std::thread::id ranOn;
        platform::StartTask(RecordThread, &ranOn);
        bool inCaller = ranOn == std::this_thread::get_id();  // already run, before FinishTask
        platform::FinishTask();
        exit(inCaller ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}
#endif

TEST(SecondThread, RunsTheTaskWhileTheCallerGoesOn) {
#ifndef _WIN32
  if (MayRunOnOneProcessorOnly()) GTEST_SKIP() << "pinned to one processor: no second thread by design";
#endif
  Handshake h;
  platform::StartTask(WaitForCaller, &h);
  h.callerWentOn = true;
  platform::FinishTask();
  EXPECT_TRUE(h.sawCaller);
}

TEST(SecondThread, FinishTaskReturnsOnlyWhenTheTaskHasReturned) {
  Slow s;
  platform::StartTask(WorkAWhile, &s);
  platform::FinishTask();
  EXPECT_TRUE(s.done);
  platform::FinishTask();  // nothing under way: returns at once
}

TEST(SecondThread, TasksRunOneAfterAnotherInTheOrderGiven) {
  std::vector<int> order;
  for (int i = 0; i < 10000; i++) {
    platform::StartTask(Append, &order);
    platform::FinishTask();
  }
  ASSERT_EQ(order.size(), 10000u);
  for (int i = 0; i < 10000; i++) ASSERT_EQ(order[i], i);
}

#ifndef _WIN32
// The read-ahead's guard weighs a task by the time it ran: a thread that sleeps or waits for a
// processor does not run, one that computes does.
TEST(ThreadRunningTime, CountsWorkAndNotSleep) {
  uint64_t wallBefore = platform::MonotonicNanoseconds(), runBefore = platform::ThreadRunningNanoseconds();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  uint64_t slept = platform::ThreadRunningNanoseconds() - runBefore;
  EXPECT_GE(platform::MonotonicNanoseconds() - wallBefore, 50000000u);
  EXPECT_LT(slept, 10000000u);

  Slow s;
  uint64_t workBefore = platform::ThreadRunningNanoseconds();
  WorkAWhile(&s);
  EXPECT_GT(platform::ThreadRunningNanoseconds() - workBefore, 1000000u);  // 20 million steps
}
#endif
