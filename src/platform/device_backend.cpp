#include "platform/device_backend.h"

#include <atomic>

#include "platform/linux/linux_devices.h"

namespace upvane {

namespace {

std::atomic<DeviceBackend*> g_installed{nullptr};

DeviceBackend& SystemBackend() {
  static LinuxDeviceBackend backend;
  return backend;
}

}  // namespace

DeviceBackend& Devices() {
  DeviceBackend* installed = g_installed.load();
  return installed != nullptr ? *installed : SystemBackend();
}

void SetDeviceBackend(DeviceBackend* backend) { g_installed.store(backend); }

}  // namespace upvane
