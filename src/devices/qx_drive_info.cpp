#include "devices/qx_drive_info.h"

#include <cinttypes>
#include <cstdlib>

#include "platform/device_backend.h"
#include "platform/format.h"
#include "services/model_catalogue.h"
#include "services/text_helpers.h"

namespace upvane {

namespace {

bool FindDrive(const std::string& driveId, DriveInfo& found) {
  for (DriveInfo& drive : Devices().ListDrives()) {
    if (drive.id == driveId) {
      found = std::move(drive);
      return true;
    }
  }
  return false;
}

}  // namespace

bool CQxDriveInfo::IsCdRomDrive(const std::string& driveId) {
  DriveInfo drive;
  return FindDrive(driveId, drive) && drive.cdrom;
}

bool CQxDriveInfo::IsMakerDrive(const std::string& driveId) {
  DriveInfo drive;
  if (!FindDrive(driveId, drive)) return false;
  // The vendor text ends at its first zero byte, as the storage descriptor has it.
  const std::string vendor = drive.vendor.substr(0, drive.vendor.find('\0'));
  if (vendor.empty()) return false;
  return ToUpper(TrimSpace(vendor)) == "BRENNIX";
}

bool CQxDriveInfo::ReadDriveIdentity(const std::string& driveId, std::string& model, std::string& deviceId,
                                     bool isCdrom) {
  DriveInfo drive;
  if (!FindDrive(driveId, drive)) return false;
  if (drive.instanceId.find(isCdrom ? "CDROM" : "DISK") == std::string::npos) return false;
  return ParseStorageInstanceId(drive.instanceId, model, deviceId);
}

bool CQxDriveInfo::ParseStorageInstanceId(const std::string& id, std::string& model, std::string& deviceId) {
  if (id.find("VEN_BRENNIX") == std::string::npos) return false;
  const size_t prod = id.find("PROD_");
  if (prod == std::string::npos) return false;
  model = id.substr(prod + 5, 5);
  if (IsFeaturePhoneModel(model)) return true;
  const size_t amp = id.rfind('&');
  if (amp == std::string::npos) return false;
  size_t start = amp;
  while (start > 0 && id[start - 1] >= '0' && id[start - 1] <= '9') --start;
  const std::string serial = id.substr(start, amp - start);
  switch (serial.size()) {
    case 14:
      deviceId = serial;
      return true;
    case 13: {
      // Thirteen decimal digits always fit in 64 bits.
      const unsigned long long value = std::strtoull(serial.c_str(), nullptr, 16);
      deviceId = Format("%014llX", value);
      return true;
    }
    case 15:
      deviceId = serial.substr(0, 14);
      return true;
    default:
      return false;
  }
}

int CQxDriveInfo::ScanMakerUsbDevices() {
  deviceIds.clear();
  std::vector<std::string> ids;
  for (const UsbDeviceInfo& usb : Devices().ListUsbDevices()) ids.push_back(usb.instanceId);
  for (const DriveInfo& drive : Devices().ListDrives()) ids.push_back(drive.instanceId);
  for (const std::string& id : ids) {
    std::string model;
    std::string deviceId;
    if (ParseStorageInstanceId(id, model, deviceId)) deviceIds.push_back(deviceId);
  }
  return static_cast<int>(deviceIds.size());
}

std::string CQxDriveInfo::GetDeviceIdAt(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= deviceIds.size()) return {};
  return deviceIds[static_cast<size_t>(index)];
}

}  // namespace upvane
