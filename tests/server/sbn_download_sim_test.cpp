// The update check and package download against a running simserver: key
// sequence, offers, slices, faults, cancel and the size check.
#include "server/sbn_download.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <vector>

#include "platform/crypto.h"
#include "platform/files.h"
#include "server/server_session.h"
#include "services/system_helpers.h"
#include "simserver_process.h"

namespace upvane {
namespace {

using nlohmann::json;

D_PHONE_INFO Phone(const std::string& model, const std::string& firmware, uint32_t flags = 0) {
  D_PHONE_INFO p;
  p.ModelID = model;
  p.DeviceID = "352099001761481";
  p.Firmware = firmware;
  p.OemExFlg = flags;
  return p;
}

std::string FileMd5(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const Md5Digest d = Md5(data.data(), data.size());
  return ToHex(d.data(), d.size());
}

std::vector<json> Requests(const json& rec, int id) {
  std::vector<json> out;
  const json all = rec.value("update", json::array());
  for (const json& e : all)
    if (e.value("id", 0) == id) out.push_back(e);
  return out;
}

// A window on a dispatcher thread that records the progress percentages and
// may ask for a cancel once a given percentage was reached.
class ProgressWindow : public MessageReceiver {
 public:
  explicit ProgressWindow(int cancelAt = -1) : m_cancelAt(cancelAt) {
    m_thread.Run([this] { id = RegisterWindow(this); });
  }
  ~ProgressWindow() override {
    m_thread.Run([this] { UnregisterWindow(id); });
  }
  intptr_t OnMessage(uint32_t msg, uintptr_t wParam, intptr_t) override {
    if (msg != WM_SBN_PROGRESS) return 0;
    percents.push_back(static_cast<int>(wParam));
    if (m_cancelAt >= 0 && static_cast<int>(wParam) >= m_cancelAt) CancelRequestFlag().store(1);
    return 1;
  }
  WindowId id = 0;
  std::vector<int> percents;  // read after the worker ended

 private:
  int m_cancelAt;
  DispatcherThread m_thread;
};

class SbnDownloadSim : public ::testing::Test {
 protected:
  void SetUp() override {
    sim = &test::SharedSimServer();
    ASSERT_TRUE(sim->ok());
    CancelRequestFlag().store(0);
    CancelledFlag().store(0);
  }
  test::SimServerProcess* sim = nullptr;
  test::TempDir home;
  test::ScopedEnv homeEnv{"UPVANE_HOME", home.path()};
};

TEST_F(SbnDownloadSim, DownloadFollowsKeySequenceAndDecrypts) {
  ProgressWindow progress;
  CSbnDownLoad worker;
  worker.SetPhone(Phone("E3107", "9.999WQ.99", 2));  // the NC variant
  worker.SetProgressWindow(progress.id);
  ASSERT_EQ(worker.ThreadSbnDownLoadFunc(1), 0);
  const json rec = sim->Recorded();
  const json pkg = rec["packages"][0];
  EXPECT_EQ(worker.GetPackagePath(), GetTempFolder() + "352099001761481_200.2.WQ00.bin");
  EXPECT_EQ(FileMd5(worker.GetPackagePath()), pkg["md5"]);
  EXPECT_FALSE(FileExists(worker.GetPackagePath() + ".temp"));
  EXPECT_EQ(worker.GetDisplayVersion(), "2.002WQ.00");
  EXPECT_EQ(worker.GetPackageSize(), pkg["cipherSize"].get<uint64_t>());

  // The server opened every request with the key it expects, in order.
  const json updates = rec["update"];
  ASSERT_GE(updates.size(), 5u);
  for (const json& e : updates) EXPECT_FALSE(e.contains("error")) << e.dump();
  EXPECT_EQ(updates[0]["text"], "id=1&m=352099001761481&k=e3107a0000000000000000000000e107");
  EXPECT_EQ(updates[0]["key"], "default");
  EXPECT_EQ(updates[0]["userAgent"], "ZRA");
  EXPECT_EQ(updates[1]["text"], "id=2&p=E3107NC&v=999.9.WQ00");
  EXPECT_EQ(updates[1]["key"], "session");
  EXPECT_EQ(updates[2]["text"].get<std::string>().substr(0, 9), "id=3&c=1&");
  const auto slices = Requests(rec, 4);
  ASSERT_EQ(slices.size(), 4u);  // 200016 bytes in 65536-byte slices
  for (size_t i = 0; i < slices.size(); ++i) {
    EXPECT_EQ(slices[i]["offset"], 65536 * i);
    EXPECT_EQ(slices[i]["count"], 65536);
    EXPECT_EQ(slices[i]["key"], "session");
  }
  EXPECT_EQ(updates.back()["key"], "package");
  ASSERT_EQ(rec["status"].size(), 1u);
  EXPECT_EQ(rec["status"][0]["text"], "id=5&status=1");

  // One progress message before each slice, rising, never 100.
  EXPECT_EQ(progress.percents, (std::vector<int>{0, 32, 65, 98}));
}

TEST_F(SbnDownloadSim, OfferChoiceUnitAndOneSlicePackages) {
  {
    CSbnDownLoad worker;  // "v2" only: c = 2; unit "4096/32768" keeps 32768
    worker.SetPhone(Phone("E3109", "1.001AB.01"));
    ASSERT_EQ(worker.ThreadSbnDownLoadFunc(1), 0);
    const json rec = sim->Recorded();
    EXPECT_EQ(Requests(rec, 3).at(0)["text"].get<std::string>().substr(0, 9), "id=3&c=2&");
    for (const json& s : Requests(rec, 4)) EXPECT_EQ(s["count"], 32768);
    EXPECT_EQ(FileMd5(worker.GetPackagePath()), rec["packages"][1]["md5"]);
  }
  sim->Reset();
  {
    CSbnDownLoad worker;  // both offered: "v1" wins; one slice covers the package
    worker.SetPhone(Phone("E3110", "1.001AB.01"));
    ASSERT_EQ(worker.ThreadSbnDownLoadFunc(1), 0);
    const json rec = sim->Recorded();
    EXPECT_EQ(Requests(rec, 3).at(0)["text"].get<std::string>().substr(0, 9), "id=3&c=1&");
    const auto slices = Requests(rec, 4);
    ASSERT_EQ(slices.size(), 1u);
    EXPECT_EQ(slices[0]["offset"], 0);
    EXPECT_EQ(FileMd5(worker.GetPackagePath()), rec["packages"][2]["md5"]);
  }
}

TEST_F(SbnDownloadSim, CheckModeResults) {
  struct Case {
    const char* model;
    const char* firmware;
    int expected;
  };
  const Case cases[] = {
      {"E3109", "1.001AB.01", 1},  // offered
      {"C3111", "1.001AB.01", 4},  // "ph" without a version: the query fails
      {"E3102", "1.001AB.01", 2},  // "No Update Available"
      {"E3112", "1.009AB.01", 2},  // no offer for this version
      {"E3103", "1.001AB.01", 4},  // no request key
  };
  for (const Case& c : cases) {
    CSbnDownLoad worker;
    worker.SetPhone(Phone(c.model, c.firmware));
    EXPECT_EQ(worker.ThreadSbnDownLoadFunc(0), c.expected) << c.model;
  }
  g_nNeededSpace.store(-1);
  CSbnDownLoad worker;
  worker.SetPhone(Phone("E3109", "1.001AB.01"));
  ASSERT_EQ(worker.ThreadSbnDownLoadFunc(0), 1);
  EXPECT_EQ(worker.GetDisplayVersion(), "3.013AB.00");
  EXPECT_EQ(g_nNeededSpace.load(), 0);  // 2 x whole MiB of a 100 kB package
  // The request without a key never reached the server.
  const json all = sim->Recorded()["update"];
  for (const json& e : all)
    EXPECT_EQ(e["text"].get<std::string>().find("id=1&m=352099001761481&k=&"), std::string::npos);
}

TEST_F(SbnDownloadSim, SessionExpiredAnswers) {
  for (int id : {1, 2, 3}) {
    sim->Reset();
    ASSERT_TRUE(sim->AddFault({{"server", "update"}, {"kind", "expired"}, {"id", id}}));
    CSbnDownLoad worker;
    worker.SetPhone(Phone("E3109", "1.001AB.01"));
    EXPECT_EQ(worker.ThreadSbnDownLoadFunc(1), 4) << "request " << id;
    EXPECT_TRUE(Requests(sim->Recorded(), 4).empty());
  }
}

TEST_F(SbnDownloadSim, SliceWithStatus500IsAskedAgain) {
  ASSERT_TRUE(sim->AddFault({{"server", "update"}, {"kind", "status500"}, {"id", 4}, {"skip", 1}}));
  CSbnDownLoad worker;
  worker.SetPhone(Phone("E3113", "1.001AB.01"));
  ASSERT_EQ(worker.ThreadSbnDownLoadFunc(1), 0);
  const json rec = sim->Recorded();
  const auto slices = Requests(rec, 4);
  ASSERT_GE(slices.size(), 3u) << rec.dump();
  EXPECT_EQ(slices[1]["offset"], 4096);
  EXPECT_EQ(slices[1]["fault"], "status500");
  EXPECT_EQ(slices[2]["offset"], 4096);  // the same slice again
  EXPECT_EQ(FileMd5(worker.GetPackagePath()), rec["packages"][7]["md5"]);
}

TEST_F(SbnDownloadSim, MoreThan10000UnchangedSlicesFail) {
  ASSERT_TRUE(sim->AddFault({{"server", "update"}, {"kind", "status500"}, {"id", 4}, {"count", 10001}}));
  CSbnDownLoad worker;
  worker.SetPhone(Phone("E3113", "1.001AB.01"));
  EXPECT_EQ(worker.ThreadSbnDownLoadFunc(1), 4);
  const json rec = sim->Recorded();
  EXPECT_EQ(rec["sliceRequests"], 10001);
  EXPECT_EQ(rec["faultsLeft"], 0);
  EXPECT_TRUE(rec.value("status", json::array()).empty());
}

TEST_F(SbnDownloadSim, CancelDuringDownloadKeepsPartialFileAndReportsIt) {
  ProgressWindow progress(30);
  CSbnDownLoad worker;
  worker.SetPhone(Phone("E3107", "9.999WQ.99", 2));
  worker.SetProgressWindow(progress.id);
  ASSERT_EQ(worker.ThreadSbnDownLoadFunc(1), 3);
  EXPECT_EQ(CancelledFlag().load(), 1);
  EXPECT_EQ(worker.GetCancelled(), 1);
  uint64_t size = 0;
  ASSERT_TRUE(GetFileSize(worker.GetPackagePath(), size));
  EXPECT_GT(size, 0u);
  EXPECT_LT(size, 200000u);
  const json rec = sim->Recorded();
  EXPECT_EQ(Requests(rec, 4).size(), 1u);  // cancelled before the second slice
  ASSERT_EQ(rec["status"].size(), 1u);
  EXPECT_EQ(rec["status"][0]["text"], "id=5&status=0");
}

TEST_F(SbnDownloadSim, SizeCheckTolerance) {
  // The decrypted package is 40000 bytes; the server announces 1023 and
  // 1024 bytes more.
  CSbnDownLoad within;
  within.SetPhone(Phone("E3112", "1.002AB.01"));
  EXPECT_EQ(within.ThreadSbnDownLoadFunc(1), 0);
  CSbnDownLoad beyond;
  beyond.SetPhone(Phone("E3112", "1.003AB.01"));
  EXPECT_EQ(beyond.ThreadSbnDownLoadFunc(1), 4);
}

}  // namespace
}  // namespace upvane
