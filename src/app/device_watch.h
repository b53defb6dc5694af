#pragma once
// Keeps up with phones arriving and leaving: switches new phone drives to
// their diagnostic mode, starts identification for new maker ports, keeps
// the records' connection flags right and stops a download whose phone
// went away. Events come from a rescan of the device lists.
#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "platform/messages.h"
#include "services/thread_group.h"

namespace upvane {

enum class DeviceEventKind { kArrival, kRemoval };
enum class DeviceEventType { kVolume, kPort, kOther };

struct DeviceEvent {
  DeviceEventKind kind = DeviceEventKind::kArrival;
  DeviceEventType type = DeviceEventType::kOther;
  std::string name;  // drive id ("sr0") or port path ("/dev/ttyACM0")
};

// What the watch needs of the main window; all read without locks.
struct DeviceWatchState {
  const std::atomic<int>* page = nullptr;
  const std::atomic<int>* ignoreDevice = nullptr;
  const std::atomic<int>* askOpen = nullptr;
  const std::atomic<int>* stop = nullptr;
  const std::atomic<int>* engineActive = nullptr;
  // Posts IDCANCEL to the open "Really?" dialog (null: none open).
  WindowId (*askWindow)() = nullptr;
};

constexpr uint32_t WM_DEVICECHANGE = 0x0219;

class DeviceWatch {
 public:
  explicit DeviceWatch(const DeviceWatchState& state);
  ~DeviceWatch();  // stops the rescan and joins every thread it started
  DeviceWatch(const DeviceWatch&) = delete;
  DeviceWatch& operator=(const DeviceWatch&) = delete;

  // Rescans the device lists every `periodMs` and posts WM_DEVICECHANGE to
  // `window` for each change; the window then calls TakeEvent/OnDeviceChange.
  void StartRescan(WindowId window, uint32_t periodMs = 500);
  bool TakeEvent(DeviceEvent& event);

  // Runs on the GUI thread; only starts threads.
  void OnDeviceChange(const DeviceEvent& event);
  void StartupScan();
  void RefreshConnections();
  // Waits for every thread started so far (tests).
  void JoinThreads() { m_threads.JoinAll(); }

  bool CdromCreated(const std::string& drive);
  std::atomic<int> m_bRemovalPending{0};

 private:
  void OnNormal(const DeviceEvent& e);
  void OnEngineActive(const DeviceEvent& e);
  void IdentifyFromDrive(const std::string& drive);
  void StartDriveThread(const std::string& drive);
  void StartCdromCreateThread(const std::string& drive);
  void StartRemovalThread();
  void SetCdromCreated(const std::string& drive, bool on);
  bool Stopping() const { return m_state.stop && m_state.stop->load(); }
  void Rescan(WindowId window, uint32_t periodMs);

  DeviceWatchState m_state;
  std::mutex m_mutex;  // guards the flags by drive and the event queue
  std::map<std::string, bool> m_cdromCreated;
  std::deque<DeviceEvent> m_events;
  std::atomic<bool> m_bRescanStop{false};
  std::thread m_rescan;
  ThreadGroup m_threads;
};

}  // namespace upvane
