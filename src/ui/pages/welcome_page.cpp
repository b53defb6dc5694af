#include "ui/pages/welcome_page.h"

#include <QFontMetrics>

#include "platform/deployment.h"
#include "ui/look.h"

namespace upvane {

CQxWelcomeDlg01::CQxWelcomeDlg01(PageHost* host, QWidget* parent) : CQxBasePage(2050, host, parent) {}

void CQxWelcomeDlg01::OnInitDialog() {
  CQxBasePage::OnInitDialog();
  AddTitle("Welcome!", QRect(48, 24, 560, 76), m_pHost->Font60());
  AddText("To check for new\nsoftware and update\nyour device:", QRect(48, 104, 420, 110), m_pHost->Font30(),
          kInkColor);
  AddText(
      "1. Plug your device into your\ncomputer\n\n2. Choose \"System Update(continue)\"\nor\"System "
      "Update\"\nor \"Software Update\" as the\nUSB Mode",
      QRect(48, 214, 420, 150), m_pHost->Font11(), kInkColor);
  AddText("Device already plugged in?", QRect(48, 384, 420, 24), m_pHost->Font11(), kBodyColor);
  m_pLink = new CHrefText(this);
  const QFont linkFont = CellHeightFont(17, false, true);
  m_pLink->setFont(linkFont);
  m_pLink->SetColors(kBodyColor, kPageBackground);
  m_pLink->SetText("Click to learn why it has not be detected.");
  m_pLink->SetLink(QString::fromStdString(Deployment().supportPage));
  const int textWidth = QFontMetrics(linkFont).horizontalAdvance(m_pLink->Text()) + 2;
  m_pLink->setGeometry(48, 410, textWidth, 24);
  AddPicture(155, QRect(600, 70, 260, 300));
}

}  // namespace upvane
