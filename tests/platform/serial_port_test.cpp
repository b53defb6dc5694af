#include "platform/serial_port.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/clock.h"
#include "pty.h"
#include "support/test_support.h"

namespace upvane {
namespace {

TEST(SerialPort, RefusesWhatIsNotAFreeTerminal) {
  test::TempDir dir;
  test::WriteFile(dir.File("plain"), "x");
  SerialPort port;
  std::string error;
  EXPECT_FALSE(port.Open(dir.File("plain"), 115200, &error));
  EXPECT_EQ(error, "not a serial port");
  EXPECT_FALSE(port.Open(dir.File("missing"), 115200, &error));
  EXPECT_FALSE(port.IsOpen());

  sim::PtyPair pty;
  ASSERT_TRUE(pty.Create(nullptr));
  ASSERT_TRUE(port.Open(pty.SlavePath(), 115200, &error)) << error;
  SerialPort second;
  EXPECT_FALSE(second.Open(pty.SlavePath(), 115200, &error));
  EXPECT_EQ(error, "port is in use");
  // Free again once the first one closed.
  EXPECT_TRUE(port.Close());
  EXPECT_FALSE(port.Close());
  EXPECT_TRUE(second.Open(pty.SlavePath(), 115200, &error)) << error;
}

TEST(SerialPort, HangUpWhileWaitingEndsTheWait) {
  sim::PtyPair pty;
  ASSERT_TRUE(pty.Create(nullptr));
  SerialPort port;
  ASSERT_TRUE(port.Open(pty.SlavePath(), 115200));
  std::thread unplug([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    pty.Close();
  });
  const uint64_t start = GetTickCount64();
  EXPECT_EQ(port.WaitReadable(30000), SerialWait::kGone);
  unplug.join();
  EXPECT_LT(GetTickCount64() - start, 10000u);
  EXPECT_TRUE(port.IsGone());
  uint8_t b = 0;
  EXPECT_EQ(port.ReadSome(&b, 1), -1);
  EXPECT_FALSE(port.WriteAll(&b, 1, 1000));
}

}  // namespace
}  // namespace upvane
