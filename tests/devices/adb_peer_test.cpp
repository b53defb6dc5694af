// CAdbCmd against Debian's real adb.
#include <gtest/gtest.h>

#include "devices/adb_cmd.h"
#include "platform/files.h"
#include "services/text_helpers.h"

namespace upvane {
namespace {

TEST(AdbPeer, StartServerListDevicesKillServer) {
  const std::string adb = FindOnPath("adb");
  ASSERT_FALSE(adb.empty()) << "adb is not installed (scripts/bootstrap installs it)";
  CAdbCmd cmd;
  cmd.SetAdbPath(adb);
  cmd.SetTimeLimit(60000);
  std::string out;
  ASSERT_TRUE(cmd.RunCommand("adb kill-server", out, false));
  ASSERT_TRUE(cmd.RunCommand("adb start-server", out, false));
  EXPECT_TRUE(ContainsNoCase(out, "SUCCESS")) << out;
  ASSERT_TRUE(cmd.RunCommand("adb devices", out, false));
  EXPECT_NE(out.find("List of devices attached\r\n"), std::string::npos) << out;
  ASSERT_TRUE(cmd.RunCommand("adb kill-server", out, false));
}

}  // namespace
}  // namespace upvane
