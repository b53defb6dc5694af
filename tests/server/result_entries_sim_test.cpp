// Result entries posted to the simserver's log receiver, kept pending when
// the post fails, and resent.
#include "server/result_entries.h"

#include <gtest/gtest.h>

#include <regex>

#include "platform/files.h"
#include "simserver_process.h"

namespace upvane {
namespace {

using nlohmann::json;

class ResultEntriesSim : public ::testing::Test {
 protected:
  void SetUp() override {
    sim = &test::SharedSimServer();
    ASSERT_TRUE(sim->ok());
  }
  std::vector<std::string> Bodies() const {
    std::vector<std::string> out;
    const json logs = sim->Recorded().value("logs", json::array());
    for (const json& l : logs) out.push_back(l["body"]);
    return out;
  }
  std::string Pending() const {
    return FileExists(PendingFilePath()) ? test::ReadFile(PendingFilePath()) : "";
  }

  test::SimServerProcess* sim = nullptr;
  test::TempDir dir;
  test::ScopedEnv homeEnv{"UPVANE_HOME", dir.path()};
};

TEST_F(ResultEntriesSim, DeliveredEntryIsPostedAsAForm) {
  ReportResult("ABC", "0901234567", "1.23.a", "2.05", 0, 0);
  const json logs = sim->Recorded()["logs"];
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(logs[0]["userAgent"], "ZRT-E3104");
  EXPECT_EQ(logs[0]["contentType"], "application/x-www-form-urlencoded");
  const std::regex form("zrt_ID=RTV_[0-9]{14}_0901234567_UXA&upfile=1\\.23_2\\.05");
  EXPECT_TRUE(std::regex_match(logs[0]["body"].get<std::string>(), form)) << logs[0]["body"];
  EXPECT_FALSE(FileExists(PendingFilePath()));
}

TEST_F(ResultEntriesSim, EntriesWithoutServerArePendingAndResentLater) {
  // The receiver drops the connection three times, as without a network.
  ASSERT_TRUE(sim->AddFault({{"server", "version"}, {"kind", "drop"}, {"count", 3}}));
  ReportResult("ID1", "111", "1.0", "2.0", 0, 11);
  ReportResult("ID2", "222", "1.0", "2.0", 1, 13);
  ReportResult("ID3", "333", "1.0", "2.0", 1, 0);
  const std::string pending = Pending();
  const std::regex lines(
      "ID1,111,1\\.0,2\\.0,0,11,[0-9]{14}\nID2,222,1\\.0,2\\.0,1,13,[0-9]{14}\nID3,333,1\\.0,2\\.0,1,0,[0-9]{"
      "14}\n");
  ASSERT_TRUE(std::regex_match(pending, lines)) << pending;
  EXPECT_TRUE(Bodies().empty());

  // The second post fails: only its line stays.
  ASSERT_TRUE(sim->AddFault({{"server", "version"}, {"kind", "status500"}, {"skip", 1}}));
  ResendPendingEntries();
  const std::string left = Pending();
  EXPECT_EQ(left.rfind("ID2,222,", 0), 0u) << left;
  EXPECT_EQ(std::count(left.begin(), left.end(), '\n'), 1);
  EXPECT_FALSE(FileExists(PendingCompanionPath()));
  EXPECT_EQ(Bodies().size(), 2u);

  ResendPendingEntries();
  EXPECT_FALSE(FileExists(PendingFilePath()));
  const auto bodies = Bodies();
  ASSERT_EQ(bodies.size(), 3u);
  // The resent entry keeps the time it was recorded with.
  const std::string time = left.substr(left.rfind(',') + 1, 14);
  EXPECT_NE(bodies[2].find("_" + time + "_222_RXA13&upfile=1.0_2.0"), std::string::npos) << bodies[2];
}

TEST_F(ResultEntriesSim, ErrorStatusKeepsTheEntryPending) {
  ASSERT_TRUE(sim->AddFault({{"server", "version"}, {"kind", "status500"}}));
  ReportResult("ID9", "999", "1.0", "2.0", 0, 0);
  EXPECT_EQ(Pending().rfind("ID9,999,1.0,2.0,0,0,", 0), 0u);
}

TEST_F(ResultEntriesSim, ShortPendingLineLosesItsLastFields) {
  ASSERT_TRUE(MakeFolders(PendingFolder(), 0700));
  test::WriteFile(PendingFilePath(), "\nID5,555,1.0,2.0,1,13\r\n");
  ResendPendingEntries();
  EXPECT_FALSE(FileExists(PendingFilePath()));
  const auto bodies = Bodies();
  ASSERT_EQ(bodies.size(), 1u);
  // Code 0 and the current time instead of the missing fields.
  EXPECT_TRUE(std::regex_match(bodies[0], std::regex("zrt_ID=[^_]+_[0-9]{14}_555_RXA&upfile=1\\.0_2\\.0")))
      << bodies[0];
}

}  // namespace
}  // namespace upvane
