#pragma once
// The values a deployment is built with (server hosts, keys, maker
// constants), with the run-time overrides of the environment applied.
#include <cstdint>
#include <string>

namespace upvane {

struct DeploymentConfig {
  std::string updateUrl;        // UPVANE_UPDATE_URL: "https://host[:port]/sysupdaterserver/"
  std::string repairHost;       // UPVANE_REPAIR_HOST: host[:port] of the repair-image server
  std::string versionHost;      // UPVANE_VERSION_HOST: host[:port] of the version and log server
  std::string caFile;           // UPVANE_CA_FILE: extra trusted CA (PEM), may be empty
  std::string defaultKeyHex;    // 32 lowercase hex digits
  std::string fixedIvHex;       // 32 lowercase hex digits
  std::string requestKeys[12];  // request keys 1..12, 32 hex digits each
  uint32_t unlockKeyLo = 0;     // diagnostic unlock key, first constant
  uint32_t unlockKeyHi = 0;     // second constant
  std::string diagMarker;       // 8 characters
  std::string modeSwitchWord;   // 15 printable characters
  std::string supportPage;      // URL opened by the Welcome page's link
};

// Read once; later changes of the environment are not seen.
const DeploymentConfig& Deployment();

// The 8-character unlock key: the bytes of the two constants, first constant
// first, each least significant byte first.
std::string DiagUnlockKey();

}  // namespace upvane
