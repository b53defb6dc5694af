#pragma once
// Static text that acts as a hyperlink: hover colour, hand cursor, a click
// opens the link (or, when it is empty, the text itself).
#include "ui/controls/static_color.h"

namespace upvane {

class CHrefText : public CStaticColor {
 public:
  explicit CHrefText(QWidget* parent = nullptr);
  void SetLink(const QString& link) { m_strLink = link; }
  const QString& Link() const { return m_strLink; }
  bool IsHover() const { return m_bHover; }
  // What a click opens.
  QString Target() const { return m_strLink.isEmpty() ? m_strText : m_strLink; }

 protected:
  QColor CurrentTextColor() const override;
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;

 private:
  QString m_strLink;
  QColor m_clrHover{149, 149, 149};
  bool m_bHover = false;
};

}  // namespace upvane
