#include "ui/pages/which_page.h"

#include <cmath>

#include "services/model_catalogue.h"
#include "services/text_helpers.h"

namespace upvane {

CQxWhichDlg02::CQxWhichDlg02(PageHost* host, QWidget* parent, const std::vector<D_PHONE_INFO>& phones)
    : CQxBasePage(2100, host, parent), m_PhoneList(phones) {}

void CQxWhichDlg02::OnInitDialog() {
  CQxBasePage::OnInitDialog();
  AddTitle("Which Device?", QRect(48, 24, 700, 64), m_pHost->Font45());
  m_pPanel = new CQxRadioPanel(this);
  m_pPanel->setGeometry(40, 100, width() - 120, height() - 120);
  m_pPanel->SetScale(m_pHost->ScaleX(), m_pHost->ScaleY());
  m_pPanel->SetItemHeight(static_cast<int>(std::lround(120 * m_pHost->ScaleY())));
  m_pPanel->SetFonts(m_pHost->Font30(), m_pHost->Font11());
  for (const D_PHONE_INFO& phone : m_PhoneList)
    m_pPanel->AddEntry(QString::fromStdString(GetMarketingName(phone.ModelID)),
                       QString::fromStdString("Phone number: " + FormatPhoneNumber(phone.No)));
}

}  // namespace upvane
