#include "diag/diag_frame.h"

#include <gtest/gtest.h>

#include <vector>

#include "hdlc.h"

namespace upvane {
namespace {

TEST(DiagCrc16, CheckValueOfTheStandardText) {
  const char* text = "123456789";
  EXPECT_EQ(DiagCrc16(reinterpret_cast<const uint8_t*>(text), 72), 0x906E);
}

TEST(DiagCrc16, TableAgreesWithBitwiseReferenceOnManyInputs) {
  std::vector<uint8_t> data;
  for (int len = 0; len < 300; ++len) {
    EXPECT_EQ(DiagCrc16(data.data(), static_cast<uint32_t>(len) * 8), sim::Crc16X25(data.data(), data.size()))
        << "length " << len;
    data.push_back(static_cast<uint8_t>(len * 37 + 11));
  }
}

// Bit-at-a-time reference over any number of bits, least significant first.
uint16_t ReferenceBits(const uint8_t* data, uint32_t bits) {
  uint16_t crc = 0xFFFF;
  for (uint32_t i = 0; i < bits; ++i) {
    const int bit = (data[i / 8] >> (i % 8)) & 1;
    const bool mix = ((crc ^ bit) & 1) != 0;
    crc >>= 1;
    if (mix) crc ^= 0x8408;
  }
  return static_cast<uint16_t>(crc ^ 0xFFFF);
}

TEST(DiagCrc16, TrailingBitsGoOneAtATime) {
  const uint8_t data[3] = {0x31, 0xA5, 0x5C};
  for (uint32_t bits = 0; bits <= 24; ++bits)
    EXPECT_EQ(DiagCrc16(data, bits), ReferenceBits(data, bits)) << bits;
}

TEST(EncodeDiagFrame, OneBytePacketGetsCheckValueLowFirstAndFlag) {
  uint8_t request[4] = {0x1C, 0, 0, 0};
  uint8_t frame[16];
  const int n = EncodeDiagFrame(frame, sizeof(frame), request, 4);
  const uint16_t crc = sim::Crc16X25(request, 1);
  ASSERT_NE(crc & 0xFF, 0x7E);
  ASSERT_NE(crc >> 8, 0x7E);
  ASSERT_EQ(n, 4);
  EXPECT_EQ(frame[0], 0x1C);
  EXPECT_EQ(frame[1], crc & 0xFF);
  EXPECT_EQ(frame[2], crc >> 8);
  EXPECT_EQ(frame[3], 0x7E);
  // The placeholders were filled in as well.
  EXPECT_EQ(request[1], crc & 0xFF);
  EXPECT_EQ(request[3], 0x7E);
}

TEST(EncodeDiagFrame, EscapesFlagAndEscapeBytesInPacketAndCheckValue) {
  // Find two-byte packets whose check value holds a 0x7E or 0x7D byte.
  int found = 0;
  for (int v = 0; v < 65536 && found < 4; ++v) {
    uint8_t req[5] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), 0, 0, 0};
    const uint16_t crc = sim::Crc16X25(req, 2);
    const uint8_t lo = crc & 0xFF, hi = crc >> 8;
    if (lo != 0x7E && lo != 0x7D && hi != 0x7E && hi != 0x7D) continue;
    ++found;
    uint8_t frame[16];
    const int n = EncodeDiagFrame(frame, sizeof(frame), req, 5);
    ASSERT_GT(n, 0);
    // Decoding with the phone's strict reader gives the packet back.
    sim::FrameReader reader;
    sim::FrameReader::Result r = sim::FrameReader::Result::kNone;
    for (int i = 0; i < n; ++i) r = reader.Feed(frame[i]);
    ASSERT_EQ(r, sim::FrameReader::Result::kFrame) << "value " << v;
    EXPECT_EQ(reader.packet(), (std::vector<uint8_t>{req[0], req[1]}));
    // Only the closing flag is a raw 0x7E.
    for (int i = 0; i < n - 1; ++i) EXPECT_NE(frame[i], 0x7E);
  }
  EXPECT_EQ(found, 4);
}

TEST(EncodeDiagFrame, LongPacketsRoundTripThroughThePhonesDecoder) {
  // Flag, escape and their neighbours at every position and spacing.
  const uint8_t specials[] = {0x7C, 0x7D, 0x7E, 0x7F, 0x5D, 0x5E};
  for (int gap = 1; gap < 20; ++gap) {
    std::vector<uint8_t> req(2044 + 3);
    for (size_t i = 0; i < 2044; ++i)
      req[i] = (i % static_cast<size_t>(gap) == 0) ? specials[i % 6] : static_cast<uint8_t>(i * 13);
    const std::vector<uint8_t> packet(req.begin(), req.begin() + 2044);
    std::vector<uint8_t> frame(2 * req.size() + 2);
    const int n = EncodeDiagFrame(frame.data(), frame.size(), req.data(), static_cast<int>(req.size()));
    ASSERT_GT(n, 0);
    sim::FrameReader reader;
    sim::FrameReader::Result r = sim::FrameReader::Result::kNone;
    for (int i = 0; i < n; ++i) r = reader.Feed(frame[static_cast<size_t>(i)]);
    ASSERT_EQ(r, sim::FrameReader::Result::kFrame) << "gap " << gap;
    EXPECT_EQ(reader.packet(), packet) << "gap " << gap;
    std::vector<uint8_t> back(static_cast<size_t>(n));
    EXPECT_EQ(UnescapeDiagFrame(frame.data(), n, back.data()), 2044 + 3);
  }
}

TEST(EncodeDiagFrame, RefusesWhatDoesNotFit) {
  uint8_t req[8] = {0x7E, 0x7E, 0x7E, 0x7E, 0x7E, 0, 0, 0};
  uint8_t frame[12];
  EXPECT_EQ(EncodeDiagFrame(frame, 10, req, 8), -1);  // 10 escaped bytes + check value + flag
  EXPECT_EQ(EncodeDiagFrame(frame, sizeof(frame), req, 2), -1);
}

TEST(PacketWriter, StopsAtCapacity) {
  uint8_t buf[6];
  PacketWriter w(buf, 6);
  w.U8(1).U32(0x05040302);
  EXPECT_TRUE(w.ok());
  w.U16(0x0706);
  EXPECT_FALSE(w.ok());
  EXPECT_EQ(w.Length(), 5);
  EXPECT_EQ(buf[1], 2);
  EXPECT_EQ(buf[4], 5);
}

}  // namespace
}  // namespace upvane
