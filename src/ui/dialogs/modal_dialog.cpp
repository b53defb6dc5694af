#include "ui/dialogs/modal_dialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>

namespace upvane {

CQxModalDialog::CQxModalDialog(QWidget* parent) : QDialog(parent) { m_id = RegisterWindow(this); }

CQxModalDialog::~CQxModalDialog() { UnregisterWindow(m_id); }

void CQxModalDialog::done(int r) {
  m_nResult = r;
  m_bFinished = true;
  QDialog::done(r);
}

intptr_t CQxModalDialog::OnMessage(uint32_t msg, uintptr_t wParam, intptr_t) {
  if (msg == WM_COMMAND && (wParam & 0xFFFF) == IDCANCEL) done(2);
  return 0;
}

void CQxModalDialog::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      e->accept();
      return;
    default:
      if (e->modifiers() & Qt::AltModifier) {
        e->accept();
        return;
      }
      QDialog::keyPressEvent(e);
  }
}

void CQxModalDialog::closeEvent(QCloseEvent* e) { e->ignore(); }

void CQxModalDialog::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  p.setPen(QColor(149, 149, 149));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace upvane
