#include "app/upvane_dlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QWheelEvent>
#include <cmath>

#include "devices/adb_cmd.h"
#include "platform/debug_output.h"
#include "services/run_state.h"
#include "services/system_helpers.h"
#include "store/qx_regstry.h"
#include "ui/dialogs/ask_cancel_dlg.h"
#include "ui/dialogs/error_dlg.h"
#include "ui/dialogs/modal_dialog.h"
#include "ui/look.h"
#include "ui/pages/unavailable_page.h"
#include "ui/pages/welcome_page.h"
#include "ui/pages/which_page.h"

namespace upvane {

std::atomic<int> g_bEngineActive{0};
std::atomic<CQxAskCancelDlg*> g_pAskCancelDlg{nullptr};

namespace {

struct ButtonSpec {
  int id;
  int png;
  bool left;
};
const ButtonSpec kButtons[8] = {
    {IDC_EXIT_LEFT, 162, true}, {IDC_CANCEL, 160, true},        {IDC_DONT_REPAIR, 161, true},
    {IDC_NEXT, 165, false},     {IDC_START_UPDATE, 167, false}, {IDC_START_REPAIR, 166, false},
    {IDC_FINISH, 164, false},   {IDC_EXIT_RIGHT, 163, false},
};

int Round(double v) { return static_cast<int>(std::lround(v)); }

WindowId AskWindowId() {
  CQxAskCancelDlg* ask = g_pAskCancelDlg.load();
  return ask ? ask->Id() : 0;
}

}  // namespace

CUpvaneDlg::CUpvaneDlg()
    : m_deviceWatch(DeviceWatchState{&m_nPage, &m_bIgnoreDevice, &m_bAskOpen, &m_bStop, &g_bEngineActive,
                                     AskWindowId}) {
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  setWindowTitle("Up Vane");
  setWindowIcon(QIcon(":/art/icon/128.png"));
  setFixedSize(DluX(624), DluY(393));
  m_font60 = CellHeightFont(60, true);
  m_font45 = CellHeightFont(45, true);
  m_font30 = CellHeightFont(30, true);
  m_font11 = PointFont(11);
  m_pHeader = new CStaticColor(this);
  m_pHeader->setGeometry(DluRect(0, 0, 624, 49));
  m_pHeader->setAttribute(Qt::WA_TransparentForMouseEvents);  // drags reach the window
  m_pFooter = new CStaticColor(this);
  m_pFooter->setGeometry(DluRect(0, 348, 624, 45));
  m_pLogoLeft = new QLabel(this);
  m_pLogoLeft->setGeometry(DluRect(17, 13, 89, 23));
  m_pLogoLeft->setAttribute(Qt::WA_TransparentForMouseEvents);
  m_pLogoRight = new QLabel(this);
  m_pLogoRight->setGeometry(DluRect(505, 10, 105, 32));
  m_pLogoRight->setAttribute(Qt::WA_TransparentForMouseEvents);
  for (size_t i = 0; i < m_buttons.size(); ++i) {
    auto* b = new CAlphaButton(this);
    b->setObjectName(QString::number(kButtons[i].id));
    b->setGeometry(kButtons[i].left ? DluRect(14, 354, 100, 38) : DluRect(463, 354, 100, 38));
    b->hide();
    const int id = kButtons[i].id;
    connect(b, &QAbstractButton::clicked, this, [this, id] { SendMessage(m_id, WM_COMMAND, id, 0); });
    m_buttons[i] = b;
  }
  m_id = RegisterWindow(this);
  SetMainWindowId(m_id);
  qApp->installEventFilter(this);
}

CUpvaneDlg::~CUpvaneDlg() {
  qApp->removeEventFilter(this);
  // Let the workers see the stop flag, then stop the debug bridge.
  m_bStop = 1;
  PumpWait(m_nStopWaitMs);
  m_adbWatch.Join();
  m_identifiers.JoinAll();
  CAdbCmd adb;
  adb.SetTimeLimit(10000);
  std::string ignored;
  adb.RunCommand("adb kill-server", ignored, false);
  if (GetMainWindowId() == m_id) SetMainWindowId(0);
  UnregisterWindow(m_id);
}

void CUpvaneDlg::StartWatches() {
  m_adbWatch.Start();
  m_deviceWatch.StartupScan();
  m_deviceWatch.StartRescan(m_id);
}

CAlphaButton* CUpvaneDlg::Button(int id) const {
  for (size_t i = 0; i < m_buttons.size(); ++i)
    if (kButtons[i].id == id) return m_buttons[i];
  return nullptr;
}

void CUpvaneDlg::OnInitDialog() {
  // 2. Scale factors against the template's client size.
  m_dScaleX = width() / 936.0;
  m_dScaleY = height() / 640.0;
  RunState().SetScale(m_dScaleX, m_dScaleY);
  // 3. Logos at their bitmap size times the scale.
  const struct {
    QLabel* label;
    int bitmap;
    QSize size;
  } logos[] = {{static_cast<QLabel*>(m_pLogoLeft), 154, QSize(134, 38)},
               {static_cast<QLabel*>(m_pLogoRight), 153, QSize(158, 52)}};
  for (const auto& l : logos) {
    const QSize s(Round(l.size.width() * m_dScaleX), Round(l.size.height() * m_dScaleY));
    l.label->resize(s);
    l.label->setPixmap(QPixmap(QString(":/art/bitmaps/%1.png").arg(l.bitmap), "PNG")
                           .scaled(s, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  }
  // 4. Header white, footer grey.
  m_pHeader->SetColors(Qt::white, Qt::white);
  m_pFooter->SetColors(Qt::white, kFooterColor);
  // 5. The buttons' strips, scaled.
  for (size_t i = 0; i < m_buttons.size(); ++i) {
    m_buttons[i]->SetScale(m_dScaleX, m_dScaleY);
    m_buttons[i]->LoadImage(kButtons[i].png);
  }
  // 6. The page area.
  m_rcPage = DluRect(0, 49, 624, 300);
  // 7. No cancel request from an earlier run.
  RunState().m_nCancelRequest = 0;
  // 8. No phone counts as connected until it is identified in this run.
  {
    CQxRegstry reg;
    D_PHONE_INFO info;
    for (uint32_t i = 0; reg.ReadPhoneAt(i, info); ++i) {
      info.ConnectFlg = "Off";
      reg.WritePhone(info.DeviceID, info);
      info = D_PHONE_INFO{};
    }
  }
  // 9, 10: the discovery threads (the application starts them: tests of
  // the window run without them).
  // 11. The first page.
  ChooseStartPage();
  ShowPage();
}

CQxBasePage* CUpvaneDlg::MakePage(int page) {
  if (m_pageFactory) return m_pageFactory(page, this);
  switch (page) {
    case 0:
      return new CQxWelcomeDlg01(this, this);
    case 1:
      return new CQxWhichDlg02(this, this, m_PhoneList);
    default:
      return new CQxUnavailablePage(page, this, this);
  }
}

void CUpvaneDlg::ShowPage() {
  if (m_pPage) {
    UnregisterWindow(m_pPage->Id());  // its worker's late messages go nowhere
    m_pPage->hide();
    m_pPage->deleteLater();  // it may be the caller of this very call
    m_pPage = nullptr;
  }
  if (m_nPage == 11) m_nPage = 12;
  m_pPage = MakePage(m_nPage);
  m_pPage->OnInitDialog();
  m_pPage->raise();
  m_pPage->show();
  UpdateButtons();
}

void CUpvaneDlg::UpdateButtons() {
  int left = 0, right = 0;
  bool leftEnabled = true, rightEnabled = true;
  switch (m_nPage.load()) {
    case 0:
      left = IDC_EXIT_LEFT;
      right = IDC_NEXT;
      break;
    case 1:
      left = IDC_CANCEL;
      right = IDC_NEXT;
      break;
    case 2:
    case 4:
    case 9:
      left = IDC_CANCEL;
      right = IDC_NEXT;
      rightEnabled = false;
      break;
    case 3:
      left = IDC_CANCEL;
      right = IDC_START_UPDATE;
      break;
    case 5:
    case 10:
      left = IDC_CANCEL;
      right = IDC_NEXT;
      leftEnabled = rightEnabled = false;
      break;
    case 6:
    case 12:
      right = IDC_FINISH;
      break;
    case 7:
    case 8:
      left = IDC_DONT_REPAIR;
      right = IDC_START_REPAIR;
      break;
    default:
      break;
  }
  for (size_t i = 0; i < m_buttons.size(); ++i) {
    const int id = kButtons[i].id;
    const bool shown = id == left || id == right;
    m_buttons[i]->setVisible(shown);
    m_buttons[i]->setEnabled(shown && (id == left ? leftEnabled : rightEnabled));
  }
}

int CUpvaneDlg::ShowError(int kind) {
  CQxErrorDlg dlg(this);
  dlg.set(kind);
  return dlg.DoModal();
}

void CUpvaneDlg::OnCancelCommand() {
  const int page = m_nPage;
  if (page == 4 || page == 9) {
    if (m_bAskOpen == 0) AskCancelThread();
    return;
  }
  RunState().m_nCancelRequest = 1;
  if (page == 2 || page == 5 || page == 10) return;  // the worker ends its page
  Advance(0);
}

void CUpvaneDlg::OnNextCommand() {
  if (m_nPage == 0 && BuildPhoneList() == 0) {
    ShowError(5);
    return;
  }
  Advance(1);
}

void CUpvaneDlg::AskCancelThread() {
  // The question runs modal to the wizard on the GUI thread, without a
  // nested loop, so the download page keeps receiving its worker's messages.
  m_bAskOpen = 1;
  auto* dlg = new CQxAskCancelDlg();
  dlg->setMode(0);
  dlg->OnInitDialog();
  dlg->setWindowModality(Qt::ApplicationModal);
  g_pAskCancelDlg = dlg;
  connect(dlg, &QDialog::finished, this, [this, dlg] {
    g_pAskCancelDlg = nullptr;
    m_bAskOpen = 0;
    dlg->deleteLater();
  });
  dlg->show();
}

intptr_t CUpvaneDlg::OnMessage(uint32_t msg, uintptr_t wParam, intptr_t) {
  switch (msg) {
    case WM_COMMAND:
      switch (wParam & 0xFFFF) {
        case IDC_EXIT_LEFT:
        case IDC_CANCEL:
        case IDC_DONT_REPAIR:
          OnCancelCommand();
          break;
        case IDC_NEXT:
        case IDC_START_UPDATE:
        case IDC_START_REPAIR:
        case IDC_FINISH:
        case IDC_EXIT_RIGHT:
          OnNextCommand();
          break;
        default:
          break;
      }
      return 0;
    case MSG_ENGINE_START:
      g_bEngineActive = 1;
      return 0;
    case MSG_ENGINE_END:
      g_bEngineActive = 0;
      return 0;
    case MSG_IGNORE_DEVICE:
      m_bIgnoreDevice = 1;
      return 0;
    case MSG_HANDLE_DEVICE:
      m_bIgnoreDevice = 0;
      return 0;
    default:
      return 0;
  }
}

bool CUpvaneDlg::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type t = event->type();
  if (t != QEvent::KeyPress && t != QEvent::Wheel) return false;
  auto* w = qobject_cast<QWidget*>(watched);
  if (!w || !(w == this || isAncestorOf(w))) return false;
  if (t == QEvent::Wheel) {
    if (m_nPage == 1)
      if (auto* which = dynamic_cast<CQxWhichDlg02*>(m_pPage); which && which->Panel())
        which->Panel()->HandleWheel(static_cast<QWheelEvent*>(event)->angleDelta().y());
    return m_nPage == 1;
  }
  auto* key = static_cast<QKeyEvent*>(event);
  if (m_nPage == 1)
    if (auto* which = dynamic_cast<CQxWhichDlg02*>(m_pPage); which && which->Panel())
      if (which->Panel()->HandleKey(key->key())) return true;
  // No key may close the wizard: Escape, Enter and Alt combinations stop here.
  if (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
      (key->modifiers() & Qt::AltModifier))
    return true;
  return false;
}

void CUpvaneDlg::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && m_pHeader->geometry().contains(e->position().toPoint())) {
    m_bDrag = true;
    m_ptDrag = e->globalPosition().toPoint();
  }
  QDialog::mousePressEvent(e);
}

void CUpvaneDlg::mouseMoveEvent(QMouseEvent* e) {
  if (m_bDrag) {
    const QPoint now = e->globalPosition().toPoint();
    move(pos() + (now - m_ptDrag));
    m_ptDrag = now;
  }
  QDialog::mouseMoveEvent(e);
}

void CUpvaneDlg::mouseReleaseEvent(QMouseEvent* e) {
  m_bDrag = false;
  QDialog::mouseReleaseEvent(e);
}

void CUpvaneDlg::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), kPageBackground);
}

void CUpvaneDlg::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  OutputDebugText("main window shown\n");
}

void CUpvaneDlg::closeEvent(QCloseEvent* e) {
  if (!m_bEnded) e->ignore();
}

}  // namespace upvane
