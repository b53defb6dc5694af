#include "services/model_catalogue.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace upvane {
namespace {

TEST(ModelCatalogue, FindModelIndex) {
  const struct {
    const char* code;
    int index;
  } cases[] = {
      {"C3101", 0},    {"E3102", 1},  {"C3103", 12}, {"K-39", 12},   {"E3105", 3},  {"S3106PP", 4},
      {"E3107NC", 5},  {"LA34", 5},   {"LB35", 6},   {"E3109", 7},   {"LC2031", 8}, {"C3111", 9},
      {"LC2033X", 10}, {"E3113", 11}, {"", 12},      {"XE3107", 12}, {"E310", 12},  {"K-32", 3},
      {"e3107", 12},   {"E3104", 12},  // the feature phone is not a smartphone row
  };
  for (const auto& c : cases) EXPECT_EQ(FindModelIndex(c.code), c.index) << c.code;
}

TEST(ModelCatalogue, ModelCodesAreSearchedBeforeProjectCodes) {
  // "LC2031" is a project code; a text that starts with a model code must
  // resolve by that code even if it also starts with nothing else.
  EXPECT_EQ(FindModelIndex("E3110LA34"), 8);
  EXPECT_EQ(FindModelIndex("LA34E3110"), 5);
}

TEST(ModelCatalogue, FeaturePhoneTable) {
  EXPECT_EQ(FindFeaturePhoneIndex("E3104"), 0);
  EXPECT_EQ(FindFeaturePhoneIndex("S3114SPX"), 0);
  EXPECT_EQ(FindFeaturePhoneIndex("E3102"), 1);
  EXPECT_EQ(FindFeaturePhoneIndex(""), 1);
  EXPECT_TRUE(FeaturePhoneHasFlag(0, 8));
  EXPECT_FALSE(FeaturePhoneHasFlag(0, 4));
  EXPECT_FALSE(FeaturePhoneHasFlag(1, 8));
}

TEST(ModelCatalogue, NamesAndMembershipAreExactMatches) {
  EXPECT_EQ(GetMarketingName("E3107"), "Tarkon LTE");
  EXPECT_EQ(GetMarketingName("E3104"), "Tarkon");
  EXPECT_EQ(GetMarketingName("E3110"), "Velmar Ultra 5G UW");
  EXPECT_EQ(GetMarketingName("E3107NC"), "(Unknown Model)");
  EXPECT_EQ(GetMarketingName("C3103"), "(Unknown Model)");
  EXPECT_TRUE(IsKnownModel("E3104"));
  EXPECT_FALSE(IsKnownModel("C3103"));
  EXPECT_FALSE(IsKnownModel("E3107NC"));
  EXPECT_TRUE(IsFeaturePhoneModel("E3104"));
  EXPECT_FALSE(IsFeaturePhoneModel("E3104X"));
  EXPECT_TRUE(IsServiceWaitModel("E3102"));
  EXPECT_FALSE(IsServiceWaitModel("E3102NC"));
}

TEST(ModelCatalogue, MinimumBattery) {
  const int twenty[] = {4, 6, 7, 8, 9, 11};
  for (int i : twenty) EXPECT_EQ(GetMinBatteryPercent(i), 20) << i;
  for (int i : {0, 1, 2, 3, 5, 10, 12, -1, 99}) EXPECT_EQ(GetMinBatteryPercent(i), 30) << i;
}

TEST(ModelCatalogue, RepairImageTags) {
  const struct {
    const char* model;
    uint32_t flags;
    const char* firmware;
    const char* tag;
  } cases[] = {
      {"E3102", 7, "", "binfile31"},
      {"E3104", 0, "", "binfile37"},
      {"E3105", 1, "", "binfile32_3gb"},
      {"E3105", 6, "", "binfile32"},
      {"S3106", 4, "", "binfile33PP"},
      {"S3106", 2, "", "binfile33"},
      {"E3107", 2, "", "binfile34NC"},
      {"E3107", 4, "", "binfile34"},
      {"E3108", 0, "3.001", "binfile35q"},
      {"E3108", 0, "2.999", "binfile35"},
      {"E3108", 0, "", "binfile35"},
      {"E3109", 2, "", "binfile36NC"},
      {"E3110", 2, "", "binfile2031"},
      {"C3111", 0, "", "binfile2032"},
      {"E3112", 2, "", "binfile2033NC"},
      {"E3112", 0, "", "binfile2033"},
      {"E3113", 0, "", "binfile2034"},
      {"C3101", 0, "", ""},
      {"C3103", 0, "", ""},
      {"E3107NC", 2, "", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(GetRepairImageTag(c.model, c.flags, c.firmware), c.tag) << c.model;
}

TEST(ModelCatalogue, RepairImageUrlUsesTheDeploymentsHost) {
  const std::string url = GetRepairImageUrl("E3109", 2, "");
  EXPECT_EQ(url.rfind("http://", 0), 0u);
  EXPECT_NE(url.find("/zavezi/rQ4mWz8N/binfile36NC.bin"), std::string::npos);
  EXPECT_EQ(GetRepairImageUrl("C3101", 0, ""), "");
}

}  // namespace
}  // namespace upvane
