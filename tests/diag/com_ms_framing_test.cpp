// Transactions against hand-made answers on a real pty.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <thread>

#include "diag/com_ms.h"
#include "hdlc.h"
#include "platform/clock.h"
#include "pty_peer.h"

namespace upvane {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Frame(const Bytes& packet, bool lead = false, bool corrupt = false) {
  Bytes out;
  sim::AppendFrame(out, packet, lead, corrupt);
  return out;
}

class FramingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(peer.Create());
    ms = std::make_unique<CComMs>();
    ASSERT_TRUE(ms->Open(peer.Path(), 115200)) << ms->OpenError();
  }
  // Sends `packet` (3 placeholder bytes are added) and lets `answer` run on
  // the far side once the request arrived.
  bool Run(Bytes packet, int mode, const std::function<void(const Bytes&)>& answer, int timeoutMs = 2000) {
    packet.resize(packet.size() + 3);
    std::thread far([&] {
      Bytes got;
      for (int i = 0; i < 50 && got.empty(); ++i) got = peer.ReadAll(20);
      sent = got;
      answer(got);
    });
    const bool ok = ms->Transact(static_cast<int>(packet.size()), packet.data(), ms->responseLength,
                                 ms->response, timeoutMs, mode);
    far.join();
    return ok;
  }
  Bytes Answer() const { return Bytes(ms->response, ms->response + ms->AnswerLength()); }

  test::PtyPeer peer;
  std::unique_ptr<CComMs> ms;
  Bytes sent;
};

TEST_F(FramingTest, AnswerSplitIntoSingleBytesIsReassembled) {
  const Bytes answer{0x4B, 0xFC, 0x41, 0x20, 0x7E, 0x7D, 0x00, 'E', '3'};
  ASSERT_TRUE(Run({0x4B, 0xFC, 0x41, 0x20}, 0, [&](const Bytes&) { peer.WriteSplit(Frame(answer), 1, 2); }));
  EXPECT_EQ(Answer(), answer);
  EXPECT_EQ(ms->responseLength, static_cast<int>(answer.size()) + 3);
  EXPECT_EQ(ms->response[ms->responseLength - 1], 0x7E);
}

TEST_F(FramingTest, ModeZeroAcceptsBadCommandReplyAndSkipsOtherFrames) {
  // A log frame first, then the reply for a bad command: the log is skipped.
  ASSERT_TRUE(Run({0x1C}, 0, [&](const Bytes&) {
    Bytes both = Frame({0x10, 0x00, 0x05, 0x00, 'l'});
    const Bytes bad = Frame({0x13, 0x1C});
    both.insert(both.end(), bad.begin(), bad.end());
    peer.WriteSplit(both, 3, 1);
  }));
  EXPECT_EQ(Answer(), (Bytes{0x13, 0x1C}));
}

TEST_F(FramingTest, ModeZeroWithOnlyForeignFramesTimesOut) {
  const uint64_t start = GetTickCount64();
  EXPECT_FALSE(Run(
      {0x1C}, 0,
      [&](const Bytes&) {
        peer.Write(Frame({0x10, 0x01}));
      },
      300));
  EXPECT_GE(GetTickCount64() - start, 250u);
}

TEST_F(FramingTest, WrongCheckValueIsStillAccepted) {
  ASSERT_TRUE(Run({0x1C}, 0, [&](const Bytes&) { peer.Write(Frame({0x1C, 0x08}, false, true)); }));
  EXPECT_EQ(Answer(), (Bytes{0x1C, 0x08}));
}

TEST_F(FramingTest, DownloadModesSendLeadingFlagAndAcceptAnyFirstFrame) {
  ASSERT_TRUE(Run({0x06}, 1, [&](const Bytes&) { peer.Write(Frame({0x03, 0x00, 0x07}, true)); }));
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent[0], 0x7E);
  EXPECT_EQ(sent[1], 0x06);
  EXPECT_EQ(Answer(), (Bytes{0x03, 0x00, 0x07}));
}

TEST_F(FramingTest, StreamingModeSkipsLogAndFailsOnErrorReport) {
  ASSERT_TRUE(Run({0x15}, 2, [&](const Bytes&) {
    Bytes both = Frame({0x0E, 'h', 'i', '\n'}, true);
    const Bytes real = Frame({0x16}, true);
    both.insert(both.end(), real.begin(), real.end());
    peer.Write(both);
  }));
  EXPECT_EQ(Answer(), (Bytes{0x16}));

  EXPECT_FALSE(Run({0x15}, 2, [&](const Bytes&) {
    peer.Write(Frame({0x0D, 0x12, 0, 0, 0, 'b', 'a', 'd', '\n'}, true));
  }));
  EXPECT_EQ(ms->response[0], 0x0D);
  EXPECT_STREQ(reinterpret_cast<const char*>(ms->response + 5), "bad");
}

TEST_F(FramingTest, FrameOfExactly256BytesGetsSecondFlag) {
  // 252 plain packet bytes + 2 check-value bytes + flag = 255; find a packet
  // whose check value needs no escape, then one more byte makes 256.
  for (uint8_t seed = 0;; ++seed) {
    Bytes packet(253, 0x11);
    packet[1] = seed;
    const uint16_t crc = sim::Crc16X25(packet.data(), packet.size());
    const uint8_t lo = crc & 0xFF, hi = crc >> 8;
    if (lo == 0x7E || lo == 0x7D || hi == 0x7E || hi == 0x7D) continue;
    ASSERT_TRUE(Run(packet, 0, [&](const Bytes&) { peer.Write(Frame({0x11})); }));
    ASSERT_EQ(sent.size(), 257u);
    EXPECT_EQ(sent[255], 0x7E);
    EXPECT_EQ(sent[256], 0x7E);
    break;
  }
  // With the leading flag of mode 1 the count includes it: 255 + 1 = 256.
  for (uint8_t seed = 0;; ++seed) {
    Bytes packet(252, 0x22);
    packet[1] = seed;
    const uint16_t crc = sim::Crc16X25(packet.data(), packet.size());
    const uint8_t lo = crc & 0xFF, hi = crc >> 8;
    if (lo == 0x7E || lo == 0x7D || hi == 0x7E || hi == 0x7D) continue;
    ASSERT_TRUE(Run(packet, 1, [&](const Bytes&) { peer.Write(Frame({0x02}, true)); }));
    ASSERT_EQ(sent.size(), 257u);
    EXPECT_EQ(sent[256], 0x7E);
    EXPECT_EQ(sent[255], 0x7E);
    break;
  }
}

TEST_F(FramingTest, BytesAfterTheAnswerStayForTheNextRead) {
  // Two frames in one write: the second is still there for ReadFrame.
  ASSERT_TRUE(Run({0x4B, 0xFC, 0x81, 0x20}, 0, [&](const Bytes&) {
    Bytes both = Frame({0x4B, 0xFC, 0x81, 0x20, 1});
    const Bytes second = Frame({0x4B, 0xFC, 0x81, 0x20, 2});
    both.insert(both.end(), second.begin(), second.end());
    peer.Write(both);
  }));
  EXPECT_EQ(ms->response[4], 1);
  ASSERT_TRUE(ms->ReadFrame(ms->responseLength, ms->response, 1000, 0));
  EXPECT_EQ(ms->response[4], 2);
}

TEST_F(FramingTest, BytesWithoutFlagBeyondTheLargestFrameFail) {
  // Just over the largest frame, so the far side's writes all fit.
  EXPECT_FALSE(Run(
      {0x1C}, 1, [&](const Bytes&) { peer.Write(Bytes(CComMs::kBufferSize + 400, 0x55)); }, 20000));
}

TEST_F(FramingTest, ClosedPortAndTinyRequestFail) {
  Bytes req{0x1C, 0, 0, 0};
  EXPECT_FALSE(ms->Transact(2, req.data(), ms->responseLength, ms->response, 100, 0));
  ms->Close();
  EXPECT_FALSE(ms->Transact(4, req.data(), ms->responseLength, ms->response, 100, 0));
  EXPECT_FALSE(ms->ReadFrame(ms->responseLength, ms->response, 100, 0));
}

}  // namespace
}  // namespace upvane
