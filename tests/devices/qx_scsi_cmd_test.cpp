#include "devices/qx_scsi_cmd.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>

#include "devices/fake_devices.h"
#include "platform/clock.h"

namespace upvane {
namespace {

// The retry waits run on the program clock; fifty times faster keeps the
// five 1 s waits of notice 2 short. Set before the clock is first read.
const bool kFastClock = setenv("UPVANE_TIME_SCALE", "50", 1) == 0;

const std::vector<uint8_t> kNotice0 = {0xF0, 0x00, 'Q', 'X', 'D', 'T', 0x00, 0x00, 0x00, 0x00};
const std::vector<uint8_t> kNotice2 = {0xF0, 0x00, 'Q', 'X', 'D', 'T', 0x02, 0x00, 0x00, 0x00};

class QxScsiCmdTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kFastClock);
    SetScsiErrorPrompt([this](const std::string& text) { prompts.push_back(text); });
  }
  void TearDown() override { SetScsiErrorPrompt(nullptr); }

  test::FakeDevices devices;
  std::vector<std::string> prompts;
};

TEST_F(QxScsiCmdTest, CommandBlocks) {
  EXPECT_EQ(MakeDriveNoticeCdb(0), kNotice0);
  EXPECT_EQ(MakeDriveNoticeCdb(2), kNotice2);
  const std::vector<uint8_t> word = {0xF0, 'U', 'P', 'V', 'A', 'N', 'E', 'S',
                                     'I',  'M', 'S', 'W', 'I', 'T', 'C', 'H'};
  EXPECT_EQ(MakeModeSwitchCdb("UPVANESIMSWITCH"), word);
  // A word of the wrong length still gives 16 bytes, never more.
  const std::vector<uint8_t> shortWord = {0xF0, 'A', 'B', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(MakeModeSwitchCdb("AB"), shortWord);
  EXPECT_EQ(MakeModeSwitchCdb("UPVANESIMSWITCHXYZ"), word);
}

TEST_F(QxScsiCmdTest, Notice0RetriesUntilSentWithQueryAccess) {
  devices.failuresLeft = 2;
  CQxScsiCmd cmd;
  EXPECT_TRUE(cmd.SendDriveNotice0("sr0"));
  ASSERT_EQ(devices.sent.size(), 3u);
  for (const test::SentCommand& sent : devices.sent) {
    EXPECT_EQ(sent.driveId, "sr0");
    EXPECT_EQ(sent.cdb, kNotice0);
    EXPECT_FALSE(sent.readWrite);
    EXPECT_EQ(sent.timeoutMs, 2000u);
  }
  // Notice 0 never asks the user.
  devices.sent.clear();
  devices.failuresLeft = 99;
  EXPECT_FALSE(cmd.SendDriveNotice0("sr0"));
  EXPECT_EQ(devices.sent.size(), 5u);
  EXPECT_TRUE(prompts.empty());
}

TEST_F(QxScsiCmdTest, Notice2ShowsEveryFailingPassThrough) {
  devices.failuresLeft = 99;
  devices.failureError = EIO;
  CQxScsiCmd cmd;
  EXPECT_FALSE(cmd.SendDriveNotice2("sr0"));
  ASSERT_EQ(devices.sent.size(), 5u);
  for (const test::SentCommand& sent : devices.sent) {
    EXPECT_EQ(sent.cdb, kNotice2);
    EXPECT_TRUE(sent.readWrite);
    EXPECT_EQ(sent.timeoutMs, 2000u);
  }
  ASSERT_EQ(prompts.size(), 5u);
  EXPECT_EQ(prompts[0], "DeviceIoControl error 0x00000005");

  // One failure, then through: one box, two commands.
  devices.sent.clear();
  prompts.clear();
  devices.failuresLeft = 1;
  devices.failureError = ETIMEDOUT;
  EXPECT_TRUE(cmd.SendDriveNotice2("sr0"));
  EXPECT_EQ(devices.sent.size(), 2u);
  ASSERT_EQ(prompts.size(), 1u);
  EXPECT_EQ(prompts[0], "DeviceIoControl error 0x0000006e");
}

TEST_F(QxScsiCmdTest, MissingDriveFailsWithoutMessageBox) {
  devices.failuresLeft = 99;
  devices.failure = ScsiResult::kOpenFailed;
  devices.failureError = ENOENT;
  CQxScsiCmd cmd;
  const uint64_t start = GetTickCount64();
  EXPECT_FALSE(cmd.SendDriveNotice2("sr7"));
  // Five attempts with their 1 s waits (program time, coarse bound).
  EXPECT_GE(GetTickCount64() - start, 2500u);
  EXPECT_EQ(devices.sent.size(), 5u);
  EXPECT_TRUE(prompts.empty());
}

TEST_F(QxScsiCmdTest, WithoutPromptTheErrorOnlyGoesToTheDebugChannel) {
  SetScsiErrorPrompt(nullptr);
  devices.failuresLeft = 99;
  CQxScsiCmd cmd;
  EXPECT_FALSE(cmd.SendDriveNotice2("sr0"));
  EXPECT_EQ(devices.sent.size(), 5u);
  EXPECT_TRUE(prompts.empty());
}

}  // namespace
}  // namespace upvane
