#pragma once
// Numbered window messages between the program's objects, as a Win32
// program has them. A receiver is registered on the thread that owns it;
// SendMessage calls it directly on that thread and, from another thread,
// queues the call to the owner and blocks until the owner handled it.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace upvane {

using WindowId = uint32_t;  // 0 = none

constexpr uint32_t WM_USER = 0x0400;

class MessageReceiver {
 public:
  virtual ~MessageReceiver() = default;
  virtual intptr_t OnMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) = 0;
};

// Registers `receiver` as a window owned by the calling thread.
WindowId RegisterWindow(MessageReceiver* receiver);
// The window is gone: later sends answer 0, later posts are dropped, and
// messages still queued for it are discarded (pending sends answer 0).
void UnregisterWindow(WindowId id);
bool IsWindowAlive(WindowId id);

intptr_t SendMessage(WindowId id, uint32_t msg, uintptr_t wParam = 0, intptr_t lParam = 0);
// Queues the message to the owner thread; false when the window is gone.
bool PostMessage(WindowId id, uint32_t msg, uintptr_t wParam = 0, intptr_t lParam = 0);

// Waits `ms` program milliseconds while dispatching the calling thread's
// messages (one per round). On a thread without a loop it just sleeps.
void PumpWait(uint32_t ms);
uint64_t PumpWaitElapsed(uint32_t ms);

// Dispatches at most one queued message of the calling thread (own queue
// first, then the loop hook); true when something was dispatched.
bool DispatchOneMessage();
// Dispatches every message queued for the calling thread's windows.
void DispatchPendingMessages();

// A thread with its own event loop (the GUI thread) installs a hook so that
// PumpWait also runs that loop and so that queued messages wake it.
class LoopHook {
 public:
  virtual ~LoopHook() = default;
  // Processes pending events of the loop; true when any were processed.
  virtual bool ProcessPendingEvents() = 0;
  // Called from any thread when a message was queued for this thread.
  virtual void WakeUp() = 0;
};
void SetThreadLoopHook(LoopHook* hook);  // nullptr removes it

// A plain thread that runs a message loop: windows created through Run()
// live on it. The destructor stops and joins it.
struct MessageQueue;

class DispatcherThread {
 public:
  DispatcherThread();
  ~DispatcherThread();
  DispatcherThread(const DispatcherThread&) = delete;
  DispatcherThread& operator=(const DispatcherThread&) = delete;

  // Runs `fn` on the dispatcher thread and waits for it.
  void Run(const std::function<void()>& fn);
  void Stop();

 private:
  void Loop();
  std::atomic<bool> m_bStop{false};
  std::shared_ptr<MessageQueue> m_queue;
  std::thread m_thread;
};

}  // namespace upvane
