#include "devices/qx_port.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "devices/fake_devices.h"
#include "devices/qx_scsi_cmd.h"
#include "platform/clock.h"
#include "platform/deployment.h"
#include "platform/fake_sysfs.h"
#include "platform/linux/linux_devices.h"

namespace upvane {
namespace {

// The nudge's two 3 s waits and the port polls run on the program clock.
const bool kFastClock = setenv("UPVANE_TIME_SCALE", "50", 1) == 0;

class QxPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kFastClock);
    devices.AddPort("/dev/ttyACM0", "brennix Diagnostic Interface");
    devices.AddPort("/dev/ttyUSB0", "FTDI FT232R USB UART");
    devices.AddPort("/dev/ttyACM1", "BRENNIX Phone");
  }
  test::FakeDevices devices;
};

TEST_F(QxPortTest, ListsMakerPortsByDescription) {
  CQXPort port;
  ASSERT_EQ(port.DiscoverPorts(false), 2);
  std::string name;
  port.GetPortName(0, name);
  EXPECT_EQ(name, "/dev/ttyACM0");
  port.GetPortName(1, name);
  EXPECT_EQ(name, "/dev/ttyACM1");
  port.GetPortName(-1, name);
  EXPECT_EQ(name, "");
  port.GetPortName(2, name);
  EXPECT_EQ(name, "");
  EXPECT_TRUE(devices.sent.empty());

  // A rescan replaces the list.
  devices.ports.erase(devices.ports.begin());
  ASSERT_EQ(port.DiscoverPorts(false), 1);
  EXPECT_EQ(port.ports[0], "/dev/ttyACM1");

  std::vector<std::string> all = {"stale"};
  EXPECT_EQ(CQXPort::ListSerialCommPorts(all), 2);
  EXPECT_EQ(all, (std::vector<std::string>{"/dev/ttyUSB0", "/dev/ttyACM1"}));
}

TEST_F(QxPortTest, MakerPortFromASysfsTree) {
  test::FakeSysfs sysfs;
  LinuxDeviceBackend backend(sysfs.root());
  SetDeviceBackend(&backend);
  CQXPort port;
  EXPECT_EQ(port.DiscoverPorts(false), 1);
  EXPECT_EQ(port.ports[0], sysfs.root() + "/dev/ttyACM0");
  std::vector<std::string> all;
  EXPECT_EQ(CQXPort::ListSerialCommPorts(all), 3);
  SetDeviceBackend(&devices);
}

TEST_F(QxPortTest, NudgesMakerDrivesWithTheVendorCommands) {
  devices.AddDrive("sr0", true, true, "BRENNIX ", "");
  devices.AddDrive("sr1", true, true, "HL-DT-ST", "");
  devices.AddDrive("sda", false, false, "BRENNIX ", "");  // not removable
  // After notice 2 the phone comes back as a removable disk.
  devices.onScsi = [this](const test::SentCommand& sent) {
    if (sent.driveId == "sr0") {
      devices.drives.erase(devices.drives.begin());
      devices.AddDrive("sdc", false, true, " brennix", "");
    }
    if (sent.cdb.size() == 10 && sent.cdb[6] == 0)
      devices.AddPort("/dev/ttyACM2", "Brennix Diagnostic Interface");
  };
  CQXPort port;
  const uint64_t start = GetTickCount64();
  EXPECT_EQ(port.DiscoverPorts(true), 3);
  EXPECT_GE(GetTickCount64() - start, 6000u);
  EXPECT_EQ(port.ports.back(), "/dev/ttyACM2");

  ASSERT_EQ(devices.sent.size(), 3u);
  EXPECT_EQ(devices.sent[0].driveId, "sr0");
  EXPECT_EQ(devices.sent[0].cdb, MakeDriveNoticeCdb(2));
  EXPECT_EQ(devices.sent[1].driveId, "sdc");
  EXPECT_EQ(devices.sent[1].cdb, MakeModeSwitchCdb(Deployment().modeSwitchWord));
  EXPECT_EQ(devices.sent[1].cdb.size(), 16u);
  EXPECT_EQ(devices.sent[2].driveId, "sdc");
  EXPECT_EQ(devices.sent[2].cdb, MakeDriveNoticeCdb(0));
  for (const test::SentCommand& sent : devices.sent) {
    EXPECT_TRUE(sent.readWrite);
    EXPECT_EQ(sent.timeoutMs, 2000u);
  }
}

TEST_F(QxPortTest, NudgeIgnoresFailingCommands) {
  devices.AddDrive("sr0", true, true, "BRENNIX", "");
  devices.AddDrive("sdc", false, true, "BRENNIX", "");
  devices.failuresLeft = 99;
  CQXPort port;
  EXPECT_EQ(port.DiscoverPorts(true), 2);
  EXPECT_EQ(devices.sent.size(), 3u);
}

TEST_F(QxPortTest, WaitPortGone) {
  CQXPort port;
  // Zero time-out: at once, without a scan.
  EXPECT_TRUE(port.WaitPortGone("/dev/ttyACM0", 0));
  EXPECT_EQ(devices.portScans, 0);
  // A port that never was there, or another maker's.
  EXPECT_TRUE(port.WaitPortGone("/dev/ttyACM9", 5000));
  EXPECT_TRUE(port.WaitPortGone("/dev/ttyUSB0", 5000));

  // Still listed at the deadline.
  devices.portScans = 0;
  const uint64_t start = GetTickCount64();
  EXPECT_FALSE(port.WaitPortGone("/dev/ttyACM1", 1000));
  EXPECT_GE(GetTickCount64() - start, 1000u);
  EXPECT_GE(devices.portScans, 2);

  // Goes away on the third scan.
  devices.portScans = 0;
  devices.onPortScan = [this](int scans) {
    if (scans == 3) devices.ports.pop_back();
  };
  EXPECT_TRUE(port.WaitPortGone("/dev/ttyACM1", 60000));
  EXPECT_EQ(devices.portScans, 3);
}

}  // namespace
}  // namespace upvane
