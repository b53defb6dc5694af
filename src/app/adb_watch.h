#pragma once
// Lists adb devices once a second while the Welcome or Which Device page is
// shown, identifies new MediaTek phones and keeps their records in step.
#include <atomic>
#include <thread>

namespace upvane {

class AdbWatch {
 public:
  AdbWatch(const std::atomic<int>& page, const std::atomic<int>& stop);
  ~AdbWatch();  // waits for the thread; the owner sets the stop flag first
  AdbWatch(const AdbWatch&) = delete;
  AdbWatch& operator=(const AdbWatch&) = delete;
  void Start();
  void Join();

  // One listing: identify what adb lists, then sync the records.
  static void ScanOnce(const std::atomic<int>& stop);

 private:
  void Run();
  const std::atomic<int>& m_nPage;
  const std::atomic<int>& m_bStop;
  std::thread m_thread;
};

}  // namespace upvane
