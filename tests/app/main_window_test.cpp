#include <gtest/gtest.h>

#include <QKeyEvent>
#include <thread>

#include "app_test_support.h"
#include "platform/clock.h"
#include "platform/qt/message_socket.h"
#include "store/qx_regstry.h"
#include "ui/dialogs/ask_cancel_dlg.h"
#include "ui/pages/which_page.h"

namespace upvane {
namespace {

using test::ErrorAnswerer;
using test::StandInPage;

class MainWindowTest : public ::testing::Test {
 protected:
  void UseStandIns(CUpvaneDlg& dlg) {
    dlg.SetPageFactory([](int page, CUpvaneDlg* d) { return new StandInPage(page, d); });
  }
  // The window on a stand-in download page with "Really?" opened by CANCEL.
  CQxAskCancelDlg* AskOnDownloadPage(CUpvaneDlg& dlg, int page) {
    dlg.SetStopWait(0);
    UseStandIns(dlg);
    dlg.OnInitDialog();
    dlg.m_nPage = page;
    dlg.ShowPage();
    dlg.Button(IDC_CANCEL)->click();
    return OpenAsk();
  }
  CQxAskCancelDlg* OpenAsk() {
    for (int i = 0; i < 100 && !g_pAskCancelDlg.load(); ++i) test::ProcessEvents(10);
    return g_pAskCancelDlg.load();
  }
  test::AppEnvironment env;
};

TEST_F(MainWindowTest, FooterButtonsForEveryPage) {
  struct Row {
    int page;
    int left;
    bool leftEnabled;
    int right;
    bool rightEnabled;
  };
  const Row rows[] = {
      {0, IDC_EXIT_LEFT, true, IDC_NEXT, true},
      {1, IDC_CANCEL, true, IDC_NEXT, true},
      {2, IDC_CANCEL, true, IDC_NEXT, false},
      {3, IDC_CANCEL, true, IDC_START_UPDATE, true},
      {4, IDC_CANCEL, true, IDC_NEXT, false},
      {5, IDC_CANCEL, false, IDC_NEXT, false},
      {6, 0, false, IDC_FINISH, true},
      {7, IDC_DONT_REPAIR, true, IDC_START_REPAIR, true},
      {8, IDC_DONT_REPAIR, true, IDC_START_REPAIR, true},
      {9, IDC_CANCEL, true, IDC_NEXT, false},
      {10, IDC_CANCEL, false, IDC_NEXT, false},
      {11, 0, false, IDC_FINISH, true},
      {12, 0, false, IDC_FINISH, true},
  };
  CUpvaneDlg dlg;
  dlg.SetStopWait(0);
  UseStandIns(dlg);
  dlg.OnInitDialog();
  dlg.show();
  for (const Row& r : rows) {
    dlg.m_nPage = r.page;
    dlg.ShowPage();
    if (r.page == 11) {
      EXPECT_EQ(dlg.m_nPage.load(), 12);
    }
    for (int id = IDC_EXIT_LEFT; id <= IDC_EXIT_RIGHT; ++id) {
      CAlphaButton* b = dlg.Button(id);
      const bool shown = id == r.left || id == r.right;
      EXPECT_EQ(b->isVisibleTo(&dlg), shown) << "page " << r.page << " button " << id;
      if (shown) {
        EXPECT_EQ(b->isEnabled(), id == r.left ? r.leftEnabled : r.rightEnabled) << r.page << " " << id;
        EXPECT_TRUE(b->HasImage()) << id;
      }
    }
  }
}

TEST_F(MainWindowTest, KeysNeverCloseTheWizard) {
  CUpvaneDlg dlg;
  dlg.SetStopWait(0);
  dlg.OnInitDialog();
  dlg.show();
  test::ProcessEvents();
  for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(dlg.Button(IDC_NEXT), &press);
    QApplication::sendEvent(&dlg, &press);
  }
  QKeyEvent altF4(QEvent::KeyPress, Qt::Key_F4, Qt::AltModifier);
  QApplication::sendEvent(&dlg, &altF4);
  dlg.close();
  test::ProcessEvents();
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_FALSE(dlg.Ended());
  EXPECT_EQ(dlg.m_nPage.load(), 0);
}

TEST_F(MainWindowTest, NextWithoutPhonesShowsDisconnected) {
  CUpvaneDlg dlg;
  dlg.SetStopWait(0);
  dlg.OnInitDialog();
  ErrorAnswerer answers;
  dlg.Button(IDC_NEXT)->click();
  EXPECT_EQ(answers.kinds, std::vector<int>{5});
  EXPECT_EQ(dlg.m_nPage.load(), 0);
  EXPECT_FALSE(dlg.Ended());
}

TEST_F(MainWindowTest, WelcomeAndWhichDevicePagesScreenshots) {
  CQxRegstry reg;
  for (const char* id : {"35412345678901", "35498765432109", "35400000000007"}) {
    D_PHONE_INFO p;
    p.DeviceID = id;
    p.ModelID = id[13] == '1' ? "E3107" : (id[13] == '9' ? "E3110" : "E3104");
    p.No = id[13] == '7' ? "15551234567" : "5551234567";
    p.BrewFlg = "MtkPhone";
    p.SerialComm = std::string("SER") + id;
    reg.WritePhone(id, p);
  }
  CUpvaneDlg dlg;
  dlg.SetStopWait(0);
  dlg.OnInitDialog();
  dlg.show();
  test::ProcessEvents(50);
  test::SaveScreenshot(&dlg, "main_welcome");
  // The records were marked "Off" by the window; identification marks them On.
  D_PHONE_INFO p;
  for (uint32_t i = 0; reg.ReadPhoneAt(i, p); ++i) reg.SetPhoneString(p.DeviceID, "ConnectFlg", "On");
  dlg.Button(IDC_NEXT)->click();
  EXPECT_EQ(dlg.m_nPage.load(), 1);
  test::ProcessEvents(50);
  test::SaveScreenshot(&dlg, "main_which_device");
  auto* which = dynamic_cast<CQxWhichDlg02*>(dlg.Page());
  ASSERT_NE(which, nullptr);
  ASSERT_EQ(which->Panel()->Count(), 3);
  EXPECT_EQ(which->Panel()->Button(0)->text(), "Tarkon LTE");
  EXPECT_EQ(which->Panel()->Button(1)->text(), "Velmar Ultra 5G UW");
  EXPECT_EQ(which->Panel()->Button(2)->text(), "Tarkon");
  // Keys reach the panel through the window: scrolling.
  QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
  QApplication::sendEvent(&dlg, &end);
  EXPECT_EQ(which->Panel()->Offset(), which->Panel()->MaxOffset());
}

TEST_F(MainWindowTest, CancelOnDownloadPageAsksOnceAndYesSetsTheRequest) {
  CUpvaneDlg dlg;
  CQxAskCancelDlg* ask = AskOnDownloadPage(dlg, 4);
  ASSERT_NE(ask, nullptr);
  EXPECT_EQ(dlg.m_bAskOpen.load(), 1);
  test::SaveScreenshot(ask, "main_really_on_download");
  dlg.Button(IDC_CANCEL)->click();  // a second press meanwhile does nothing
  EXPECT_EQ(g_pAskCancelDlg.load(), ask);
  EXPECT_EQ(RunState().m_nCancelRequest.load(), 0);
  ask->RightButton()->click();  // YES
  test::ProcessEvents();
  EXPECT_EQ(RunState().m_nCancelRequest.load(), 1);
  EXPECT_EQ(dlg.m_bAskOpen.load(), 0);
  EXPECT_EQ(g_pAskCancelDlg.load(), nullptr);
  EXPECT_EQ(dlg.m_nPage.load(), 4);  // the worker ends the page
}

TEST_F(MainWindowTest, IdCancelFromAnotherThreadClosesTheQuestion) {
  CUpvaneDlg dlg;
  CQxAskCancelDlg* ask = AskOnDownloadPage(dlg, 9);
  ASSERT_NE(ask, nullptr);
  const WindowId id = ask->Id();
  std::thread other([id] { PostMessage(id, WM_COMMAND, IDCANCEL, 0); });
  other.join();
  for (int i = 0; i < 100 && dlg.m_bAskOpen; ++i) test::ProcessEvents(10);
  EXPECT_EQ(dlg.m_bAskOpen.load(), 0);
  EXPECT_EQ(RunState().m_nCancelRequest.load(), 0);
}

TEST_F(MainWindowTest, WorkerFailingWhileAskedClosesTheQuestionBeforeTheError) {
  CUpvaneDlg dlg;
  ASSERT_NE(AskOnDownloadPage(dlg, 4), nullptr);
  // The error dialog must find the question already gone.
  bool askOpenAtError = true;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* d = dynamic_cast<CQxErrorDlg*>(w); d && d->isVisible() && !d->Finished()) {
        askOpenAtError = g_pAskCancelDlg.load() != nullptr;
        d->done(2);
      }
  });
  watch.start(5);
  dlg.Page()->m_nErrorKind = 3;
  dlg.Advance(0);
  EXPECT_FALSE(askOpenAtError);
  EXPECT_TRUE(dlg.Ended());
  EXPECT_EQ(RunState().m_nCancelRequest.load(), 0);
}

TEST_F(MainWindowTest, CancelConfirmedDuringDownloadEndsQuietly) {
  CUpvaneDlg dlg;
  CQxAskCancelDlg* ask = AskOnDownloadPage(dlg, 4);
  ASSERT_NE(ask, nullptr);
  ErrorAnswerer answers;
  // The worker reported without an error kind; the user then says YES.
  QTimer::singleShot(150, ask, [ask] { ask->RightButton()->click(); });
  dlg.Page()->m_nErrorKind = 0;
  dlg.Advance(0);
  EXPECT_TRUE(dlg.Ended());
  EXPECT_EQ(RunState().m_nCancelled.load(), 1);
  EXPECT_TRUE(answers.kinds.empty());
}

TEST_F(MainWindowTest, MessagesFromEnginesAndOtherProcesses) {
  CUpvaneDlg dlg;
  dlg.SetStopWait(0);
  dlg.OnInitDialog();
  SendMessage(dlg.Id(), MSG_ENGINE_START);
  EXPECT_EQ(g_bEngineActive.load(), 1);
  SendMessage(dlg.Id(), MSG_ENGINE_END);
  EXPECT_EQ(g_bEngineActive.load(), 0);
  MessageSocket socket(dlg.Id());
  ASSERT_TRUE(socket.Listening());
  std::thread other([] { MessageSocket::Send(0x464); });
  for (int i = 0; i < 200 && !dlg.m_bIgnoreDevice; ++i) test::ProcessEvents(10);
  other.join();
  EXPECT_EQ(dlg.m_bIgnoreDevice.load(), 1);
  std::thread again([] {
    MessageSocket::Send(0x999);  // not ours: ignored
    MessageSocket::Send(0x465);
  });
  for (int i = 0; i < 200 && dlg.m_bIgnoreDevice; ++i) test::ProcessEvents(10);
  again.join();
  EXPECT_EQ(dlg.m_bIgnoreDevice.load(), 0);
}

}  // namespace
}  // namespace upvane
