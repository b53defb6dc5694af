#include "ui/dialogs/ask_cancel_dlg.h"

#include "platform/qt/gui_thread.h"
#include "services/run_state.h"
#include "ui/look.h"

namespace upvane {

CQxAskCancelDlg::CQxAskCancelDlg() : CQxModalDialog(nullptr) {
  setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  setFixedSize(DluX(174), DluY(68));
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
  m_pText = new CStaticColor(this, Qt::AlignHCenter);
  m_pText->setGeometry(DluRect(8, 7, 160, 23));
  m_pLeft = new CAlphaButton(this);
  m_pLeft->setGeometry(DluRect(0, 50, 86, 19));
  m_pRight = new CAlphaButton(this);
  m_pRight->setGeometry(DluRect(87, 50, 87, 19));
  connect(m_pLeft, &QAbstractButton::clicked, this, [this] { done(1); });
  connect(m_pRight, &QAbstractButton::clicked, this, [this] {
    if (m_nMode == 0) RunState().m_nCancelRequest = 1;
    done(2);
  });
}

void CQxAskCancelDlg::OnInitDialog() {
  CRunState& rs = RunState();
  for (CAlphaButton* b : {m_pLeft, m_pRight}) {
    b->SetScale(rs.GetScaleX(), rs.GetScaleY());
    b->setFont(PointFont(12));
    b->SetTextColors(QColor(32, 32, 64), QColor(220, 220, 220));
  }
  if (m_nMode == 0) {
    m_pText->setFont(CellHeightFont(40, true));
    m_pText->SetColors(QColor(255, 0, 0), Qt::white);
    m_pText->SetText("Really?");
    m_pLeft->setText("NO");
    m_pRight->setText("YES");
  } else {
    m_pText->setFont(PointFont(11));
    m_pText->SetColors(kInkColor, Qt::white);
    m_pText->SetText("Please unplug the USB cable from your phone and re-plug it.");
    m_pLeft->setText("RETRY");
    m_pRight->setText("CANCEL");
  }
}

int CQxAskCancelDlg::DoModal() {
  OnInitDialog();
  return exec();
}

bool AskReplug() {
  return RunOnGuiThread([] {
           CQxAskCancelDlg dlg;
           dlg.setMode(1);
           return dlg.DoModal();
         }) == 1;
}

}  // namespace upvane
