#include "services/system_helpers.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/clock.h"
#include "platform/files.h"
#include "support/test_support.h"

namespace upvane {
namespace {

TEST(FreeSpace, StrictlyMoreWholeMebibytesThanRequired) {
  const uint64_t MiB = 1 << 20;
  EXPECT_FALSE(EnoughFreeSpace(100 * MiB, 100));
  EXPECT_FALSE(EnoughFreeSpace(101 * MiB - 1, 100));
  EXPECT_TRUE(EnoughFreeSpace(101 * MiB, 100));
  EXPECT_FALSE(EnoughFreeSpace(0, 0));
}

TEST(FreeSpace, ChecksTheTempFolderAndRecordsTheNeed) {
  test::TempDir home;
  test::ScopedEnv env("UPVANE_HOME", home.path());
  uint64_t freeBytes = 0;
  ASSERT_TRUE(GetFreeBytes(GetTempFolder(), freeBytes));
  const uint64_t freeMB = freeBytes >> 20;
  EXPECT_TRUE(HasFreeSpaceMB(freeMB / 2));
  EXPECT_EQ(g_nNeededSpace.load(), static_cast<int64_t>(freeMB / 2));
  EXPECT_FALSE(HasFreeSpaceMB(freeMB + 1024));
  EXPECT_EQ(g_nNeededSpace.load(), static_cast<int64_t>(freeMB + 1024));
}

TEST(ProgramPaths, ToolsComeFromTheToolFolder) {
  test::TempDir tools;
  test::ScopedEnv env("UPVANE_TOOL_DIR", tools.path());
  test::WriteFile(tools.File("adb"), "#!/bin/sh\n", true);
  test::WriteFile(tools.File("fastboot"), "#!/bin/sh\n", true);
  EXPECT_EQ(GetAdbPath(), tools.File("adb"));
  EXPECT_EQ(GetFastbootPath(), tools.File("fastboot"));
  EXPECT_EQ(GetProgramFolder().back(), '/');
  uint64_t size = 1;
  EXPECT_TRUE(GetFileSizeOf(tools.File("adb"), &size));
  EXPECT_EQ(size, 10u);
  EXPECT_TRUE(GetFileSizeOf(tools.File("adb"), nullptr));
  EXPECT_FALSE(GetFileSizeOf(tools.File("none"), &size));
}

TEST(StopOtherInstance, EndsOnlyTheMarkedProcess) {
  test::TempDir dir;
  const std::string marked = dir.File("CLW_updara.bin");
  const std::string other = dir.File("harmless.bin");
  ASSERT_EQ(std::system(("cp /bin/sleep '" + marked + "' && cp /bin/sleep '" + other + "'").c_str()), 0);
  auto start = [](const std::string& exe) {
    const pid_t pid = fork();
    if (pid == 0) {
      execl(exe.c_str(), exe.c_str(), "600", static_cast<char*>(nullptr));
      _exit(127);
    }
    return pid;
  };
  const pid_t victim = start(marked), bystander = start(other);
  SleepMs(100);  // let both exec
  StopOtherInstance();
  int status = 0;
  EXPECT_EQ(waitpid(victim, &status, 0), victim);
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(waitpid(bystander, &status, WNOHANG), 0);  // still running
  kill(bystander, SIGKILL);
  waitpid(bystander, &status, 0);
}

TEST(NotifyMainWindow, SendsToTheRegisteredMainWindow) {
  class Main : public MessageReceiver {
   public:
    uint32_t last = 0;
    intptr_t OnMessage(uint32_t msg, uintptr_t, intptr_t) override {
      last = msg;
      return 5;
    }
  } main;
  EXPECT_EQ(NotifyMainWindow(0x464), 0);  // none yet
  const WindowId id = RegisterWindow(&main);
  SetMainWindowId(id);
  EXPECT_EQ(NotifyMainWindow(0x465), 5);
  EXPECT_EQ(main.last, 0x465u);
  SetMainWindowId(0);
  UnregisterWindow(id);
}

}  // namespace
}  // namespace upvane
