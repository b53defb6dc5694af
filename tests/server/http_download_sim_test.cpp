// File downloads against the simserver's file server: resume after drops
// and stalls, servers without Range support, sizes, cancel, the threads.
#include "server/http_download.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "platform/crypto.h"
#include "platform/files.h"
#include "recording_window.h"
#include "server/server_session.h"
#include "simserver_process.h"

namespace upvane {
namespace {

using nlohmann::json;

std::string FileMd5(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const Md5Digest d = Md5(data.data(), data.size());
  return ToHex(d.data(), d.size());
}

class HttpDownloadSim : public ::testing::Test {
 protected:
  void SetUp() override {
    sim = &test::SharedSimServer();
    ASSERT_TRUE(sim->ok());
    CancelRequestFlag().store(0);
    CancelledFlag().store(0);
  }
  std::string Url(const std::string& tag) const { return RepairImageUrl(tag); }
  std::string Md5Of(const std::string& tag) const { return sim->Recorded()["images"][tag]["md5"]; }
  json Files() const { return sim->Recorded().value("files", json::array()); }

  test::SimServerProcess* sim = nullptr;
  test::TempDir dir;
  test::ScopedEnv homeEnv{"UPVANE_HOME", dir.path()};
};

TEST_F(HttpDownloadSim, DropAfterHalfResumesWithOneRange) {
  ASSERT_TRUE(sim->AddFault({{"server", "files"}, {"kind", "drop"}, {"bytes", 1048576}}));
  const std::string path = dir.File("img.bin");
  ASSERT_TRUE(HttpDownload(Url("binfile34"), path, 0));
  EXPECT_EQ(FileMd5(path), Md5Of("binfile34"));
  const json files = Files();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0]["range"], "");
  EXPECT_EQ(files[1]["range"], "bytes=1048576-");
}

TEST_F(HttpDownloadSim, ServerWithoutRangeRestartsFromZero) {
  ASSERT_TRUE(sim->AddFault({{"server", "files"}, {"kind", "drop"}, {"bytes", 1048576}}));
  ASSERT_TRUE(sim->AddFault({{"server", "files"}, {"kind", "norange"}}));
  const std::string path = dir.File("img.bin");
  ASSERT_TRUE(HttpDownload(Url("binfile34"), path, 0));
  EXPECT_EQ(FileMd5(path), Md5Of("binfile34"));
  uint64_t size = 0;
  ASSERT_TRUE(GetFileSize(path, size));
  EXPECT_EQ(size, 2097152u);
  const json files = Files();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[1]["fault"], "norange");
}

TEST_F(HttpDownloadSim, StalledTransferResumes) {
  // No byte for longer than the stall limit (60 s of program time).
  ASSERT_TRUE(sim->AddFault({{"server", "files"}, {"kind", "stall"}, {"bytes", 500000}, {"ms", 8000}}));
  const std::string path = dir.File("img.bin");
  ASSERT_TRUE(HttpDownload(Url("binfile37"), path, 0));
  EXPECT_EQ(FileMd5(path), Md5Of("binfile37"));
  const json files = Files();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[1]["range"], "bytes=500000-");
}

TEST_F(HttpDownloadSim, GivesUpAfterTenResumes) {
  ASSERT_TRUE(sim->AddFault({{"server", "files"}, {"kind", "drop"}, {"bytes", 1000}, {"count", 11}}));
  EXPECT_FALSE(HttpDownload(Url("binfile37"), dir.File("img.bin"), 0));
  EXPECT_EQ(Files().size(), 11u);  // the first request and ten resumes
}

TEST_F(HttpDownloadSim, NoContentLengthFailsBeforeWriting) {
  ASSERT_TRUE(sim->AddFault({{"server", "files"}, {"kind", "nolength"}, {"count", 2}}));
  const std::string path = dir.File("img.bin");
  EXPECT_FALSE(HttpDownload(Url("binfile37"), path, 0));
  uint64_t size = 1;
  ASSERT_TRUE(GetFileSize(path, size));
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(HttpGetSize(Url("binfile37"), 0), 0u);
}

TEST_F(HttpDownloadSim, SizesInBytesAndMebibytes) {
  EXPECT_EQ(HttpGetSize(Url("binfile37"), 0), 1048576u);
  EXPECT_EQ(HttpGetSize(Url("binfile37"), 1), 2u);
  EXPECT_EQ(HttpGetSize(Url("binfile2033"), 1), 1u);  // 1048575 bytes
  EXPECT_EQ(HttpGetSize(Url("binfile99"), 1), 0u);    // 404
  EXPECT_FALSE(HttpDownload(Url("binfile99"), dir.File("x.bin"), 0));
  EXPECT_FALSE(HttpDownload("http://127.0.0.1:1/zavezi/rQ4mWz8N/binfile37.bin", dir.File("y.bin"), 0));
}

TEST_F(HttpDownloadSim, CancelRequestEndsTheTransfer) {
  ASSERT_TRUE(sim->AddFault({{"server", "files"}, {"kind", "slow"}, {"rate", 400000}}));
  test::RecordingWindow page([](const test::RecordedMessage& m) {
    if (m.msg == WM_DOWNLOAD_PROGRESS && m.wParam >= 10) CancelRequestFlag().store(1);
  });
  CurrentPageWindow().store(page.id);
  EXPECT_FALSE(HttpDownload(Url("binfile34"), dir.File("img.bin"), 1));
  CurrentPageWindow().store(0);
  EXPECT_EQ(CancelledFlag().load(), 1);
  const auto progress = page.Messages(WM_DOWNLOAD_PROGRESS);
  ASSERT_FALSE(progress.empty());
  EXPECT_LT(progress.back().wParam, 100u);
}

TEST_F(HttpDownloadSim, DownloadThreadsPostTheirResult) {
  test::RecordingWindow page;
  CurrentPageWindow().store(page.id);
  const std::string first = dir.File("first.bin"), second = dir.File("second.bin");
  {
    CRepairDownloadThread t;
    EXPECT_FALSE(t.Start("binfile99", first));
    SetDownloadLocation("");
    ASSERT_TRUE(t.Start("binfile2033", first));  // the thread's built-in URL
  }
  {
    // The E3112 threads take the download location when one is set.
    SetDownloadLocation(Url("binfile37"));
    CRepairDownloadThread t;
    ASSERT_TRUE(t.Start("binfile2033NC", second));
  }
  SetDownloadLocation("");
  // The posts are queued to the page's thread; wait until both arrived.
  for (int i = 0; i < 500 && page.Messages(WM_DOWNLOAD_DONE).size() < 2; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  CurrentPageWindow().store(0);
  const auto done = page.Messages(WM_DOWNLOAD_DONE);
  ASSERT_EQ(done.size(), 2u);
  EXPECT_EQ(done[0].wParam, 0u);
  EXPECT_EQ(done[0].lParam, 1);
  EXPECT_EQ(done[1].lParam, 1);
  EXPECT_EQ(FileMd5(first), Md5Of("binfile2033"));
  EXPECT_EQ(FileMd5(second), Md5Of("binfile37"));
  const auto progress = page.Messages(WM_DOWNLOAD_PROGRESS);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back().wParam, 100u);
}

}  // namespace
}  // namespace upvane
