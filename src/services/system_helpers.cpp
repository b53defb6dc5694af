#include "services/system_helpers.h"

#include <unistd.h>

#include "platform/files.h"
#include "platform/process.h"

namespace upvane {

std::atomic<int64_t> g_nNeededSpace{0};

namespace {
std::atomic<WindowId> g_mainWindow{0};
}

bool EnoughFreeSpace(uint64_t freeBytes, uint64_t requiredMB) { return (freeBytes >> 20) > requiredMB; }

bool HasFreeSpaceMB(uint64_t requiredMB) {
  g_nNeededSpace.store(static_cast<int64_t>(requiredMB));
  const std::string folder = GetTempFolder();
  uint64_t freeBytes = 0;
  if (folder.empty() || !GetFreeBytes(folder, freeBytes)) return false;
  return EnoughFreeSpace(freeBytes, requiredMB);
}

bool GetFileSizeOf(const std::string& path, uint64_t* size) {
  uint64_t s = 0;
  if (!GetFileSize(path, s)) return false;
  if (size) *size = s;
  return true;
}

std::string GetProgramFolder() { return GetExecutableFolder(); }
std::string GetAdbPath() { return FindToolPath("adb"); }
std::string GetFastbootPath() { return FindToolPath("fastboot"); }

void StopOtherInstance(const char* marker) {
  for (const ProcessEntry& p : ListProcesses()) {
    if (p.pid == ::getpid() || p.exePath.find(marker) == std::string::npos) continue;
    TerminateProcess(p.pid, 500);
    return;
  }
}

void SetMainWindowId(WindowId id) { g_mainWindow.store(id); }
WindowId GetMainWindowId() { return g_mainWindow.load(); }
intptr_t NotifyMainWindow(uint32_t msg) { return SendMessage(g_mainWindow.load(), msg, 0, 0); }

}  // namespace upvane
