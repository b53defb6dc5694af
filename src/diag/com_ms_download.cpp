// Download-mode commands: boot downloader (mode 1 frames), streaming
// download (mode 2 frames) and the raw loader handshake (no framing).
#include <cstring>

#include "diag/com_ms.h"
#include "diag/diag_frame.h"
#include "platform/clock.h"

namespace upvane {

namespace {

constexpr char kHostHello[] = "QCOM fast download protocol host";
constexpr char kTargetHello[] = "QCOM fast download protocol targ";

}  // namespace

// ---- boot downloader ----

bool CComMs::DlParameterRequest() {
  uint8_t req[8] = {0x07};
  if (!Send(req, 1, 3000, 1)) return true;  // an old downloader stays silent
  uint8_t b = 0;
  return AnswerU8(0, b) && b == 0x08;
}

bool CComMs::DlGo(uint32_t address) {
  uint8_t req[12];
  PacketWriter w(req, 5);
  w.U8(0x05).U32BE(address);
  if (!Send(req, w.Length(), 10000, 1)) return true;
  uint8_t code = 0;
  uint8_t reason = 0;
  return !(AnswerU8(0, code) && code == 0x03 && AnswerU8(2, reason) && reason == 0x0B);
}

bool CComMs::DlNop() {
  for (int attempt = 0; attempt < 35; ++attempt) {
    if (attempt > 0) SleepMs(30);
    uint8_t req[8] = {0x06};
    uint8_t b = 0;
    if (Send(req, 1, 1000, 1) && AnswerU8(0, b) && b == 0x02) return true;
  }
  return false;
}

bool CComMs::DlReset() {
  uint8_t req[8] = {0x0A};
  uint8_t b = 0;
  return Send(req, 1, 1000, 1) && AnswerU8(0, b) && b == 0x02;
}

bool CComMs::DlWrite32(uint32_t address, int length, const uint8_t* data) {
  if (length < 0 || length > 0xFFFF) return false;
  PacketWriter w(scratch, kBufferSize - 3);
  w.U8(0x0F).U32BE(address).U16BE(static_cast<uint32_t>(length)).Bytes(data, length);
  uint8_t b = 0;
  return w.ok() && Send(scratch, w.Length(), 3000, 1) && AnswerU8(0, b) && b == 0x02;
}

bool CComMs::DlSetOption21(uint16_t value) {
  uint8_t req[10];
  PacketWriter w(req, 5);
  w.U8(0x21).U16(value).U8(0xFF).U8(0xFF);
  uint8_t b = 0;
  return Send(req, w.Length(), 10000, 1) && AnswerU8(0, b) && b == 0x22;
}

// ---- streaming download ----

bool CComMs::SdHello() {
  uint8_t req[48];
  PacketWriter w(req, 36);
  w.U8(0x01).Bytes(kHostHello, 32).U8(3).U8(2).U8(0x01);
  uint8_t b = 0;
  return Send(req, w.Length(), 3000, 2) && AnswerU8(0, b) && b == 0x02 && AnswerHas(1, 32) &&
         std::memcmp(response + 1, kTargetHello, 32) == 0;
}

bool CComMs::SdSimpleWrite(uint32_t address, const uint8_t* data, int length) {
  if (length < 0 || length > 1024) return false;
  uint8_t req[1040];
  PacketWriter w(req, 1029);
  w.U8(0x07).U32(address).Bytes(data, length);
  uint8_t b = 0;
  return w.ok() && Send(req, w.Length(), 3000, 2) && AnswerU8(0, b) && b == 0x08;
}

bool CComMs::SdOpenMultiImage(const uint8_t* request, int length) {
  if (length <= 0 || length > 1024) return false;
  uint8_t req[1030];
  std::memcpy(req, request, static_cast<size_t>(length));
  uint8_t code = 0;
  uint8_t status = 1;
  return Send(req, length, 3000, 2) && AnswerU8(0, code) && code == 0x1C && AnswerU8(1, status) &&
         status == 0;
}

bool CComMs::SdPartitionTable(const uint8_t* table, int length, uint8_t overrideFlag, uint8_t& status) {
  if (length < 0 || length > 512) return false;
  uint8_t req[520];
  PacketWriter w(req, 514);
  w.U8(0x19).U8(overrideFlag).Bytes(table, length);
  uint8_t code = 0;
  uint8_t s = 0;
  if (!w.ok() || !Send(req, w.Length(), 15000, 2) || !AnswerU8(0, code) || code != 0x1A || !AnswerU8(1, s))
    return false;
  status = s;
  return s == 0;
}

bool CComMs::SdReset() {
  uint8_t req[8] = {0x0B};
  uint8_t b = 0;
  return Send(req, 1, 3000, 2) && AnswerU8(0, b) && b == 0x0C;
}

bool CComMs::SdSecurityMode() {
  uint8_t req[8] = {0x17, 0x01};
  uint8_t b = 0;
  return Send(req, 2, 3000, 2) && AnswerU8(0, b) && b == 0x18;
}

bool CComMs::SdClose() {
  uint8_t req[8] = {0x15};
  uint8_t b = 0;
  return Send(req, 1, 3000, 2) && AnswerU8(0, b) && b == 0x16;
}

bool CComMs::SdCommand33(uint32_t first, uint32_t second, int& flag) {
  uint8_t req[16];
  PacketWriter w(req, 9);
  w.U8(0x33).U32(first).U32(second);
  responseLength = 0;
  if (!Send(req, w.Length(), 10000, 2)) {
    uint8_t code = 0;
    uint8_t reason = 0;
    if (AnswerU8(0, code) && code == 0x0D && AnswerU8(1, reason) && reason == 0x12) flag = 1;
    return false;
  }
  uint8_t b = 0;
  return AnswerU8(0, b) && b == 0x34;
}

bool CComMs::SdStreamWrite35(uint32_t first, uint32_t second, const uint8_t* data, int length, int& flag) {
  if (length < 0 || length > kStreamWriteMaxBytes) return false;
  PacketWriter w(scratch, kBufferSize - 3);
  w.U8(0x35).U32(first).U32(second).Bytes(data, length);
  if (!w.ok() || !Send(scratch, w.Length(), 10000, 2)) return false;
  uint8_t b0 = 0, b1 = 0, b2 = 0;
  if (AnswerU8(0, b0) && b0 == 0x03 && AnswerU8(1, b1) && b1 == 0x00 && AnswerU8(2, b2) && b2 == 0x0C) {
    flag = 1;
    return false;
  }
  return AnswerU8(0, b0) && b0 == 0x36;
}

// ---- raw loader handshake ----

bool CComMs::RawExchange(const uint32_t* words, int wordCount, const uint8_t* extra, int extraCount,
                         int answerBytes, int timeoutMs, uint32_t* answerWords) {
  const int total = wordCount * 4 + extraCount;
  if (extraCount < 0 || total > kBufferSize || answerBytes > kBufferSize) return false;
  PacketWriter w(scratch, kBufferSize);
  for (int i = 0; i < wordCount; ++i) w.U32(words[i]);
  w.Bytes(extra, extraCount);
  if (!w.ok()) return false;
  int got = 0;
  if (!RawTransact(scratch, w.Length(), answerBytes, response, got, timeoutMs) || got != answerBytes)
    return false;
  responseLength = 0;  // the answer is not a frame
  for (int i = 0; i < answerBytes / 4; ++i) {
    const uint8_t* p = response + 4 * i;
    answerWords[i] =
        static_cast<uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16)) | (static_cast<uint32_t>(p[3]) << 24);
  }
  return true;
}

bool CComMs::RawHelloRead(uint32_t& value) {
  const uint32_t req[2] = {0, 8};
  uint32_t a[12];
  if (!RawExchange(req, 2, nullptr, 0, 48, 3000, a) || a[0] != 1) return false;
  value = a[4];
  return true;
}

bool CComMs::RawHelloResponse(uint32_t mode) {
  const uint32_t req[12] = {2, 48, 2, 1, 0, mode, 0, 0, 0, 0, 0, 0};
  uint32_t a[2];
  return RawExchange(req, 12, nullptr, 0, 8, 3000, a) && a[0] == 0x0B;
}

bool CComMs::RawReset() {
  const uint32_t req[2] = {7, 8};
  uint32_t a[2];
  return RawExchange(req, 2, nullptr, 0, 8, 1000, a) && a[0] == 8;
}

bool CComMs::RawCommandA5(uint32_t first, uint32_t second) {
  const uint32_t req[4] = {0xA5, 16, first, second};
  uint32_t a[4];
  return RawExchange(req, 4, nullptr, 0, 16, 60000, a) && a[0] == 0xA6;
}

bool CComMs::RawCommandBA(uint32_t first, uint32_t second) {
  const uint32_t req[4] = {0xBA, 16, first, second};
  uint32_t a[4];
  if (!RawExchange(req, 4, nullptr, 0, 16, 30000, a)) return false;
  return a[0] != 4 || a[3] == 0;
}

bool CComMs::RawCommandA1(uint32_t first, const uint8_t* data, int length) {
  if (length < 0 || length > kBufferSize - 16) return false;
  const uint32_t req[4] = {0xA1, static_cast<uint32_t>(length) + 16, first, static_cast<uint32_t>(length)};
  uint32_t a[4];
  return RawExchange(req, 4, data, length, 16, 1000, a) && a[0] == 0xA2;
}

}  // namespace upvane
