// Feature-phone vendor commands: identity block, identity number and the
// operations on the phone's file system.
#include <cstring>

#include "diag/com_ms.h"
#include "diag/diag_frame.h"

namespace upvane {

namespace {

constexpr uint8_t kVendor = 0xFA;
constexpr int kPathField = 258;

std::string FieldText(const uint8_t* p, size_t maxLen) {
  std::string t;
  for (size_t i = 0; i < maxLen && p[i] != 0; ++i) t.push_back(static_cast<char>(p[i]));
  return t;
}

}  // namespace

bool CComMs::VendorCommand(const uint8_t* operands, int count, int timeoutMs) {
  uint8_t req[300];
  PacketWriter w(req, sizeof(req) - 3);
  w.U8(kVendor).U8(0x00).Bytes(operands, count);
  return w.ok() && Send(req, w.Length(), timeoutMs) && AnswerEcho(req, 3);
}

bool CComMs::ReadPhoneIdentity(BrewIdentityFields& f) {
  const uint8_t sub = 0x00;
  if (!VendorCommand(&sub, 1, 3000) || responseLength != 127) return false;
  f.T1 = FieldText(response + 98, 16);
  f.T2 = FieldText(response + 3, 11);
  f.T3 = FieldText(response + 14, 8);
  f.T5 = FieldText(response + 91, 4);
  f.T6 = FieldText(response + 81, 10);
  f.hasT9 = response[114] != '-';
  f.T9 = f.hasT9 ? FieldText(response + 114, 4) : std::string();
  f.N2 = static_cast<uint32_t>(response[118] | (response[119] << 8));
  return true;
}

bool CComMs::ReadIdentityNumber(uint32_t& number) {
  const uint8_t ops[2] = {0x01, 0x04};
  if (!VendorCommand(ops, 2, 3000) || !AnswerHas(4, 1)) return false;
  uint32_t v = 0;
  for (int i = 4; i < 14 && AnswerHas(i, 1); ++i) {
    const uint8_t c = response[i];
    if (c < '0' || c > '9') break;
    v = v * 10 + (c - '0');
  }
  number = v;
  return true;
}

bool CComMs::VendorPathCommand(uint8_t sub, const std::string& path, uint8_t* answer264) {
  if (path.size() > 255) return false;
  uint8_t ops[1 + kPathField];
  std::memset(ops, 0, sizeof(ops));
  ops[0] = sub;
  std::memcpy(ops + 1, path.data(), path.size());
  if (!VendorCommand(ops, sizeof(ops), 10000) || !AnswerStatusZero16(259)) return false;
  std::memcpy(answer264, response, kPathAnswerBytes);
  return true;
}

bool CComMs::MakeDirectory(const std::string& path, uint8_t* answer264) {
  return VendorPathCommand(0x1A, path, answer264);
}

bool CComMs::RemoveDirectory(const std::string& path, uint8_t* answer264) {
  return VendorPathCommand(0x1B, path, answer264);
}

bool CComMs::DeleteFile(const std::string& path, uint8_t* answer264) {
  return VendorPathCommand(0x20, path, answer264);
}

bool CComMs::ListSubdirectory(uint8_t* request266, uint8_t* answer268) {
  request266[0] = kVendor;
  request266[1] = 0x00;
  request266[2] = 0x1C;
  if (!Send(request266, kListRequestBytes - 3, 10000) || !AnswerEcho(request266, 3) ||
      !AnswerStatusZero16(263))
    return false;
  std::memcpy(answer268, response, kListSubdirectoryAnswerBytes);
  return true;
}

bool CComMs::ListFile(uint8_t* request266, uint8_t* answer278) {
  request266[0] = kVendor;
  request266[1] = 0x00;
  request266[2] = 0x1D;
  uint16_t status = 1;
  uint32_t value = 0;
  if (!Send(request266, kListRequestBytes - 3, 10000) || !AnswerEcho(request266, 3) ||
      !AnswerU16(273, status))
    return false;
  if (status != 0 && !(status == 0x1C && AnswerU32(3, value) && value == 0x80000000u)) return false;
  std::memcpy(answer278, response, kListFileAnswerBytes);
  return true;
}

bool CComMs::WriteFileChunk(uint8_t* request2067, uint8_t* answer8) {
  request2067[0] = kVendor;
  request2067[1] = 0x00;
  request2067[2] = 0x1F;
  uint16_t status = 1;
  if (!Send(request2067, kChunkRequestBytes - 3, 10000) || !AnswerEcho(request2067, 3) ||
      !AnswerU16(3, status))
    return false;
  std::memcpy(answer8, response, 8);
  if (status == 0x16) writeRefusedFlag = 1;
  return status == 0;
}

bool CComMs::ReadVendorValue21(uint32_t& value) {
  value = 0;
  uint8_t ops[7] = {0x21, 0, 0, 0, 0, 0, 0};
  uint32_t v = 0;
  if (!VendorCommand(ops, sizeof(ops), 10000) || !AnswerStatusZero16(7) || !AnswerU32(3, v)) return false;
  value = v;
  return true;
}

bool CComMs::SetVendorMode23(uint8_t mode, int& flag) {
  const uint8_t ops[2] = {0x23, mode};
  uint8_t b = 0;
  if (!VendorCommand(ops, 2, 10000) || !AnswerU8(3, b)) return false;
  flag = (b & 0xF0) != 0 ? 1 : 0;
  return true;
}

bool CComMs::VendorCommand2D() {
  const uint8_t sub = 0x2D;
  return VendorCommand(&sub, 1, 5000) && response[0] != 0x13;
}

bool CComMs::VendorSessionStart() {
  std::memset(response, 0, 16);
  responseLength = 0;
  uint8_t req[8] = {kVendor, 0x00, 0x37};
  uint8_t b = 0;
  return Send(req, 3, 3000) && AnswerU8(0, b) && b == kVendor && AnswerStatusZero16(3);
}

bool CComMs::ReadVendorByte65(uint8_t& value) {
  const uint8_t sub = 0x65;
  return VendorCommand(&sub, 1, 3000) && AnswerU8(3, value);
}

bool CComMs::ReadVendorByteFB(uint8_t& value) {
  uint8_t req[8] = {0xFB, 0x43, 0x01};
  return Send(req, 3, 3000) && AnswerEcho(req, 3) && AnswerU8(3, value);
}

bool CComMs::FileExists(const std::string& path) {
  uint8_t req[300];
  PacketWriter w(req, sizeof(req) - 3);
  w.U8(0x4B).U8(0x13).U16(0x000F).Text(path.c_str(), true);
  uint32_t err = 1;
  return w.ok() && Send(req, w.Length(), 3000) && AnswerEcho(req, 4) && AnswerU32(4, err) && err == 0;
}

}  // namespace upvane
