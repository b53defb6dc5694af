#include "ui/pages/base_page.h"

#include <QPainter>
#include <QPixmap>
#include <cmath>

#include "ui/look.h"

namespace upvane {

namespace {
constexpr int kEdge = 2;  // the window system's edge width
}

CQxBasePage::CQxBasePage(int dialogId, PageHost* host, QWidget* parent)
    : QWidget(parent), m_pHost(host), m_nDialogId(dialogId) {
  m_id = RegisterWindow(this);
}

CQxBasePage::~CQxBasePage() { UnregisterWindow(m_id); }

void CQxBasePage::OnInitDialog() {
  m_nErrorKind = 0;
  const QRect r = m_pHost->PageRect().adjusted(kEdge + 1, kEdge + 1, -(kEdge + 1), -(kEdge + 1));
  setGeometry(r);
  // The host shows the page once it is filled, so its controls show with it.
}

intptr_t CQxBasePage::OnMessage(uint32_t, uintptr_t, intptr_t) { return 0; }

CStaticColor* CQxBasePage::AddTitle(const QString& text, const QRect& r, const QFont& font) {
  m_strTitle = text;
  return AddText(text, r, font, kTitleColor);
}

CStaticColor* CQxBasePage::AddText(const QString& text, const QRect& r, const QFont& font,
                                   const QColor& color) {
  auto* s = new CStaticColor(this);
  s->setGeometry(r);
  s->setFont(font);
  s->SetColors(color, kPageBackground);
  s->SetText(text);
  return s;
}

QLabel* CQxBasePage::AddPicture(int bitmapId, const QRect& r) {
  auto* pic = new QLabel(this);
  const QSize size(static_cast<int>(std::lround(r.width() * m_pHost->ScaleX())),
                   static_cast<int>(std::lround(r.height() * m_pHost->ScaleY())));
  pic->setGeometry(QRect(r.topLeft(), size));
  const QPixmap pm(QString(":/art/bitmaps/%1.png").arg(bitmapId), "PNG");
  pic->setPixmap(pm.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  return pic;
}

void CQxBasePage::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), kPageBackground);
}

}  // namespace upvane
