// Boot downloader, streaming download and raw loader exchanges against the
// simulated phone.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "sim_session.h"

namespace upvane {
namespace {

const bool kScaled = [] {
  setenv("UPVANE_TIME_SCALE", "3", 1);
  return true;
}();

using test::Fault;

class FeaturePhoneRepairTest : public test::SimSession {
 protected:
  void SetUp() override { StartPhone(test::FeaturePhone()); }
};

TEST_F(FeaturePhoneRepairTest, SessionThroughBootDownloaderAndStreamingDownload) {
  ASSERT_TRUE(ms->EnterDownloadMode());
  EXPECT_EQ(phone->Snapshot().mode, sim::PhoneMode::kBoot);
  ASSERT_TRUE(ms->DlParameterRequest());
  ASSERT_TRUE(ms->DlNop());
  std::vector<uint8_t> loader(3000, 0xA5);
  for (size_t off = 0; off < loader.size(); off += 1024) {
    const int n = static_cast<int>(std::min<size_t>(1024, loader.size() - off));
    ASSERT_TRUE(ms->DlWrite32(0x2A000000 + static_cast<uint32_t>(off), n, loader.data() + off));
  }
  ASSERT_TRUE(ms->DlGo(0x2A000000));
  sim::PhoneState s = phone->Snapshot();
  EXPECT_EQ(s.bootBytesWritten, 3000u);
  EXPECT_EQ(s.goAddress, 0x2A000000u);
  EXPECT_EQ(s.mode, sim::PhoneMode::kStreaming);

  ASSERT_TRUE(ms->SdHello());
  ASSERT_TRUE(ms->SdClose());
  ASSERT_TRUE(ms->SdSecurityMode());
  ASSERT_TRUE(ms->DlSetOption21(1));
  uint8_t table[64];
  std::memset(table, 0x3C, sizeof(table));
  uint8_t status = 0xFF;
  ASSERT_TRUE(ms->SdPartitionTable(table, sizeof(table), 0, status));
  EXPECT_EQ(status, 0);
  table[0] = 0;  // a different table without override is refused, with its status
  EXPECT_FALSE(ms->SdPartitionTable(table, sizeof(table), 0, status));
  EXPECT_EQ(status, 1);
  ASSERT_TRUE(ms->SdPartitionTable(table, sizeof(table), 1, status));
  const uint8_t open[2] = {0x1B, 0x0E};
  ASSERT_TRUE(ms->SdOpenMultiImage(open, 2));
  std::vector<uint8_t> image(60000, 0x5A);
  int flag = 0;
  ASSERT_TRUE(ms->SdStreamWrite35(0, 0, image.data(), static_cast<int>(image.size()), flag));
  ASSERT_TRUE(ms->SdSimpleWrite(0x100, image.data(), 1024));
  ASSERT_TRUE(ms->SdCommand33(1, 2, flag));
  EXPECT_EQ(flag, 0);
  ASSERT_TRUE(ms->SdClose());
  s = phone->Snapshot();
  EXPECT_EQ(s.streamBytes, 60000u);
  EXPECT_EQ(s.simpleBytes, 1024u);
  EXPECT_TRUE(s.secureMode);
  EXPECT_EQ(s.option21, 1);
  // Nothing open any more: the phone answers 03 00 0C and the flag is set.
  EXPECT_FALSE(ms->SdStreamWrite35(0, 0, image.data(), 10, flag));
  EXPECT_EQ(flag, 1);
  ASSERT_TRUE(ms->SdReset());
  EXPECT_EQ(phone->Snapshot().mode, sim::PhoneMode::kDiag);
}

TEST_F(FeaturePhoneRepairTest, RefusalsAndLimits) {
  ASSERT_TRUE(ms->EnterDownloadMode());
  // Sizes over the limits fail without sending anything.
  std::vector<uint8_t> big(1025, 1);
  const int before = phone->CountRequests("");
  EXPECT_FALSE(ms->SdSimpleWrite(0, big.data(), 1025));
  uint8_t status = 0;
  EXPECT_FALSE(ms->SdPartitionTable(big.data(), 513, 0, status));
  EXPECT_EQ(phone->CountRequests(""), before);
  // Silence after Go counts as success; a refusal for reason 0x0B does not,
  // any other refusal does.
  phone->AddFault(Fault("no_answer", "05", 1));
  EXPECT_TRUE(ms->DlGo(0x1000));
  EXPECT_EQ(phone->Snapshot().mode, sim::PhoneMode::kBoot);
  phone->AddFault(Fault("refuse", "05", 1, 0x0B));
  EXPECT_FALSE(ms->DlGo(0x1000));
  phone->AddFault(Fault("refuse", "05", 1, 0x02));
  EXPECT_TRUE(ms->DlGo(0x1000));
  phone->AddFault(Fault("refuse", "0F", 1, 0x02));
  const uint8_t data[4] = {1, 2, 3, 4};
  EXPECT_FALSE(ms->DlWrite32(0, 4, data));
  EXPECT_EQ(phone->Snapshot().bootBytesWritten, 0u);
}

TEST(BootDownloaderRefusal, GoFailsOnlyForReasonEleven) {
  // A hand-made refusal: the phone refuses Go with reason 0x000B when asked.
  sim::PhoneConfig c = test::FeaturePhone();
  c.startMode = "boot";
  sim::SimPhone phone(c);
  ASSERT_TRUE(phone.Start());
  CComMs ms;
  ASSERT_TRUE(ms.Open(phone.PortPath(), 115200));
  // An unknown boot command is refused (03 00 07): other operations fail on it.
  uint8_t req[8] = {0x55};
  ASSERT_TRUE(ms.Transact(4, req, ms.responseLength, ms.response, 3000, 1));
  EXPECT_EQ(ms.response[0], 0x03);
  // Parameter request with no answer at all counts as success.
  phone.AddFault(Fault("no_answer", "07", 1));
  EXPECT_TRUE(ms.DlParameterRequest());
  phone.AddFault(Fault("no_answer", "06", 35));
  EXPECT_FALSE(ms.DlNop());
  EXPECT_EQ(phone.CountRequests("06"), 35);
  ASSERT_TRUE(ms.DlReset());
  EXPECT_EQ(phone.Snapshot().mode, sim::PhoneMode::kDiag);
}

TEST_F(FeaturePhoneRepairTest, StreamingErrorReportsAndLogs) {
  sim::PhoneConfig c = test::FeaturePhone();
  c.startMode = "streaming";
  StartPhone(c);
  // Before the hello the loader answers with an error report.
  EXPECT_FALSE(ms->SdClose());
  EXPECT_EQ(ms->response[0], 0x0D);
  phone->AddFault(Fault("log_before", "01", 1));
  ASSERT_TRUE(ms->SdHello());
  int flag = 0;
  phone->AddFault(Fault("error_report", "33", 1, 0x12));
  EXPECT_FALSE(ms->SdCommand33(1, 2, flag));
  EXPECT_EQ(flag, 1);
  flag = 0;
  phone->AddFault(Fault("error_report", "33", 1, 0x05));
  EXPECT_FALSE(ms->SdCommand33(1, 2, flag));
  EXPECT_EQ(flag, 0);
}

class RawLoaderTest : public test::SimSession {
 protected:
  void SetUp() override {
    sim::PhoneConfig c = test::Smartphone();
    c.rawMaxPacket = 0x8000;
    StartPhone(c);
  }
};

TEST_F(RawLoaderTest, Handshake) {
  ASSERT_TRUE(ms->EnterDownloadMode());
  uint32_t maxPacket = 0;
  ASSERT_TRUE(ms->RawHelloRead(maxPacket));
  EXPECT_EQ(maxPacket, 0x8000u);
  ASSERT_TRUE(ms->RawHelloResponse(3));
  EXPECT_EQ(phone->Snapshot().rawMode, 3u);
  ASSERT_TRUE(ms->RawCommandA5(1, 2));
  std::vector<uint8_t> data(4096, 0x77);
  ASSERT_TRUE(ms->RawCommandA1(9, data.data(), static_cast<int>(data.size())));
  EXPECT_EQ(phone->Snapshot().rawBytes, 4096u);
  EXPECT_TRUE(ms->RawCommandBA(1, 2));
  // A packet over the phone's limit ends in its error packet (word 0 = 4,
  // word 3 = 1): the data command fails on it.
  std::vector<uint8_t> huge(0x9000, 1);
  EXPECT_FALSE(ms->RawCommandA1(9, huge.data(), static_cast<int>(huge.size())));
  // The phone drops the rest of the broken packet until the line is quiet.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  // No answer: the exchange fails.
  phone->AddFault(Fault("no_answer", "07000000", 1));
  EXPECT_FALSE(ms->RawReset());
  EXPECT_EQ(phone->Snapshot().mode, sim::PhoneMode::kRaw);
  ASSERT_TRUE(ms->RawReset());
  EXPECT_EQ(phone->Snapshot().mode, sim::PhoneMode::kDiag);
}

TEST_F(RawLoaderTest, StatusWordDecidesOnlyForEndPackets) {
  ASSERT_TRUE(ms->EnterDownloadMode());
  // The phone answers an unknown command with 4, 16, cmd, 1: RawCommandBA
  // reads that as a failed end; a short answer fails the exchange.
  phone->AddFault(Fault("short_answer", "BA", 1, 8));
  EXPECT_FALSE(ms->RawCommandBA(1, 2));
  uint32_t maxPacket = 0;
  ASSERT_TRUE(ms->RawHelloRead(maxPacket));
}

}  // namespace
}  // namespace upvane
