#pragma once
// Fixtures for the main-window tests: a private store, a fake adb, stand-in
// pages that end with a given result, and an answerer for error dialogs.
#include <QApplication>
#include <QTimer>
#include <memory>
#include <vector>

#include "app/upvane_dlg.h"
#include "services/run_state.h"
#include "support/test_support.h"
#include "ui/dialogs/error_dlg.h"
#include "ui_test_support.h"

namespace upvane::test {

// A page that does nothing by itself; the test sets what it reports.
class StandInPage : public CQxBasePage {
 public:
  StandInPage(int page, CUpvaneDlg* dlg) : CQxBasePage(3000 + page, dlg, dlg), m_nPage(page) {}
  int ChosenIndex() const override { return chosen; }
  int64_t FoundPackageSize() const override { return size; }
  bool FoundUpdate() const override { return found; }
  int m_nPage;
  int chosen = 0;
  int64_t size = 0;
  bool found = false;
};

// Answers every error dialog that opens with `answer` and records its kind.
class ErrorAnswerer {
 public:
  explicit ErrorAnswerer(int answer = 2) : m_nAnswer(answer) {
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = dynamic_cast<CQxErrorDlg*>(w); d && d->isVisible() && !d->Finished()) {
          kinds.push_back(d->Kind());
          d->done(m_nAnswer);
        }
    });
    m_timer.start(10);
  }
  void SetAnswer(int a) { m_nAnswer = a; }
  std::vector<int> kinds;

 private:
  int m_nAnswer;
  QTimer m_timer;
};

// A private UPVANE_HOME (store, temp folder) and a tool folder whose adb
// answers at once.
class AppEnvironment {
 public:
  AppEnvironment() : m_home("UPVANE_HOME", m_homeDir.path()), m_tools("UPVANE_TOOL_DIR", m_toolDir.path()) {
    WriteFile(m_toolDir.File("adb"), "#!/bin/sh\necho \"* daemon started successfully\"\n", true);
    RunState().Reset();
  }
  const TempDir& Home() const { return m_homeDir; }
  const TempDir& Tools() const { return m_toolDir; }

 private:
  TempDir m_homeDir, m_toolDir;
  ScopedEnv m_home, m_tools;
};

}  // namespace upvane::test
