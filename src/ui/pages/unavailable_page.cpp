#include "ui/pages/unavailable_page.h"

#include <QTimer>

namespace upvane {

CQxUnavailablePage::CQxUnavailablePage(int page, PageHost* host, QWidget* parent)
    : CQxBasePage(0, host, parent), m_nPage(page) {}

void CQxUnavailablePage::OnInitDialog() {
  CQxBasePage::OnInitDialog();
  AddTitle("Please wait...", QRect(48, 24, 700, 64), m_pHost->Font45());
  QTimer::singleShot(0, this, [this] {
    m_nErrorKind = 4;
    m_pHost->Advance(0);
  });
}

}  // namespace upvane
