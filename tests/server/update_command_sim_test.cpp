// The update subcommands of upvanectl against the simserver.
#include "cli/update_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "server/result_entries.h"
#include "simserver_process.h"

namespace upvane {
namespace {

int RunCli(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  const int argc = static_cast<int>(argv.size());
  argv.push_back(nullptr);
  if (args[0] == "update") return RunUpdateCommand(argc, argv.data());
  if (args[0] == "version") return RunVersionCommand(argc, argv.data());
  return RunLogCommand(argc, argv.data());
}

class UpdateCommandSim : public ::testing::Test {
 protected:
  void SetUp() override {
    sim = &test::SharedSimServer();
    ASSERT_TRUE(sim->ok());
  }
  test::SimServerProcess* sim = nullptr;
  test::TempDir dir;
  test::ScopedEnv homeEnv{"UPVANE_HOME", dir.path()};
};

TEST_F(UpdateCommandSim, CheckAndDownload) {
  testing::internal::CaptureStdout();
  EXPECT_EQ(RunCli({"update", "check", "--model", "E3109", "--id", "1234", "--version", "1.001AB.01"}), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "offered 3.013AB.00 100016\n");
  testing::internal::CaptureStdout();
  EXPECT_EQ(RunCli({"update", "download", "--model", "E3109", "--id", "1234", "--version", "1.001AB.01"}), 0);
  const std::string path = testing::internal::GetCapturedStdout();
  EXPECT_EQ(path, GetTempFolder() + "1234_301.3.AB00.bin\n");
  uint64_t size = 0;
  EXPECT_TRUE(GetFileSize(path.substr(0, path.size() - 1), size));
  EXPECT_EQ(size, 100000u);
  EXPECT_EQ(RunCli({"update", "check", "--model", "E3102", "--id", "1", "--version", "1.001AB.01"}), 2);
  EXPECT_EQ(RunCli({"update", "check", "--model", "E3102"}), 64);
}

TEST_F(UpdateCommandSim, VersionAndLogResend) {
  testing::internal::CaptureStdout();
  EXPECT_EQ(RunCli({"version"}), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "upvane local - server 1.0.10 (newer)\nlauncher local - server 1.2.0 (newer)\n");
  ASSERT_TRUE(sim->AddFault({{"server", "version"}, {"kind", "status500"}, {"count", 2}}));
  ReportResult("ID1", "1", "1.0", "2.0", 0, 0);
  ReportResult("ID2", "2", "1.0", "2.0", 0, 0);
  ASSERT_TRUE(sim->AddFault({{"server", "version"}, {"kind", "status500"}}));
  testing::internal::CaptureStdout();
  EXPECT_EQ(RunCli({"log", "resend"}), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "resent 1, pending 1\n");
  testing::internal::CaptureStdout();
  EXPECT_EQ(RunCli({"log", "resend"}), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "resent 1, pending 0\n");
}

}  // namespace
}  // namespace upvane
