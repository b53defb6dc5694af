#include "ui/dialogs/wait_disp_dlg.h"

#include "ui/look.h"

namespace upvane {

CQxWaitDispDlg::CQxWaitDispDlg() : QDialog(nullptr) {
  setWindowTitle("Up Vane");
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);
  setFixedSize(DluX(143), DluY(55));
  m_pText = new QLabel(this);
  m_pText->setGeometry(DluRect(8, 8, 127, 39));
  m_pText->setFrameStyle(QFrame::Box | QFrame::Plain);
  m_pText->setAlignment(Qt::AlignCenter);
  m_pText->setFont(PointFont(9));
  m_pText->setText("\r\nIt is starting up.\r\nPlease wait for a moment.");
}

}  // namespace upvane
