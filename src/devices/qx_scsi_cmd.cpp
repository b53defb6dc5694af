#include "devices/qx_scsi_cmd.h"

#include <mutex>

#include "platform/debug_output.h"
#include "platform/device_backend.h"
#include "platform/format.h"
#include "platform/messages.h"

namespace upvane {

namespace {

constexpr int kAttempts = 5;

std::mutex g_promptMutex;
ScsiErrorPrompt g_prompt;

void ShowScsiError(const std::string& text) {
  ScsiErrorPrompt prompt;
  {
    std::lock_guard<std::mutex> lock(g_promptMutex);
    prompt = g_prompt;
  }
  if (prompt) {
    prompt(text);
  } else {
    OutputDebugText(text);
  }
}

}  // namespace

std::vector<uint8_t> MakeDriveNoticeCdb(uint8_t notice) {
  return {0xF0, 0x00, 'Q', 'X', 'D', 'T', notice, 0x00, 0x00, 0x00};
}

std::vector<uint8_t> MakeModeSwitchCdb(const std::string& word) {
  std::vector<uint8_t> cdb(16, 0);
  cdb[0] = 0xF0;
  for (size_t i = 0; i < word.size() && i < 15; ++i) cdb[i + 1] = static_cast<uint8_t>(word[i]);
  return cdb;
}

void SetScsiErrorPrompt(ScsiErrorPrompt prompt) {
  std::lock_guard<std::mutex> lock(g_promptMutex);
  g_prompt = std::move(prompt);
}

bool CQxScsiCmd::SendDriveNotice0(const std::string& deviceName) {
  const std::vector<uint8_t> cdb = MakeDriveNoticeCdb(0);
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    int error = 0;
    if (Devices().SendScsiCommand(deviceName, cdb.data(), cdb.size(), false, kScsiTimeoutMs, error) ==
        ScsiResult::kSent) {
      return true;
    }
    PumpWait(100);
  }
  return false;
}

bool CQxScsiCmd::SendDriveNotice2(const std::string& deviceName) {
  const std::vector<uint8_t> cdb = MakeDriveNoticeCdb(2);
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    int error = 0;
    const ScsiResult result =
        Devices().SendScsiCommand(deviceName, cdb.data(), cdb.size(), true, kScsiTimeoutMs, error);
    if (result == ScsiResult::kSent) return true;
    // A drive that cannot be opened is a failed attempt, not a failed command.
    if (result == ScsiResult::kFailed)
      ShowScsiError(Format("DeviceIoControl error 0x%08x", static_cast<unsigned>(error)));
    PumpWait(1000);
  }
  return false;
}

}  // namespace upvane
