#pragma once
// Base of the wizard pages: a child of the main window placed in its page
// area, with the common look and the error kind the flow driver reads.
#include <QLabel>
#include <QWidget>
#include <cstdint>

#include "platform/messages.h"
#include "ui/controls/static_color.h"
#include "ui/pages/page_host.h"

namespace upvane {

class CQxBasePage : public QWidget, public MessageReceiver {
 public:
  CQxBasePage(int dialogId, PageHost* host, QWidget* parent);
  ~CQxBasePage() override;

  // Places the page inside the host's page area (one edge plus one pixel in).
  virtual void OnInitDialog();
  intptr_t OnMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) override;

  int DialogId() const { return m_nDialogId; }
  WindowId Id() const { return m_id; }
  const QString& TitleText() const { return m_strTitle; }

  // What the flow driver reads of a page when it ends.
  int m_nErrorKind = 0;
  virtual int ChosenIndex() const { return 0; }           // the Which Device page
  virtual int64_t FoundPackageSize() const { return 0; }  // the Checking page
  virtual bool FoundUpdate() const { return false; }

 protected:
  CStaticColor* AddTitle(const QString& text, const QRect& r, const QFont& font);
  CStaticColor* AddText(const QString& text, const QRect& r, const QFont& font, const QColor& color);
  QLabel* AddPicture(int bitmapId, const QRect& r);
  void paintEvent(QPaintEvent*) override;

  PageHost* m_pHost;
  int m_nDialogId;
  WindowId m_id = 0;
  QString m_strTitle;
};

}  // namespace upvane
