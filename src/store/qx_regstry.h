#pragma once
// CQxRegstry: the only code that touches the stored phone records and the
// few other stored values. A small stack object: every operation opens the
// key it needs and closes it before returning. Failures are false, "" or 0.
#include <cstdint>
#include <string>

#include "platform/registry_store.h"
#include "store/phone_info.h"

namespace upvane {

// One subkey per phone, "OemID_" followed by the device identifier.
inline constexpr char kPhoneRecordsKey[] = "SOFTWARE\\Calvera Wireless\\SoftwareUpvane";
// The maker's key: download statistics; VQ and LNPC below it.
inline constexpr char kMakerKey[] = "Software\\Brennix\\SoftwareUpvane";

// The only root the store holds: the current user's.
enum class RegRoot { CurrentUser };

class CQxRegstry {
 public:
  // Access masks, with the registry's numbers. The store keeps no access
  // rights; the masks decide only whether an open may create the key.
  static constexpr uint32_t kKeyQueryValue = 0x0001;
  static constexpr uint32_t kKeySetValue = 0x0002;
  static constexpr uint32_t kKeyRead = 0x20019;
  static constexpr uint32_t kKeyAllAccess = 0xF003F;
  // Longest text value: the value buffer holds 255 characters and a NUL.
  static constexpr size_t kMaxText = 255;

  CQxRegstry();
  virtual ~CQxRegstry();
  CQxRegstry(const CQxRegstry&) = delete;
  CQxRegstry& operator=(const CQxRegstry&) = delete;

  // Primitives on the key this object holds open.
  bool OpenKey(RegRoot root, const std::string& subKey);
  // Creates the key when it is missing and `access` is exactly kKeySetValue.
  bool OpenUserKey(const std::string& subKey, uint32_t access);
  void CloseKey();
  std::string EnumSubKey(uint32_t index);
  std::string QueryString(const std::string& valueName);
  // False for a text over 255 characters or with a NUL: refused, not cut.
  bool SetString(const std::string& valueName, const std::string& text);
  bool SetDword(const std::string& valueName, uint32_t value);

  // Phone records.
  bool FindPhone(const std::string& deviceId);
  bool ReadPhone(const std::string& deviceId, D_PHONE_INFO& info);
  bool ReadPhoneAt(uint32_t index, D_PHONE_INFO& info);
  bool FindMtkPhone(const std::string& serial, D_PHONE_INFO& info);
  // Writes all twelve values; false when the key could not be opened or any
  // value was refused (the others are still written).
  bool WritePhone(const std::string& deviceId, const D_PHONE_INFO& info);
  bool SetPhoneDword(const std::string& deviceId, const std::string& valueName, uint32_t value);
  bool SetPhoneString(const std::string& deviceId, const std::string& valueName, const std::string& text);
  bool SetPhoneSerialComm(const std::string& deviceId, const std::string& text);
  bool SetPhoneFirmware(const std::string& deviceId, const std::string& text);

  // General values; the Res forms name key and value by a string resource.
  uint32_t GetResDword(uint32_t resourceId);
  int64_t GetResInt64(uint32_t resourceId);
  bool SetResDword(uint32_t resourceId, uint32_t value);
  bool SetResInt64(uint32_t resourceId, int64_t value);
  uint32_t GetDword(const std::string& keyPath, const std::string& valueName);
  std::string GetString(const std::string& keyPath, const std::string& valueName);

 private:
  // Reads a value into the buffer; false when missing or too large for it.
  bool QueryToBuffer(const std::string& valueName, size_t& size);
  uint32_t QueryDword(const std::string& valueName);
  void ReadValues(D_PHONE_INFO& info);
  // Splits a resource text into key path and value name.
  static bool LoadResValue(uint32_t resourceId, std::string& keyPath, std::string& valueName);

  StoreKey m_hKey;
  char m_szBuffer[256];
};

}  // namespace upvane
