// The program in a real window: Xvfb and Qt's xcb platform.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process.h"
#include "support/test_support.h"

extern char** environ;

namespace upvane {
namespace {

TEST(Xvfb, MainWindowShowsOnARealDisplay) {
  const std::string xvfb = FindOnPath("Xvfb");
  ASSERT_FALSE(xvfb.empty()) << "Xvfb is not installed (scripts/bootstrap installs it)";
  int display = 90;
  while (display < 140 && FileExists("/tmp/.X" + std::to_string(display) + "-lock")) ++display;
  const std::string name = ":" + std::to_string(display);
  std::vector<std::string> args = {xvfb, name, "-screen", "0", "1280x800x24", "-nolisten", "tcp"};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t server = 0;
  ASSERT_EQ(posix_spawn(&server, xvfb.c_str(), nullptr, nullptr, argv.data(), environ), 0);
  const std::string socket = "/tmp/.X11-unix/X" + std::to_string(display);
  for (int i = 0; i < 1000 && !FileExists(socket); ++i) SleepMs(10);

  test::TempDir home, tools;
  test::WriteFile(tools.File("adb"), "#!/bin/sh\necho '* daemon started successfully'\n", true);
  test::ScopedEnv h("UPVANE_HOME", home.path()), t("UPVANE_TOOL_DIR", tools.path()), d("DISPLAY", name),
      q("QT_QPA_PLATFORM", "xcb"), dbg("UPVANE_DEBUG", "1"), asan("ASAN_OPTIONS", "detect_leaks=0");
  // The wizard waits for the user; the run is ended at the limit.
  const ProcessResult r = RunProcess(UPVANE_EXE, "upvane", 8000);
  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
  EXPECT_TRUE(r.started);
  EXPECT_NE(r.output.find("main window shown"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("could not connect to display"), std::string::npos) << r.output;
}

}  // namespace
}  // namespace upvane
