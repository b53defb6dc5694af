#include "store/qx_regstry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/string_resources.h"
#include "support/test_support.h"

namespace upvane {
namespace {

using test::ScopedEnv;
using test::TempDir;

D_PHONE_INFO MakeRecord(const std::string& id, const std::string& tag) {
  D_PHONE_INFO info;
  info.ModelID = "BX" + tag;
  info.DeviceID = id;
  info.Firmware = "9.999WQ." + tag;
  info.No = "555" + tag;
  info.SerialComm = "/dev/ttyACM" + tag;
  info.ConnectFlg = "On";
  info.BrewFlg = "Off";
  info.Download = "/tmp/pkg-" + tag + ".bin";
  info.ConnDate = "2026/12/11 14:0" + tag.substr(0, 1) + ":00";
  info.CheckDate = "";
  info.Status = 3;
  info.OemExFlg = 6;
  return info;
}

void ExpectSame(const D_PHONE_INFO& a, const D_PHONE_INFO& b) {
  EXPECT_EQ(a.ModelID, b.ModelID);
  EXPECT_EQ(a.DeviceID, b.DeviceID);
  EXPECT_EQ(a.Firmware, b.Firmware);
  EXPECT_EQ(a.No, b.No);
  EXPECT_EQ(a.SerialComm, b.SerialComm);
  EXPECT_EQ(a.ConnectFlg, b.ConnectFlg);
  EXPECT_EQ(a.BrewFlg, b.BrewFlg);
  EXPECT_EQ(a.Download, b.Download);
  EXPECT_EQ(a.ConnDate, b.ConnDate);
  EXPECT_EQ(a.CheckDate, b.CheckDate);
  EXPECT_EQ(a.Status, b.Status);
  EXPECT_EQ(a.OemExFlg, b.OemExFlg);
}

class QxRegstryTest : public testing::Test {
 protected:
  TempDir m_home;
  ScopedEnv m_env{"UPVANE_HOME", m_home.path()};
  CQxRegstry m_reg;
};

TEST_F(QxRegstryTest, WritePhoneReadPhoneRoundTripAtTheLimits) {
  D_PHONE_INFO info = MakeRecord("35000011112222", "1");
  info.Download = std::string(CQxRegstry::kMaxText, 'd');
  info.CheckDate = "";
  info.No = "quote\" back\\slash \t\xE9";
  info.Status = 0xFFFFFFFFu;
  info.OemExFlg = 0x80000001u;
  ASSERT_TRUE(m_reg.WritePhone(info.DeviceID, info));
  D_PHONE_INFO read = MakeRecord("other", "9");
  ASSERT_TRUE(m_reg.ReadPhone(info.DeviceID, read));
  ExpectSame(read, info);

  // Rewriting replaces every value.
  const D_PHONE_INFO second = MakeRecord("35000011112222", "2");
  ASSERT_TRUE(m_reg.WritePhone(second.DeviceID, second));
  ASSERT_TRUE(m_reg.ReadPhone(second.DeviceID, read));
  ExpectSame(read, second);
}

TEST_F(QxRegstryTest, OverlongTextIsRefusedNeverCut) {
  const std::string id = "35000011112222";
  D_PHONE_INFO info = MakeRecord(id, "1");
  ASSERT_TRUE(m_reg.WritePhone(id, info));

  D_PHONE_INFO changed = MakeRecord(id, "2");
  changed.Download = std::string(CQxRegstry::kMaxText + 1, 'x');
  EXPECT_FALSE(m_reg.WritePhone(id, changed));
  EXPECT_FALSE(m_reg.SetPhoneString(id, "Firmware", std::string(300, 'f')));
  EXPECT_FALSE(m_reg.SetPhoneString(id, "No",
                                    std::string("12\0"
                                                "34",
                                                5)));

  D_PHONE_INFO read;
  ASSERT_TRUE(m_reg.ReadPhone(id, read));
  // The refused text keeps its old value; the other values were written.
  changed.Download = info.Download;
  ExpectSame(read, changed);
}

TEST_F(QxRegstryTest, FindPhoneComparesTheLast14CharactersExactly) {
  const std::string id14 = "35000011112222";
  ASSERT_TRUE(m_reg.SetPhoneDword(id14, "Status", 0));
  ASSERT_TRUE(m_reg.SetPhoneDword("ABCD1234", "Status", 0));
  // A longer identifier is found by its last 14 characters only.
  ASSERT_TRUE(m_reg.SetPhoneDword("XY99998888777766", "Status", 0));

  struct Case {
    const char* id;
    bool found;
  };
  for (const Case& c :
       {Case{"35000011112222", true}, Case{"99998888777766", true}, Case{"XY99998888777766", false},
        Case{"ABCD1234", false}, Case{"OemID_ABCD1234", true}, Case{"abcd1234", false},
        Case{"3500001111222", false}, Case{"", false}}) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(m_reg.FindPhone(c.id), c.found);
  }
  // Reading addresses the key directly: the short record is there, and key
  // paths ignore case although FindPhone does not.
  D_PHONE_INFO read;
  EXPECT_TRUE(m_reg.ReadPhone("ABCD1234", read));
  EXPECT_TRUE(m_reg.ReadPhone("abcd1234", read));
}

TEST_F(QxRegstryTest, LookupsOnAnEmptyStoreCreateNothing) {
  D_PHONE_INFO info = MakeRecord("x", "1");
  EXPECT_FALSE(m_reg.FindPhone("35000011112222"));
  EXPECT_FALSE(m_reg.ReadPhone("35000011112222", info));
  ExpectSame(info, D_PHONE_INFO());  // cleared
  EXPECT_FALSE(m_reg.ReadPhoneAt(0, info));
  EXPECT_FALSE(m_reg.SetPhoneFirmware("35000011112222", "1.000WQ.00"));
  EXPECT_FALSE(m_reg.SetPhoneSerialComm("35000011112222", "/dev/ttyACM3"));
  EXPECT_EQ(m_reg.GetResDword(IDS_DOWNLOAD_TIME), 0u);
  EXPECT_EQ(m_reg.GetResInt64(IDS_DOWNLOAD_SIZE), 0);
  EXPECT_EQ(m_reg.GetString(kMakerKey, "DownLoadSize"), "");
  EXPECT_FALSE(m_reg.OpenKey(RegRoot::CurrentUser, "SOFTWARE"));
  EXPECT_FALSE(m_reg.OpenUserKey(kPhoneRecordsKey, CQxRegstry::kKeyAllAccess));
}

TEST_F(QxRegstryTest, SingleValueWritersCreateOrRefuseRecords) {
  const std::string id = "35000011112222";
  ASSERT_TRUE(m_reg.SetPhoneDword(id, "Status", 5));
  D_PHONE_INFO read;
  ASSERT_TRUE(m_reg.ReadPhone(id, read));
  D_PHONE_INFO expected;
  expected.Status = 5;
  ExpectSame(read, expected);

  // The whole-record rewrites need an existing record and change one value.
  ASSERT_TRUE(m_reg.SetPhoneFirmware(id, "1.234WQ.56"));
  ASSERT_TRUE(m_reg.SetPhoneSerialComm(id, "/dev/ttyUSB1"));
  ASSERT_TRUE(m_reg.ReadPhone(id, read));
  expected.Firmware = "1.234WQ.56";
  expected.SerialComm = "/dev/ttyUSB1";
  ExpectSame(read, expected);

  // An identifier with a backslash would address a key inside a record.
  EXPECT_FALSE(m_reg.SetPhoneString(id + "\\Inner", "No", "1"));
  EXPECT_FALSE(m_reg.WritePhone("..\\" + id, MakeRecord(id, "1")));
  EXPECT_TRUE(m_reg.ReadPhoneAt(0, read));
  EXPECT_FALSE(m_reg.ReadPhoneAt(1, read));
}

TEST_F(QxRegstryTest, ReadPhoneAtWalksInCreationOrderAndFindsMtkBySerial) {
  const std::vector<std::string> ids = {"ZZ000000000001", "AA000000000002", "MM000000000003"};
  for (size_t i = 0; i < ids.size(); ++i) {
    D_PHONE_INFO info = MakeRecord(ids[i], std::to_string(i));
    info.BrewFlg = i == 0 ? "Off" : "MtkPhone";
    // The first has the serial too, but is not a MediaTek record.
    info.SerialComm = i == 1 ? "other" : "serial-A";
    ASSERT_TRUE(m_reg.WritePhone(ids[i], info));
  }
  // Rewriting the first record does not move it.
  ASSERT_TRUE(m_reg.SetPhoneString(ids[0], "ConnectFlg", "Off"));

  std::vector<std::string> walked;
  D_PHONE_INFO info;
  for (uint32_t i = 0; m_reg.ReadPhoneAt(i, info); ++i) walked.push_back(info.DeviceID);
  EXPECT_EQ(walked, ids);

  ASSERT_TRUE(m_reg.FindMtkPhone("serial-A", info));
  EXPECT_EQ(info.DeviceID, ids[2]);
  EXPECT_FALSE(m_reg.FindMtkPhone("SERIAL-A", info));
}

TEST_F(QxRegstryTest, ResourceValuesKeepSixtyFourBitsAndIgnoreCase) {
  for (const int64_t value : {int64_t{5'000'000'000}, int64_t{-2}, INT64_MAX, int64_t{0}}) {
    SCOPED_TRACE(value);
    ASSERT_TRUE(m_reg.SetResInt64(IDS_DOWNLOAD_SIZE, value));
    EXPECT_EQ(m_reg.GetResInt64(IDS_DOWNLOAD_SIZE), value);
  }
  ASSERT_TRUE(m_reg.SetResInt64(IDS_DOWNLOAD_SIZE, 5'000'000'000));
  EXPECT_EQ(m_reg.GetString("software\\BRENNIX\\softwareupvane", "downloadsize"), "5000000000");

  ASSERT_TRUE(m_reg.SetResDword(IDS_DOWNLOAD_TIME, 123456789));
  EXPECT_EQ(m_reg.GetResDword(IDS_DOWNLOAD_TIME), 123456789u);
  EXPECT_EQ(m_reg.GetDword("SOFTWARE\\Brennix\\SoftwareUpvane", "DOWNLOADTIME"), 123456789u);

  // The text is read as the C library reads a number; no number, or one out
  // of range, reads as 0.
  struct Case {
    const char* text;
    int64_t value;
  };
  for (const Case& c : {Case{"", 0}, Case{"abc", 0}, Case{"99999999999999999999", 0}, Case{" 42 MB", 42}}) {
    SCOPED_TRACE(c.text);
    ASSERT_TRUE(m_reg.OpenUserKey(kMakerKey, CQxRegstry::kKeySetValue));
    ASSERT_TRUE(m_reg.SetString("DownLoadSize", c.text));
    m_reg.CloseKey();
    EXPECT_EQ(m_reg.GetResInt64(IDS_DOWNLOAD_SIZE), c.value);
  }
  EXPECT_EQ(m_reg.GetResDword(999), 0u);
  EXPECT_FALSE(m_reg.SetResDword(999, 1));
}

}  // namespace
}  // namespace upvane
