#include "platform/messages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/clock.h"

namespace upvane {
namespace {

// Records what reached it and on which thread.
class Recorder : public MessageReceiver {
 public:
  intptr_t OnMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) override {
    thread = std::this_thread::get_id();
    received.push_back(msg);
    return static_cast<intptr_t>(wParam) + lParam;
  }
  std::thread::id thread;
  std::vector<uint32_t> received;
};

TEST(Messages, SendFromWorkerRunsOnOwnerThreadAndReturnsResult) {
  DispatcherThread dispatcher;
  Recorder r;
  WindowId id = 0;
  std::thread::id owner;
  dispatcher.Run([&] {
    id = RegisterWindow(&r);
    owner = std::this_thread::get_id();
  });
  intptr_t result = 0;
  std::thread worker([&] { result = SendMessage(id, WM_USER + 0x0B, 40, 2); });
  worker.join();
  EXPECT_EQ(result, 42);
  EXPECT_EQ(r.thread, owner);
  dispatcher.Run([&] { UnregisterWindow(id); });
}

TEST(Messages, SendOnOwnerThreadIsADirectCall) {
  Recorder r;
  const WindowId id = RegisterWindow(&r);
  EXPECT_EQ(SendMessage(id, 1, 3, 4), 7);
  EXPECT_EQ(r.thread, std::this_thread::get_id());
  UnregisterWindow(id);
}

TEST(Messages, PostsArriveInOrder) {
  DispatcherThread dispatcher;
  Recorder r;
  WindowId id = 0;
  dispatcher.Run([&] { id = RegisterWindow(&r); });
  for (uint32_t m = 1; m <= 50; ++m) ASSERT_TRUE(PostMessage(id, m));
  // A send queues behind the posts, so when it returns they were handled.
  SendMessage(id, 999);
  std::vector<uint32_t> got;
  dispatcher.Run([&] { got = r.received; });
  ASSERT_EQ(got.size(), 51u);
  for (uint32_t m = 1; m <= 50; ++m) EXPECT_EQ(got[m - 1], m);
  dispatcher.Run([&] { UnregisterWindow(id); });
}

TEST(Messages, DestroyedWindowAnswersZeroAndDropsPosts) {
  Recorder r;
  const WindowId id = RegisterWindow(&r);
  UnregisterWindow(id);
  EXPECT_EQ(SendMessage(id, 1, 5, 5), 0);
  EXPECT_FALSE(PostMessage(id, 1));
  EXPECT_EQ(SendMessage(0, 1, 5, 5), 0);
  EXPECT_TRUE(r.received.empty());
}

TEST(Messages, SendToWindowDestroyedWhileQueuedAnswersZero) {
  // The owner thread never pumps; the window goes away while a send waits.
  Recorder r;
  std::atomic<WindowId> id{0};
  std::atomic<bool> release{false};
  std::thread owner([&] {
    id = RegisterWindow(&r);
    while (!release) SleepMs(1);
    UnregisterWindow(id);
  });
  while (id == 0) SleepMs(1);
  std::atomic<intptr_t> result{-1};
  std::thread sender([&] { result = SendMessage(id, 1, 20, 22); });
  SleepMs(20);
  release = true;
  sender.join();
  owner.join();
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(r.received.empty());
}

TEST(Messages, SendsBetweenTwoOwnersDoNotDeadlock) {
  // Thread A's window handler sends to B's window while B is blocked
  // sending to A: B must answer A's send while it waits.
  DispatcherThread a;
  Recorder onB;
  WindowId idB = RegisterWindow(&onB);  // this thread is B
  class Forwarder : public MessageReceiver {
   public:
    WindowId target = 0;
    intptr_t OnMessage(uint32_t, uintptr_t w, intptr_t) override { return SendMessage(target, 2, w, 1); }
  } onA;
  onA.target = idB;
  WindowId idA = 0;
  a.Run([&] { idA = RegisterWindow(&onA); });
  EXPECT_EQ(SendMessage(idA, 1, 10, 0), 11);
  a.Run([&] { UnregisterWindow(idA); });
  UnregisterWindow(idB);
}

TEST(PumpWait, ZeroReturnsAtOnceAndOneTakesAtLeastTwoTicks) {
  uint64_t t0 = GetTickCount64();
  PumpWait(0);
  EXPECT_LT(GetTickCount64() - t0, 50u);
  t0 = GetTickCount64();
  PumpWait(1);
  EXPECT_GE(GetTickCount64() - t0, 2u);
  EXPECT_GE(PumpWaitElapsed(5), 6u);
}

TEST(PumpWait, DispatchesOwnQueueOnLoopThread) {
  Recorder r;
  const WindowId id = RegisterWindow(&r);
  std::thread poster([&] {
    for (uint32_t m = 1; m <= 3; ++m) PostMessage(id, m);
  });
  poster.join();
  PumpWait(30);
  EXPECT_EQ(r.received, (std::vector<uint32_t>{1, 2, 3}));
  UnregisterWindow(id);
}

TEST(PumpWait, PlainThreadJustSleeps) {
  std::atomic<uint64_t> elapsed{0};
  std::thread plain([&] { elapsed = PumpWaitElapsed(20); });
  plain.join();
  EXPECT_GT(elapsed.load(), 20u);
}

TEST(PumpWait, CallsTheLoopHook) {
  class Hook : public LoopHook {
   public:
    std::atomic<int> processed{0}, woken{0};
    bool ProcessPendingEvents() override {
      ++processed;
      return false;
    }
    void WakeUp() override { ++woken; }
  } hook;
  std::atomic<bool> done{false};
  Recorder r;
  std::atomic<WindowId> id{0};
  std::thread loop([&] {
    SetThreadLoopHook(&hook);
    id = RegisterWindow(&r);
    while (!done) PumpWait(5);
    UnregisterWindow(id);
    SetThreadLoopHook(nullptr);
  });
  while (id == 0) SleepMs(1);
  EXPECT_EQ(SendMessage(id, 7, 1, 1), 2);
  done = true;
  loop.join();
  EXPECT_GT(hook.processed.load(), 0);
  EXPECT_GT(hook.woken.load(), 0);
}

}  // namespace
}  // namespace upvane
