#pragma once
// A page whose work this build cannot do yet: it ends at once with error
// kind 4 ("Something Went Wrong"), so the flow never reports a success it
// did not have.
#include "ui/pages/base_page.h"

namespace upvane {

class CQxUnavailablePage : public CQxBasePage {
 public:
  CQxUnavailablePage(int page, PageHost* host, QWidget* parent);
  void OnInitDialog() override;

 private:
  int m_nPage;
};

}  // namespace upvane
