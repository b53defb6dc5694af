#pragma once
// A scenario file: one JSON object describing a whole simulated world.
// Now it holds "phones"; servers and packages go beside it as further keys.
//
// A phone entry (every key optional):
//   "family": "smartphone" | "feature_phone", "model", "imei" (15 digits),
//   "meid" (14 hex digits), "phone_number", "software_version",
//   "hardware_code" (4 characters, "-" for none), "battery_percent",
//   "data_free_mb", "encrypted", "android_release",
//   "properties": {name: value} (names starting "rw_" are persistent),
//   "unlock_key" (8 characters; default: the deployment's key),
//   "download_mode": "boot" | "raw" (what the download-mode switch enters),
//   "start_mode": "diag" | "boot" | "streaming" | "raw",
//   "raw_max_packet", "shell_frame_bytes", "identity_number",
//   "efs": {"directories": [...], "files": {path: content}},
//   "faults": [{"kind": ..., "on": "4B FC A0 20", "times": n, "delay_ms": ms,
//               "code": n}] (kinds in phone_config.h).
#include <string>
#include <vector>

#include "phone_config.h"

namespace upvane::sim {

struct Scenario {
  std::vector<PhoneConfig> phones;
};

bool LoadScenario(const std::string& path, Scenario& scenario, std::string& error);
bool ParseScenarioText(const std::string& text, Scenario& scenario, std::string& error);

}  // namespace upvane::sim
