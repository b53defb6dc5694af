#include "services/model_catalogue.h"

#include <cstring>

#include "platform/deployment.h"

namespace upvane {

const ModelRecord ModelCatalogue[MODEL_COUNT] = {
    {"C3101", {"K-38", "", ""}},   {"E3102", {"K-31", "", ""}},   {"C3103", {"K-39", "", ""}},
    {"E3105", {"K-32", "", ""}},   {"S3106", {"LA33", "", ""}},   {"E3107", {"LA34", "", ""}},
    {"E3108", {"LB35", "", ""}},   {"E3109", {"LB36", "", ""}},   {"E3110", {"LC2031", "", ""}},
    {"C3111", {"LC2032", "", ""}}, {"E3112", {"LC2033", "", ""}}, {"E3113", {"LC2034", "", ""}},
};

const int32_t ModelEnabled[MODEL_COUNT] = {1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1};

namespace {

const FeaturePhoneRecord kFeaturePhones[1] = {{"E3104", {"S3114SP", "", ""}, 0x8}};
const int32_t kFeaturePhoneEnabled[1] = {1};

const char* const kUnknownName = "(Unknown Model)";

struct NameRow {
  const char* code;
  const char* name;
};
const NameRow kMarketingNames[] = {
    {"C3101", "Lumea Elite"}, {"E3102", "Garrow"},          {"E3104", "Tarkon"},
    {"E3105", "Velmar PRO"},  {"S3106", "Sonet LTE"},       {"E3107", "Tarkon LTE"},
    {"E3108", "Velmar PRO2"}, {"E3109", "Tarkon Extreme"},  {"E3110", "Velmar Ultra 5G UW"},
    {"C3111", "Ostra 5G"},    {"E3112", "Tarkon Extreme+"}, {"E3113", "Velmar PRO 3"},
};

const char* const kKnownModels[] = {"C3101", "E3102", "E3104", "E3105", "S3106", "E3107",
                                    "E3108", "E3109", "E3110", "C3111", "E3112", "E3113"};

bool StartsWith(const std::string& text, const char* prefix) {
  const size_t n = std::strlen(prefix);
  return n > 0 && text.compare(0, n, prefix) == 0 && text.size() >= n;
}

// The two-pass search of both tables: model codes over every row first,
// then project codes. Returns the candidate row or -1.
template <typename Row, size_t N>
int FindCandidate(const Row (&rows)[N], const std::string& code) {
  for (size_t i = 0; i < N; ++i)
    if (StartsWith(code, rows[i].modelCode)) return static_cast<int>(i);
  for (size_t i = 0; i < N; ++i)
    for (const char* project : rows[i].projectCodes)
      if (StartsWith(code, project)) return static_cast<int>(i);
  return -1;
}

}  // namespace

int FindModelIndex(const std::string& code) {
  const int row = FindCandidate(ModelCatalogue, code);
  if (row < 0 || ModelEnabled[row] == 0) return UNKNOWN_MODEL_INDEX;
  return row;
}

int FindFeaturePhoneIndex(const std::string& code) {
  const int row = FindCandidate(kFeaturePhones, code);
  if (row < 0 || kFeaturePhoneEnabled[row] == 0) return UNKNOWN_FEATURE_PHONE_INDEX;
  return row;
}

bool FeaturePhoneHasFlag(int index, uint32_t mask) {
  return index == 0 && (kFeaturePhones[0].flags & mask) != 0;
}

std::string GetMarketingName(const std::string& modelCode) {
  for (const auto& row : kMarketingNames)
    if (modelCode == row.code) return row.name;
  return kUnknownName;
}

bool IsKnownModel(const std::string& modelCode) {
  for (const char* code : kKnownModels)
    if (modelCode == code) return true;
  return false;
}

bool IsFeaturePhoneModel(const std::string& modelCode) { return modelCode == "E3104"; }

bool IsServiceWaitModel(const std::string& modelCode) { return modelCode == "E3102"; }

int GetMinBatteryPercent(int modelIndex) {
  switch (modelIndex) {
    case 4:
    case 6:
    case 7:
    case 8:
    case 9:
    case 11:
      return 20;
    default:
      return 30;
  }
}

std::string GetRepairImageTag(const std::string& model, uint32_t flags, const std::string& firmware) {
  const bool gb3 = (flags & 1) != 0, nc = (flags & 2) != 0, pp = (flags & 4) != 0;
  if (model == "E3102") return "binfile31";
  if (model == "E3104") return "binfile37";
  if (model == "E3105") return gb3 ? "binfile32_3gb" : "binfile32";
  if (model == "S3106") return pp ? "binfile33PP" : "binfile33";
  if (model == "E3107") return nc ? "binfile34NC" : "binfile34";
  if (model == "E3108") return (!firmware.empty() && firmware[0] > '2') ? "binfile35q" : "binfile35";
  if (model == "E3109") return nc ? "binfile36NC" : "binfile36";
  if (model == "E3110") return "binfile2031";
  if (model == "C3111") return "binfile2032";
  if (model == "E3112") return nc ? "binfile2033NC" : "binfile2033";
  if (model == "E3113") return "binfile2034";
  return {};
}

std::string GetRepairImageUrl(const std::string& model, uint32_t flags, const std::string& firmware) {
  const std::string tag = GetRepairImageTag(model, flags, firmware);
  if (tag.empty()) return {};
  return "http://" + Deployment().repairHost + "/zavezi/rQ4mWz8N/" + tag + ".bin";
}

}  // namespace upvane
