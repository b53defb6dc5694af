#pragma once
// Base of the program's dialogs: no key closes them (Escape, Enter and Alt
// combinations are swallowed), only their buttons; another thread closes
// one by posting IDCANCEL to its window id; Finished() tells waiters that
// done() has run, whatever exec() is doing.
#include <QDialog>
#include <atomic>

#include "platform/messages.h"

namespace upvane {

constexpr uint32_t WM_COMMAND = 0x0111;
constexpr uintptr_t IDCANCEL = 2;

class CQxModalDialog : public QDialog, public MessageReceiver {
 public:
  explicit CQxModalDialog(QWidget* parent);
  ~CQxModalDialog() override;

  WindowId Id() const { return m_id; }
  bool Finished() const { return m_bFinished.load(); }
  int Result() const { return m_nResult.load(); }
  void done(int r) override;
  intptr_t OnMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) override;

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  // White, with a thin grey edge: the dialogs have no window frame.
  void paintEvent(QPaintEvent* e) override;
  void reject() override {}  // Escape and the window manager do not close it

 private:
  WindowId m_id = 0;
  std::atomic<bool> m_bFinished{false};
  std::atomic<int> m_nResult{0};
};

}  // namespace upvane
