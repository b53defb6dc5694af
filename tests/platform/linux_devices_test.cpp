#include "platform/linux/linux_devices.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/fake_sysfs.h"

namespace upvane {
namespace {

using test::FakeSysfs;

TEST(LinuxDevicesTest, ListsHardwareSerialPortsWithTheirUsbDescriptions) {
  FakeSysfs sysfs;
  LinuxDeviceBackend backend(sysfs.root());
  const std::vector<SerialPortInfo> ports = backend.ListSerialPorts();
  // ttyS0 has no UART, tty0 no device: neither is a port.
  ASSERT_EQ(ports.size(), 3u);

  EXPECT_EQ(ports[0].name, "ttyACM0");
  EXPECT_EQ(ports[0].path, sysfs.root() + "/dev/ttyACM0");
  EXPECT_EQ(ports[0].manufacturer, "Brennix");
  EXPECT_EQ(ports[0].product, "Brennix Phone");
  EXPECT_EQ(ports[0].interfaceName, "Diagnostic Interface");
  EXPECT_EQ(ports[0].description, "Brennix Diagnostic Interface");

  EXPECT_EQ(ports[1].name, "ttyS4");
  EXPECT_EQ(ports[1].manufacturer, "");
  EXPECT_EQ(ports[1].description, "ttyS4");

  // Below a usb-serial port the USB device is two levels up.
  EXPECT_EQ(ports[2].name, "ttyUSB0");
  EXPECT_EQ(ports[2].manufacturer, "FTDI");
  EXPECT_EQ(ports[2].interfaceName, "");
  EXPECT_EQ(ports[2].description, "FTDI FT232R USB UART");
}

TEST(LinuxDevicesTest, ListsDrivesWithVendorTextsAndStorageInstanceIds) {
  FakeSysfs sysfs;
  LinuxDeviceBackend backend(sysfs.root());
  const std::vector<DriveInfo> drives = backend.ListDrives();
  ASSERT_EQ(drives.size(), 2u);  // loop0 has no device

  const DriveInfo& sdb = drives[0];
  EXPECT_EQ(sdb.id, "sdb");
  EXPECT_FALSE(sdb.cdrom);
  EXPECT_TRUE(sdb.removable);
  EXPECT_EQ(sdb.vendor, "SanDisk ");
  EXPECT_EQ(sdb.instanceId, "DISK&VEN_SANDISK&PROD_CRUZER_BLADE&REV_1.00\\4C530001230415117294&0");
  EXPECT_TRUE(sdb.mediaPresent);

  const DriveInfo& sr0 = drives[1];
  EXPECT_EQ(sr0.id, "sr0");
  EXPECT_TRUE(sr0.cdrom);
  EXPECT_EQ(sr0.vendor, "BRENNIX ");
  EXPECT_EQ(sr0.model, "E3105           ");
  EXPECT_EQ(sr0.revision, "0001");
  // The serial is the phone's USB device's, not the host controller's.
  EXPECT_EQ(sr0.instanceId,
            std::string("CDROM&VEN_BRENNIX&PROD_E3105&REV_0001\\") + FakeSysfs::kPhoneSerial + "&0");
  // No device node to ask: no media.
  EXPECT_FALSE(sr0.mediaPresent);
}

TEST(LinuxDevicesTest, DriveWithoutUsbParentOrTypeFile) {
  FakeSysfs sysfs;
  sysfs.Attr("sys/devices/pci0000:00/ata1/host0/target0:0:0/0:0:0:0/vendor", "ATA     ");
  sysfs.Attr("sys/devices/pci0000:00/ata1/host0/target0:0:0/0:0:0:0/model", "Samsung SSD 870");
  sysfs.Attr("sys/devices/pci0000:00/ata1/host0/target0:0:0/0:0:0:0/block/sda/size", "0");
  sysfs.Link("sys/devices/pci0000:00/ata1/host0/target0:0:0/0:0:0:0/block/sda/device", "../../../0:0:0:0");
  sysfs.Link("sys/block/sda", "../devices/pci0000:00/ata1/host0/target0:0:0/0:0:0:0/block/sda");
  LinuxDeviceBackend backend(sysfs.root());
  const std::vector<DriveInfo> drives = backend.ListDrives();
  ASSERT_EQ(drives.size(), 3u);
  EXPECT_EQ(drives[0].id, "sda");
  EXPECT_FALSE(drives[0].cdrom);
  EXPECT_FALSE(drives[0].removable);
  EXPECT_FALSE(drives[0].mediaPresent);
  EXPECT_EQ(drives[0].instanceId, "DISK&VEN_ATA&PROD_SAMSUNG_SSD_870&REV_\\&0");
}

TEST(LinuxDevicesTest, ListsUsbDevicesButNotInterfaces) {
  FakeSysfs sysfs;
  LinuxDeviceBackend backend(sysfs.root());
  const std::vector<UsbDeviceInfo> devices = backend.ListUsbDevices();
  ASSERT_EQ(devices.size(), 5u);
  EXPECT_EQ(devices[0].instanceId, "USB\\VID_1E0E&PID_9001\\BX0001");
  EXPECT_EQ(devices[0].manufacturer, "Brennix");
  EXPECT_EQ(devices[2].instanceId, std::string("USB\\VID_1E0E&PID_F000\\") + FakeSysfs::kPhoneSerial);
  EXPECT_EQ(devices[2].vendorId, "1e0e");
  EXPECT_EQ(devices[2].productId, "f000");
  EXPECT_EQ(devices[4].instanceId, "USB\\VID_1D6B&PID_0002\\0000:00:14.0");
}

TEST(LinuxDevicesTest, MissingTreeGivesEmptyLists) {
  LinuxDeviceBackend backend("/nonexistent/upvane-root");
  EXPECT_TRUE(backend.ListSerialPorts().empty());
  EXPECT_TRUE(backend.ListDrives().empty());
  EXPECT_TRUE(backend.ListUsbDevices().empty());
}

TEST(LinuxDevicesTest, StorageInstanceIdFieldsAreCleaned) {
  EXPECT_EQ(MakeStorageInstanceId(true, " brennix ", "E 31\\05", "0&1", "123,4"),
            "CDROM&VEN_BRENNIX&PROD_E_31_05&REV_0_1\\123_4&0");
  EXPECT_EQ(MakeStorageInstanceId(false, "", "", "", ""), "DISK&VEN_&PROD_&REV_\\&0");
}

TEST(LinuxDevicesTest, ScsiRequestBlockForEachCommand) {
  const std::vector<std::vector<uint8_t>> cdbs = {
      {0xF0, 0x00, 'Q', 'X', 'D', 'T', 0x00, 0x00, 0x00, 0x00},
      {0xF0, 0x00, 'Q', 'X', 'D', 'T', 0x02, 0x00, 0x00, 0x00},
      {0xF0, 'U', 'P', 'V', 'A', 'N', 'E', 'S', 'I', 'M', 'S', 'W', 'I', 'T', 'C', 'H'},
  };
  for (const std::vector<uint8_t>& cdb : cdbs) {
    SCOPED_TRACE(cdb.size());
    uint8_t sense[kScsiSenseLength];
    sg_io_hdr_t request;
    ASSERT_TRUE(BuildScsiRequest(cdb.data(), cdb.size(), 2000, sense, request));
    EXPECT_EQ(request.interface_id, 'S');
    EXPECT_EQ(request.dxfer_direction, SG_DXFER_FROM_DEV);
    EXPECT_EQ(request.cmd_len, cdb.size());
    EXPECT_EQ(request.mx_sb_len, 32);
    EXPECT_EQ(request.iovec_count, 0);
    EXPECT_EQ(request.dxfer_len, 0u);
    EXPECT_EQ(request.dxferp, nullptr);
    EXPECT_EQ(request.cmdp, cdb.data());
    EXPECT_EQ(request.sbp, sense);
    EXPECT_EQ(request.timeout, 2000u);
    EXPECT_EQ(request.flags, 0u);
  }
  uint8_t sense[kScsiSenseLength];
  sg_io_hdr_t request;
  const uint8_t tooLong[17] = {0xF0};
  EXPECT_FALSE(BuildScsiRequest(tooLong, 0, 2000, sense, request));
  EXPECT_FALSE(BuildScsiRequest(tooLong, sizeof(tooLong), 2000, sense, request));
  EXPECT_FALSE(BuildScsiRequest(nullptr, 10, 2000, sense, request));
}

TEST(LinuxDevicesTest, ScsiCommandToMissingOrNonScsiDevice) {
  FakeSysfs sysfs;
  sysfs.Attr("dev/sr0", "");
  LinuxDeviceBackend backend(sysfs.root());
  const uint8_t cdb[10] = {0xF0, 0x00, 'Q', 'X', 'D', 'T', 0x02, 0x00, 0x00, 0x00};
  int error = 0;
  EXPECT_EQ(backend.SendScsiCommand("sr1", cdb, sizeof(cdb), false, 2000, error), ScsiResult::kOpenFailed);
  EXPECT_EQ(error, ENOENT);
  // A name is a device name, never a path.
  EXPECT_EQ(backend.SendScsiCommand("../dev/sr0", cdb, sizeof(cdb), false, 2000, error),
            ScsiResult::kOpenFailed);
  EXPECT_EQ(backend.SendScsiCommand("", cdb, sizeof(cdb), false, 2000, error), ScsiResult::kOpenFailed);
  // A node that is no SCSI device opens, but the pass-through fails.
  EXPECT_EQ(backend.SendScsiCommand("sr0", cdb, sizeof(cdb), true, 2000, error), ScsiResult::kFailed);
  EXPECT_NE(error, 0);
  // A node that is there but no CD-ROM: no media.
  EXPECT_FALSE(backend.ListDrives()[1].mediaPresent);
}

TEST(LinuxDevicesTest, ProcessBackendCanBeReplacedAndRestored) {
  FakeSysfs sysfs;
  LinuxDeviceBackend fake(sysfs.root());
  DeviceBackend* system = &Devices();
  SetDeviceBackend(&fake);
  EXPECT_EQ(&Devices(), &fake);
  EXPECT_EQ(Devices().ListDrives().size(), 2u);
  SetDeviceBackend(nullptr);
  EXPECT_EQ(&Devices(), system);
}

}  // namespace
}  // namespace upvane
