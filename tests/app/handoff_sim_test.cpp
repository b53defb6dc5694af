// The start-up hand-off against the simulated version server.
#include <gtest/gtest.h>

#include "app/store_bindings.h"
#include "app/upvane_app.h"
#include "app_test_support.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "server/simserver_process.h"
#include "services/system_helpers.h"
#include "store/qx_regstry.h"

namespace upvane {
namespace {

void StoreVersion(const char* key, const std::string& version, const std::string& fullPath = "") {
  CQxRegstry reg;
  ASSERT_TRUE(
      reg.OpenUserKey(std::string("Software\\Brennix\\SoftwareUpvane\\") + key, CQxRegstry::kKeySetValue));
  ASSERT_TRUE(reg.SetString("Version", version));
  if (!fullPath.empty()) {
    ASSERT_TRUE(reg.SetString("FullPath", fullPath));
  }
  reg.CloseKey();
}

std::string Scenario(const std::string& vq, const std::string& lnpc) {
  return R"({"servers": {"versionFiles": {"vqversion": ")" + vq + R"(\r\n", "lnpcversion": ")" + lnpc +
         R"(\r\n"}}, "updates": []})";
}

// A launcher script that notes how it was started.
std::string Launcher(const test::TempDir& dir, const std::string& name, const std::string& mark) {
  const std::string path = dir.File(name);
  test::WriteFile(path, "#!/bin/sh\necho \"" + name + " $1\" >> '" + mark + "'\n", true);
  return path;
}

std::string WaitForMark(const std::string& mark) {
  for (int i = 0; i < 400 && test::ReadFile(mark).empty(); ++i) SleepMs(5);
  return test::ReadFile(mark);
}

// Registered versions 1.2.0 and 1.0.0 against the server's; the hand-off's
// answer, with what it started noted in the home folder's "mark".
bool HandOffWith(const std::string& serverVq, const std::string& serverLnpc, std::string& mark) {
  test::SimServerProcess server(Scenario(serverVq, serverLnpc));
  EXPECT_TRUE(server.ok());
  server.ExportEnvironment();
  static test::AppEnvironment env;
  mark = env.Home().File("mark");
  StoreVersion("VQ", "1.2.0");
  StoreVersion("LNPC", "1.0.0", Launcher(env.Home(), "launcher", mark));
  BindVersionStore();
  CUpvaneApp app;
  app.SetVersionQuery(QueryNewerVersion);
  return app.HandOff();
}

TEST(HandOffSim, OutdatedProgramStartsTheLauncher) {
  std::string mark;
  EXPECT_TRUE(HandOffWith("1.5.0", "1.0.0", mark));
  EXPECT_EQ(RunState().m_bToolNewer.load(), 1);
  EXPECT_EQ(RunState().m_bLauncherNewer.load(), 0);
  EXPECT_EQ(WaitForMark(mark), "launcher VQ_CALL\n");
}

TEST(HandOffSim, UpToDateProgramsContinue) {
  std::string mark;
  EXPECT_FALSE(HandOffWith("1.2.0", "1.0.0", mark));
  SleepMs(100);
  EXPECT_EQ(test::ReadFile(mark), "");
}

TEST(HandOffSim, SilentServerMeansNoHandOff) {
  // Nothing listens on port 9 of the loopback.
  test::ScopedEnv host("UPVANE_VERSION_HOST", "127.0.0.1:9");
  test::AppEnvironment env;
  const std::string mark = env.Home().File("mark");
  StoreVersion("VQ", "0.1.0");
  StoreVersion("LNPC", "0.1.0", Launcher(env.Home(), "launcher", mark));
  BindVersionStore();
  CUpvaneApp app;
  app.SetVersionQuery(QueryNewerVersion);
  EXPECT_FALSE(app.HandOff());
  EXPECT_EQ(test::ReadFile(mark), "");
}

}  // namespace
}  // namespace upvane
