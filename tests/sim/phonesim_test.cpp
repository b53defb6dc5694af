// The simulated phone itself: strict decoding, stored forms, scenarios and
// the executable.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "diag/com_ms.h"
#include "hdlc.h"
#include "phonesim_process.h"
#include "scenario.h"
#include "sim_phone.h"
#include "support/test_support.h"

namespace upvane {
namespace {

sim::PhoneConfig Smartphone() {
  sim::PhoneConfig c;
  c.model = "E3109";
  c.imei = "354123456789017";
  return c;
}

class PhoneStrictness : public ::testing::Test {
 protected:
  void SetUp() override {
    phone = std::make_unique<sim::SimPhone>(Smartphone());
    ASSERT_TRUE(phone->Start());
    ASSERT_TRUE(ms.Open(phone->PortPath(), 115200));
  }
  bool Send(std::vector<uint8_t> packet) {
    packet.resize(packet.size() + 3);
    return ms.Transact(static_cast<int>(packet.size()), packet.data(), ms.responseLength, ms.response, 1000,
                       0);
  }
  std::unique_ptr<sim::SimPhone> phone;
  CComMs ms;
};

TEST_F(PhoneStrictness, UnknownCommandAndBadLengthAreAnswered) {
  ASSERT_TRUE(Send({0x77, 0x01}));
  EXPECT_EQ(ms.response[0], 0x13);
  EXPECT_EQ(ms.response[1], 0x77);  // the request follows the code
  ASSERT_TRUE(Send({0x1C, 0x00}));
  EXPECT_EQ(ms.response[0], 0x15);
  ASSERT_TRUE(Send({0x26, 0x26, 0x02}));  // an NV request must be 133 bytes
  EXPECT_EQ(ms.response[0], 0x15);
  const sim::PhoneState s = phone->Snapshot();
  EXPECT_EQ(s.unknownCommands, 1);
  EXPECT_EQ(s.badLengths, 2);
}

TEST_F(PhoneStrictness, WrongCheckValueIsNotAnswered) {
  std::vector<uint8_t> frame;
  sim::AppendFrame(frame, {0x1C}, false, true);
  ASSERT_TRUE(ms.WriteAll(frame.data(), static_cast<int>(frame.size())));
  int available = 0, remaining = 0;
  EXPECT_TRUE(ms.WaitForData(300, available, remaining));
  EXPECT_EQ(phone->Snapshot().badFrames, 1);
  // The next good frame is answered normally.
  ASSERT_TRUE(Send({0x1C}));
  EXPECT_EQ(ms.response[0], 0x1C);
}

TEST(PhoneState, ImeiIsStoredInTheNibbleOrderThePhoneUses) {
  sim::SimPhone phone(Smartphone());
  const auto nv = phone.Snapshot().nv.at(550);
  // 354123456789017: length byte, then 3 in the high nibble, then swapped pairs.
  EXPECT_EQ(nv[0], 0x08);
  EXPECT_EQ(nv[1], 0x3A);
  EXPECT_EQ(nv[2], 0x45);
  EXPECT_EQ(nv[3], 0x21);
  EXPECT_EQ(nv[8], 0x71);
}

TEST(Scenario, ParsesPhonesAndRejectsMalformedEntries) {
  sim::Scenario s;
  std::string error;
  ASSERT_TRUE(sim::ParseScenarioText(R"({"phones":[{"family":"feature_phone","model":"E3104",
      "faults":[{"kind":"bad_mode","on":"3A","times":6}],
      "efs":{"directories":["/brew"],"files":{"/brew/x":"1"}}}]})",
                                     s, error))
      << error;
  ASSERT_EQ(s.phones.size(), 1u);
  EXPECT_EQ(s.phones[0].family, sim::Family::kFeaturePhone);
  EXPECT_EQ(s.phones[0].downloadMode, "boot");
  ASSERT_EQ(s.phones[0].faults.size(), 1u);
  EXPECT_EQ(s.phones[0].faults[0].match, (std::vector<uint8_t>{0x3A}));
  EXPECT_EQ(s.phones[0].faults[0].times, 6);

  const char* bad[] = {
      "[]",
      R"({"phones":{}})",
      R"({"phones":[{"family":"tablet"}]})",
      R"({"phones":[{"faults":[{"kind":"melt"}]}]})",
      R"({"phones":[{"faults":[{"kind":"no_answer","on":"4G"}]}]})",
      R"({"phones":[{"imei":"1234567890123456"}]})",
      R"({"phones":[{"battery_percent":"full"}]})",
      "{",
  };
  for (const char* text : bad) EXPECT_FALSE(sim::ParseScenarioText(text, s, error)) << text;
}

TEST(PhonesimExecutable, RunsTheShippedScenarioUntilTerminated) {
  test::TempDir home;
  test::PhonesimProcess sim;
  ASSERT_TRUE(
      sim.Start({PHONESIM_PATH, "--scenario", SCENARIO_DIR "/diag-basic.json", "--home", home.path()}, 2));
  EXPECT_EQ(sim.lines[0].rfind("phone 1 E3109 port /dev/pts/", 0), 0u) << sim.lines[0];
  EXPECT_EQ(sim.lines[1].rfind("phone 2 E3104 port /dev/pts/", 0), 0u) << sim.lines[1];
  // The phone on the first port answers.
  CComMs ms;
  ASSERT_TRUE(ms.Open(sim.Port(0), 115200));
  EXPECT_TRUE(ms.CheckDiagVersion());
  ms.Close();
  EXPECT_EQ(sim.Stop(), 0);
}

TEST(PhonesimExecutable, BadArgumentsAndScenariosFail) {
  test::TempDir dir;
  test::WriteFile(dir.File("bad.json"), R"({"phones":[{"family":"tablet"}]})");
  for (const std::vector<std::string>& args : {std::vector<std::string>{PHONESIM_PATH},
                                               {PHONESIM_PATH, "--scenario", dir.File("bad.json")},
                                               {PHONESIM_PATH, "--scenario", dir.File("missing.json")}}) {
    test::PhonesimProcess sim;
    EXPECT_FALSE(sim.Start(args, 1));
  }
}

}  // namespace
}  // namespace upvane
