#include <gtest/gtest.h>

#include "app_test_support.h"
#include "store/qx_regstry.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace upvane {
namespace {

using test::ErrorAnswerer;
using test::StandInPage;

struct FlowCase {
  int page;
  int code;
  int kind;
  int retry;
  int cancelled;
  int errorAnswer;  // what the user answers in an error dialog
  int nextPage;     // -1: the program ends
  std::vector<int> errors;
  int retryAfter;
};

class FlowTest : public ::testing::Test {
 protected:
  void Open(CUpvaneDlg& dlg) {
    dlg.SetStopWait(0);
    dlg.SetPageFactory([](int page, CUpvaneDlg* d) { return new StandInPage(page, d); });
    dlg.OnInitDialog();
  }
  StandInPage* Page(CUpvaneDlg& dlg) { return static_cast<StandInPage*>(dlg.Page()); }
  test::AppEnvironment env;
};

TEST_F(FlowTest, AdvanceTable) {
  const FlowCase cases[] = {
      // Success moves along the update path.
      {3, 1, 0, 0, 0, 2, 4, {}, 0},
      {4, 1, 0, 0, 0, 2, 5, {}, 0},
      {5, 1, 0, 0, 0, 2, 6, {}, 0},
      {6, 1, 0, 0, 0, 2, -1, {}, 0},
      {7, 1, 0, 0, 0, 2, 9, {}, 0},
      {8, 1, 0, 0, 0, 2, 9, {}, 0},
      {9, 1, 0, 0, 0, 2, 10, {}, 0},
      {10, 1, 0, 0, 0, 2, 12, {}, 0},  // page 11 is shown as 12
      {12, 1, 0, 0, 0, 2, -1, {}, 0},
      // A failed update: fatal kinds end with their error, others offer the repair.
      {5, 0, 9, 0, 0, 2, -1, {9}, 0},
      {5, 0, 5, 0, 0, 2, -1, {5}, 0},
      {5, 0, 4, 0, 0, 2, 8, {}, 0},
      {5, 0, 0, 0, 0, 2, 8, {}, 0},
      // Repairing with a fatal kind.
      {10, 0, 11, 0, 0, 2, -1, {11}, 0},
      // Repair failures: one retry is offered, a second failure ends.
      {9, 0, 4, 0, 0, 1, 9, {6}, 1},
      {9, 0, 4, 0, 0, 2, -1, {6}, 0},
      {10, 0, 4, 0, 0, 1, 9, {6}, 1},
      {9, 0, 4, 1, 0, 2, -1, {7}, 1},
      {10, 0, 3, 1, 0, 2, -1, {7}, 1},
      {9, 0, 8, 0, 0, 2, -1, {8}, 1},  // lack of space: shown once, still counted
      {9, 0, 4, 0, 1, 2, -1, {}, 0},   // cancelled: quiet end
      // Other pages: kinds 0 and 1 end quietly, others show their error.
      {2, 0, 3, 0, 0, 2, -1, {3}, 0},
      {2, 0, 1, 0, 0, 2, -1, {}, 0},
      {4, 0, 0, 0, 0, 2, -1, {}, 0},
      {7, 0, 0, 0, 0, 2, -1, {}, 0},
      {3, 0, 12, 0, 0, 2, -1, {12}, 0},
  };
  for (const FlowCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "page " << c.page << " code " << c.code << " kind " << c.kind);
    RunState().Reset();
    RunState().m_nCancelled = c.cancelled;
    CUpvaneDlg dlg;
    Open(dlg);
    ErrorAnswerer answers(c.errorAnswer);
    dlg.m_nPage = c.page;
    dlg.ShowPage();
    dlg.m_nRepairRetry = c.retry;
    Page(dlg)->m_nErrorKind = c.kind;
    dlg.Advance(c.code);
    if (c.nextPage < 0) {
      EXPECT_TRUE(dlg.Ended());
    } else {
      EXPECT_FALSE(dlg.Ended());
      EXPECT_EQ(dlg.m_nPage.load(), c.nextPage);
      ASSERT_NE(Page(dlg), nullptr);
      EXPECT_EQ(Page(dlg)->m_nPage, c.nextPage);
    }
    EXPECT_EQ(answers.kinds, c.errors);
    EXPECT_EQ(dlg.m_nRepairRetry, c.retryAfter);
  }
}

D_PHONE_INFO Phone(const std::string& id, const std::string& model, const std::string& brew,
                   const std::string& port, const std::string& connect = "On") {
  D_PHONE_INFO p;
  p.ModelID = model;
  p.DeviceID = id;
  p.Firmware = "1.001WQ.01";
  p.No = "5551234567";
  p.SerialComm = port;
  p.ConnectFlg = connect;
  p.BrewFlg = brew;
  return p;
}

TEST_F(FlowTest, WelcomeWithOnePhoneGoesToCheckingWithSeveralToWhich) {
  CUpvaneDlg dlg;
  Open(dlg);
  dlg.SetPortProbe([](const std::string&) { return true; });
  dlg.m_PhoneList = {Phone("A0000000000001", "E3107", "Off", "/dev/x")};
  dlg.Advance(1);
  EXPECT_EQ(dlg.m_nPage.load(), 2);
  EXPECT_EQ(RunState().GetModelName(), "Tarkon LTE");
  EXPECT_EQ(RunState().GetSelectedPhone().DeviceID, "A0000000000001");
  EXPECT_TRUE(dlg.m_PhoneList.empty());

  CUpvaneDlg two;
  Open(two);
  two.m_PhoneList = {Phone("A0000000000001", "E3107", "Off", "/dev/x"),
                     Phone("B0000000000002", "S3106", "MtkPhone", "SER")};
  two.Advance(1);
  EXPECT_EQ(two.m_nPage.load(), 1);
  Page(two)->chosen = 1;
  two.Advance(1);
  EXPECT_EQ(two.m_nPage.load(), 2);
  EXPECT_EQ(RunState().GetSelectedPhone().DeviceID, "B0000000000002");
  EXPECT_EQ(RunState().GetModelName(), "Sonet LTE");
}

TEST_F(FlowTest, CheckingResultPicksReadyOrRepairOfferAndStampsTheDate) {
  CQxRegstry reg;
  const D_PHONE_INFO phone = Phone("A0000000000001", "E3107", "Off", "/dev/x");
  reg.WritePhone(phone.DeviceID, phone);
  for (bool found : {true, false}) {
    CUpvaneDlg dlg;
    Open(dlg);
    dlg.m_PhoneList = {phone};
    dlg.SelectPhone(0);
    dlg.m_nPage = 2;
    dlg.ShowPage();
    Page(dlg)->found = found;
    Page(dlg)->size = 123456789;
    dlg.Advance(1);
    EXPECT_EQ(dlg.m_nPage.load(), found ? 3 : 7);
    EXPECT_EQ(RunState().m_nDownloadSize.load(), 123456789);
    D_PHONE_INFO stored;
    ASSERT_TRUE(reg.ReadPhone(phone.DeviceID, stored));
    EXPECT_EQ(stored.CheckDate.empty(), found);  // only "no update" stamps it here
    reg.WritePhone(phone.DeviceID, phone);
  }
}

TEST_F(FlowTest, BuildPhoneListTakesMediaTekAsItIsAndOthersWhenTheirPortOpens) {
  CQxRegstry reg;
  const std::vector<D_PHONE_INFO> phones = {
      Phone("A0000000000001", "E3107", "Off", "/dev/opens"),
      Phone("B0000000000002", "E3110", "MtkPhone", "SERIAL1"),
      Phone("C0000000000003", "E3104", "On", "/dev/busy"),
      Phone("D0000000000004", "E3108", "Off", "/dev/opens", "Off"),
  };
  for (const auto& p : phones) reg.WritePhone(p.DeviceID, p);
  CUpvaneDlg dlg;
  Open(dlg);  // marks every record "Off"
  D_PHONE_INFO check;
  ASSERT_TRUE(reg.ReadPhone("A0000000000001", check));
  EXPECT_EQ(check.ConnectFlg, "Off");
  for (const auto& p : phones) reg.WritePhone(p.DeviceID, p);  // identified again

  std::vector<std::string> probed;
  dlg.SetPortProbe([&](const std::string& port) {
    probed.push_back(port);
    return port == "/dev/opens";
  });
  EXPECT_EQ(dlg.BuildPhoneList(), 1);
  ASSERT_EQ(dlg.m_PhoneList.size(), 2u);
  EXPECT_EQ(dlg.m_PhoneList[0].DeviceID, "A0000000000001");
  EXPECT_EQ(dlg.m_PhoneList[1].DeviceID, "B0000000000002");
  EXPECT_EQ(probed, (std::vector<std::string>{"/dev/opens", "/dev/busy"}));

  // Nothing opens: three passes, then an empty list.
  probed.clear();
  dlg.SetPortProbe([&](const std::string& port) {
    probed.push_back(port);
    return false;
  });
  reg.SetPhoneString("B0000000000002", "ConnectFlg", "Off");
  EXPECT_EQ(dlg.BuildPhoneList(), 0);
  EXPECT_EQ(probed.size(), 6u);
}

TEST_F(FlowTest, RealPortProbeOpensAPty) {
  // The default probe opens the port at 115200 baud, as identification will.
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const std::string slave = ptsname(master);
  CQxRegstry reg;
  reg.WritePhone("A0000000000001", Phone("A0000000000001", "E3107", "Off", slave));
  reg.WritePhone("B0000000000002", Phone("B0000000000002", "E3107", "Off", "/dev/upvane-no-such-port"));
  CUpvaneDlg dlg;
  dlg.SetStopWait(0);
  EXPECT_EQ(dlg.BuildPhoneList(), 1);
  ASSERT_EQ(dlg.m_PhoneList.size(), 1u);
  EXPECT_EQ(dlg.m_PhoneList[0].SerialComm, slave);
  close(master);
}

TEST_F(FlowTest, StartPageFromRunPage) {
  CQxRegstry reg;
  auto runPage = [&](uint32_t v) {
    ASSERT_TRUE(reg.OpenUserKey("Software\\Brennix\\SoftwareUpvane\\VQ", CQxRegstry::kKeySetValue));
    reg.SetDword("RunPage", v);
    reg.CloseKey();
  };
  auto start = [&](int launched) {
    RunState().m_bLaunched = launched;
    CUpvaneDlg dlg;
    dlg.SetStopWait(0);
    dlg.SetPortProbe([](const std::string&) { return true; });
    dlg.ChooseStartPage();
    return dlg.m_nPage.load();
  };
  runPage(1);
  EXPECT_EQ(start(1), 0);  // no phone connected
  EXPECT_EQ(start(0), 0);  // not started by the launcher: RunPage is not read
  reg.WritePhone("A0000000000001", Phone("A0000000000001", "E3107", "Off", "/dev/x"));
  EXPECT_EQ(start(1), 2);
  EXPECT_EQ(RunState().GetSelectedPhone().DeviceID, "A0000000000001");
  reg.WritePhone("B0000000000002", Phone("B0000000000002", "E3107", "Off", "/dev/y"));
  EXPECT_EQ(start(1), 1);
  runPage(2);
  EXPECT_EQ(start(1), 3);
  runPage(7);
  EXPECT_EQ(start(1), 0);
}

}  // namespace
}  // namespace upvane
