#pragma once
// Runs adb and fastboot command lines and judges their output.
#include <cstdint>
#include <string>

namespace upvane {

class CAdbCmd {
 public:
  CAdbCmd();  // paths from the tool folder (GetAdbPath, GetFastbootPath)
  virtual ~CAdbCmd() = default;

  void SetAdbPath(const std::string& path) { adbPath = path; }
  void SetFastbootPath(const std::string& path) { fastbootPath = path; }
  void SetSerial(const std::string& s) { serial = s; }
  const std::string& GetSerial() const { return serial; }
  // Kills a child still running after `ms` program milliseconds and fails
  // the run; 0 (the default) waits without limit.
  void SetTimeLimit(uint64_t ms) { m_nTimeLimitMs = ms; }

  // Runs the command line; true when the child started and ran to its end.
  // `result` receives everything it wrote to stdout and stderr.
  bool RunCommand(const std::string& commandLine, std::string& result, bool withSerial);

  bool FastbootErase(const std::string& partition);
  bool FastbootFlash(const std::string& partition, const std::string& imageFile);
  char FastbootGetCurrentSlot();  // ' ' when unknown
  bool FastbootReboot();
  bool FastbootRebootFastboot();
  bool FastbootSetActive(char slotLetter);
  bool IsAdbDevicePresent();
  bool WaitAdbDevice(uint32_t seconds);
  bool IsFastbootDevicePresent();
  bool WaitFastbootDevice(uint32_t seconds);
  bool WaitFastbootDeviceLong();

  std::string serial;
  std::string adbPath;
  std::string fastbootPath;

 private:
  // Runs a wrapper's command: success when it ran and printed no "FAILED".
  bool RunJudged(const std::string& commandLine, bool withSerial, bool replaceLineEnds,
                 std::string* output = nullptr);
  bool PollDevice(const char* listCommand, uint32_t seconds);

  uint64_t m_nTimeLimitMs = 0;
};

}  // namespace upvane
