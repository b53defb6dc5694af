#include "ui/time_estimate.h"

#include <gtest/gtest.h>

#include "store/qx_regstry.h"
#include "store/string_resources.h"
#include "support/test_support.h"

namespace upvane {
namespace {

TEST(EstimateMinutes, Table) {
  const struct {
    int64_t size;
    bool repair;
    const char* model;
    uint32_t flags;
    uint32_t lastMs;
    int64_t lastSize;
    const char* low;
    const char* high;
  } cases[] = {
      {1000, false, "E3107", 0, 0, 1000, "0", "?"},  // nothing measured yet
      {1000, false, "E3107", 0, 60000, 0, "0", "?"},
      // 60 s for the same size + 600 s fixed = 660 s: 8.8 .. 13.2 min.
      {1000, false, "E3107", 0, 60000, 1000, "8", "13"},
      // Repair of S3106: 174 s + 0 (tiny download) -> 2.32 .. 3.48 min.
      {1, true, "S3106", 0, 1, 1000000, "2", "3"},
      // Update of S3106: 743 s -> 9.9 .. 14.86.
      {1, false, "S3106", 0, 1, 1000000, "9", "14"},
      // E3105 update: the fixed part is size-dependent (and in ms).
      {100000000, false, "E3105", 1, 1, 100000000, "1", "2"},
      // Low 0 becomes 1; high not above it becomes low + 1.
      {1, false, "E3105", 0, 1, 1000000, "1", "2"},
      // Over a day: both 999.
      {1000, false, "E3107", 0, 200000000, 1000, "999", "999"},
  };
  for (const auto& c : cases) {
    const MinutesRange r = EstimateMinutesFrom(c.size, c.repair, c.model, c.flags, c.lastMs, c.lastSize);
    EXPECT_EQ(r.low, c.low) << c.model << " " << c.size;
    EXPECT_EQ(r.high, c.high) << c.model << " " << c.size;
  }
}

TEST(EstimateMinutes, ReadsTheLastDownloadFromTheStore) {
  test::TempDir home;
  test::ScopedEnv env("UPVANE_HOME", home.path());
  D_PHONE_INFO phone;
  phone.ModelID = "E3107";
  EXPECT_EQ(EstimateMinutes(1000, false, phone).high, "?");  // nothing measured yet
  CQxRegstry reg;
  ASSERT_TRUE(reg.SetResDword(IDS_DOWNLOAD_TIME, 60000));
  ASSERT_TRUE(reg.SetResInt64(IDS_DOWNLOAD_SIZE, 5000000000LL));  // beyond 32 bits
  const MinutesRange r = EstimateMinutes(5000000000LL, false, phone);
  EXPECT_EQ(r.low, "8");
  EXPECT_EQ(r.high, "13");
}

}  // namespace
}  // namespace upvane
