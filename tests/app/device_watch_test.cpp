#include "app/device_watch.h"

#include <gtest/gtest.h>

#include "app/identification.h"
#include "app_test_support.h"
#include "devices/fake_devices.h"
#include "platform/clock.h"
#include "store/qx_regstry.h"

namespace upvane {
namespace {

const char kCdromId[] = "USBSTOR\\CDROM&VEN_BRENNIX&PROD_E3107&REV_0001\\35412345678901&0";

class DeviceWatchTest : public ::testing::Test {
 protected:
  DeviceWatchTest() : fast("UPVANE_TIME_SCALE", "50") {
    state.page = &page;
    state.ignoreDevice = &ignore;
    state.askOpen = &askOpen;
    state.stop = &stop;
    state.engineActive = &engine;
  }
  size_t Sent() {
    std::lock_guard<std::recursive_mutex> lock(devices.mutex);
    return devices.sent.size();
  }
  void Mount(bool media) {
    std::lock_guard<std::recursive_mutex> lock(devices.mutex);
    devices.drives[0].mediaPresent = media;
  }
  D_PHONE_INFO Record(const std::string& id, const std::string& port, const std::string& flag) {
    D_PHONE_INFO p;
    p.ModelID = "E3107";
    p.DeviceID = id;
    p.Firmware = "1.001WQ.01";
    p.SerialComm = port;
    p.ConnectFlg = flag;
    p.BrewFlg = "Off";
    CQxRegstry reg;
    reg.WritePhone(id, p);
    return p;
  }
  std::string Flag(const std::string& id) {
    CQxRegstry reg;
    D_PHONE_INFO p;
    reg.ReadPhone(id, p);
    return p.ConnectFlg;
  }
  static DeviceEvent Volume(const char* id, DeviceEventKind k = DeviceEventKind::kArrival) {
    return {k, DeviceEventType::kVolume, id};
  }
  test::ScopedEnv fast;
  test::AppEnvironment env;
  test::FakeDevices devices;
  std::atomic<int> page{0}, ignore{0}, askOpen{0}, stop{0}, engine{0};
  DeviceWatchState state;
};

TEST_F(DeviceWatchTest, CdromMountedLaterGetsExactlyOneModeSwitch) {
  devices.AddDrive("sr0", true, true, "BRENNIX ", kCdromId);
  DeviceWatch watch(state);
  watch.OnDeviceChange(Volume("sr0"));  // created, no media yet
  EXPECT_TRUE(watch.CdromCreated("sr0"));
  SleepMs(5000);  // the phone mounts its CD-ROM 5 s later
  EXPECT_EQ(Sent(), 0u);
  Mount(true);
  watch.OnDeviceChange(Volume("sr0"));  // the mount notification
  watch.JoinThreads();
  ASSERT_EQ(Sent(), 1u);
  EXPECT_EQ(devices.sent[0].cdb[6], 2);  // the CD-ROM's read/write notice
  EXPECT_FALSE(watch.CdromCreated("sr0"));
}

TEST_F(DeviceWatchTest, KnownConnectedDriveGetsNoSwitch) {
  devices.AddDrive("sdb", false, true, "BRENNIX ",
                   "USBSTOR\\DISK&VEN_BRENNIX&PROD_E3107&REV_0001\\35412345678901&0");
  Record("35412345678901", "/dev/ttyACM0", "On");
  DeviceWatch watch(state);
  watch.OnDeviceChange(Volume("sdb"));
  watch.JoinThreads();
  EXPECT_EQ(Sent(), 0u);
  // Not connected: the disk gets the query-only notice.
  Record("35412345678901", "/dev/ttyACM0", "Off");
  watch.OnDeviceChange(Volume("sdb"));
  watch.JoinThreads();
  ASSERT_EQ(Sent(), 1u);
  EXPECT_EQ(devices.sent[0].cdb[6], 0);
}

TEST_F(DeviceWatchTest, IgnoringDevicesStartsNothing) {
  devices.AddDrive("sr0", true, true, "BRENNIX ", kCdromId);
  ignore = 1;
  DeviceWatch watch(state);
  watch.OnDeviceChange(Volume("sr0"));
  watch.OnDeviceChange(Volume("sr0", DeviceEventKind::kRemoval));
  watch.JoinThreads();
  EXPECT_EQ(Sent(), 0u);
  EXPECT_EQ(watch.m_bRemovalPending.load(), 0);
  EXPECT_FALSE(watch.CdromCreated("sr0"));
}

TEST_F(DeviceWatchTest, RemovalRefreshesUnlessSomethingArrivesWithinThreeSeconds) {
  Record("35412345678901", "/dev/ttyACM0", "On");
  DeviceWatch watch(state);
  watch.OnDeviceChange({DeviceEventKind::kRemoval, DeviceEventType::kPort, "/dev/ttyACM0"});
  SleepMs(1000);
  watch.OnDeviceChange(
      {DeviceEventKind::kArrival, DeviceEventType::kPort, "/dev/ttyACM9"});  // not a maker port
  watch.JoinThreads();
  EXPECT_EQ(Flag("35412345678901"), "On");  // no refresh happened

  watch.OnDeviceChange({DeviceEventKind::kRemoval, DeviceEventType::kPort, "/dev/ttyACM0"});
  watch.JoinThreads();
  EXPECT_EQ(Flag("35412345678901"), "Off");  // nothing of it is present any more
  EXPECT_EQ(watch.m_bRemovalPending.load(), 0);
}

TEST_F(DeviceWatchTest, RefreshKeepsPhonesWhoseDriveIsPresent) {
  devices.AddDrive("sr0", true, true, "BRENNIX ", kCdromId);
  Record("35412345678901", "/dev/ttyACM0", "Off");
  Record("99999999999999", "/dev/ttyACM1", "On");
  DeviceWatch watch(state);
  watch.RefreshConnections();
  EXPECT_EQ(Flag("35412345678901"), "On");
  EXPECT_EQ(Flag("99999999999999"), "Off");
}

TEST_F(DeviceWatchTest, UnpluggingTheSessionsPhoneDuringADownloadStopsIt) {
  const D_PHONE_INFO phone = Record("35412345678901", "/dev/ttyACM0", "On");
  Record("35400000000002", "/dev/ttyACM1", "On");
  RunState().SetSelectedPhone(phone);
  engine = 1;
  page = 4;
  DeviceWatch watch(state);
  watch.OnDeviceChange({DeviceEventKind::kRemoval, DeviceEventType::kPort, "/dev/ttyACM1"});  // another phone
  EXPECT_EQ(RunState().m_nCancelRequest.load(), 0);
  EXPECT_EQ(Flag("35400000000002"), "On");
  watch.OnDeviceChange({DeviceEventKind::kRemoval, DeviceEventType::kPort, "/dev/ttyACM0"});
  EXPECT_EQ(RunState().m_nCancelRequest.load(), 1);
  EXPECT_EQ(Flag("35412345678901"), "Off");
  watch.JoinThreads();
  EXPECT_EQ(watch.m_bRemovalPending.load(), 0);  // the engine path starts no refresh
}

TEST_F(DeviceWatchTest, RescanPostsArrivalsAndRemovals) {
  class Window : public MessageReceiver {
   public:
    std::atomic<int> posts{0};
    intptr_t OnMessage(uint32_t msg, uintptr_t, intptr_t) override {
      if (msg == WM_DEVICECHANGE) ++posts;
      return 0;
    }
  } window;
  DispatcherThread loop;
  WindowId id = 0;
  loop.Run([&] { id = RegisterWindow(&window); });
  DeviceWatch watch(state);
  watch.StartRescan(id, 50);
  SleepMs(300);
  {
    std::lock_guard<std::recursive_mutex> lock(devices.mutex);
    devices.AddDrive("sr0", true, true, "BRENNIX ", kCdromId);
    devices.AddPort("/dev/ttyACM0", "Brennix Diagnostic Interface");
  }
  std::vector<DeviceEvent> seen;
  for (int i = 0; i < 200 && seen.size() < 2; ++i) {
    DeviceEvent e;
    while (watch.TakeEvent(e)) seen.push_back(e);
    SleepMs(10);
  }
  Mount(true);
  {
    std::lock_guard<std::recursive_mutex> lock(devices.mutex);
    devices.ports.clear();
  }
  for (int i = 0; i < 200 && seen.size() < 4; ++i) {
    DeviceEvent e;
    while (watch.TakeEvent(e)) seen.push_back(e);
    SleepMs(10);
  }
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0].type, DeviceEventType::kVolume);
  EXPECT_EQ(seen[1].type, DeviceEventType::kPort);
  EXPECT_EQ(seen[2].kind, DeviceEventKind::kArrival);  // the CD-ROM's media arrived
  EXPECT_EQ(seen[2].name, "sr0");
  EXPECT_EQ(seen[3].kind, DeviceEventKind::kRemoval);
  EXPECT_EQ(seen[3].name, "/dev/ttyACM0");
  EXPECT_GE(window.posts.load(), 4);
  loop.Run([&] { UnregisterWindow(id); });
}

}  // namespace
}  // namespace upvane
