#pragma once
// Page 1: choose among several connected phones.
#include <vector>

#include "services/phone_info.h"
#include "ui/controls/radio_panel.h"
#include "ui/pages/base_page.h"

namespace upvane {

class CQxWhichDlg02 : public CQxBasePage {
 public:
  CQxWhichDlg02(PageHost* host, QWidget* parent, const std::vector<D_PHONE_INFO>& phones);
  void OnInitDialog() override;
  int ChosenIndex() const override { return m_pPanel ? m_pPanel->GetSelected() : 0; }
  CQxRadioPanel* Panel() const { return m_pPanel; }

 private:
  std::vector<D_PHONE_INFO> m_PhoneList;
  CQxRadioPanel* m_pPanel = nullptr;
};

}  // namespace upvane
