#include "app/adb_watch.h"

#include "app/identification.h"
#include "devices/adb_cmd.h"
#include "platform/messages.h"

namespace upvane {

AdbWatch::AdbWatch(const std::atomic<int>& page, const std::atomic<int>& stop)
    : m_nPage(page), m_bStop(stop) {}

AdbWatch::~AdbWatch() { Join(); }

void AdbWatch::Start() {
  if (!m_thread.joinable()) m_thread = std::thread([this] { Run(); });
}

void AdbWatch::Join() {
  if (m_thread.joinable()) m_thread.join();
}

void AdbWatch::ScanOnce(const std::atomic<int>& stop) {
  CAdbCmd adb;
  adb.SetTimeLimit(30000);
  std::string out;
  if (!adb.RunCommand("adb devices", out, false)) return;
  std::vector<std::string> connected;
  for (const std::string& serial : ParseAdbSerials(out)) {
    if (IdentifyMtkPhone(serial)) connected.push_back(serial);
    if (stop) return;
  }
  SyncMtkConnectFlags(connected);
}

void AdbWatch::Run() {
  while (!m_bStop) {
    // No adb traffic while an update or repair runs.
    const int page = m_nPage;
    if (page == 0 || page == 1) ScanOnce(m_bStop);
    for (int i = 0; i < 10; ++i) {
      if (m_bStop) return;
      PumpWait(100);
    }
  }
}

}  // namespace upvane
