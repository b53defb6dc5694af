#include "devices/adb_cmd.h"

#include "platform/clock.h"
#include "platform/debug_output.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "platform/process.h"
#include "services/system_helpers.h"
#include "services/text_helpers.h"

namespace upvane {

CAdbCmd::CAdbCmd() : adbPath(GetAdbPath()), fastbootPath(GetFastbootPath()) {}

bool CAdbCmd::RunCommand(const std::string& commandLine, std::string& result, bool withSerial) {
  result.clear();
  std::string executable;
  if (commandLine.rfind("adb ", 0) == 0)
    executable = adbPath;
  else if (commandLine.rfind("fastboot ", 0) == 0)
    executable = fastbootPath;

  std::string line = commandLine;
  if (withSerial && !serial.empty()) {
    const size_t space = line.find(' ');
    if (space != std::string::npos) line.insert(space, Format(" -s %s", serial.c_str()));
  }

  const ProcessResult run = RunProcess(executable, line, m_nTimeLimitMs);
  if (!run.started) {
    OutputDebugText("* cmd error\n  -> " + line + "\n");
    return false;
  }
  OutputDebugText(line + "\n");
  result = run.output;
  OutputDebugText(" -> cmd Result:" + result + "\n");
  if (!run.finished) {
    OutputDebugFormat(" -> killed after %llu ms\n", static_cast<unsigned long long>(m_nTimeLimitMs));
    return false;
  }
  return true;
}

bool CAdbCmd::RunJudged(const std::string& commandLine, bool withSerial, bool replaceLineEnds,
                        std::string* output) {
  std::string result;
  const bool ran = RunCommand(commandLine, result, withSerial);
  if (replaceLineEnds) result = ReplaceAll(result, "\r\n", " / ");
  if (output) *output = result;
  return ran && result.find("FAILED") == std::string::npos;
}

bool CAdbCmd::FastbootErase(const std::string& partition) {
  return RunJudged(Format("fastboot erase %s", partition.c_str()), true, true);
}

bool CAdbCmd::FastbootFlash(const std::string& partition, const std::string& imageFile) {
  return RunJudged(Format("fastboot flash %s \"%s\"", partition.c_str(), imageFile.c_str()), true, true);
}

char CAdbCmd::FastbootGetCurrentSlot() {
  std::string out;
  if (!RunJudged("fastboot getvar current-slot", true, true, &out) || out.size() <= 14) return ' ';
  return out[14];
}

bool CAdbCmd::FastbootReboot() { return RunJudged("fastboot reboot", true, false); }

bool CAdbCmd::FastbootRebootFastboot() { return RunJudged("fastboot reboot fastboot", true, false); }

bool CAdbCmd::FastbootSetActive(char slotLetter) {
  return RunJudged(Format("fastboot set_active %c", slotLetter), true, true);
}

bool CAdbCmd::IsAdbDevicePresent() {
  std::string out;
  return RunJudged("adb devices", false, true, &out) && out.find(serial) != std::string::npos;
}

bool CAdbCmd::IsFastbootDevicePresent() {
  std::string out;
  return RunJudged("fastboot devices", false, true, &out) && out.find(serial) != std::string::npos;
}

bool CAdbCmd::PollDevice(const char* listCommand, uint32_t seconds) {
  const uint64_t start = GetTickCount64();
  for (;;) {
    std::string out;
    if (RunJudged(listCommand, false, true, &out) && out.find(serial) != std::string::npos) return true;
    // With 0 seconds the list is asked once.
    if (seconds == 0 || GetTickCount64() - start > static_cast<uint64_t>(seconds) * 1000) return false;
    PumpWait(200);
  }
}

bool CAdbCmd::WaitAdbDevice(uint32_t seconds) { return PollDevice("adb devices", seconds); }

bool CAdbCmd::WaitFastbootDevice(uint32_t seconds) { return PollDevice("fastboot devices", seconds); }

bool CAdbCmd::WaitFastbootDeviceLong() {
  for (int attempt = 0; attempt < 30; ++attempt) {
    std::string out;
    if (RunJudged("fastboot devices", false, true, &out) && out.find(serial) != std::string::npos)
      return true;
    PumpWait(20000);
  }
  return false;
}

}  // namespace upvane
