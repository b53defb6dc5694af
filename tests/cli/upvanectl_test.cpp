// upvanectl run as a program against a store written by the test.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "cli/subcommand.h"
#include "platform/process.h"
#include "store/qx_regstry.h"
#include "support/test_support.h"

namespace upvane {
namespace {

D_PHONE_INFO Phone(const std::string& id, const std::string& no, uint32_t status) {
  D_PHONE_INFO info;
  info.ModelID = "BX40";
  info.DeviceID = id;
  info.Firmware = "9.999WQ.99";
  info.No = no;
  info.SerialComm = "/dev/ttyACM0";
  info.ConnectFlg = "On";
  info.BrewFlg = "MtkPhone";
  info.Download = "/home/u/pkg \"1\".bin";
  info.ConnDate = "2026/12/11 14:35:00";
  info.CheckDate = "";
  info.Status = status;
  info.OemExFlg = 2;
  return info;
}

std::string RunUpvanectlProgram(const std::string& args, int& exitCode) {
  const ProcessResult result = RunProcess(UPVANECTL_PATH, "upvanectl " + args, 30000);
  exitCode = result.finished ? result.exitCode : -1;
  std::string text = result.output;
  for (size_t pos; (pos = text.find("\r\n")) != std::string::npos;) text.erase(pos, 1);
  return text;
}

class UpvanectlTest : public testing::Test {
 protected:
  void SetUp() override {
    CQxRegstry registry;
    ASSERT_TRUE(registry.WritePhone(m_first.DeviceID, m_first));
    ASSERT_TRUE(registry.WritePhone(m_second.DeviceID, m_second));
  }
  test::TempDir m_home;
  test::ScopedEnv m_env{"UPVANE_HOME", m_home.path()};
  D_PHONE_INFO m_first = Phone("35000011112222", "0000000000", 3);
  // Bytes a phone might send: quotes, backslashes, control characters, Latin-1.
  D_PHONE_INFO m_second = Phone("35000099998888", std::string("a\"b\\c\t\x1b[2J\xE9"), 105);
};

TEST_F(UpvanectlTest, RecordsJsonHoldsEveryValueOfEveryRecord) {
  int code = 0;
  const std::string out = RunUpvanectlProgram("records --json", code);
  ASSERT_EQ(code, 0) << out;
  const nlohmann::json doc = nlohmann::json::parse(out);
  EXPECT_EQ(doc["store"], m_home.path() + "/registry.sqlite");
  ASSERT_EQ(doc["records"].size(), 2u);
  int i = 0;
  for (const D_PHONE_INFO* info : {&m_first, &m_second}) {
    const nlohmann::json& r = doc["records"][i++];
    EXPECT_EQ(r.size(), 12u);
    EXPECT_EQ(r["ModelID"], info->ModelID);
    EXPECT_EQ(r["DeviceID"], info->DeviceID);
    EXPECT_EQ(r["Firmware"], info->Firmware);
    EXPECT_EQ(r["SerialComm"], info->SerialComm);
    EXPECT_EQ(r["ConnectFlg"], info->ConnectFlg);
    EXPECT_EQ(r["BrewFlg"], info->BrewFlg);
    EXPECT_EQ(r["Download"], info->Download);
    EXPECT_EQ(r["ConnDate"], info->ConnDate);
    EXPECT_EQ(r["CheckDate"], info->CheckDate);
    EXPECT_EQ(r["Status"], info->Status);
    EXPECT_EQ(r["OemExFlg"], info->OemExFlg);
  }
  EXPECT_EQ(doc["records"][0]["No"], m_first.No);
  // Latin-1 0xE9 arrives as U+00E9.
  EXPECT_EQ(doc["records"][1]["No"], "a\"b\\c\t\x1b[2J\xC3\xA9");
}

TEST_F(UpvanectlTest, RecordsTextListsValuesWithoutRawControlBytes) {
  int code = 0;
  const std::string out = RunUpvanectlProgram("records", code);
  ASSERT_EQ(code, 0) << out;
  for (const char* expected : {"Record 1\n", "  DeviceID    35000011112222\n", "  Status      3\n",
                               "Record 2\n", "  No          a\"b\\x5cc\\x09\\x1b[2J\\xe9\n",
                               "  Status      105\n", "  OemExFlg    2\n", "2 records\n"}) {
    EXPECT_NE(out.find(expected), std::string::npos) << expected << "\n" << out;
  }
  EXPECT_EQ(out.find('\x1b'), std::string::npos);
}

TEST_F(UpvanectlTest, HelpAndUsageErrors) {
  struct Case {
    const char* args;
    int code;
    const char* shows;
  };
  for (const Case& c :
       {Case{"--help", 0, "records "}, Case{"records --help", 0, "Usage: upvanectl records [--json]"},
        Case{"records --xml", 2, "unknown option \"--xml\""},
        Case{"frobnicate", 2, "unknown command \"frobnicate\""}, Case{"", 2, "Commands:"}}) {
    SCOPED_TRACE(c.args);
    std::ostringstream out, err;
    std::istringstream words(c.args);
    std::vector<std::string> args;
    for (std::string word; words >> word;) args.push_back(word);
    EXPECT_EQ(RunUpvanectl(args, out, err), c.code);
    EXPECT_NE((out.str() + err.str()).find(c.shows), std::string::npos) << out.str() << err.str();
  }
}

}  // namespace
}  // namespace upvane
