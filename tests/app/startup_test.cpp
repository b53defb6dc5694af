#include <gtest/gtest.h>

#include "app/upvane_app.h"
#include "app_test_support.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/single_instance.h"
#include "services/system_helpers.h"
#include "store/qx_regstry.h"

namespace upvane {
namespace {

using test::ReadFile;
using test::WriteFile;

TEST(Startup, CommandLineMarksALauncherStart) {
  EXPECT_TRUE(IsLaunchedCommandLine("VQ_CALL "));
  EXPECT_TRUE(IsLaunchedCommandLine("anything"));
  EXPECT_FALSE(IsLaunchedCommandLine("   \t "));
  EXPECT_FALSE(IsLaunchedCommandLine(""));
}

TEST(Startup, SecondCopyEndsAtOnceWithoutRunningAdb) {
  test::AppEnvironment env;
  const std::string calls = env.Tools().File("calls");
  WriteFile(env.Tools().File("adb"), "#!/bin/sh\necho \"$*\" >> '" + calls + "'\necho success\n", true);
  SingleInstanceLock first("Auniquenmenoteasy");
  ASSERT_TRUE(first.Acquired());
  const ProcessResult r = RunProcess(UPVANE_EXE, "upvane", 60000);
  EXPECT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_FALSE(FileExists(calls));
  SingleInstanceLock second("Auniquenmenoteasy");
  EXPECT_FALSE(second.Acquired());
  EXPECT_TRUE(second.AlreadyRunning());
}

TEST(Startup, VersionAndHelpPrintAndExit) {
  const ProcessResult v = RunProcess(UPVANE_EXE, "upvane --version", 30000);
  EXPECT_EQ(v.exitCode, 0);
  EXPECT_EQ(v.output.rfind("upvane ", 0), 0u) << v.output;
  const ProcessResult h = RunProcess(UPVANE_EXE, "upvane --help", 30000);
  EXPECT_EQ(h.exitCode, 0);
  EXPECT_NE(h.output.find("Usage: upvane"), std::string::npos);
}

TEST(Startup, AdbThatNeverSucceedsFailsAtTheLimit) {
  test::AppEnvironment env;
  const std::string calls = env.Tools().File("calls");
  WriteFile(env.Tools().File("adb"), "#!/bin/sh\necho \"$*\" >> '" + calls + "'\necho 'cannot bind'\n", true);
  CUpvaneApp app;
  app.SetAdbLimit(1500);
  const uint64_t t0 = GetTickCount64();
  EXPECT_FALSE(app.StartAdbServer());
  const uint64_t took = GetTickCount64() - t0;
  EXPECT_GT(took, 1500u);
  EXPECT_LT(took, 15000u);
  const std::string log = ReadFile(calls);
  EXPECT_EQ(log.rfind("kill-server\nstart-server\n", 0), 0u) << log;
  // Retried every 500 ms: a handful of attempts, not one and not hundreds.
  const size_t attempts = std::count(log.begin(), log.end(), '\n') - 1;
  EXPECT_GE(attempts, 3u);
  EXPECT_LE(attempts, 6u);
}

TEST(Startup, AdbSuccessInAnyCase) {
  test::AppEnvironment env;
  const std::string n = env.Tools().File("n");
  // Fails twice, then answers in lower case.
  WriteFile(env.Tools().File("adb"),
            "#!/bin/sh\n[ \"$1\" = start-server ] || exit 0\nc=$(cat '" + n +
                "' 2>/dev/null || echo 0); c=$((c+1)); echo $c > '" + n +
                "'\n[ $c -ge 3 ] && echo '* daemon started successfully'\nexit 0\n",
            true);
  CUpvaneApp app;
  EXPECT_TRUE(app.StartAdbServer());
  EXPECT_EQ(ReadFile(n), "3\n");
}

// The hand-off: what the version server says decides which program starts.
TEST(Startup, HandOffCases) {
  test::AppEnvironment env;
  const std::string updater = GetProgramFolder() + "UpdateLN";
  const std::string mark = env.Home().File("started");
  const std::string launcher = env.Home().File("launcher");
  auto script = [&](const std::string& path, const std::string& who) {
    WriteFile(path, "#!/bin/sh\necho \"" + who + " $1\" >> '" + mark + "'\n", true);
  };
  CQxRegstry reg;
  ASSERT_TRUE(reg.OpenUserKey("Software\\Brennix\\SoftwareUpvane\\LNPC", CQxRegstry::kKeySetValue));
  ASSERT_TRUE(reg.SetString("FullPath", launcher));
  reg.CloseKey();

  struct Case {
    int toolNewer, toolAnswered, launcherNewer, launcherAnswered;
    bool updaterPresent, launcherPresent;
    bool handedOff;
    const char* started;
  } cases[] = {
      {1, 1, 1, 1, true, true, true, "updater VQ_CALL\n"},    // both outdated: only the updater
      {1, 1, 1, 1, false, true, true, "launcher VQ_CALL\n"},  // no updater: this program's check applies
      {1, 1, 0, 1, true, true, true, "launcher VQ_CALL\n"},
      {1, 1, 0, 0, true, true, false, ""},   // launcher check unanswered: nothing
      {0, 0, 1, 1, true, true, false, ""},   // server silent
      {0, 1, 0, 1, true, true, false, ""},   // nothing newer
      {1, 1, 0, 1, true, false, false, ""},  // launcher file missing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.toolNewer << c.toolAnswered << c.launcherNewer << c.launcherAnswered
                                    << c.updaterPresent << c.launcherPresent);
    DeleteFileIfExists(mark);
    DeleteFileIfExists(updater);
    DeleteFileIfExists(launcher);
    if (c.updaterPresent) script(updater, "updater");
    if (c.launcherPresent) script(launcher, "launcher");
    CUpvaneApp app;
    app.SetVersionQuery([&](int program, int& answered) {
      answered = program == kProgramUpvane ? c.toolAnswered : c.launcherAnswered;
      return (program == kProgramUpvane ? c.toolNewer : c.launcherNewer) != 0;
    });
    EXPECT_EQ(app.HandOff(), c.handedOff);
    for (int i = 0; i < 400 && ReadFile(mark).empty() && *c.started; ++i) SleepMs(5);
    EXPECT_EQ(ReadFile(mark), c.started);
  }
  DeleteFileIfExists(updater);
}

}  // namespace
}  // namespace upvane
