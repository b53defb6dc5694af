#pragma once
// A device backend whose lists the test sets and which records every SCSI
// command, failing the first ones on request. Installed for the process
// while it lives.
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/device_backend.h"

namespace upvane::test {

struct SentCommand {
  std::string driveId;
  std::vector<uint8_t> cdb;
  bool readWrite = false;
  uint32_t timeoutMs = 0;
};

class FakeDevices : public DeviceBackend {
 public:
  FakeDevices() { SetDeviceBackend(this); }
  ~FakeDevices() override { SetDeviceBackend(nullptr); }
  FakeDevices(const FakeDevices&) = delete;
  FakeDevices& operator=(const FakeDevices&) = delete;

  // Guarded: the code under test lists devices from several threads.
  std::vector<SerialPortInfo> ListSerialPorts() override {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    ++portScans;
    if (onPortScan) onPortScan(portScans);
    return ports;
  }
  std::vector<DriveInfo> ListDrives() override {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    return drives;
  }
  std::vector<UsbDeviceInfo> ListUsbDevices() override {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    return usb;
  }
  ScsiResult SendScsiCommand(const std::string& driveId, const uint8_t* cdb, size_t cdbLength, bool readWrite,
                             uint32_t timeoutMs, int& errorCode) override {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    sent.push_back({driveId, std::vector<uint8_t>(cdb, cdb + cdbLength), readWrite, timeoutMs});
    if (onScsi) onScsi(sent.back());
    if (failuresLeft > 0) {
      --failuresLeft;
      errorCode = failureError;
      return failure;
    }
    errorCode = 0;
    return ScsiResult::kSent;
  }

  void AddPort(const std::string& path, const std::string& description) {
    SerialPortInfo port;
    port.path = path;
    port.name = path.substr(path.rfind('/') + 1);
    port.description = description;
    ports.push_back(port);
  }
  void AddDrive(const std::string& id, bool cdrom, bool removable, const std::string& vendor,
                const std::string& instanceId) {
    DriveInfo drive;
    drive.id = id;
    drive.cdrom = cdrom;
    drive.removable = removable;
    drive.vendor = vendor;
    drive.instanceId = instanceId;
    drives.push_back(drive);
  }

  std::recursive_mutex mutex;  // held by tests that change the lists meanwhile
  std::vector<SerialPortInfo> ports;
  std::vector<DriveInfo> drives;
  std::vector<UsbDeviceInfo> usb;
  std::vector<SentCommand> sent;
  int portScans = 0;
  std::function<void(int scans)> onPortScan;
  std::function<void(const SentCommand&)> onScsi;
  int failuresLeft = 0;  // how many commands fail before they succeed again
  ScsiResult failure = ScsiResult::kFailed;
  int failureError = 5;
};

}  // namespace upvane::test
