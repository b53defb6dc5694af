#pragma once
// The small window shown while the debug bridge starts.
#include <QDialog>
#include <QLabel>

namespace upvane {

class CQxWaitDispDlg : public QDialog {
 public:
  CQxWaitDispDlg();
  QString Text() const { return m_pText->text(); }

 private:
  QLabel* m_pText;
};

}  // namespace upvane
