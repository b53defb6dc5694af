// Eight threads write whole records and single values of a shared phone and
// of their own phones while another thread walks the records.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/format.h"
#include "store/qx_regstry.h"
#include "support/test_support.h"

namespace upvane {
namespace {

constexpr int kThreads = 8;
constexpr int kRecordWriters = 4;  // threads 0..3 write whole records, 4..7 single values
constexpr int kRounds = 25;
const std::string kShared = "SHARED00000000";

std::string OwnId(int t) { return Format("OWN%011d", t); }

D_PHONE_INFO Record(int t, int round) {
  D_PHONE_INFO info;
  const std::string tag = Format("t%d-r%d", t, round);
  info.ModelID = "M" + tag;
  info.DeviceID = "D" + tag;
  info.Firmware = "F" + tag;
  info.No = "N" + tag;
  info.SerialComm = "S" + tag;
  info.ConnectFlg = "C" + tag;
  info.BrewFlg = "B" + tag;
  info.Download = "L" + tag;
  info.ConnDate = "CD" + tag;
  info.CheckDate = "KD" + tag;
  info.Status = static_cast<uint32_t>(t * 1000 + round);
  info.OemExFlg = static_cast<uint32_t>(t * 1000 + round + 500);
  return info;
}

std::string SingleNo(int t, int round) { return Format("single-t%d-r%d", t, round); }

TEST(QxRegstryConcurrency, ParallelWritersNeverFailAndLastWritesWin) {
  test::TempDir home;
  test::ScopedEnv env("UPVANE_HOME", home.path());

  std::atomic<int> failures{0};
  std::atomic<int> writersLeft{kThreads};
  std::atomic<int> walkProblems{0};
  std::atomic<int> walks{0};

  std::thread walker([&] {
    CQxRegstry registry;
    uint32_t seen = 0;
    while (writersLeft.load() > 0) {
      uint32_t count = 0;
      D_PHONE_INFO info;
      while (registry.ReadPhoneAt(count, info)) ++count;
      // Records are never removed: a walk sees at least what the last one saw.
      if (count < seen) walkProblems.fetch_add(1);
      seen = count;
      walks.fetch_add(1);
    }
  });

  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([&, t] {
      CQxRegstry registry;
      for (int round = 0; round < kRounds; ++round) {
        bool ok = true;
        if (t < kRecordWriters) {
          ok &= registry.WritePhone(OwnId(t), Record(t, round));
          ok &= registry.WritePhone(kShared, Record(t, round));
        } else {
          ok &= registry.SetPhoneString(OwnId(t), "Firmware", Record(t, round).Firmware);
          ok &= registry.SetPhoneDword(OwnId(t), "Status", static_cast<uint32_t>(round));
          ok &= registry.SetPhoneString(kShared, "No", SingleNo(t, round));
          ok &= registry.SetPhoneDword(kShared, "OemExFlg", static_cast<uint32_t>(t * 1000 + round));
        }
        if (!ok) failures.fetch_add(1);
      }
      writersLeft.fetch_sub(1);
    });
  }
  for (std::thread& writer : writers) writer.join();
  walker.join();

  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(walkProblems.load(), 0);
  EXPECT_GT(walks.load(), 0);

  CQxRegstry registry;
  const int last = kRounds - 1;
  for (int t = 0; t < kThreads; ++t) {
    SCOPED_TRACE(t);
    D_PHONE_INFO read;
    ASSERT_TRUE(registry.ReadPhone(OwnId(t), read));
    if (t < kRecordWriters) {
      const D_PHONE_INFO expected = Record(t, last);
      EXPECT_EQ(read.ModelID, expected.ModelID);
      EXPECT_EQ(read.CheckDate, expected.CheckDate);
      EXPECT_EQ(read.Status, expected.Status);
      EXPECT_EQ(read.OemExFlg, expected.OemExFlg);
    } else {
      EXPECT_EQ(read.Firmware, Record(t, last).Firmware);
      EXPECT_EQ(read.Status, static_cast<uint32_t>(last));
      EXPECT_EQ(read.ModelID, "");
    }
  }

  // Each value of the shared record holds the last write of one of its
  // writers: never an older write, never a mix.
  std::set<std::string> modelIds, checkDates, numbers;
  std::set<uint32_t> statuses, variants;
  for (int t = 0; t < kThreads; ++t) {
    if (t < kRecordWriters) {
      const D_PHONE_INFO expected = Record(t, last);
      modelIds.insert(expected.ModelID);
      checkDates.insert(expected.CheckDate);
      numbers.insert(expected.No);
      statuses.insert(expected.Status);
      variants.insert(expected.OemExFlg);
    } else {
      numbers.insert(SingleNo(t, last));
      variants.insert(static_cast<uint32_t>(t * 1000 + last));
    }
  }
  D_PHONE_INFO shared;
  ASSERT_TRUE(registry.ReadPhone(kShared, shared));
  EXPECT_TRUE(modelIds.count(shared.ModelID)) << shared.ModelID;
  EXPECT_TRUE(checkDates.count(shared.CheckDate)) << shared.CheckDate;
  EXPECT_TRUE(numbers.count(shared.No)) << shared.No;
  EXPECT_TRUE(statuses.count(shared.Status)) << shared.Status;
  EXPECT_TRUE(variants.count(shared.OemExFlg)) << shared.OemExFlg;

  uint32_t records = 0;
  D_PHONE_INFO info;
  while (registry.ReadPhoneAt(records, info)) ++records;
  EXPECT_EQ(records, static_cast<uint32_t>(kThreads + 1));
}

}  // namespace
}  // namespace upvane
