// Result entries: the upload name, the identifier encoding and versions.
#include "server/result_entries.h"

#include <gtest/gtest.h>

namespace upvane {
namespace {

TEST(ResultEntryText, UploadNames) {
  EXPECT_EQ(EncodeUploadIdentifier("ABC"), "\x52\x54\x56");
  // Bytes wrap modulo 256.
  EXPECT_EQ(EncodeUploadIdentifier("\xF0\xF0"), std::string("\x01\x02", 2));
  const std::string id = EncodeUploadIdentifier("ABC");
  EXPECT_EQ(MakeUploadName("ABC", "0901234567", 1, 0, "20200102030405"),
            id + "_20200102030405_0901234567_RXA");
  EXPECT_EQ(MakeUploadName("ABC", "0901234567", 1, 13, "20200102030405"),
            id + "_20200102030405_0901234567_RXA13");
  EXPECT_EQ(MakeUploadName("ABC", "1", 0, 0, "20200102030405"), id + "_20200102030405_1_UXA");
  EXPECT_EQ(MakeUploadName("ABC", "1", 0, 11, "t"), id + "_t_1_UXA11");
}

TEST(ResultEntryText, VersionNormalisation) {
  EXPECT_EQ(NormaliseReportVersion("1.23.a"), "1.23");
  EXPECT_EQ(NormaliseReportVersion("1.23.A"), "1.23.A");
  EXPECT_EQ(NormaliseReportVersion("1.23a"), "1.23a");
  EXPECT_EQ(NormaliseReportVersion(".z"), "");
}

}  // namespace
}  // namespace upvane
