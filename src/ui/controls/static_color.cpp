#include "ui/controls/static_color.h"

#include <QPainter>

namespace upvane {

CStaticColor::CStaticColor(QWidget* parent, Qt::Alignment align) : QWidget(parent), m_nAlign(align) {}

void CStaticColor::SetColors(const QColor& text, const QColor& background) {
  m_clrText = text;
  m_clrBack = background;
  update();
}

void CStaticColor::SetText(const QString& text) {
  m_strText = text;
  update();
}

void CStaticColor::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), m_clrBack);
  p.setFont(font());
  p.setPen(CurrentTextColor());
  p.drawText(rect(), static_cast<int>(m_nAlign | Qt::AlignVCenter) | Qt::TextWordWrap, m_strText);
}

}  // namespace upvane
