#pragma once
// The error dialog: a red title, the message, CLOSE, or for kind 6 the
// choice DON'T REPAIR / START REPAIR. DoModal: 1 = START REPAIR, else 2.
#include "ui/controls/alpha_button.h"
#include "ui/controls/static_color.h"
#include "ui/dialogs/error_texts.h"
#include "ui/dialogs/modal_dialog.h"

namespace upvane {

class CQxErrorDlg : public CQxModalDialog {
 public:
  explicit CQxErrorDlg(QWidget* mainWindow);
  void set(int kind) { m_nKind = kind; }
  int Kind() const { return m_nKind; }
  int DoModal();
  // Fills the texts and buttons for the kind (done by DoModal).
  void OnInitDialog();

  CStaticColor* Title() const { return m_pTitle; }
  CStaticColor* Message() const { return m_pMessage; }
  CAlphaButton* CloseButton() const { return m_pClose; }
  CAlphaButton* DontRepairButton() const { return m_pDontRepair; }
  CAlphaButton* StartRepairButton() const { return m_pStartRepair; }

 private:
  int m_nKind = 0;
  CStaticColor* m_pTitle;
  CStaticColor* m_pMessage;
  CAlphaButton* m_pClose;
  CAlphaButton* m_pDontRepair;
  CAlphaButton* m_pStartRepair;
};

}  // namespace upvane
