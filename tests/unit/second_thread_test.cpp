#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <vector>

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

TEST(SecondThread, RunsTheTaskWhileTheCallerGoesOn) {
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
