#pragma once
// Threads owned by one object and joined by it: nothing runs detached.
#include <functional>
#include <list>
#include <mutex>
#include <thread>

namespace upvane {

class ThreadGroup {
 public:
  ThreadGroup() = default;
  ~ThreadGroup() { JoinAll(); }
  ThreadGroup(const ThreadGroup&) = delete;
  ThreadGroup& operator=(const ThreadGroup&) = delete;

  void Start(std::function<void()> fn) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_threads.emplace_back(std::move(fn));
  }
  // Waits for every thread started so far; the owner makes them stop first.
  void JoinAll() {
    std::list<std::thread> threads;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      threads.swap(m_threads);
    }
    for (auto& t : threads)
      if (t.joinable()) t.join();
  }

 private:
  std::mutex m_mutex;
  std::list<std::thread> m_threads;
};

}  // namespace upvane
