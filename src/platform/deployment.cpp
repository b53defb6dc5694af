#include "platform/deployment.h"

#include "platform/deployment_values.h"
#include "platform/environment.h"

namespace upvane {

namespace {

std::string Override(const char* name, const char* builtIn) {
  std::string v = GetEnv(name);
  return v.empty() ? std::string(builtIn) : v;
}

DeploymentConfig Load() {
  namespace dv = deployment_values;
  DeploymentConfig c;
  c.updateUrl = Override("UPVANE_UPDATE_URL", dv::kUpdateUrl);
  c.repairHost = Override("UPVANE_REPAIR_HOST", dv::kRepairHost);
  c.versionHost = Override("UPVANE_VERSION_HOST", dv::kVersionHost);
  c.caFile = Override("UPVANE_CA_FILE", dv::kCaFile);
  c.defaultKeyHex = dv::kDefaultKey;
  c.fixedIvHex = dv::kFixedIv;
  for (int i = 0; i < 12; ++i) c.requestKeys[i] = dv::kRequestKeys[i];
  c.unlockKeyLo = static_cast<uint32_t>(dv::kUnlockKeyLo);
  c.unlockKeyHi = static_cast<uint32_t>(dv::kUnlockKeyHi);
  c.diagMarker = dv::kDiagMarker;
  c.modeSwitchWord = dv::kModeSwitchWord;
  c.supportPage = dv::kSupportPage;
  return c;
}

}  // namespace

const DeploymentConfig& Deployment() {
  static const DeploymentConfig config = Load();
  return config;
}

std::string DiagUnlockKey() {
  const DeploymentConfig& c = Deployment();
  std::string key(8, '\0');
  for (int i = 0; i < 4; ++i) {
    key[static_cast<size_t>(i)] = static_cast<char>((c.unlockKeyLo >> (8 * i)) & 0xFF);
    key[static_cast<size_t>(4 + i)] = static_cast<char>((c.unlockKeyHi >> (8 * i)) & 0xFF);
  }
  return key;
}

}  // namespace upvane
