#include "platform/linux/linux_devices.h"

#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <climits>  // CDSL_CURRENT is INT_MAX

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace upvane {

namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxAttributeBytes = 4096;
constexpr int kMaxParentLevels = 64;

// A sysfs attribute without its line end; "" when it is missing. Blanks are
// kept: SCSI vendor texts are padded and callers decide what to trim.
std::string ReadAttribute(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::string text(kMaxAttributeBytes, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\0')) text.pop_back();
  return text;
}

bool Exists(const fs::path& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

std::string TrimBlanks(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

// A field of a storage instance id: trimmed, upper case, and everything that
// is not a plain printable character (or would split the id) as '_'.
std::string InstanceField(const std::string& text) {
  std::string out = TrimBlanks(text);
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7F || c == ',' || c == '\\' || c == '&') {
      c = '_';
    } else if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return out;
}

std::string UpperHex(const std::string& text) {
  std::string out = TrimBlanks(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

// Entry names of a folder, sorted so that the lists have a stable order.
std::vector<std::string> ListNames(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) return names;
  for (const fs::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) break;
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The nearest folder at or above `start` (itself resolved) that holds
// `marker`, not leaving `top`; empty when there is none.
fs::path FindUp(const fs::path& start, const fs::path& top, const char* marker) {
  std::error_code ec;
  fs::path dir = fs::canonical(start, ec);
  if (ec) return {};
  for (int level = 0; level < kMaxParentLevels && !dir.empty(); ++level) {
    if (dir == top || dir == dir.root_path()) return {};
    if (Exists(dir / marker)) return dir;
    dir = dir.parent_path();
  }
  return {};
}

bool MediaInCdrom(const std::string& devicePath) {
  const int fd = ::open(devicePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  const int status = ::ioctl(fd, CDROM_DRIVE_STATUS, CDSL_CURRENT);
  ::close(fd);
  return status == CDS_DISC_OK;
}

bool IsPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

}  // namespace

LinuxDeviceBackend::LinuxDeviceBackend(std::string root) : m_root(std::move(root)) {
  if (m_root.empty() || m_root.back() != '/') m_root += '/';
}

std::vector<SerialPortInfo> LinuxDeviceBackend::ListSerialPorts() {
  std::vector<SerialPortInfo> ports;
  const fs::path classDir = fs::path(m_root) / "sys/class/tty";
  std::error_code ec;
  const fs::path top = fs::canonical(fs::path(m_root) / "sys", ec);
  for (const std::string& name : ListNames(classDir)) {
    const fs::path entry = classDir / name;
    // Only ttys with hardware behind them; virtual consoles and ptys have none.
    if (!Exists(entry / "device")) continue;
    // Legacy UART slots without a UART report type 0.
    if (Exists(entry / "type") && TrimBlanks(ReadAttribute(entry / "type")) == "0") continue;
    SerialPortInfo port;
    port.name = name;
    port.path = m_root + "dev/" + name;
    const fs::path device = entry / "device";
    const fs::path interfaceDir = FindUp(device, top, "bInterfaceNumber");
    if (!interfaceDir.empty()) port.interfaceName = TrimBlanks(ReadAttribute(interfaceDir / "interface"));
    const fs::path usbDir = FindUp(device, top, "idVendor");
    if (!usbDir.empty()) {
      port.manufacturer = TrimBlanks(ReadAttribute(usbDir / "manufacturer"));
      port.product = TrimBlanks(ReadAttribute(usbDir / "product"));
    }
    const std::string& function = port.interfaceName.empty() ? port.product : port.interfaceName;
    port.description = port.manufacturer;
    if (!function.empty()) port.description += (port.description.empty() ? "" : " ") + function;
    if (port.description.empty()) port.description = name;
    ports.push_back(std::move(port));
  }
  return ports;
}

std::vector<DriveInfo> LinuxDeviceBackend::ListDrives() {
  std::vector<DriveInfo> drives;
  const fs::path blockDir = fs::path(m_root) / "sys/block";
  std::error_code ec;
  const fs::path top = fs::canonical(fs::path(m_root) / "sys", ec);
  for (const std::string& name : ListNames(blockDir)) {
    const fs::path entry = blockDir / name;
    const fs::path device = entry / "device";
    // Loop, RAM and mapper devices have no device behind them.
    if (!Exists(device)) continue;
    DriveInfo drive;
    drive.id = name;
    const std::string type = TrimBlanks(ReadAttribute(device / "type"));
    drive.cdrom = type.empty() ? name.rfind("sr", 0) == 0 : type == "5";
    drive.removable = TrimBlanks(ReadAttribute(entry / "removable")) == "1";
    drive.vendor = ReadAttribute(device / "vendor");
    drive.model = ReadAttribute(device / "model");
    drive.revision = ReadAttribute(device / "rev");
    std::string serial;
    const fs::path usbDir = FindUp(entry, top, "idVendor");
    if (!usbDir.empty()) serial = TrimBlanks(ReadAttribute(usbDir / "serial"));
    drive.instanceId = MakeStorageInstanceId(drive.cdrom, drive.vendor, drive.model, drive.revision, serial);
    if (drive.cdrom) {
      drive.mediaPresent = MediaInCdrom(m_root + "dev/" + name);
    } else {
      const std::string size = TrimBlanks(ReadAttribute(entry / "size"));
      drive.mediaPresent = !size.empty() && size != "0";
    }
    drives.push_back(std::move(drive));
  }
  return drives;
}

std::vector<UsbDeviceInfo> LinuxDeviceBackend::ListUsbDevices() {
  std::vector<UsbDeviceInfo> devices;
  const fs::path busDir = fs::path(m_root) / "sys/bus/usb/devices";
  for (const std::string& name : ListNames(busDir)) {
    const fs::path entry = busDir / name;
    // Interfaces ("1-1:1.0") have no vendor id of their own.
    if (!Exists(entry / "idVendor")) continue;
    UsbDeviceInfo device;
    device.vendorId = TrimBlanks(ReadAttribute(entry / "idVendor"));
    device.productId = TrimBlanks(ReadAttribute(entry / "idProduct"));
    device.manufacturer = TrimBlanks(ReadAttribute(entry / "manufacturer"));
    device.product = TrimBlanks(ReadAttribute(entry / "product"));
    device.serial = TrimBlanks(ReadAttribute(entry / "serial"));
    // Without a serial the location stands in, as Windows does with its own.
    device.instanceId = "USB\\VID_" + UpperHex(device.vendorId) + "&PID_" + UpperHex(device.productId) +
                        "\\" + (device.serial.empty() ? name : InstanceField(device.serial));
    devices.push_back(std::move(device));
  }
  return devices;
}

ScsiResult LinuxDeviceBackend::SendScsiCommand(const std::string& driveId, const uint8_t* cdb,
                                               size_t cdbLength, bool readWrite, uint32_t timeoutMs,
                                               int& errorCode) {
  errorCode = 0;
  if (!IsPlainName(driveId)) {
    errorCode = ENOENT;
    return ScsiResult::kOpenFailed;
  }
  const std::string path = m_root + "dev/" + driveId;
  const int fd = ::open(path.c_str(), (readWrite ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    errorCode = errno;
    return ScsiResult::kOpenFailed;
  }
  uint8_t sense[kScsiSenseLength] = {};
  sg_io_hdr_t request;
  ScsiResult result = ScsiResult::kSent;
  if (!BuildScsiRequest(cdb, cdbLength, timeoutMs, sense, request)) {
    errorCode = EINVAL;
    result = ScsiResult::kFailed;
  } else if (::ioctl(fd, SG_IO, &request) < 0) {
    errorCode = errno;
    result = ScsiResult::kFailed;
  }
  ::close(fd);
  return result;
}

bool BuildScsiRequest(const uint8_t* cdb, size_t cdbLength, uint32_t timeoutMs, uint8_t* sense,
                      sg_io_hdr_t& request) {
  std::memset(&request, 0, sizeof(request));
  if (cdb == nullptr || sense == nullptr || cdbLength == 0 || cdbLength > 16) return false;
  request.interface_id = 'S';
  request.dxfer_direction = SG_DXFER_FROM_DEV;
  request.cmd_len = static_cast<unsigned char>(cdbLength);
  request.mx_sb_len = static_cast<unsigned char>(kScsiSenseLength);
  request.iovec_count = 0;
  request.dxfer_len = 0;
  request.dxferp = nullptr;
  // The kernel only reads the CDB.
  request.cmdp = const_cast<unsigned char*>(cdb);
  request.sbp = sense;
  request.timeout = timeoutMs;
  return true;
}

std::string MakeStorageInstanceId(bool cdrom, const std::string& vendor, const std::string& model,
                                  const std::string& revision, const std::string& serial) {
  return std::string(cdrom ? "CDROM" : "DISK") + "&VEN_" + InstanceField(vendor) + "&PROD_" +
         InstanceField(model) + "&REV_" + InstanceField(revision) + "\\" + InstanceField(serial) + "&0";
}

}  // namespace upvane
