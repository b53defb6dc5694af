#include "store/qx_regstry.h"

#include <charconv>
#include <cstring>

#include "platform/format.h"
#include "store/string_resources.h"

namespace upvane {

namespace {

// The record's key path. An identifier with a backslash would address a key
// below the record instead, so it has no record.
bool RecordPath(const std::string& deviceId, std::string& path) {
  if (deviceId.find('\\') != std::string::npos) return false;
  path = Format("%s%s%s", kPhoneRecordsKey, "\\OemID_", deviceId.c_str());
  return true;
}

// Decimal signed 64-bit text as the C library reads it (leading blanks, a
// sign, digits up to the first other character); 0 when there are no digits
// or the number does not fit.
int64_t ParseInt64(const std::string& text) {
  size_t pos = 0;
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  if (pos < text.size() && text[pos] == '+') ++pos;
  int64_t value = 0;
  const char* begin = text.data() + pos;
  const auto [end, error] = std::from_chars(begin, text.data() + text.size(), value);
  return error == std::errc() ? value : 0;
}

}  // namespace

CQxRegstry::CQxRegstry() { std::memset(m_szBuffer, 0, sizeof m_szBuffer); }

CQxRegstry::~CQxRegstry() { CloseKey(); }

bool CQxRegstry::OpenKey(RegRoot root, const std::string& subKey) {
  CloseKey();
  if (root != RegRoot::CurrentUser) return false;
  return StoreOpenKey(subKey, m_hKey);
}

bool CQxRegstry::OpenUserKey(const std::string& subKey, uint32_t access) {
  CloseKey();
  if (StoreOpenKey(subKey, m_hKey)) return true;
  return access == kKeySetValue && StoreCreateKey(subKey, m_hKey);
}

void CQxRegstry::CloseKey() { m_hKey = StoreKey(); }

std::string CQxRegstry::EnumSubKey(uint32_t index) {
  std::string name;
  if (!StoreEnumSubKey(m_hKey, index, name) || name.size() > 255) return {};
  return name;
}

bool CQxRegstry::QueryToBuffer(const std::string& valueName, size_t& size) {
  uint32_t type = 0;
  std::string data;
  size = 0;
  if (!StoreQueryValue(m_hKey, valueName, type, data)) return false;
  // A text is held with its terminating NUL, as the registry returns it.
  const size_t needed = data.size() + (type == kStoreTypeString ? 1 : 0);
  if (needed > sizeof m_szBuffer) return false;
  std::memset(m_szBuffer, 0, sizeof m_szBuffer);
  std::memcpy(m_szBuffer, data.data(), data.size());
  size = needed;
  return true;
}

std::string CQxRegstry::QueryString(const std::string& valueName) {
  size_t size = 0;
  if (!QueryToBuffer(valueName, size)) return {};
  return std::string(m_szBuffer, strnlen(m_szBuffer, size));
}

uint32_t CQxRegstry::QueryDword(const std::string& valueName) {
  size_t size = 0;
  if (!QueryToBuffer(valueName, size)) return 0;
  const auto* b = reinterpret_cast<const unsigned char*>(m_szBuffer);
  return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
}

bool CQxRegstry::SetString(const std::string& valueName, const std::string& text) {
  if (text.size() > kMaxText || text.find('\0') != std::string::npos) return false;
  std::memcpy(m_szBuffer, text.data(), text.size());
  m_szBuffer[text.size()] = '\0';
  return StoreSetValue(m_hKey, valueName, kStoreTypeString, text);
}

bool CQxRegstry::SetDword(const std::string& valueName, uint32_t value) {
  const char bytes[4] = {static_cast<char>(value & 0xff), static_cast<char>((value >> 8) & 0xff),
                         static_cast<char>((value >> 16) & 0xff), static_cast<char>((value >> 24) & 0xff)};
  return StoreSetValue(m_hKey, valueName, kStoreTypeDword, std::string(bytes, sizeof bytes));
}

void CQxRegstry::ReadValues(D_PHONE_INFO& info) {
  info.ModelID = QueryString("ModelID");
  info.DeviceID = QueryString("DeviceID");
  info.Firmware = QueryString("Firmware");
  info.No = QueryString("No");
  info.SerialComm = QueryString("SerialComm");
  info.ConnectFlg = QueryString("ConnectFlg");
  info.BrewFlg = QueryString("BrewFlg");
  info.Download = QueryString("Download");
  info.ConnDate = QueryString("ConnDate");
  info.CheckDate = QueryString("CheckDate");
  info.Status = QueryDword("Status");
  info.OemExFlg = QueryDword("OemExFlg");
}

bool CQxRegstry::FindPhone(const std::string& deviceId) {
  StoreSnapshot snapshot;
  bool found = false;
  if (OpenKey(RegRoot::CurrentUser, kPhoneRecordsKey)) {
    for (uint32_t index = 0;; ++index) {
      const std::string name = EnumSubKey(index);
      if (name.empty()) break;
      // Identifiers are 14 characters: a longer name is compared by its tail.
      const std::string compared = name.size() > 14 ? name.substr(name.size() - 14) : name;
      if (compared == deviceId) {
        found = true;
        break;
      }
    }
  }
  CloseKey();
  return found;
}

bool CQxRegstry::ReadPhone(const std::string& deviceId, D_PHONE_INFO& info) {
  info = D_PHONE_INFO();
  StoreSnapshot snapshot;
  std::string path;
  if (!RecordPath(deviceId, path) || !OpenUserKey(path, kKeyAllAccess)) return false;
  ReadValues(info);
  CloseKey();
  return true;
}

bool CQxRegstry::ReadPhoneAt(uint32_t index, D_PHONE_INFO& info) {
  StoreSnapshot snapshot;
  if (!OpenKey(RegRoot::CurrentUser, kPhoneRecordsKey)) return false;
  const std::string name = EnumSubKey(index);
  CloseKey();
  if (name.empty()) return false;
  if (!OpenUserKey(Format("%s\\%s", kPhoneRecordsKey, name.c_str()), kKeyAllAccess)) return false;
  ReadValues(info);
  CloseKey();
  return true;
}

bool CQxRegstry::FindMtkPhone(const std::string& serial, D_PHONE_INFO& info) {
  StoreSnapshot snapshot;
  for (uint32_t index = 0; ReadPhoneAt(index, info); ++index) {
    if (info.BrewFlg == "MtkPhone" && info.SerialComm == serial) return true;
  }
  return false;
}

bool CQxRegstry::WritePhone(const std::string& deviceId, const D_PHONE_INFO& info) {
  std::string path;
  if (!RecordPath(deviceId, path) || !OpenUserKey(path, kKeySetValue)) return false;
  // Every value is written even after one is refused, so that one overlong
  // text does not also lose the connection flag, dates and status.
  bool all = true;
  all &= SetString("ModelID", info.ModelID);
  all &= SetString("DeviceID", info.DeviceID);
  all &= SetString("Firmware", info.Firmware);
  all &= SetString("No", info.No);
  all &= SetString("SerialComm", info.SerialComm);
  all &= SetString("ConnectFlg", info.ConnectFlg);
  all &= SetString("BrewFlg", info.BrewFlg);
  all &= SetString("Download", info.Download);
  all &= SetString("ConnDate", info.ConnDate);
  all &= SetString("CheckDate", info.CheckDate);
  all &= SetDword("Status", info.Status);
  all &= SetDword("OemExFlg", info.OemExFlg);
  CloseKey();
  return all;
}

bool CQxRegstry::SetPhoneDword(const std::string& deviceId, const std::string& valueName, uint32_t value) {
  std::string path;
  if (!RecordPath(deviceId, path) || !OpenUserKey(path, kKeySetValue)) return false;
  const bool written = SetDword(valueName, value);
  CloseKey();
  return written;
}

bool CQxRegstry::SetPhoneString(const std::string& deviceId, const std::string& valueName,
                                const std::string& text) {
  std::string path;
  if (!RecordPath(deviceId, path) || !OpenUserKey(path, kKeySetValue)) return false;
  const bool written = SetString(valueName, text);
  CloseKey();
  return written;
}

bool CQxRegstry::SetPhoneSerialComm(const std::string& deviceId, const std::string& text) {
  D_PHONE_INFO info;
  if (!ReadPhone(deviceId, info)) return false;
  info.SerialComm = text;
  return WritePhone(deviceId, info);
}

bool CQxRegstry::SetPhoneFirmware(const std::string& deviceId, const std::string& text) {
  D_PHONE_INFO info;
  if (!ReadPhone(deviceId, info)) return false;
  info.Firmware = text;
  return WritePhone(deviceId, info);
}

bool CQxRegstry::LoadResValue(uint32_t resourceId, std::string& keyPath, std::string& valueName) {
  std::string text = LoadResString(resourceId);
  if (text.size() > 259) text.resize(259);
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  keyPath = text.substr(0, colon);
  valueName = text.substr(colon + 1);
  return true;
}

uint32_t CQxRegstry::GetResDword(uint32_t resourceId) {
  std::string keyPath, valueName;
  if (!LoadResValue(resourceId, keyPath, valueName) || !OpenUserKey(keyPath, kKeyQueryValue)) return 0;
  const uint32_t value = QueryDword(valueName);
  CloseKey();
  return value;
}

int64_t CQxRegstry::GetResInt64(uint32_t resourceId) {
  std::string keyPath, valueName;
  if (!LoadResValue(resourceId, keyPath, valueName) || !OpenUserKey(keyPath, kKeyQueryValue)) return 0;
  const std::string text = QueryString(valueName);
  CloseKey();
  return ParseInt64(text);
}

bool CQxRegstry::SetResDword(uint32_t resourceId, uint32_t value) {
  std::string keyPath, valueName;
  if (!LoadResValue(resourceId, keyPath, valueName) || !OpenUserKey(keyPath, kKeySetValue)) return false;
  const bool written = SetDword(valueName, value);
  CloseKey();
  return written;
}

bool CQxRegstry::SetResInt64(uint32_t resourceId, int64_t value) {
  std::string keyPath, valueName;
  if (!LoadResValue(resourceId, keyPath, valueName) || !OpenUserKey(keyPath, kKeySetValue)) return false;
  const bool written = SetString(valueName, Format("%lld", static_cast<long long>(value)));
  CloseKey();
  return written;
}

uint32_t CQxRegstry::GetDword(const std::string& keyPath, const std::string& valueName) {
  if (!OpenKey(RegRoot::CurrentUser, keyPath)) return 0;
  const uint32_t value = QueryDword(valueName);
  CloseKey();
  return value;
}

std::string CQxRegstry::GetString(const std::string& keyPath, const std::string& valueName) {
  if (!OpenUserKey(keyPath, kKeyQueryValue)) return {};
  const std::string text = QueryString(valueName);
  CloseKey();
  return text;
}

}  // namespace upvane
