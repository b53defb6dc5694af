#pragma once
// Which drives belong to the maker's phones, and the model code and device
// identifier a phone's storage device carries in its instance id (readable
// before the phone is switched to its diagnostic mode).
#include <string>
#include <vector>

namespace upvane {

class CQxDriveInfo {
 public:
  virtual ~CQxDriveInfo() = default;

  // `driveId` is a block device name ("sr0").
  bool IsCdRomDrive(const std::string& driveId);
  bool IsMakerDrive(const std::string& driveId);
  // Model code and device identifier of the phone behind the drive; the
  // drive's instance id must carry the type word ("CDROM" with `isCdrom`,
  // else "DISK").
  bool ReadDriveIdentity(const std::string& driveId, std::string& model, std::string& deviceId, bool isCdrom);
  static bool ParseStorageInstanceId(const std::string& id, std::string& model, std::string& deviceId);
  // Fills deviceIds from every maker storage device present; the count.
  int ScanMakerUsbDevices();
  std::string GetDeviceIdAt(int index) const;

  std::vector<std::string> deviceIds;
};

}  // namespace upvane
