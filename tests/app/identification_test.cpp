#include "app/identification.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "app/adb_watch.h"
#include "app_test_support.h"
#include "phone_config.h"
#include "platform/clock.h"
#include "sim_phone.h"
#include "store/qx_regstry.h"
#include "support/test_support.h"

namespace upvane {
namespace {

using test::ReadFile;
using test::WriteFile;

TEST(Identification, AdbListingSerials) {
  const std::string listing =
      "List of devices attached\r\n"
      "0123456789ABCDE\tdevice\r\n"
      "SHORT1234567\tdevice\r\n"
      "0123456789ABCDEF\tdevice\r\n"
      "\r\n"
      "AFTERTHEBLANK01\tdevice\r\n";
  EXPECT_EQ(ParseAdbSerials(listing), (std::vector<std::string>{"0123456789ABCDE", "0123456789ABCDE"}));
  EXPECT_TRUE(ParseAdbSerials("List of devices attached\r\n\r\n").empty());
  EXPECT_TRUE(ParseAdbSerials("").empty());
}

TEST(Identification, SubscriberDigitsFromAServiceCallDump) {
  const std::string dump =
      "Result: Parcel(\r\n"
      "  0x00000000: 00000000 0000000f 00350033 00340035 '........3.5.4.5.'\r\n"
      "  0x00000010: 00320031 00340033 00360035 00380037 '1.2.3.4.5.6.7.8.'\r\n"
      "  0x00000020: 00300039 00000031                   '9.0.1...        ')\r\n";
  EXPECT_EQ(ParseSubscriberDigits(dump), "354512345678901");
  EXPECT_EQ(ParseSubscriberDigits("no quotes 123"), "");
  EXPECT_EQ(ParseSubscriberDigits("'12345678901234567890123'"), "1234567890123456789");  // 19 at most
  // A control character ends a segment; the next search starts two further on.
  EXPECT_EQ(ParseSubscriberDigits("'1\x01"
                                  "x'3'"),
            "13");
}

TEST(Identification, ParcelNumberAfterTheMarkerWord) {
  // Marker, length 10, then the digits 5551234567 as UTF-16, low half first.
  const std::string dump =
      "Result: Parcel(\r\n"
      "  0x00000000: 00000000 00000001 ff00796b 0000000a '........ky......'\r\n"
      "  0x00000010: 00350035 00310035 00330032 00350034 '5.5.5.1.2.3.4.5.'\r\n"
      "  0x00000020: 00370036 00000000 00000000 00000000 '6.7.............')\r\n";
  EXPECT_EQ(ParseParcelNumber(dump), "5551234567");
  EXPECT_EQ(
      ParseParcelNumber("Result: Parcel(\r\n  0x00000000: 00000000 00000001 00000002 00000003 '....')\r\n"),
      "0000000000");
  // The marker as the last word: no length word.
  EXPECT_EQ(ParseParcelNumber("  0x00000000: 00000000 00000001 00000002 ff00796b '....'\r\n"), "0000000000");
  EXPECT_EQ(ParseParcelNumber(""), "0000000000");
  // Length 0 gives no digits.
  EXPECT_EQ(ParseParcelNumber("  0x00000000: ff00796b 00000000 00350035 00350035 '....'\r\n"), "0000000000");
}

TEST(Identification, ModelSuffixes) {
  const struct {
    const char* in;
    const char* model;
    uint32_t bits;
  } cases[] = {
      {"E3105_3GB", "E3105", 0}, {"E3107NC", "E3107", 2}, {"S3106PP", "S3106", 4},
      {"E3109", "E3109", 0},     {"NC", "NC", 0},         {"E3112NCPP", "E3112", 2},
  };
  for (const auto& c : cases) {
    uint32_t bits = 0;
    EXPECT_EQ(SplitModelSuffixes(c.in, bits), c.model) << c.in;
    EXPECT_EQ(bits, c.bits) << c.in;
  }
}

// A fake adb that answers like a MediaTek phone; every call is logged.
class MtkTest : public ::testing::Test {
 protected:
  void SetUp() override { Phone("E3110", "3.010WQ.01"); }
  void Phone(const std::string& model, const std::string& version,
             const std::string& serial = "MTK0123456789AB") {
    WriteFile(
        tools.File("adb"),
        "#!/bin/sh\necho \"$*\" >> '" + tools.File("calls") +
            "'\n"
            "case \"$*\" in\n"
            "  devices) printf 'List of devices attached\\n" +
            serial +
            "\\tdevice\\n\\n' ;;\n"
            "  *iphonesubinfo*) printf \"Result: Parcel(\\n  0x00000000: 00000000 0000000f 00350033 00340035 "
            "'........3.5.4.5.'\\n  0x00000010: 00320031 00340033 00360035 00380037 '1.2.3.4.5.6.7.8.'\\n  "
            "0x00000020: 00300039 00000031 '9.0.1...')\\n\" ;;\n"
            "  *ro.product.model*) echo '" +
            model +
            "' ;;\n"
            "  *incremental*) echo '" +
            version +
            "' ;;\n"
            "  *isub*) printf \"Result: Parcel(\\n  0x00000000: ff00796b 0000000a 00350035 00310035 "
            "'....'\\n  0x00000010: 00330032 00350034 00370036 00000000 '....')\\n\" ;;\n"
            "esac\nexit 0\n",
        true);
  }
  std::string Calls() { return ReadFile(tools.File("calls")); }
  test::AppEnvironment env;
  test::TempDir tools;
  test::ScopedEnv toolDir{"UPVANE_TOOL_DIR", tools.path()};
};

TEST_F(MtkTest, IdentifiesAndRecordsAMediaTekPhone) {
  ClearIdentifiedPhone();
  ASSERT_EQ(IdentifyMtkPhone("MTK0123456789AB"), 1);
  CQxRegstry reg;
  D_PHONE_INFO r;
  ASSERT_TRUE(reg.ReadPhone("35451234567890", r));
  EXPECT_EQ(r.ModelID, "E3110");
  EXPECT_EQ(r.Firmware, "3.010WQ.01");
  EXPECT_EQ(r.No, "5551234567");
  EXPECT_EQ(r.SerialComm, "MTK0123456789AB");
  EXPECT_EQ(r.ConnectFlg, "On");
  EXPECT_EQ(r.BrewFlg, "MtkPhone");
  EXPECT_EQ(r.OemExFlg, 0u);
  EXPECT_EQ(r.ConnDate.size(), 19u);
  EXPECT_TRUE(GetIdentifiedPhone().set);
  EXPECT_NE(Calls().find("-s MTK0123456789AB shell service call iphonesubinfo 4"), std::string::npos);

  // Known and "On": not asked again.
  WriteFile(tools.File("calls"), "");
  EXPECT_EQ(IdentifyMtkPhone("MTK0123456789AB"), 1);
  EXPECT_EQ(Calls(), "");
}

TEST_F(MtkTest, ReidentifyingKeepsCheckDateAndStatus) {
  ASSERT_EQ(IdentifyMtkPhone("MTK0123456789AB"), 1);
  CQxRegstry reg;
  reg.SetPhoneString("35451234567890", "CheckDate", "2026/01/02 03:04:05");
  reg.SetPhoneDword("35451234567890", "Status", 3);
  reg.SetPhoneString("35451234567890", "ConnectFlg", "Off");
  Phone("E3110NC", "3.020WQ.01");
  ASSERT_EQ(IdentifyMtkPhone("MTK0123456789AB"), 1);
  D_PHONE_INFO r;
  ASSERT_TRUE(reg.ReadPhone("35451234567890", r));
  EXPECT_EQ(r.CheckDate, "2026/01/02 03:04:05");
  EXPECT_EQ(r.Status, 3u);
  EXPECT_EQ(r.Firmware, "3.020WQ.01");
  EXPECT_EQ(r.ModelID, "E3110");
  EXPECT_EQ(r.OemExFlg, 2u);
}

TEST_F(MtkTest, UnsupportedModelOrMissingVersionWritesNothing) {
  for (auto [model, version] : {std::pair{"C3103", "1.0"}, std::pair{"E3110", ""}}) {
    Phone(model, version);
    EXPECT_EQ(IdentifyMtkPhone("MTK0123456789AB"), 0) << model;
    CQxRegstry reg;
    D_PHONE_INFO r;
    EXPECT_FALSE(reg.ReadPhoneAt(0, r)) << model;
  }
}

TEST_F(MtkTest, WatchListingIdentifiesAndUnpluggingMarksOff) {
  const std::atomic<int> stop{0};
  AdbWatch::ScanOnce(stop);
  CQxRegstry reg;
  D_PHONE_INFO r;
  ASSERT_TRUE(reg.ReadPhone("35451234567890", r));
  EXPECT_EQ(r.ConnectFlg, "On");
  // The phone is gone from the listing: the next scan marks it "Off".
  Phone("E3110", "3.010WQ.01", "OTHER0123456789");
  WriteFile(tools.File("adb.devices"), "");
  SyncMtkConnectFlags({});
  ASSERT_TRUE(reg.ReadPhone("35451234567890", r));
  EXPECT_EQ(r.ConnectFlg, "Off");
  SyncMtkConnectFlags({"MTK0123456789AB"});
  ASSERT_TRUE(reg.ReadPhone("35451234567890", r));
  EXPECT_EQ(r.ConnectFlg, "On");
}

TEST_F(MtkTest, WatchThreadListsOnlyOnTheFirstTwoPagesAndStops) {
  std::atomic<int> page{5}, stop{0};
  {
    AdbWatch watch(page, stop);
    watch.Start();
    SleepMs(1500);
    EXPECT_EQ(Calls(), "");  // an update page: no adb traffic
    page = 0;
    for (int i = 0; i < 300 && Calls().empty(); ++i) SleepMs(10);
    stop = 1;
  }
  EXPECT_EQ(Calls().rfind("devices\n", 0), 0u);
}

sim::PhoneConfig Config(const nlohmann::json& j) {
  sim::PhoneConfig c;
  std::string error;
  EXPECT_TRUE(sim::ParsePhoneConfig(j, c, error)) << error;
  return c;
}

TEST(PortIdentification, SmartphoneOnASimulatedPort) {
  test::AppEnvironment env;
  test::ScopedEnv fast("UPVANE_TIME_SCALE", "20");  // read once per process; harmless if already set
  sim::SimPhone phone(Config({{"family", "smartphone"},
                              {"model", "E3107NC"},
                              {"imei", "354123456789017"},
                              {"meid", "A1000012345678"},
                              {"phone_number", "09012345678"},
                              {"software_version", "2.100WQNC.10"},
                              {"hardware_code", "H01A"},
                              {"battery_percent", 76},
                              {"data_free_mb", 3072},
                              {"android_release", "11"},
                              {"properties", nlohmann::json::object()},
                              {"faults", nlohmann::json::array()}}));
  ASSERT_TRUE(phone.Start());
  ClearIdentifiedPhone();
  IdentifyPortPhone(phone.PortPath());
  CQxRegstry reg;
  D_PHONE_INFO r;
  ASSERT_TRUE(reg.ReadPhoneAt(0, r));
  EXPECT_EQ(r.ModelID, "E3107");
  EXPECT_EQ(r.OemExFlg, 2u);
  EXPECT_EQ(r.Firmware, "2.100WQ.10");
  EXPECT_EQ(r.DeviceID, "354123456789017");
  EXPECT_EQ(r.SerialComm, phone.PortPath());
  EXPECT_EQ(r.BrewFlg, "Off");
  EXPECT_EQ(r.ConnectFlg, "On");
  EXPECT_TRUE(GetIdentifiedPhone().set);
  EXPECT_TRUE(IsKnownConnected("E3107", "354123456789017"));
  EXPECT_FALSE(IsKnownConnected("E3109", "354123456789017"));
  phone.Stop();
}

TEST(PortIdentification, FeaturePhoneDoesNotSetTheMarker) {
  test::AppEnvironment env;
  sim::SimPhone phone(Config({{"family", "feature_phone"},
                              {"model", "E3104"},
                              {"imei", ""},
                              {"meid", "A0000098765432"},
                              {"phone_number", "08098765432"},
                              {"software_version", "1.040"},
                              {"hardware_code", "F2B0"},
                              {"battery_percent", 64},
                              {"identity_number", 3},
                              {"faults", nlohmann::json::array()}}));
  ASSERT_TRUE(phone.Start());
  ClearIdentifiedPhone();
  IdentifyPortPhone(phone.PortPath());
  CQxRegstry reg;
  D_PHONE_INFO r;
  ASSERT_TRUE(reg.ReadPhoneAt(0, r));
  EXPECT_EQ(r.ModelID, "E3104");
  EXPECT_EQ(r.BrewFlg, "On");
  EXPECT_EQ(r.Firmware, "1.040");
  EXPECT_EQ(r.No, "08098765432");
  EXPECT_FALSE(GetIdentifiedPhone().set);
  phone.Stop();
}

TEST(PortIdentification, NothingAnsweringWritesNothing) {
  test::AppEnvironment env;
  IdentifyPortPhone("/dev/upvane-no-such-port");
  CQxRegstry reg;
  D_PHONE_INFO r;
  EXPECT_FALSE(reg.ReadPhoneAt(0, r));
}

}  // namespace
}  // namespace upvane
