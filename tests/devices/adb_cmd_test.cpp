#include "devices/adb_cmd.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "support/test_support.h"

namespace upvane {
namespace {

using test::TempDir;
using test::WriteFile;

// Fake tools that print a given text (with "\n" line ends, as the real
// ones do) and log their arguments.
class AdbCmdTest : public ::testing::Test {
 protected:
  void Tool(const std::string& name, const std::string& output, int exitCode = 0) {
    WriteFile(dir.File(name + ".out"), output);
    WriteFile(dir.File(name),
              "#!/bin/sh\necho \"$*\" >> '" + dir.File("calls") + "'\ncat '" + dir.File(name + ".out") +
                  "' >&2\nexit " + std::to_string(exitCode) + "\n",
              true);
  }
  std::string Calls() { return test::ReadFile(dir.File("calls")); }
  CAdbCmd Runner() {
    CAdbCmd cmd;
    cmd.SetAdbPath(dir.File("adb"));
    cmd.SetFastbootPath(dir.File("fastboot"));
    return cmd;
  }
  TempDir dir;
};

TEST_F(AdbCmdTest, SerialGoesBeforeTheSubcommand) {
  Tool("fastboot", "Erasing 'boot'  OKAY [  0.001s]\nFinished. Total time: 0.002s\n");
  CAdbCmd cmd = Runner();
  cmd.SetSerial("ABC123");
  EXPECT_TRUE(cmd.FastbootErase("boot"));
  EXPECT_TRUE(cmd.FastbootFlash("boot", "/tmp/a b.img"));
  EXPECT_TRUE(cmd.IsFastbootDevicePresent() == false);  // the list does not show the serial
  EXPECT_EQ(Calls(), "-s ABC123 erase boot\n-s ABC123 flash boot /tmp/a b.img\ndevices\n");
}

TEST_F(AdbCmdTest, OutputJudgement) {
  const struct {
    const char* output;
    int exitCode;
    bool ok;
  } cases[] = {
      {"Sending 'boot' (4 KB)  OKAY [  0.001s]\nWriting 'boot'  OKAY [  0.002s]\nFinished. Total time: "
       "0.01s\n",
       0, true},
      {"Writing 'boot'  FAILED (remote: 'partition does not exist')\nfastboot: error: Command failed\n", 0,
       false},
      {"FAILED\n", 1, false},
      {"", 0, true},      // ran and printed nothing that says it failed
      {"ok\n", 1, true},  // the exit code is not examined
  };
  for (const auto& c : cases) {
    Tool("fastboot", c.output, c.exitCode);
    CAdbCmd cmd = Runner();
    EXPECT_EQ(cmd.FastbootFlash("boot", "x.img"), c.ok) << c.output;
    EXPECT_EQ(cmd.FastbootSetActive('a'), c.ok) << c.output;
    EXPECT_EQ(cmd.FastbootReboot(), c.ok) << c.output;
  }
}

TEST_F(AdbCmdTest, CurrentSlot) {
  const struct {
    const char* output;
    char slot;
  } cases[] = {
      {"current-slot: b\nFinished. Total time: 0.001s\n", 'b'},
      {"current-slot: a\n", 'a'},
      {"getvar:current-slot FAILED (remote: 'unknown variable')\n", ' '},
      {"current-slot:", ' '},
      {"", ' '},
  };
  for (const auto& c : cases) {
    Tool("fastboot", c.output);
    CAdbCmd cmd = Runner();
    EXPECT_EQ(cmd.FastbootGetCurrentSlot(), c.slot) << c.output;
  }
}

TEST_F(AdbCmdTest, RunCommandChoosesTheToolByItsFirstWord) {
  Tool("adb", "from bundled adb\n");
  CAdbCmd cmd = Runner();
  std::string out;
  ASSERT_TRUE(cmd.RunCommand("adb shell getprop ro.product.model", out, false));
  EXPECT_EQ(out, "from bundled adb\r\n");
  // "adbx" is not "adb ": it is looked up on PATH, where there is none.
  EXPECT_FALSE(cmd.RunCommand("adbx devices", out, false));
  EXPECT_EQ(out, "");
  // An empty tool path is treated as none: the word is looked up on PATH.
  cmd.SetAdbPath("");
  test::ScopedEnv path("PATH", dir.path() + ":/usr/bin:/bin");
  ASSERT_TRUE(cmd.RunCommand("adb devices", out, false));
  EXPECT_EQ(out, "from bundled adb\r\n");
}

TEST_F(AdbCmdTest, MissingToolFails) {
  CAdbCmd cmd = Runner();
  std::string out = "stale";
  EXPECT_FALSE(cmd.RunCommand("fastboot devices", out, true));
  EXPECT_EQ(out, "");
  EXPECT_FALSE(cmd.FastbootErase("boot"));
  EXPECT_FALSE(cmd.IsAdbDevicePresent());
}

TEST_F(AdbCmdTest, DevicePolls) {
  Tool("adb", "List of devices attached\nR58M12345  device\n\n");
  Tool("fastboot", "");
  CAdbCmd cmd = Runner();
  cmd.SetSerial("R58M12345");
  EXPECT_TRUE(cmd.IsAdbDevicePresent());
  EXPECT_TRUE(cmd.WaitAdbDevice(5));
  const uint64_t t0 = GetTickCount64();
  EXPECT_FALSE(cmd.WaitFastbootDevice(0));  // asked once, then given up at once
  EXPECT_LT(GetTickCount64() - t0, 5000u);
  EXPECT_EQ(Calls(), "devices\ndevices\ndevices\n");
  // The polls do not pass the serial to the tool.
  cmd.SetSerial("");
  EXPECT_TRUE(cmd.IsFastbootDevicePresent());  // empty serial: any listing counts
}

TEST_F(AdbCmdTest, WaitRetriesUntilTheDeviceIsListed) {
  // The device shows up on the third listing.
  WriteFile(dir.File("adb"),
            "#!/bin/sh\nn=$(cat '" + dir.File("n") + "' 2>/dev/null || echo 0); n=$((n+1)); echo $n > '" +
                dir.File("n") +
                "'\necho 'List of devices attached'\n[ $n -ge 3 ] && printf 'SER1\\tdevice\\n'\nexit 0\n",
            true);
  CAdbCmd cmd = Runner();
  cmd.SetSerial("SER1");
  EXPECT_TRUE(cmd.WaitAdbDevice(30));
  EXPECT_EQ(test::ReadFile(dir.File("n")), "3\n");
}

TEST_F(AdbCmdTest, TimeLimitEndsAToolThatWaitsForever) {
  WriteFile(dir.File("fastboot"), "#!/bin/sh\necho '< waiting for any device >' >&2\nexec sleep 600\n", true);
  CAdbCmd cmd = Runner();
  cmd.SetTimeLimit(300);
  const uint64_t t0 = GetTickCount64();
  EXPECT_FALSE(cmd.FastbootFlash("boot", "x.img"));
  EXPECT_LT(GetTickCount64() - t0, 30000u);
}

}  // namespace
}  // namespace upvane
