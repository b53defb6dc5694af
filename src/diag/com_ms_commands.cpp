// Commands of normal diagnostic mode: standard commands and the maker's
// subsystems (properties, shell, files, update control, identity, unlock).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "diag/com_ms.h"
#include "diag/diag_frame.h"
#include "platform/clock.h"
#include "platform/crypto.h"
#include "platform/debug_output.h"
#include "platform/deployment.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "services/text_helpers.h"

namespace upvane {

namespace {

constexpr uint8_t kSubsystemCommand = 0x4B;
constexpr uint8_t kMakerSubsystem = 0xFC;
constexpr uint8_t kMakerSubsystem2 = 0xFD;
constexpr int kRequestRoom = 2200;  // the largest request here is 2044 bytes

// Trace texts of the update-control commands.
constexpr const char* kTraceSendFailed =
    "\xE9\x80\x81\xE5\x8F\x97\xE4\xBF\xA1\xE5\xA4\xB1\xE6\x95\x97";  // 送受信失敗
constexpr const char* kTraceSuccess = "\xE6\x88\x90\xE5\x8A\x9F";    // 成功
constexpr const char* kTraceUnexpected = "\xE4\xB8\x8D\xE6\xAD\xA3\xE5\x8F\x97\xE4\xBF\xA1";  // 不正受信

int ParseLeadingDecimal(const std::string& text) {
  int v = 0;
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool any = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && v < 100000000; ++i) {
    v = v * 10 + (text[i] - '0');
    any = true;
  }
  return any ? v : 0;
}

}  // namespace

void CComMs::TraceResult(const char* name, bool transacted, bool accepted, bool failureOnly) {
  if (!transacted) {
    OutputDebugText(Format("%s::%s\n", name, kTraceSendFailed));
    return;
  }
  if (failureOnly) return;
  if (accepted) {
    OutputDebugText(Format("%s::%s\n", name, kTraceSuccess));
    return;
  }
  uint8_t b[4] = {0, 0, 0, 0};
  for (int i = 0; i < 4; ++i) AnswerU8(i, b[i]);
  OutputDebugText(
      Format("%s::%s: 0x%02X,0x%02X,0x%02X,0x%02X\n", name, kTraceUnexpected, b[0], b[1], b[2], b[3]));
}

bool CComMs::SubsystemCommand(uint8_t subsystem, uint16_t code, const uint8_t* operands, int operandCount,
                              int timeoutMs, uint8_t* request) {
  uint8_t local[kRequestRoom];
  uint8_t* req = request ? request : local;
  PacketWriter w(req, kRequestRoom - 3);
  w.U8(kSubsystemCommand).U8(subsystem).U16(code).Bytes(operands, operandCount);
  if (!w.ok()) return false;
  if (!Send(req, w.Length(), timeoutMs)) return false;
  return AnswerEcho(req, 4);
}

// ---- standard commands ----

bool CComMs::CheckDiagVersion() {
  for (int attempt = 0; attempt < 3; ++attempt) {
    uint8_t req[4] = {0x1C};
    if (Send(req, 1, 1000)) {
      uint8_t b = 0;
      return AnswerU8(0, b) && b == 0x1C;
    }
  }
  return false;
}

bool CComMs::SetPhoneMode(char letter) {
  uint16_t mode = 0;
  switch (letter) {
    case 'A':
      mode = 0;
      break;
    case 'D':
      mode = 1;
      break;
    case 'R':
      mode = 2;
      break;
    default:
      return false;
  }
  uint8_t req[8];
  PacketWriter w(req, 5);
  w.U8(0x29).U16(mode);
  const bool ok = Send(req, w.Length(), 3000) && AnswerEcho(req, 3);
  if (ok) PumpWait(5000);
  return ok;
}

bool CComMs::EnterDownloadMode() {
  for (int attempt = 0; attempt < 6; ++attempt) {
    if (attempt > 0) PumpWait(500);
    uint8_t req[4] = {0x3A};
    if (!Send(req, 1, 3000)) return false;
    uint8_t b = 0;
    if (!AnswerU8(0, b)) return false;
    if (b == 0x3A) return true;
    if (b != 0x18) return false;
  }
  return false;
}

bool CComMs::NvReadIndexed(uint16_t item, int count, uint8_t* data, uint16_t& status, uint8_t index) {
  if (count < 0 || count > 128) return false;
  uint8_t req[140];
  PacketWriter w(req, 133);
  w.U8(0x26).U16(item).U8(index).Zeros(127).U16(0);
  std::memset(response, 0, 140);
  responseLength = 0;
  if (!Send(req, w.Length(), 3000)) return false;
  uint8_t b = 0;
  if (!AnswerU8(0, b) || b != 0x26 || !AnswerU16(131, status) || !AnswerHas(3, count)) return false;
  std::memcpy(data, response + 3, static_cast<size_t>(count));
  return true;
}

bool CComMs::NvRead(uint16_t item, int count, uint8_t* data, uint16_t& status) {
  if (count < 0 || count > 128) return false;
  uint8_t req[140];
  PacketWriter w(req, 133);
  w.U8(0x26).U16(item).Zeros(128).U16(0);
  std::memset(response, 0, 140);
  responseLength = 0;
  if (!Send(req, w.Length(), 300)) return false;
  uint8_t b = 0;
  if (!AnswerU8(0, b) || b != 0x26 || !AnswerU16(131, status) || !AnswerHas(3, count)) return false;
  std::memcpy(data, response + 3, static_cast<size_t>(count));
  return true;
}

bool CComMs::DisableLogMask() {
  uint8_t req[8];
  PacketWriter w(req, 5);
  w.U8(0x0F).U32(0);
  uint8_t b = 0;
  return Send(req, w.Length(), 3000) && AnswerU8(0, b) && b == 0x0F;
}

bool CComMs::ClearExtLogMask() {
  uint8_t req[60];
  PacketWriter w(req, 52);
  w.U8(0x5D).U16(387).Zeros(49);
  uint8_t b = 0;
  return Send(req, w.Length(), 3000) && AnswerU8(0, b) && b == 0x5D;
}

// ---- properties ----

bool CComMs::GetProperty(int kind, const std::string& name, std::string& value, size_t capacity) {
  value.clear();
  uint8_t ops[1100];
  PacketWriter w(ops, sizeof(ops));
  w.U8(static_cast<uint32_t>(kind)).Text(name.c_str(), true);
  if (!w.ok()) return false;
  uint16_t length = 0;
  if (!SubsystemCommand(kMakerSubsystem, 0x20A0, ops, w.Length(), 3000) || !AnswerStatusZero16(4) ||
      !AnswerU16(6, length))
    return false;
  // A value longer than the answer is a broken answer; one longer than the
  // receiving buffer is cut to it.
  if (!AnswerHas(8, length)) return false;
  size_t n = length;
  if (n > capacity) n = capacity;
  value.assign(reinterpret_cast<const char*>(response + 8), n);
  const size_t nul = value.find('\0');
  if (nul != std::string::npos) value.resize(nul);
  return true;
}

bool CComMs::SetPropertyOnce(int kind, const std::string& name, const std::string& value) {
  uint8_t ops[kRequestRoom];
  PacketWriter w(ops, 2000);
  w.U8(static_cast<uint32_t>(kind))
      .U16(static_cast<uint32_t>(name.size()))
      .U16(static_cast<uint32_t>(value.size()))
      .Text(name.c_str(), true)
      .Text(value.c_str(), true);
  if (!w.ok()) return false;
  return SubsystemCommand(kMakerSubsystem, 0x20A1, ops, w.Length(), 3000) && AnswerStatusZero16(4);
}

bool CComMs::SetProperty(const std::string& name, const std::string& value) {
  for (int attempt = 0; attempt < 6; ++attempt) {
    if (attempt > 0) PumpWait(500);
    if (SetPropertyOnce(1, name, value)) return true;
  }
  return false;
}

bool CComMs::SetSystemProperty(const std::string& name, const std::string& value) {
  return SetPropertyOnce(0, name, value);
}

// ---- shell ----

bool CComMs::ShellOnce(uint16_t code, const std::string& text, bool terminator, int timeoutMs) {
  uint8_t ops[kRequestRoom];
  PacketWriter w(ops, 2000);
  w.Text(text.c_str(), terminator);
  if (!w.ok()) return false;
  return SubsystemCommand(kMakerSubsystem, code, ops, w.Length(), timeoutMs);
}

bool CComMs::RunShell(const std::string& command, std::string& text, size_t capacity) {
  text.clear();
  uint32_t result = 0;
  uint8_t final = 0;
  if (!ShellOnce(0x2081, command, true, 3000) || !AnswerU32(4, result) || result == 0xFFFFFFFF ||
      !AnswerU8(8, final))
    return false;
  auto append = [&]() {
    for (int i = 9; i < AnswerLength() && text.size() < capacity; ++i) {
      if (response[i] == 0) break;
      text.push_back(static_cast<char>(response[i]));
    }
  };
  append();
  while (final == 0) {
    if (!ReadFrame(responseLength, response, 3000, 0)) {
      text.clear();
      return false;
    }
    // Only frames of this shell record continue the answer.
    const uint8_t head[4] = {kSubsystemCommand, kMakerSubsystem, 0x81, 0x20};
    if (!AnswerEcho(head, 4) || !AnswerU32(4, result) || !AnswerU8(8, final)) {
      text.clear();
      return false;
    }
    if (result != 0xFFFFFFFF) append();
  }
  return true;
}

bool CComMs::SyncFileSystems() {
  uint32_t result = 0;
  if (ShellOnce(0x2080, "sync", true, 3000) && AnswerU32(4, result) && result != 0xFFFFFFFF) return true;
  PumpWait(3000);
  return false;
}

bool CComMs::IsBatteryAboveShell(int minimum) {
  if (!ShellOnce(0x2081, "cat /sys/class/power_supply/battery/capacity", false, 3000)) return false;
  if (!AnswerHas(9, 1)) return false;
  std::string digits;
  for (int i = 9; i < 12 && AnswerHas(i, 1); ++i) digits.push_back(static_cast<char>(response[i]));
  return ParseLeadingDecimal(digits) >= minimum;
}

bool CComMs::IsBatteryAbove(int minimum) {
  uint8_t ops[20];
  PacketWriter w(ops, sizeof(ops));
  w.U32(1).Zeros(16);
  if (!SubsystemCommand(kMakerSubsystem, 0x00F0, ops, w.Length(), 3000)) return true;
  uint16_t v = 0;
  if (!AnswerU16(6, v) || v != 0) return true;
  return ParseLeadingDecimal(AnswerText(8, 16)) >= minimum;
}

// ---- identity texts ----

bool CComMs::GetModelName(std::string& model) {
  model.clear();
  if (!SubsystemCommand(kMakerSubsystem, 0x2041, nullptr, 0, 300) || !AnswerStatusZero16(4) ||
      !AnswerHas(6, 1))
    return false;
  model = AnswerText(6, 255);
  return true;
}

bool CComMs::GetSoftwareVersion(char* buffer, uint8_t& size) {
  const uint8_t capacity = size;
  if (capacity > 0) buffer[0] = 0;
  if (!SubsystemCommand(kMakerSubsystem, 0x2040, nullptr, 0, 3000) || !AnswerStatusZero16(4) ||
      !AnswerHas(7, 1))
    return false;
  if (capacity == 0) return true;
  const std::string text = AnswerText(7, capacity - 1u);
  std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = 0;
  size = static_cast<uint8_t>(text.size());
  return true;
}

bool CComMs::GetHardwareCode(std::string& code) {
  code.clear();
  if (!SubsystemCommand(kMakerSubsystem2, 0xB000, nullptr, 0, 3000) || !AnswerHas(4, 1)) return false;
  if (response[4] == '-') return true;
  code = AnswerText(4, 4);
  return true;
}

// ---- session ----

bool CComMs::QuerySessionState() {
  uint8_t b = 1;
  return SubsystemCommand(kMakerSubsystem, 0x2012, nullptr, 0, 3000) && AnswerU8(4, b) && b == 0;
}

bool CComMs::SendClosingCommand() {
  uint8_t req[8];
  PacketWriter w(req, 4);
  w.U8(kSubsystemCommand).U8(kMakerSubsystem).U16(0xB005);
  return Send(req, w.Length(), 100);
}

void CComMs::WaitDiagServiceAndClose() {
  const uint64_t start = GetTickCount64();
  int rounds = 0;
  for (;;) {
    ++rounds;
    std::string v;
    if (GetProperty(0, "sys.diagofflineservice", v) && !v.empty() && v[0] == '1') break;
    v.clear();
    if (GetProperty(0, "sys.diagservice", v) && !v.empty() && v[0] == '1') break;
    if (GetTickCount64() - start > 180000) break;
    PumpWait(1000);
  }
  if (rounds > 1) PumpWait(1000);
  SendClosingCommand();
}

// ---- update ----

bool CComMs::QueryUpdateOption(uint8_t& option) {
  return SubsystemCommand(kMakerSubsystem, 0xB02A, nullptr, 0, 60000) && AnswerU8(4, option);
}

bool CComMs::StartDeltaUpdateLegacy(uint8_t method, uint8_t option) {
  const uint8_t ops[2] = {method, option};
  uint8_t b = 1;
  return SubsystemCommand(kMakerSubsystem, 0xB026, ops, 2, 6000) && AnswerU8(4, b) && b == 0;
}

bool CComMs::PrepareSecuredUpdate() {
  uint8_t b = 1;
  return SubsystemCommand(kMakerSubsystem, 0xB027, nullptr, 0, 3000) && AnswerU8(4, b) && b == 0;
}

bool CComMs::QueryUpdateState(uint8_t selector, uint8_t& state) {
  uint8_t sel = 0;
  uint8_t zero = 1;
  uint8_t v = 0;
  if (!SubsystemCommand(kMakerSubsystem, 0x20D9, &selector, 1, 3000) || !AnswerU8(4, sel) ||
      sel != selector || !AnswerU8(5, zero) || zero != 0 || !AnswerU8(6, v))
    return false;
  state = v;
  return true;
}

bool CComMs::SendDeltaChunk(uint8_t part, uint32_t index, int length, const uint8_t* data, bool last) {
  if (length < 0 || length > kDeltaChunkBytes) return false;
  uint8_t ops[2044];
  PacketWriter w(ops, sizeof(ops));
  w.U32(index).U8(part).U8(last ? 1 : 0).U16(static_cast<uint32_t>(length)).Bytes(data, length);
  w.Zeros(2040 - w.Length());
  uint8_t b = 1;
  return w.ok() && SubsystemCommand(kMakerSubsystem, 0x20D7, ops, w.Length(), 30000) && AnswerU8(8, b) &&
         b == 0;
}

bool CComMs::SendDeltaChunkLegacy(uint32_t index, uint8_t part, int length, const uint8_t* data, bool last) {
  if (length < 0 || length > kDeltaChunkBytes) return false;
  uint8_t ops[2044];
  PacketWriter w(ops, sizeof(ops));
  w.U32(index)
      .U8(static_cast<uint8_t>(part - 1))
      .U8(last ? 1 : 0)
      .U16(static_cast<uint32_t>(length))
      .Bytes(data, length);
  w.Zeros(2040 - w.Length());
  uint8_t b = 1;
  return w.ok() && SubsystemCommand(kMakerSubsystem, 0xB020, ops, w.Length(), 30000) && AnswerU8(8, b) &&
         b == 0;
}

bool CComMs::SendSignedBlock(const uint8_t* digest32, uint32_t size, const std::string& file) {
  if (size != 256) return false;
  uint8_t block[256];
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  in.read(reinterpret_cast<char*>(block), sizeof(block));
  if (in.gcount() != 256) return false;
  uint8_t ops[300];
  PacketWriter w(ops, sizeof(ops));
  w.U16(2).Bytes(block, 256).Bytes(digest32, 32);
  uint16_t two = 0;
  return SubsystemCommand(kMakerSubsystem, 0x20D5, ops, w.Length(), 10000) && AnswerU16(4, two) && two == 2 &&
         AnswerStatusZero16(6);
}

// ---- files and data areas ----

bool CComMs::FileRecord(uint16_t operation, const uint8_t* operands, int operandCount, int timeoutMs) {
  uint8_t ops[600];
  PacketWriter w(ops, sizeof(ops));
  w.U16(operation).Bytes(operands, operandCount);
  uint16_t echo = 0xFFFF;
  return w.ok() && SubsystemCommand(kMakerSubsystem, 0x2000, ops, w.Length(), timeoutMs) &&
         AnswerU16(4, echo) && echo == operation && AnswerStatusZero16(6);
}

bool CComMs::FileSystemStats(const std::string& path, uint8_t* block36) {
  uint8_t ops[300];
  PacketWriter w(ops, sizeof(ops));
  w.Text(path.empty() ? "/" : path.c_str(), true);
  if (!w.ok() || !FileRecord(14, ops, w.Length(), 3000) || !AnswerHas(8, 36)) return false;
  std::memcpy(block36, response + 8, 36);
  return true;
}

bool CComMs::DataAreaWrite(uint16_t area, uint32_t offset, const uint8_t* data, uint32_t length) {
  if (length > 1024) return false;
  uint8_t ops[1040];
  PacketWriter w(ops, sizeof(ops));
  w.U16(1)
      .U16(area)
      .U32(offset)
      .U32(length)
      .Bytes(data, static_cast<int>(length))
      .Zeros(1024 - static_cast<int>(length));
  return w.ok() && SubsystemCommand(kMakerSubsystem, 0x20E0, ops, w.Length(), 3000);
}

bool CComMs::WriteDnandFBDLEnable() {
  const std::string marker = Deployment().diagMarker;
  uint8_t data[8] = {};
  std::memcpy(data, marker.data(), marker.size() < 8 ? marker.size() : 8);
  m_bLastTransacted = false;
  const bool ok = DataAreaWrite(0x27, 0, data, 8);
  TraceResult("WriteDnandFBDLEnable", m_bLastTransacted, ok);
  return ok;
}

bool CComMs::SetFactoryDataFlag() {
  const uint8_t one = 1;
  return DataAreaWrite(0x1F, 1, &one, 1);
}

bool CComMs::WriteDummyChkcode() {
  bool ok = false;
  uint8_t ops[300];
  PacketWriter open(ops, sizeof(ops));
  open.U32(0x202).U32(0x1FF).Text("/dev/block/bootdevice/by-name/chkcode", true);
  uint32_t fd = 0;
  if (FileRecord(0, ops, open.Length(), 3000) && AnswerU32(8, fd)) {
    uint8_t data[16];
    const std::string marker = Deployment().diagMarker;
    std::memset(data, 0xFF, sizeof(data));
    std::memset(data, 0, 8);
    std::memcpy(data, marker.data(), marker.size() < 8 ? marker.size() : 8);
    PacketWriter write(ops, sizeof(ops));
    write.U32(fd).U32(16).Bytes(data, 16);
    uint32_t written = 0;
    const bool wrote = FileRecord(3, ops, write.Length(), 3000) && AnswerU32(8, written) && written == 16;
    PacketWriter close(ops, sizeof(ops));
    close.U32(fd);
    const bool closed = FileRecord(1, ops, close.Length(), 3000);
    ok = wrote && closed;
  }
  OutputDebugText(Format("WriteDummyChkcode::%s\n", ok ? "SUCCESS" : "FAILED"));
  return ok;
}

// ---- unlock ----

bool CComMs::GetUnlockChallenge(uint8_t* challenge8) {
  const uint8_t op = 0x00;
  if (!SubsystemCommand(kMakerSubsystem2, 0xA010, &op, 1, 3000) || !AnswerStatusZero16(5) || !AnswerHas(7, 8))
    return false;
  std::memcpy(challenge8, response + 7, 8);
  return true;
}

bool CComMs::SendUnlockResponse(const uint8_t* response8) {
  uint8_t ops[9];
  ops[0] = 0x01;
  std::memcpy(ops + 1, response8, 8);
  return SubsystemCommand(kMakerSubsystem2, 0xA010, ops, 9, 3000) && AnswerStatusZero16(5);
}

bool CComMs::UnlockDiagPort() {
  uint8_t challenge[8];
  if (!GetUnlockChallenge(challenge)) return false;
  uint8_t input[16];
  std::memcpy(input, challenge, 8);
  const std::string key = DiagUnlockKey();
  std::memcpy(input + 8, key.data(), 8);
  const Md5Digest digest = Md5(input, sizeof(input));
  if (!SendUnlockResponse(digest.data() + 8)) return false;
  const bool first = SetSystemProperty("qx.diag.status", "start");
  const bool second = SetSystemProperty("vendor.qx.diag.status", "start");
  if (!first && !second) return false;
  PumpWait(1000);
  return true;
}

// ---- identity readers ----

std::string CComMs::ReadDeviceId() {
  uint64_t value = 0;
  for (int attempt = 0; attempt < 10 && value == 0; ++attempt) {
    uint8_t data[128] = {};
    uint16_t status = 0;
    if (NvReadIndexed(550, 128, data, status, 0)) {
      char digits[16];
      int n = 0;
      digits[n++] = "0123456789ABCDEF"[data[1] >> 4];
      for (int i = 2; i <= 8; ++i) {
        digits[n++] = "0123456789ABCDEF"[data[i] & 0x0F];
        digits[n++] = "0123456789ABCDEF"[data[i] >> 4];
      }
      digits[n] = 0;
      value = std::strtoull(digits, nullptr, 16);
    }
    if (value == 0) {
      UnlockDiagPort();
      PumpWait(500);
    }
  }
  for (int attempt = 0; attempt < 5 && value == 0; ++attempt) {
    uint8_t data[8] = {};
    uint16_t status = 0;
    if (NvRead(5598, 8, data, status)) {
      for (int i = 7; i >= 0; --i) value = (value << 8) | data[i];
    }
    if (value == 0) PumpWait(500);
  }
  return FormatHex14(value);
}

std::string CComMs::ReadMeid() {
  uint64_t value = 0;
  for (int attempt = 0; attempt < 20; ++attempt) {
    uint8_t data[8] = {};
    uint16_t status = 0;
    if (NvRead(5598, 8, data, status)) {
      for (int i = 7; i >= 0; --i) value = (value << 8) | data[i];
    }
    if (value != 0) break;
    UnlockDiagPort();
    PumpWait(1000);
  }
  return FormatHex14(value);
}

std::string CComMs::ReadPhoneNumber() {
  uint8_t data[128] = {};
  uint16_t status = 1;
  if (!NvReadIndexed(178, 128, data, status, 0) || status != 0) return std::string();
  std::string text;
  for (int i = 1; i < 128 && data[i] != 0; ++i) text.push_back(static_cast<char>(data[i]));
  return TrimSpace(text);
}

std::string CComMs::ReadPhoneNumberExtended() {
  std::string text;
  {
    uint8_t ops[1028];
    PacketWriter w(ops, sizeof(ops));
    w.U32(178).Zeros(1024);
    uint8_t req[kRequestRoom];
    if (SubsystemCommand(kMakerSubsystem2, 0x2030, ops, w.Length(), 3000, req) && AnswerEcho(req, 8) &&
        AnswerStatusZero16(1032))
      text = TrimSpace(AnswerText(9, 126));
  }
  if (text.empty()) {
    const uint8_t ops[2] = {0x02, 0x01};
    uint8_t b = 1;
    if (SubsystemCommand(kMakerSubsystem2, 0x0030, ops, 2, 3000) && AnswerU8(4, b) && b == 0)
      text = AnswerText(5, 255);
  }
  if (text.empty()) {
    const uint8_t op = 0x02;
    uint8_t b = 1;
    if (SubsystemCommand(kMakerSubsystem2, 0x0030, &op, 1, 3000) && AnswerU8(4, b) && b == 0)
      text = AnswerText(5, 255);
  }
  return text;
}

// ---- update control ----

#define UPVANE_UPDATE_CONTROL(Fn, Name, Value)       \
  bool CComMs::Fn() {                                \
    m_bLastTransacted = false;                       \
    const bool ok = SetPropertyOnce(0, Name, Value); \
    TraceResult(#Fn, m_bLastTransacted, ok);         \
    return ok;                                       \
  }

UPVANE_UPDATE_CONTROL(FotaZrtLockCmd, "sys.uec.exc_ctl", "LOCK")
UPVANE_UPDATE_CONTROL(FotaPrepareStartCmd, "vendor.uec.req", "1")
UPVANE_UPDATE_CONTROL(FotaUpdateStartCmd, "vendor.uec.req", "2")
UPVANE_UPDATE_CONTROL(DiffUpdateRunCmd, "sys.uec.update", "TRUE")
#undef UPVANE_UPDATE_CONTROL

bool CComMs::IsReadyFotaPrepareCmd(char& phase) {
  m_bLastTransacted = false;
  std::string value;
  const bool ok = GetProperty(0, "vendor.uec.phase", value, 79);
  TraceResult("IsReadyFotaPrepareCmd", m_bLastTransacted, ok, true);
  if (!ok) return false;
  phase = value.empty() ? '\0' : value[0];
  return true;
}

bool CComMs::QueryFotaStatusCmd(char& first, int& number) {
  m_bLastTransacted = false;
  std::string value;
  const bool ok = GetProperty(0, "vendor.uec.status", value, 79);
  TraceResult("QueryFotaStatusCmd", m_bLastTransacted, ok, true);
  if (!ok || value.empty() || value.size() > 2) return false;
  first = value[0];
  number = ParseLeadingDecimal(value);
  return number <= 11;
}

// ---- property-based queries ----

bool CComMs::IsBootComplete() {
  std::string v;
  return GetProperty(0, "dev.bootcomplete", v) && !v.empty() && v[0] == '1';
}

bool CComMs::IsDataEncrypted(int& flag) {
  std::string v;
  if (!GetProperty(0, "ro.crypto.state", v)) return false;
  flag = v.rfind("encrypted", 0) == 0 ? 1 : 0;
  return true;
}

bool CComMs::SetRebootModeDiag1() { return SetProperty("rw_diag_reboot_mode", "1") && SyncFileSystems(); }

bool CComMs::SetRebootModeDiag2() {
  if (!SetProperty("rw_diag_reboot_mode", "2") || !SyncFileSystems()) return false;
  PumpWait(3000);
  return true;
}

}  // namespace upvane
