#include "devices/qx_port.h"

#include "devices/qx_scsi_cmd.h"
#include "platform/clock.h"
#include "platform/deployment.h"
#include "platform/device_backend.h"
#include "platform/messages.h"
#include "services/text_helpers.h"

namespace upvane {

namespace {

constexpr uint32_t kNudgeWaitMs = 3000;

bool IsMakerVendor(const std::string& vendor) {
  return ToUpper(TrimSpace(vendor.substr(0, vendor.find('\0')))) == "BRENNIX";
}

void Send(const std::string& driveId, const std::vector<uint8_t>& cdb) {
  // The phone answers by changing its USB configuration, not by a status.
  int error = 0;
  (void)Devices().SendScsiCommand(driveId, cdb.data(), cdb.size(), true, kScsiTimeoutMs, error);
}

}  // namespace

void CQXPort::ScanPorts() {
  ports.clear();
  for (const SerialPortInfo& port : Devices().ListSerialPorts()) {
    if (ToUpper(port.description).find("BRENNIX") != std::string::npos) ports.push_back(port.path);
  }
}

void CQXPort::NudgeMakerDrives() {
  for (const DriveInfo& drive : Devices().ListDrives()) {
    if (drive.cdrom && IsMakerVendor(drive.vendor)) Send(drive.id, MakeDriveNoticeCdb(2));
  }
  PumpWait(kNudgeWaitMs);
  for (const DriveInfo& drive : Devices().ListDrives()) {
    if (drive.cdrom || !drive.removable || !IsMakerVendor(drive.vendor)) continue;
    Send(drive.id, MakeModeSwitchCdb(Deployment().modeSwitchWord));
    Send(drive.id, MakeDriveNoticeCdb(0));
  }
  PumpWait(kNudgeWaitMs);
}

int CQXPort::DiscoverPorts(bool kickDrives) {
  if (kickDrives) NudgeMakerDrives();
  ScanPorts();
  return static_cast<int>(ports.size());
}

void CQXPort::GetPortName(int index, std::string& name) const {
  name.clear();
  if (index >= 0 && static_cast<size_t>(index) < ports.size()) name = ports[static_cast<size_t>(index)];
}

bool CQXPort::WaitPortGone(const std::string& portName, uint32_t timeoutMs) {
  const uint64_t deadline = GetTickCount64() + timeoutMs;
  if (timeoutMs == 0) return true;
  for (;;) {
    ScanPorts();
    bool listed = false;
    for (const std::string& port : ports) {
      if (port == portName) {
        listed = true;
        break;
      }
    }
    if (!listed) return true;
    PumpWait(100);
    if (GetTickCount64() >= deadline) return false;
  }
}

int CQXPort::ListSerialCommPorts(std::vector<std::string>& names) {
  names.clear();
  for (const SerialPortInfo& port : Devices().ListSerialPorts()) names.push_back(port.path);
  return static_cast<int>(names.size());
}

}  // namespace upvane
