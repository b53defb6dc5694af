#pragma once
// The device backend of a Linux system: sysfs for the lists, the CD-ROM
// status ioctl for media and SG_IO for SCSI commands. The file system root
// is a parameter so that tests can lay out a sysfs tree of their own.
#include <scsi/sg.h>

#include "platform/device_backend.h"

namespace upvane {

class LinuxDeviceBackend : public DeviceBackend {
 public:
  explicit LinuxDeviceBackend(std::string root = "/");

  std::vector<SerialPortInfo> ListSerialPorts() override;
  std::vector<DriveInfo> ListDrives() override;
  std::vector<UsbDeviceInfo> ListUsbDevices() override;
  ScsiResult SendScsiCommand(const std::string& driveId, const uint8_t* cdb, size_t cdbLength, bool readWrite,
                             uint32_t timeoutMs, int& errorCode) override;

 private:
  std::string m_root;  // ends with '/'
};

// The SG_IO request for a CDB without data phase, direction "from device",
// with room for 32 sense bytes in `sense`. False when the CDB length is not
// 1..16.
constexpr size_t kScsiSenseLength = 32;
bool BuildScsiRequest(const uint8_t* cdb, size_t cdbLength, uint32_t timeoutMs, uint8_t* sense,
                      sg_io_hdr_t& request);

// "CDROM&VEN_...&PROD_...&REV_...\<serial>&0" from the raw sysfs texts.
std::string MakeStorageInstanceId(bool cdrom, const std::string& vendor, const std::string& model,
                                  const std::string& revision, const std::string& serial);

}  // namespace upvane
