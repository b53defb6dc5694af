#include "platform/messages.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/clock.h"

namespace upvane {

namespace {

struct PendingSend {
  std::mutex mutex;
  std::condition_variable done_cv;
  bool done = false;
  intptr_t result = 0;

  void Complete(intptr_t r) {
    std::lock_guard<std::mutex> lock(mutex);
    result = r;
    done = true;
    done_cv.notify_all();
  }
};

struct QueuedMessage {
  WindowId window = 0;
  uint32_t msg = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
  std::shared_ptr<PendingSend> send;  // null for a posted message
  std::function<void()> call;         // a function to run on the thread instead
};

}  // namespace

// One queue per thread that owns windows or runs a loop.
struct MessageQueue {
  std::mutex mutex;
  std::condition_variable cv;
  std::deque<QueuedMessage> items;
  LoopHook* hook = nullptr;  // touched by the owner thread, read under mutex
  bool closed = false;

  void Push(QueuedMessage m) {
    LoopHook* h = nullptr;
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (closed) {
        if (m.send) m.send->Complete(0);
        return;
      }
      items.push_back(std::move(m));
      h = hook;
    }
    cv.notify_all();
    if (h) h->WakeUp();
  }

  // Pops one item; with `sendsOnly`, only cross-thread sends qualify.
  bool Pop(QueuedMessage& out, bool sendsOnly) {
    std::lock_guard<std::mutex> lock(mutex);
    for (auto it = items.begin(); it != items.end(); ++it) {
      if (sendsOnly && !it->send) continue;
      out = std::move(*it);
      items.erase(it);
      return true;
    }
    return false;
  }
};

namespace {

struct Window {
  MessageReceiver* receiver = nullptr;
  std::shared_ptr<MessageQueue> queue;
  std::thread::id owner;
};

struct Registry {
  std::mutex mutex;
  std::unordered_map<WindowId, Window> windows;
  WindowId next = 1;
};

Registry& TheRegistry() {
  static Registry* r = new Registry;  // lives until process exit, never destroyed
  return *r;
}

// The calling thread's queue; created on first use, closed at thread exit.
struct MessageQueueHolder {
  std::shared_ptr<MessageQueue> queue;
  ~MessageQueueHolder() {
    if (!queue) return;
    std::deque<QueuedMessage> left;
    {
      std::lock_guard<std::mutex> lock(queue->mutex);
      queue->closed = true;
      left.swap(queue->items);
    }
    for (auto& m : left)
      if (m.send) m.send->Complete(0);
  }
};
thread_local MessageQueueHolder t_queue;

MessageQueue& OwnQueue() {
  if (!t_queue.queue) t_queue.queue = std::make_shared<MessageQueue>();
  return *t_queue.queue;
}

bool LookUp(WindowId id, Window& out) {
  Registry& reg = TheRegistry();
  std::lock_guard<std::mutex> lock(reg.mutex);
  auto it = reg.windows.find(id);
  if (it == reg.windows.end()) return false;
  out = it->second;
  return true;
}

void Deliver(QueuedMessage& m) {
  if (m.call) {
    m.call();
    if (m.send) m.send->Complete(0);
    return;
  }
  Window w;
  const intptr_t r = LookUp(m.window, w) ? w.receiver->OnMessage(m.msg, m.wParam, m.lParam) : 0;
  if (m.send) m.send->Complete(r);
}

}  // namespace

WindowId RegisterWindow(MessageReceiver* receiver) {
  if (!receiver) return 0;
  OwnQueue();
  Registry& reg = TheRegistry();
  std::lock_guard<std::mutex> lock(reg.mutex);
  WindowId id = reg.next++;
  if (reg.next == 0) reg.next = 1;
  reg.windows[id] = Window{receiver, t_queue.queue, std::this_thread::get_id()};
  return id;
}

void UnregisterWindow(WindowId id) {
  std::shared_ptr<MessageQueue> queue;
  {
    Registry& reg = TheRegistry();
    std::lock_guard<std::mutex> lock(reg.mutex);
    auto it = reg.windows.find(id);
    if (it == reg.windows.end()) return;
    queue = it->second.queue;
    reg.windows.erase(it);
  }
  // Drop what is still queued for it; blocked senders get 0.
  std::deque<QueuedMessage> dropped;
  {
    std::lock_guard<std::mutex> lock(queue->mutex);
    for (auto it = queue->items.begin(); it != queue->items.end();) {
      if (!it->call && it->window == id) {
        dropped.push_back(std::move(*it));
        it = queue->items.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (auto& m : dropped)
    if (m.send) m.send->Complete(0);
}

bool IsWindowAlive(WindowId id) {
  Window w;
  return id != 0 && LookUp(id, w);
}

intptr_t SendMessage(WindowId id, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  Window w;
  if (id == 0 || !LookUp(id, w)) return 0;
  if (w.owner == std::this_thread::get_id()) return w.receiver->OnMessage(msg, wParam, lParam);

  auto pending = std::make_shared<PendingSend>();
  w.queue->Push(QueuedMessage{id, msg, wParam, lParam, pending, {}});
  // While blocked, answer sends made to this thread's own windows, so that
  // two threads sending to each other cannot deadlock (as Win32 does).
  MessageQueue* own = t_queue.queue.get();
  std::unique_lock<std::mutex> lock(pending->mutex);
  while (!pending->done) {
    if (own) {
      lock.unlock();
      QueuedMessage m;
      if (own->Pop(m, true)) {
        Deliver(m);
        lock.lock();
        continue;
      }
      lock.lock();
      pending->done_cv.wait_for(lock, std::chrono::milliseconds(1));
    } else {
      pending->done_cv.wait(lock);
    }
  }
  return pending->result;
}

bool PostMessage(WindowId id, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  Window w;
  if (id == 0 || !LookUp(id, w)) return false;
  w.queue->Push(QueuedMessage{id, msg, wParam, lParam, nullptr, {}});
  return true;
}

bool DispatchOneMessage() {
  MessageQueue* own = t_queue.queue.get();
  if (own) {
    QueuedMessage m;
    if (own->Pop(m, false)) {
      Deliver(m);
      return true;
    }
    if (own->hook) return own->hook->ProcessPendingEvents();
  }
  return false;
}

void DispatchPendingMessages() {
  MessageQueue* own = t_queue.queue.get();
  if (!own) return;
  QueuedMessage m;
  while (own->Pop(m, false)) Deliver(m);
}

void SetThreadLoopHook(LoopHook* hook) {
  MessageQueue& q = OwnQueue();
  std::lock_guard<std::mutex> lock(q.mutex);
  q.hook = hook;
}

namespace {

// Waits up to 1 ms of program time, waking early when a message arrives.
void WaitOneStep() {
  MessageQueue* own = t_queue.queue.get();
  if (!own || own->hook) {
    SleepMs(1);
    return;
  }
  std::unique_lock<std::mutex> lock(own->mutex);
  if (!own->items.empty()) return;
  own->cv.wait_for(lock, std::chrono::microseconds(ProgramMsToRealMicros(1)));
}

}  // namespace

uint64_t PumpWaitElapsed(uint32_t ms) {
  const uint64_t start = GetTickCount64();
  for (;;) {
    DispatchOneMessage();
    const uint64_t elapsed = GetTickCount64() - start;
    if (elapsed > ms) return elapsed;
    WaitOneStep();
  }
}

void PumpWait(uint32_t ms) {
  if (ms == 0) {
    SleepMs(0);
    return;
  }
  PumpWaitElapsed(ms);
}

DispatcherThread::DispatcherThread() {
  std::mutex m;
  std::condition_variable cv;
  bool ready = false;
  m_thread = std::thread([&] {
    OwnQueue();
    {
      std::lock_guard<std::mutex> lock(m);
      m_queue = t_queue.queue;
      ready = true;
    }
    cv.notify_all();
    Loop();
  });
  std::unique_lock<std::mutex> lock(m);
  cv.wait(lock, [&] { return ready; });
}

DispatcherThread::~DispatcherThread() { Stop(); }

void DispatcherThread::Loop() {
  MessageQueue& q = OwnQueue();
  while (!m_bStop.load()) {
    QueuedMessage m;
    if (q.Pop(m, false)) {
      Deliver(m);
      continue;
    }
    std::unique_lock<std::mutex> lock(q.mutex);
    q.cv.wait_for(lock, std::chrono::milliseconds(20), [&] { return !q.items.empty() || m_bStop.load(); });
  }
  DispatchPendingMessages();
}

void DispatcherThread::Run(const std::function<void()>& fn) {
  if (std::this_thread::get_id() == m_thread.get_id()) {
    fn();
    return;
  }
  auto pending = std::make_shared<PendingSend>();
  m_queue->Push(QueuedMessage{0, 0, 0, 0, pending, fn});
  std::unique_lock<std::mutex> lock(pending->mutex);
  pending->done_cv.wait(lock, [&] { return pending->done; });
}

void DispatcherThread::Stop() {
  if (!m_thread.joinable()) return;
  m_bStop.store(true);
  m_queue->cv.notify_all();
  m_thread.join();
}

}  // namespace upvane
