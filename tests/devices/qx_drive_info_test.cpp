#include "devices/qx_drive_info.h"

#include <gtest/gtest.h>

#include "devices/fake_devices.h"
#include "platform/fake_sysfs.h"
#include "platform/linux/linux_devices.h"

namespace upvane {
namespace {

struct ParseCase {
  const char* id;
  bool result;
  const char* model;     // expected model code when parsed
  const char* deviceId;  // expected identifier ("<kept>" = untouched)
};

TEST(QxDriveInfoTest, ParsesStorageInstanceIds) {
  const ParseCase cases[] = {
      {"USBSTOR\\CDROM&VEN_BRENNIX&PROD_E3105&REV_0001\\35812345678901&0", true, "E3105", "35812345678901"},
      {"CDROM&VEN_BRENNIX&PROD_E3102&REV_0001\\358123456789012&0", true, "E3102", "35812345678901"},
      {"CDROM&VEN_BRENNIX&PROD_E3102&REV_0001\\3581234567890&0", true, "E3102", "03581234567890"},
      // Thirteen digits are read as hexadecimal, so letters never come out.
      {"CDROM&VEN_BRENNIX&PROD_E3102&REV_0001\\9999999999999&0", true, "E3102", "09999999999999"},
      {"CDROM&VEN_BRENNIX&PROD_E3105&REV_0001\\358123456789&0", false, "E3105", "<kept>"},
      {"CDROM&VEN_BRENNIX&PROD_E3105&REV_0001\\3581234567890123&0", false, "E3105", "<kept>"},
      {"CDROM&VEN_BRENNIX&PROD_E3105&REV_0001\\&0", false, "E3105", "<kept>"},
      // Letters before the digits end the serial.
      {"DISK&VEN_BRENNIX&PROD_E3105&REV_0001\\AB35812345678901&0", true, "E3105", "35812345678901"},
      // Only the digits just before the last '&' count.
      {"DISK&VEN_BRENNIX&PROD_E3105&REV_0001\\35812345678901&0&1", false, "E3105", "<kept>"},
      // The feature phone's storage has no usable serial.
      {"CDROM&VEN_BRENNIX&PROD_E3104&REV_0001\\X&0", true, "E3104", "<kept>"},
      {"CDROM&VEN_BRENNIX&PROD_E3104", true, "E3104", "<kept>"},
      // A short product is taken as far as it goes.
      {"CDROM&VEN_BRENNIX&PROD_E31", false, "E31", "<kept>"},
      {"CDROM&VEN_BRENNIX&REV_0001\\35812345678901&0", false, "", "<kept>"},
      {"CDROM&VEN_OTHER&PROD_E3105&REV_0001\\35812345678901&0", false, "", "<kept>"},
      {"cdrom&ven_brennix&prod_e3105&rev_0001\\35812345678901&0", false, "", "<kept>"},
      // Without the trailing "&0" the digits before the last '&' are the model's.
      {"CDROM&VEN_BRENNIX&PROD_E3105&REV_0001\\35812345678901", false, "E3105", "<kept>"},
      {"VEN_BRENNIXPROD_E310535812345678901", false, "E3105", "<kept>"},
      {"", false, "", "<kept>"},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.id);
    std::string model;
    std::string deviceId = "<kept>";
    EXPECT_EQ(CQxDriveInfo::ParseStorageInstanceId(c.id, model, deviceId), c.result);
    EXPECT_EQ(model, c.model);
    EXPECT_EQ(deviceId, c.deviceId);
  }
}

TEST(QxDriveInfoTest, MakerDrivesByVendorText) {
  test::FakeDevices devices;
  const std::pair<const char*, bool> vendors[] = {
      {"BRENNIX ", true}, {"  brennix\t", true}, {"Brennix", true},   {"BRENNIXX", false},
      {"", false},        {"   ", false},        {"SanDisk ", false},
  };
  for (size_t i = 0; i < std::size(vendors); ++i) {
    devices.AddDrive("sd" + std::string(1, static_cast<char>('a' + i)), false, true, vendors[i].first, "");
  }
  devices.AddDrive("sr0", true, true, std::string("BRENNIX\0junk", 12), "");
  CQxDriveInfo info;
  for (size_t i = 0; i < std::size(vendors); ++i) {
    SCOPED_TRACE(vendors[i].first);
    EXPECT_EQ(info.IsMakerDrive(devices.drives[i].id), vendors[i].second);
  }
  EXPECT_TRUE(info.IsMakerDrive("sr0"));
  EXPECT_FALSE(info.IsMakerDrive("sr9"));
  EXPECT_TRUE(info.IsCdRomDrive("sr0"));
  EXPECT_FALSE(info.IsCdRomDrive("sda"));
  EXPECT_FALSE(info.IsCdRomDrive("sr9"));
}

TEST(QxDriveInfoTest, DriveIdentityNeedsTheTypeWord) {
  test::FakeDevices devices;
  devices.AddDrive("sr0", true, true, "BRENNIX ", "CDROM&VEN_BRENNIX&PROD_E3105&REV_0001\\35812345678901&0");
  devices.AddDrive("sdc", false, true, "BRENNIX ", "DISK&VEN_BRENNIX&PROD_E3102&REV_0001\\3581234567890&0");
  CQxDriveInfo info;
  std::string model;
  std::string deviceId;
  ASSERT_TRUE(info.ReadDriveIdentity("sr0", model, deviceId, true));
  EXPECT_EQ(model, "E3105");
  EXPECT_EQ(deviceId, "35812345678901");
  ASSERT_TRUE(info.ReadDriveIdentity("sdc", model, deviceId, false));
  EXPECT_EQ(model, "E3102");
  EXPECT_EQ(deviceId, "03581234567890");
  // A phone disk looked up as a CD-ROM, and the other way round.
  EXPECT_FALSE(info.ReadDriveIdentity("sdc", model, deviceId, true));
  EXPECT_FALSE(info.ReadDriveIdentity("sr0", model, deviceId, false));
  EXPECT_FALSE(info.ReadDriveIdentity("sdz", model, deviceId, false));
}

TEST(QxDriveInfoTest, ScanListsEveryMakerStorageDevice) {
  test::FakeDevices devices;
  devices.usb.push_back({"USB\\VID_1E0E&PID_F000\\35812345678901", "1e0e", "f000", "Brennix", "E3105", ""});
  devices.AddDrive("sr0", true, true, "BRENNIX ", "CDROM&VEN_BRENNIX&PROD_E3105&REV_0001\\35812345678901&0");
  devices.AddDrive("sr1", true, true, "BRENNIX ", "CDROM&VEN_BRENNIX&PROD_E3104&REV_0001\\&0");
  devices.AddDrive("sdb", false, true, "SanDisk ", "DISK&VEN_SANDISK&PROD_CRUZER&REV_1.00\\44445555666677&0");
  devices.AddDrive("sdc", false, true, "BRENNIX ", "DISK&VEN_BRENNIX&PROD_E3105&REV_0001\\12&0");
  CQxDriveInfo info;
  info.deviceIds = {"stale"};
  ASSERT_EQ(info.ScanMakerUsbDevices(), 2);
  EXPECT_EQ(info.GetDeviceIdAt(0), "35812345678901");
  EXPECT_EQ(info.GetDeviceIdAt(1), "");  // the feature phone
  EXPECT_EQ(info.GetDeviceIdAt(-1), "");
  EXPECT_EQ(info.GetDeviceIdAt(2), "");
  devices.drives.clear();
  EXPECT_EQ(info.ScanMakerUsbDevices(), 0);
  EXPECT_EQ(info.GetDeviceIdAt(0), "");
}

TEST(QxDriveInfoTest, FindsThePhoneInASysfsTree) {
  test::FakeSysfs sysfs;
  LinuxDeviceBackend backend(sysfs.root());
  SetDeviceBackend(&backend);
  CQxDriveInfo info;
  std::string model;
  std::string deviceId;
  EXPECT_TRUE(info.IsCdRomDrive("sr0"));
  EXPECT_TRUE(info.IsMakerDrive("sr0"));
  EXPECT_FALSE(info.IsMakerDrive("sdb"));
  EXPECT_TRUE(info.ReadDriveIdentity("sr0", model, deviceId, info.IsCdRomDrive("sr0")));
  EXPECT_EQ(model, "E3105");
  EXPECT_EQ(deviceId, test::FakeSysfs::kPhoneSerial);
  EXPECT_EQ(info.ScanMakerUsbDevices(), 1);
  EXPECT_EQ(info.GetDeviceIdAt(0), test::FakeSysfs::kPhoneSerial);
  SetDeviceBackend(nullptr);
}

}  // namespace
}  // namespace upvane
