#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <thread>

#include "platform/clock.h"
#include "services/run_state.h"
#include "ui/dialogs/ask_cancel_dlg.h"
#include "ui/dialogs/error_dlg.h"
#include "ui/dialogs/wait_disp_dlg.h"
#include "ui_test_support.h"

namespace upvane {
namespace {

TEST(ErrorTexts, EveryKind) {
  const ErrorContext c{"Tarkon LTE", "E3107", "12", "15", 3072};
  const struct {
    int kind;
    const char* title;
    const char* messageStart;
  } cases[] = {
      {2, "Not Enough Space\nto Install Tool", "Sorry. there's not enough space"},
      {3, "Internet Connection\nRequired", "Calvera Updara requires an internet connection"},
      {4, "Something Went\nWrong", "Sorry, we weren't able to load the Software Up Vane"},
      {5, "Device\nDisconnected", "Please make sure your device is turned on."},
      {6, "Repair\nUnsuccessful", "Sorry, our first attempt to repair your Tarkon LTE failed."},
      {7, "Repair\nUnsuccessful", "Sorry, we weren't able to repair your Tarkon LTE. Please contact"},
      {8, "Not Enough Space to Download\nSoftware Package", "Sorry, there's not enough space available"},
      {9, "No Battery", "Battery is under 30%"},
      {10, "Not enough space", "Please erase some files in your phone and try again."},
      {11, "Encrypted", "Cannot process, since your phone is encrypted.\nPlease decrypt it"},
      {0, "Program Error", ""},
      {12, "Program Error", ""},
      {-3, "Program Error", ""},
  };
  for (const auto& k : cases) {
    const ErrorTexts t = GetErrorTexts(k.kind, c);
    EXPECT_EQ(t.title, k.title) << k.kind;
    EXPECT_EQ(t.message.rfind(k.messageStart, 0), 0u) << k.kind << ": " << t.message;
  }
  EXPECT_NE(GetErrorTexts(2, c).message.find("(100.2MB is needed.)"), std::string::npos);
  EXPECT_NE(
      GetErrorTexts(6, c).message.find("take up to 12-15 minutes. During this time, you won't be able to use "
                                       "your Tarkon LTE."),
      std::string::npos);
  EXPECT_NE(GetErrorTexts(7, c).message.find("Customer Service at\n800.555.0199."), std::string::npos);
  EXPECT_NE(GetErrorTexts(8, c).message.find("(3.0GB is needed.)"), std::string::npos);
  EXPECT_EQ(GetErrorTexts(9, {"Sonet LTE", "S3106", "", "", 0}).message, "Battery is under 20%");
}

TEST(ErrorTexts, NeededSizeUnits) {
  EXPECT_EQ(FormatNeededSize(3072), "3.0GB");
  EXPECT_EQ(FormatNeededSize(1536), "1.5GB");
  EXPECT_EQ(FormatNeededSize(100), "100.0MB");
  EXPECT_EQ(FormatNeededSize(1), "1.0MB");
  EXPECT_EQ(FormatNeededSize(0), "1.0KB");
  for (const char* m : {"S3106", "E3108", "E3109", "E3110", "C3111", "E3113"})
    EXPECT_EQ(BatteryThreshold(m), 20) << m;
  for (const char* m : {"C3101", "E3102", "E3105", "E3107", "E3112", "", "S3106PP"})
    EXPECT_EQ(BatteryThreshold(m), 30) << m;
}

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RunState().Reset();
    RunState().SetModelName("Tarkon LTE");
    RunState().SetMinutes("12", "15");
    RunState().SetNeededSpace(3072);
  }
};

// Presses a button once the dialog's loop runs.
void ClickLater(QAbstractButton* button) {
  QTimer::singleShot(50, button, [button] { button->click(); });
}

TEST_F(DialogTest, ErrorDialogButtonsAndScreenshots) {
  for (int kind : {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0}) {
    CQxErrorDlg dlg(nullptr);
    dlg.set(kind);
    dlg.OnInitDialog();
    dlg.show();
    test::ProcessEvents();
    test::SaveScreenshot(&dlg, QString("error_kind_%1").arg(kind));
    dlg.hide();
    if (kind == 6) {
      EXPECT_FALSE(dlg.CloseButton()->isVisibleTo(&dlg));
      EXPECT_TRUE(dlg.StartRepairButton()->HasImage());
      EXPECT_TRUE(dlg.DontRepairButton()->HasImage());
    } else {
      EXPECT_TRUE(dlg.CloseButton()->isVisibleTo(&dlg));
      EXPECT_FALSE(dlg.StartRepairButton()->isVisibleTo(&dlg));
      EXPECT_TRUE(dlg.CloseButton()->HasImage());
    }
  }
  CQxErrorDlg repair(nullptr);
  repair.set(6);
  ClickLater(repair.StartRepairButton());
  EXPECT_EQ(repair.DoModal(), 1);
  CQxErrorDlg dont(nullptr);
  dont.set(6);
  ClickLater(dont.DontRepairButton());
  EXPECT_EQ(dont.DoModal(), 2);
  CQxErrorDlg close(nullptr);
  close.set(5);
  ClickLater(close.CloseButton());
  EXPECT_EQ(close.DoModal(), 2);
}

TEST_F(DialogTest, KeysDoNotCloseDialogs) {
  CQxErrorDlg dlg(nullptr);
  dlg.set(3);
  QTimer::singleShot(30, &dlg, [&dlg] {
    for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
      QApplication::sendEvent(&dlg, &press);
    }
    QKeyEvent altF4(QEvent::KeyPress, Qt::Key_F4, Qt::AltModifier);
    QApplication::sendEvent(&dlg, &altF4);
    dlg.close();
  });
  QTimer::singleShot(200, &dlg, [&dlg] {
    EXPECT_FALSE(dlg.Finished());
    dlg.CloseButton()->click();
  });
  EXPECT_EQ(dlg.DoModal(), 2);
}

TEST_F(DialogTest, ReallyYesSetsTheCancelRequest) {
  CQxAskCancelDlg dlg;
  dlg.setMode(0);
  dlg.OnInitDialog();
  dlg.show();
  test::ProcessEvents();
  test::SaveScreenshot(&dlg, "ask_really");
  dlg.hide();
  EXPECT_EQ(dlg.Text()->Text(), "Really?");
  EXPECT_EQ(dlg.LeftButton()->text(), "NO");
  ClickLater(dlg.RightButton());
  EXPECT_EQ(dlg.DoModal(), 2);
  EXPECT_EQ(RunState().m_nCancelRequest.load(), 1);
}

TEST_F(DialogTest, ReallyNoLeavesTheRequest) {
  CQxAskCancelDlg dlg;
  ClickLater(dlg.LeftButton());
  EXPECT_EQ(dlg.DoModal(), 1);
  EXPECT_EQ(RunState().m_nCancelRequest.load(), 0);
}

TEST_F(DialogTest, IdCancelPostedFromAnotherThreadClosesWithTwo) {
  CQxAskCancelDlg dlg;
  const WindowId id = dlg.Id();
  std::thread other([id] {
    SleepMs(100);
    PostMessage(id, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ(dlg.DoModal(), 2);
  other.join();
  EXPECT_TRUE(dlg.Finished());
  EXPECT_EQ(RunState().m_nCancelRequest.load(), 0);
}

TEST_F(DialogTest, ReplugPromptFromAWorker) {
  CQxAskCancelDlg probe;
  probe.setMode(1);
  probe.OnInitDialog();
  probe.show();
  test::ProcessEvents();
  test::SaveScreenshot(&probe, "ask_replug");
  probe.hide();
  EXPECT_EQ(probe.LeftButton()->text(), "RETRY");
  EXPECT_EQ(probe.RightButton()->text(), "CANCEL");

  // The worker blocks in AskReplug while the GUI thread runs the dialog;
  // press RETRY on the dialog that appears.
  std::atomic<int> answer{-1};
  std::thread worker([&] { answer = AskReplug() ? 1 : 0; });
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* d = dynamic_cast<CQxAskCancelDlg*>(w); d && d->isVisible() && d != &probe)
        d->LeftButton()->click();
  });
  poll.start(20);
  for (int i = 0; i < 500 && answer == -1; ++i) test::ProcessEvents(10);
  worker.join();
  EXPECT_EQ(answer.load(), 1);
  EXPECT_EQ(RunState().m_nCancelRequest.load(), 0);
}

TEST_F(DialogTest, WaitWindowText) {
  CQxWaitDispDlg dlg;
  dlg.show();
  test::ProcessEvents();
  test::SaveScreenshot(&dlg, "wait_window");
  EXPECT_EQ(dlg.Text(), "\r\nIt is starting up.\r\nPlease wait for a moment.");
  EXPECT_EQ(dlg.windowTitle(), "Up Vane");
}

}  // namespace
}  // namespace upvane
