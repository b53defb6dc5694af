#include "ui/dialogs/error_dlg.h"

#include "services/run_state.h"
#include "ui/look.h"

namespace upvane {

CQxErrorDlg::CQxErrorDlg(QWidget* mainWindow) : CQxModalDialog(mainWindow) {
  setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
  setFixedSize(DluX(480), DluY(265));
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
  m_pTitle = new CStaticColor(this);
  m_pTitle->setGeometry(DluRect(22, 17, 450, 68));
  m_pMessage = new CStaticColor(this);
  m_pMessage->setGeometry(DluRect(22, 99, 450, 125));
  m_pClose = new CAlphaButton(this);
  m_pClose->setGeometry(DluRect(0, 233, 480, 31));
  m_pDontRepair = new CAlphaButton(this);
  m_pDontRepair->setGeometry(DluRect(0, 233, 240, 31));
  m_pStartRepair = new CAlphaButton(this);
  m_pStartRepair->setGeometry(DluRect(239, 233, 240, 31));
  connect(m_pClose, &QAbstractButton::clicked, this, [this] { done(2); });
  connect(m_pDontRepair, &QAbstractButton::clicked, this, [this] { done(2); });
  connect(m_pStartRepair, &QAbstractButton::clicked, this, [this] { done(1); });
}

void CQxErrorDlg::OnInitDialog() {
  CRunState& rs = RunState();
  const ErrorContext context{rs.GetModelName(), rs.GetSelectedPhone().ModelID, rs.GetMinutesMin(),
                             rs.GetMinutesMax(), rs.GetNeededSpace()};
  const ErrorTexts texts = GetErrorTexts(m_nKind, context);
  m_pTitle->setFont(CellHeightFont(40, true));
  m_pTitle->SetColors(QColor(255, 0, 0), Qt::white);
  m_pTitle->SetText(QString::fromStdString(texts.title));
  m_pMessage->setFont(PointFont(11));
  m_pMessage->SetColors(kBodyColor, Qt::white);
  m_pMessage->SetText(QString::fromStdString(texts.message));
  const double sx = rs.GetScaleX(), sy = rs.GetScaleY();
  const bool choice = m_nKind == 6;
  m_pClose->setVisible(!choice);
  m_pDontRepair->setVisible(choice);
  m_pStartRepair->setVisible(choice);
  if (choice) {
    m_pDontRepair->SetScale(sx, sy);
    m_pDontRepair->LoadImage(168);
    m_pStartRepair->SetScale(sx, sy);
    m_pStartRepair->LoadImage(170);
  } else {
    m_pClose->SetScale(sx, sy);
    m_pClose->LoadImage(171);
  }
  // The strips are as tall as their band; keep them on the dialog's floor.
  for (CAlphaButton* b : {m_pClose, m_pDontRepair, m_pStartRepair}) b->move(b->x(), height() - b->height());
}

int CQxErrorDlg::DoModal() {
  OnInitDialog();
  return exec();
}

}  // namespace upvane
