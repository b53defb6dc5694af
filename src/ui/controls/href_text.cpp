#include "ui/controls/href_text.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>

namespace upvane {

CHrefText::CHrefText(QWidget* parent) : CStaticColor(parent) {
  m_clrText = QColor(104, 104, 103);
  setCursor(Qt::PointingHandCursor);
  setMouseTracking(true);
}

QColor CHrefText::CurrentTextColor() const { return m_bHover ? m_clrHover : m_clrText; }

void CHrefText::enterEvent(QEnterEvent*) {
  m_bHover = true;
  update();
}

void CHrefText::leaveEvent(QEvent*) {
  m_bHover = false;
  update();
}

void CHrefText::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
    QDesktopServices::openUrl(QUrl(Target()));
}

}  // namespace upvane
