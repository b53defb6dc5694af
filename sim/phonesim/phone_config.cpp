#include "phone_config.h"

#include <cctype>
#include <nlohmann/json.hpp>

namespace upvane::sim {

const char* const kFaultKinds[] = {"no_answer",    "late_answer",  "log_before", "bad_check",
                                   "error_report", "bad_mode",     "hang_up",    "drop_followup",
                                   "short_answer", "refuse_write", "refuse",     nullptr};

bool IsFaultKind(const std::string& kind) {
  for (int i = 0; kFaultKinds[i]; ++i)
    if (kind == kFaultKinds[i]) return true;
  return false;
}

bool ParseHexBytes(const std::string& text, std::vector<uint8_t>& bytes) {
  bytes.clear();
  int nibbles = 0;
  uint8_t cur = 0;
  for (char c : text) {
    if (c == ' ' || c == ':' || c == ',') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    const int v = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::tolower(c) - 'a' + 10);
    cur = static_cast<uint8_t>((cur << 4) | v);
    if (++nibbles % 2 == 0) {
      bytes.push_back(cur);
      cur = 0;
    }
  }
  return nibbles % 2 == 0;
}

bool ParseFault(const nlohmann::json& e, FaultRule& f, std::string& error) {
  if (!e.is_object() || !e.contains("kind") || !e["kind"].is_string()) {
    error = "a fault needs a kind";
    return false;
  }
  f.kind = e["kind"].get<std::string>();
  if (!IsFaultKind(f.kind)) {
    error = "unknown fault kind " + f.kind;
    return false;
  }
  if (e.contains("on") && (!e["on"].is_string() || !ParseHexBytes(e["on"].get<std::string>(), f.match))) {
    error = "fault 'on' must be hex bytes";
    return false;
  }
  f.times = e.value("times", 1);
  f.delayMs = e.value("delay_ms", 0);
  f.code = e.value("code", 0u);
  return true;
}

bool ParsePhoneConfig(const nlohmann::json& e, PhoneConfig& c, std::string& error) {
  try {
    if (!e.is_object()) {
      error = "a phone entry must be an object";
      return false;
    }
    const std::string family = e.value("family", "smartphone");
    if (family == "smartphone") {
      c.family = Family::kSmartphone;
    } else if (family == "feature_phone") {
      c.family = Family::kFeaturePhone;
    } else {
      error = "unknown family " + family;
      return false;
    }
    c.model = e.value("model", "");
    c.imei = e.value("imei", "");
    c.meid = e.value("meid", "");
    c.phoneNumber = e.value("phone_number", "");
    c.softwareVersion = e.value("software_version", "");
    c.hardwareCode = e.value("hardware_code", "-");
    c.batteryPercent = e.value("battery_percent", 80);
    c.dataFreeMb = e.value("data_free_mb", uint64_t{4096});
    c.encrypted = e.value("encrypted", false);
    c.androidRelease = e.value("android_release", "9");
    c.unlockKey = e.value("unlock_key", "");
    c.downloadMode = e.value("download_mode", c.family == Family::kFeaturePhone ? "boot" : "raw");
    c.startMode = e.value("start_mode", "diag");
    c.rawMaxPacket = e.value("raw_max_packet", 0x100000u);
    c.shellFrameBytes = e.value("shell_frame_bytes", 256);
    c.identityNumber = e.value("identity_number", 0u);
    if (c.imei.size() > 15 || c.meid.size() > 14 || c.shellFrameBytes < 1 || c.shellFrameBytes > 4000) {
      error = "imei, meid or shell_frame_bytes out of range";
      return false;
    }
    if (e.contains("properties")) {
      for (const auto& [k, v] : e["properties"].items()) c.properties[k] = v.get<std::string>();
    }
    if (e.contains("efs")) {
      const auto& efs = e["efs"];
      if (efs.contains("directories"))
        for (const auto& d : efs["directories"]) c.efsDirectories.push_back(d.get<std::string>());
      if (efs.contains("files"))
        for (const auto& [k, v] : efs["files"].items()) c.efsFiles[k] = v.get<std::string>();
    }
    if (e.contains("faults")) {
      for (const auto& fe : e["faults"]) {
        FaultRule f;
        if (!ParseFault(fe, f, error)) return false;
        c.faults.push_back(f);
      }
    }
    return true;
  } catch (const nlohmann::json::exception& ex) {
    error = ex.what();
    return false;
  }
}

}  // namespace upvane::sim
