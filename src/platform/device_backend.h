#pragma once
// The devices the program looks for: serial ports with their descriptions,
// storage drives with their identity, the USB devices present, and vendor
// SCSI commands to a drive. One backend serves the whole process; tests and
// the simulator install their own.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace upvane {

struct SerialPortInfo {
  std::string path;           // "/dev/ttyACM0": what the program opens
  std::string name;           // "ttyACM0"
  std::string description;    // maker and function, e.g. "Brennix Diagnostic Interface"
  std::string manufacturer;   // of the USB device, may be empty
  std::string product;        // of the USB device, may be empty
  std::string interfaceName;  // of the USB interface, may be empty
};

struct DriveInfo {
  std::string id;  // block device name: "sr0", "sdb"
  bool cdrom = false;
  bool removable = false;
  std::string vendor;  // as the device reports it, blanks kept
  std::string model;
  std::string revision;
  // "CDROM&VEN_<vendor>&PROD_<model>&REV_<rev>\<serial>&0" ("DISK&..." for a
  // disk), blanks inside the fields as '_', the USB parent's serial.
  std::string instanceId;
  bool mediaPresent = false;
};

struct UsbDeviceInfo {
  std::string instanceId;  // "USB\VID_<vid>&PID_<pid>\<serial>"
  std::string vendorId;    // four hex digits as the device gives them
  std::string productId;
  std::string manufacturer;
  std::string product;
  std::string serial;
};

enum class ScsiResult {
  kSent,        // the command reached the device (its status is not judged)
  kOpenFailed,  // the drive could not be opened
  kFailed,      // the pass-through call itself failed; errorCode says why
};

// A backend keeps no state between calls that a caller could race on: the
// calls may come from any thread at the same time.
class DeviceBackend {
 public:
  virtual ~DeviceBackend() = default;
  virtual std::vector<SerialPortInfo> ListSerialPorts() = 0;
  virtual std::vector<DriveInfo> ListDrives() = 0;
  virtual std::vector<UsbDeviceInfo> ListUsbDevices() = 0;
  // Sends a CDB of 1..16 bytes without a data phase. `readWrite` opens the
  // drive for reading and writing, otherwise for querying only. `errorCode`
  // gets the system error number when the result is not kSent.
  virtual ScsiResult SendScsiCommand(const std::string& driveId, const uint8_t* cdb, size_t cdbLength,
                                     bool readWrite, uint32_t timeoutMs, int& errorCode) = 0;
};

// The process's backend: the one installed last, else the system's.
DeviceBackend& Devices();
// Installs `backend` (not owned; it must outlive its use); nullptr restores
// the system's backend.
void SetDeviceBackend(DeviceBackend* backend);

}  // namespace upvane
