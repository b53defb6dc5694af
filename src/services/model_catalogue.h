#pragma once
// The compiled-in model tables and their lookups. Pure functions.
#include <cstdint>
#include <string>

namespace upvane {

constexpr int MODEL_COUNT = 12;
constexpr int UNKNOWN_MODEL_INDEX = 12;
constexpr int UNKNOWN_FEATURE_PHONE_INDEX = 1;
constexpr uint32_t FEATURE_PHONE_FLAG_LOADER = 8;  // loader-upload step of feature-phone repair

struct ModelRecord {
  char modelCode[17];
  char projectCodes[3][17];
};

struct FeaturePhoneRecord {
  char modelCode[17];
  char projectCodes[3][17];
  uint32_t flags;
};

extern const ModelRecord ModelCatalogue[MODEL_COUNT];
extern const int32_t ModelEnabled[MODEL_COUNT];

// Model index 0..11 of a model or project code (prefix match, model codes
// first), or UNKNOWN_MODEL_INDEX for an unknown or disabled model.
int FindModelIndex(const std::string& code);
// 0 for the feature-phone row, 1 for unknown or disabled.
int FindFeaturePhoneIndex(const std::string& code);
bool FeaturePhoneHasFlag(int index, uint32_t mask);

// Exact matches.
std::string GetMarketingName(const std::string& modelCode);
bool IsKnownModel(const std::string& modelCode);
bool IsFeaturePhoneModel(const std::string& modelCode);
bool IsServiceWaitModel(const std::string& modelCode);

int GetMinBatteryPercent(int modelIndex);

// The repair-image file tag of a phone ("" when the model has none), and
// its download URL on the repair-image server of the deployment.
std::string GetRepairImageTag(const std::string& modelCode, uint32_t oemExFlg, const std::string& firmware);
std::string GetRepairImageUrl(const std::string& modelCode, uint32_t oemExFlg, const std::string& firmware);

}  // namespace upvane
