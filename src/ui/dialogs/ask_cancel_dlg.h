#pragma once
// The confirmation dialog. Mode 0: "Really?" NO / YES (YES sets the cancel
// request). Mode 1: the re-plug request, RETRY / CANCEL. DoModal: 1 for the
// left button, 2 for the right one or a posted IDCANCEL.
#include "ui/controls/alpha_button.h"
#include "ui/controls/static_color.h"
#include "ui/dialogs/modal_dialog.h"

namespace upvane {

class CQxAskCancelDlg : public CQxModalDialog {
 public:
  CQxAskCancelDlg();
  void setMode(uint8_t mode) { m_nMode = mode; }
  uint8_t Mode() const { return m_nMode; }
  void OnInitDialog();
  int DoModal();

  CStaticColor* Text() const { return m_pText; }
  CAlphaButton* LeftButton() const { return m_pLeft; }
  CAlphaButton* RightButton() const { return m_pRight; }

 private:
  uint8_t m_nMode = 0;
  CStaticColor* m_pText;
  CAlphaButton* m_pLeft;
  CAlphaButton* m_pRight;
};

// Asks, from any thread, whether to wait again for a phone that has not
// come back: true for RETRY.
bool AskReplug();

}  // namespace upvane
