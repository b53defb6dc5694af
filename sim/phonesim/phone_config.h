#pragma once
// What a simulated phone is: the facts it reports and the faults it shows.
// Read from one entry of a scenario file.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace upvane::sim {

enum class Family { kSmartphone, kFeaturePhone };

// A fault the phone shows on requests that begin with `match` (empty: every
// request), `times` times (-1: always).
struct FaultRule {
  std::string kind;            // see kFaultKinds
  std::vector<uint8_t> match;  // request prefix
  int times = 1;
  int delayMs = 0;    // late_answer
  uint32_t code = 0;  // error_report code, short_answer length
};

// no_answer, late_answer, log_before, bad_check, error_report, bad_mode,
// hang_up, drop_followup, short_answer, refuse_write (EFS write answered
// 0x16), refuse (boot downloader: 03 and `code` as reason)
extern const char* const kFaultKinds[];
bool IsFaultKind(const std::string& kind);

struct PhoneConfig {
  Family family = Family::kSmartphone;
  std::string model;  // as the phone reports it
  std::string imei;   // 15 digits, or empty
  std::string meid;   // 14 hex digits, or empty
  std::string phoneNumber;
  std::string softwareVersion;
  std::string hardwareCode;  // 4 characters, "-" for none
  int batteryPercent = 80;
  uint64_t dataFreeMb = 4096;
  bool encrypted = false;
  std::string androidRelease = "9";
  std::map<std::string, std::string> properties;  // extra system and rw_ properties
  std::string unlockKey;                          // empty: the deployment's key
  std::string downloadMode;                       // "boot" or "raw" (after EnterDownloadMode)
  std::string startMode = "diag";                 // diag, boot, streaming, raw
  uint32_t rawMaxPacket = 0x100000;
  int shellFrameBytes = 256;  // output bytes per shell answer frame
  // feature phone
  uint32_t identityNumber = 0;
  std::vector<std::string> efsDirectories;
  std::map<std::string, std::string> efsFiles;
  std::vector<FaultRule> faults;
};

// Parses one phone entry; false with a message on a malformed entry.
bool ParsePhoneConfig(const nlohmann::json& entry, PhoneConfig& config, std::string& error);
bool ParseFault(const nlohmann::json& entry, FaultRule& fault, std::string& error);
// "4B FC A0 20" or "4BFCA020" -> bytes.
bool ParseHexBytes(const std::string& text, std::vector<uint8_t>& bytes);

}  // namespace upvane::sim
