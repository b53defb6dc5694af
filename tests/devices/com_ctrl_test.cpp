#include "devices/com_ctrl.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "pty.h"

namespace upvane {
namespace {

// The 60 s write limit runs in 0.6 s.
const bool kScaled = [] {
  setenv("UPVANE_TIME_SCALE", "100", 1);
  return true;
}();

void MasterWrite(sim::PtyPair& pty, const std::vector<uint8_t>& bytes) {
  ASSERT_EQ(::write(pty.MasterFd(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

std::vector<uint8_t> MasterRead(sim::PtyPair& pty) {
  std::vector<uint8_t> out;
  uint8_t buf[1024];
  pollfd p{pty.MasterFd(), POLLIN, 0};
  while (::poll(&p, 1, 100) > 0) {
    const ssize_t n = ::read(pty.MasterFd(), buf, sizeof(buf));
    if (n <= 0) break;
    out.insert(out.end(), buf, buf + n);
  }
  return out;
}

class ComCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.Create(nullptr));
    ASSERT_TRUE(com.Open(pty.SlavePath(), 115200)) << com.OpenError();
  }
  sim::PtyPair pty;
  CComCtrl com;
};

TEST_F(ComCtrlTest, SecondOpenFailsAndKeepsThePort) {
  sim::PtyPair other;
  ASSERT_TRUE(other.Create(nullptr));
  EXPECT_FALSE(com.Open(other.SlavePath(), 115200));
  MasterWrite(pty, {1, 2, 3});
  int got = 0;
  uint8_t buf[3];
  ASSERT_TRUE(com.RawRead(3, buf, 50000, got));
  EXPECT_EQ(got, 3);
}

TEST_F(ComCtrlTest, WaitForDataWithQueuedBytesReturnsAtOnce) {
  int available = 0, remaining = 0;
  EXPECT_TRUE(com.WaitForData(0, available, remaining));  // nothing there, no time
  MasterWrite(pty, {9, 8, 7, 6});
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(com.WaitForData(0, available, remaining));
  EXPECT_EQ(available, 4);
  EXPECT_FALSE(com.WaitForData(5000, available, remaining));
  EXPECT_EQ(remaining, 5000);
}

TEST_F(ComCtrlTest, RawReadCollectsPiecesAndZeroNeedsNothing) {
  uint8_t buf[10] = {};
  int got = -1;
  EXPECT_TRUE(com.RawRead(0, buf, 0, got));
  std::thread writer([&] {
    for (uint8_t i = 0; i < 10; ++i) {
      MasterWrite(pty, {i});
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  ASSERT_TRUE(com.RawRead(10, buf, 100000, got));
  writer.join();
  EXPECT_EQ(got, 10);
  for (uint8_t i = 0; i < 10; ++i) EXPECT_EQ(buf[i], i);
  // Only 2 of 4 bytes come: time-out.
  MasterWrite(pty, {1, 2});
  EXPECT_FALSE(com.RawRead(4, buf, 5000, got));
}

TEST_F(ComCtrlTest, RawTransactDiscardsStaleInput) {
  MasterWrite(pty, {0xEE, 0xEE, 0xEE});
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::thread phone([&] {
    std::vector<uint8_t> req;
    for (int i = 0; i < 50 && req.size() < 2; ++i) {
      auto part = MasterRead(pty);
      req.insert(req.end(), part.begin(), part.end());
    }
    MasterWrite(pty, {static_cast<uint8_t>(req.size()), 0x11});
  });
  const uint8_t request[2] = {0x0A, 0x0B};
  uint8_t answer[2] = {};
  int got = 0;
  ASSERT_TRUE(com.RawTransact(request, 2, 2, answer, got, 300000));
  phone.join();
  EXPECT_EQ(answer[0], 2);
  EXPECT_EQ(answer[1], 0x11);
}

TEST_F(ComCtrlTest, WriteThatIsNotTakenFailsAfterTheLimit) {
  // Nobody reads the master side: the pty buffer fills and the write waits.
  std::vector<uint8_t> big(4 << 20, 0x42);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(com.WriteAll(big.data(), static_cast<int>(big.size())));
  const auto real = std::chrono::steady_clock::now() - start;
  EXPECT_GE(real, std::chrono::milliseconds(300));  // 60 s of program time at 100x
  EXPECT_LT(real, std::chrono::seconds(30));
}

TEST_F(ComCtrlTest, VanishedPortFailsEverything) {
  pty.Close();
  int available = 0, remaining = 0;
  EXPECT_TRUE(com.WaitForData(100000, available, remaining));
  uint8_t b = 0;
  EXPECT_FALSE(com.ReadExact(&b, 1, 1000, remaining));
  EXPECT_FALSE(com.WriteAll(&b, 1));
  int got = 0;
  EXPECT_FALSE(com.RawRead(1, &b, 1000, got));
  EXPECT_TRUE(com.Close());
  EXPECT_FALSE(com.Close());
  EXPECT_FALSE(com.WriteAll(&b, 1));
}

}  // namespace
}  // namespace upvane
