#pragma once
// Page 0: what to do to have the phone found.
#include "ui/controls/href_text.h"
#include "ui/pages/base_page.h"

namespace upvane {

class CQxWelcomeDlg01 : public CQxBasePage {
 public:
  CQxWelcomeDlg01(PageHost* host, QWidget* parent);
  void OnInitDialog() override;
  CHrefText* Link() const { return m_pLink; }

 private:
  CHrefText* m_pLink = nullptr;
};

}  // namespace upvane
