#include "ui/controls/radio_panel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "ui/look.h"

namespace upvane {

namespace {
constexpr int kScrollBarWidth = 10;
int Round(double v) { return static_cast<int>(std::lround(v)); }
}  // namespace

CQxRadioButton::CQxRadioButton(QWidget* parent) : QAbstractButton(parent) {
  setCheckable(true);
  setAutoExclusive(false);
  setFocusPolicy(Qt::NoFocus);
}

void CQxRadioButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const int d = std::min(height() - 6, 26);
  const QRectF ring(3, (height() - d) / 2.0, d, d);
  p.setPen(QPen(kFooterColor, 2));
  p.setBrush(Qt::white);
  p.drawEllipse(ring);
  if (isChecked()) {
    p.setPen(Qt::NoPen);
    p.setBrush(kAccentColor.darker(115));
    p.drawEllipse(ring.adjusted(d * 0.25, d * 0.25, -d * 0.25, -d * 0.25));
  }
  p.setFont(font());
  p.setPen(kInkColor);
  p.drawText(QRect(d + 16, 0, width() - d - 16, height()), Qt::AlignVCenter | Qt::AlignLeft, text());
}

CQxRadioPanel::CQxRadioPanel(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::StrongFocus); }

void CQxRadioPanel::SetScale(double scaleX, double scaleY) {
  m_dScaleX = scaleX;
  m_dScaleY = scaleY;
  Layout();
}

void CQxRadioPanel::SetItemHeight(int pixels) {
  m_nItemHeight = std::max(1, pixels);
  Layout();
}

void CQxRadioPanel::SetFonts(const QFont& firstLine, const QFont& secondLine) {
  m_firstFont = firstLine;
  m_secondFont = secondLine;
  for (auto* b : m_buttons) b->setFont(m_firstFont);
  for (auto* l : m_lines) l->setFont(m_secondFont);
}

void CQxRadioPanel::AddEntry(const QString& firstLine, const QString& secondLine) {
  auto* button = new CQxRadioButton(this);
  button->setText(firstLine);
  button->setFont(m_firstFont);
  button->setChecked(m_buttons.empty());
  connect(button, &QAbstractButton::clicked, this, [this, button] { Select(button); });
  auto* line = new CStaticColor(this);
  line->SetColors(kBodyColor, kPageBackground);
  line->SetText(secondLine);
  line->setFont(m_secondFont);
  m_buttons.push_back(button);
  m_lines.push_back(line);
  Layout();
}

void CQxRadioPanel::Select(CQxRadioButton* chosen) {
  for (auto* b : m_buttons) b->setChecked(b == chosen);
}

int CQxRadioPanel::GetSelected() const {
  for (size_t i = 0; i < m_buttons.size(); ++i)
    if (m_buttons[i]->isChecked()) return static_cast<int>(i);
  return 0;
}

int CQxRadioPanel::MaxOffset() const {
  const int content = Count() * m_nItemHeight;
  if (content <= height() || m_dScaleY <= 0) return 0;
  return static_cast<int>(std::ceil((content - height()) / m_dScaleY));
}

void CQxRadioPanel::ScrollTo(int units) {
  const int clamped = std::clamp(units, 0, MaxOffset());
  if (clamped == m_nOffset) return;
  m_nOffset = clamped;
  Layout();
  update();
}

void CQxRadioPanel::ScrollBy(int units) { ScrollTo(m_nOffset + units); }

void CQxRadioPanel::Layout() {
  const int w = width();
  for (size_t i = 0; i < m_buttons.size(); ++i) {
    const int top =
        static_cast<int>(i) * m_nItemHeight - Round(m_nOffset * m_dScaleY) + Round(10 * m_dScaleY);
    m_buttons[i]->setGeometry(Round(20 * m_dScaleX), top, w - Round(50 * m_dScaleX), Round(35 * m_dScaleY));
    m_lines[i]->setGeometry(Round(50 * m_dScaleX), top + Round(35 * m_dScaleY), w - Round(70 * m_dScaleX),
                            Round(20 * m_dScaleY));
  }
}

bool CQxRadioPanel::HandleKey(int key) {
  const int page = Round(10 * m_dScaleY);
  switch (key) {
    case Qt::Key_PageUp:
      ScrollBy(-page);
      return true;
    case Qt::Key_PageDown:
      ScrollBy(page);
      return true;
    case Qt::Key_Up:
      ScrollBy(-1);
      return true;
    case Qt::Key_Down:
      ScrollBy(1);
      return true;
    case Qt::Key_Home:
      ScrollTo(0);
      return true;
    case Qt::Key_End:
      ScrollTo(MaxOffset());
      return true;
    default:
      return false;
  }
}

void CQxRadioPanel::HandleWheel(int angleDelta) {
  const int notches = angleDelta / 120;
  ScrollBy(-notches * Round(10 * m_dScaleY));
}

void CQxRadioPanel::keyPressEvent(QKeyEvent* e) {
  if (!HandleKey(e->key())) QWidget::keyPressEvent(e);
}

void CQxRadioPanel::wheelEvent(QWheelEvent* e) { HandleWheel(e->angleDelta().y()); }

QRect CQxRadioPanel::TrackRect() const {
  return QRect(width() - kScrollBarWidth, 0, kScrollBarWidth, height());
}

QRect CQxRadioPanel::ThumbRect() const {
  const int content = std::max(1, Count() * m_nItemHeight);
  const int h = std::max(20, height() * height() / content);
  const int maxOffset = std::max(1, MaxOffset());
  const int y = (height() - h) * m_nOffset / maxOffset;
  return QRect(width() - kScrollBarWidth, y, kScrollBarWidth, h);
}

void CQxRadioPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), kPageBackground);
  if (!HasScrollBar()) return;
  p.fillRect(TrackRect(), kFooterColor);
  p.fillRect(ThumbRect(), kAccentColor);
}

void CQxRadioPanel::resizeEvent(QResizeEvent*) {
  ScrollTo(m_nOffset);
  Layout();
}

void CQxRadioPanel::mousePressEvent(QMouseEvent* e) {
  if (HasScrollBar() && ThumbRect().contains(e->position().toPoint())) {
    m_bDrag = true;
    m_nDragY = Round(e->position().y());
    m_nDragOffset = m_nOffset;
  }
}

void CQxRadioPanel::mouseMoveEvent(QMouseEvent* e) {
  if (!m_bDrag) return;
  const int travel = std::max(1, height() - ThumbRect().height());
  ScrollTo(m_nDragOffset + (Round(e->position().y()) - m_nDragY) * MaxOffset() / travel);
}

void CQxRadioPanel::mouseReleaseEvent(QMouseEvent*) { m_bDrag = false; }

}  // namespace upvane
