#include "ui/controls/alpha_button.h"

#include <QImageReader>
#include <QPainter>
#include <cmath>

namespace upvane {

CAlphaButton::CAlphaButton(QWidget* parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_Hover);
}

bool CAlphaButton::LoadImage(int resourceId) {
  const QString path = QString(":/art/buttons/%1.png").arg(resourceId);
  QImageReader reader(path, "PNG");
  const QSize size = reader.size();
  m_image = QImage();
  if (!reader.canRead() || !size.isValid() || size.height() < 5) {
    m_strImagePath.clear();
    m_nStateHeight = 0;
    return false;
  }
  m_strImagePath = path;
  m_imageSize = size;
  m_nStateHeight = size.height() / 5;
  resize(static_cast<int>(std::lround(m_imageSize.width() * m_dScaleX)),
         static_cast<int>(std::lround(m_nStateHeight * m_dScaleY)));
  update();
  return true;
}

const QImage& CAlphaButton::Image() {
  if (m_image.isNull() && !m_strImagePath.isEmpty())
    m_image = QImage(m_strImagePath, "PNG").convertToFormat(QImage::Format_ARGB32_Premultiplied);
  return m_image;
}

void CAlphaButton::SetScale(double scaleX, double scaleY) {
  m_dScaleX = scaleX;
  m_dScaleY = scaleY;
  if (HasImage())
    resize(static_cast<int>(std::lround(m_imageSize.width() * m_dScaleX)),
           static_cast<int>(std::lround(m_nStateHeight * m_dScaleY)));
  else
    resize(static_cast<int>(std::lround(width() * scaleX)), static_cast<int>(std::lround(height() * scaleY)));
}

void CAlphaButton::SetTextColors(const QColor& text, const QColor& background) {
  m_clrText = text;
  m_clrBack = background;
  update();
}

int CAlphaButton::StateIndex() const {
  if (!isEnabled()) return 3;
  if (isDown()) return 2;
  if (m_bHover) return 1;
  if (hasFocus()) return 4;
  return 0;
}

QSize CAlphaButton::sizeHint() const {
  if (HasImage()) return QSize(m_imageSize.width(), m_nStateHeight);
  return QSize(100, 30);
}

void CAlphaButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!text().isEmpty()) {
    p.fillRect(rect(), m_clrBack);
    p.setFont(font());
    p.setPen(isEnabled() ? m_clrText : QColor(160, 160, 160));
    p.drawText(rect().translated(isDown() ? 1 : 0, isDown() ? 1 : 0), Qt::AlignCenter, text());
    if (hasFocus()) {
      p.setPen(QPen(m_clrText, 1, Qt::DotLine));
      p.drawRect(rect().adjusted(2, 2, -3, -3));
    }
    return;
  }
  if (!HasImage()) return;
  // The parent's background shows through the strip's alpha.
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  const QImage& strip = Image();
  const QRect band(0, StateIndex() * m_nStateHeight, strip.width(), m_nStateHeight);
  p.drawImage(rect(), strip, band);
}

void CAlphaButton::enterEvent(QEnterEvent*) {
  m_bHover = true;
  update();
}

void CAlphaButton::leaveEvent(QEvent*) {
  m_bHover = false;
  update();
}

}  // namespace upvane
