#pragma once
// The program's only top-level window: header, page area, footer buttons.
// It creates and destroys the pages, routes buttons and messages to the
// flow driver and owns the watch threads of phone discovery.
#include <QDialog>
#include <QPoint>
#include <QRect>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "app/adb_watch.h"
#include "app/device_watch.h"
#include "platform/messages.h"
#include "services/phone_info.h"
#include "services/thread_group.h"
#include "ui/controls/alpha_button.h"
#include "ui/controls/static_color.h"
#include "ui/pages/base_page.h"
#include "ui/pages/page_host.h"

namespace upvane {

class CQxAskCancelDlg;

// Set while an engine flashes a phone (messages 0x405/0x406).
extern std::atomic<int> g_bEngineActive;
// The open "Really?" dialog, or null.
extern std::atomic<CQxAskCancelDlg*> g_pAskCancelDlg;

constexpr uint32_t MSG_ENGINE_START = WM_USER + 0x05;  // 0x405
constexpr uint32_t MSG_ENGINE_END = WM_USER + 0x06;    // 0x406
constexpr uint32_t MSG_IGNORE_DEVICE = 0x464;
constexpr uint32_t MSG_HANDLE_DEVICE = 0x465;

// Button ids of the footer, left group then right group.
enum FooterButton {
  IDC_EXIT_LEFT = 2006,
  IDC_CANCEL = 2007,
  IDC_DONT_REPAIR = 2008,
  IDC_NEXT = 2009,
  IDC_START_UPDATE = 2010,
  IDC_START_REPAIR = 2011,
  IDC_FINISH = 2012,
  IDC_EXIT_RIGHT = 2013,
};

class CUpvaneDlg : public QDialog, public MessageReceiver, public PageHost {
 public:
  // Makes a page object for a page index; the default makes the pages this
  // build has (tests put stand-ins here).
  using PageFactory = std::function<CQxBasePage*(int page, CUpvaneDlg* dlg)>;
  // Tells whether a phone's port opens (BuildPhoneList); the default opens
  // it at 115200 baud and closes it at once.
  using PortProbe = std::function<bool(const std::string& port)>;

  CUpvaneDlg();
  ~CUpvaneDlg() override;

  // The start-up steps: scale, logos, colours, buttons, page area, records
  // marked "Off", watch threads, first page.
  void OnInitDialog();

  void ShowPage();
  void UpdateButtons();
  int ShowError(int kind);
  void OnCancelCommand();
  void OnNextCommand();
  void AskCancelThread();

  // The flow driver.
  void Advance(int code) override;
  void ChooseStartPage();
  int BuildPhoneList();
  void SelectPhone(int index);
  void StampCheckDate();

  intptr_t OnMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) override;

  // PageHost
  QFont Font60() const override { return m_font60; }
  QFont Font45() const override { return m_font45; }
  QFont Font30() const override { return m_font30; }
  QFont Font11() const override { return m_font11; }
  QRect PageRect() const override { return m_rcPage; }
  double ScaleX() const override { return m_dScaleX; }
  double ScaleY() const override { return m_dScaleY; }

  CAlphaButton* Button(int id) const;
  DeviceWatch& Watch() { return m_deviceWatch; }
  CQxBasePage* Page() const { return m_pPage; }
  WindowId Id() const { return m_id; }
  bool Ended() const { return m_bEnded; }

  void SetPageFactory(PageFactory f) { m_pageFactory = std::move(f); }
  void SetPortProbe(PortProbe p) { m_portProbe = std::move(p); }
  // Starts the discovery threads (the start of OnInitDialog's steps 9, 10).
  void StartWatches();
  // How long the destructor lets workers see the stop flag (ms).
  void SetStopWait(uint32_t ms) { m_nStopWaitMs = ms; }

  std::atomic<int> m_bStop{0};
  std::atomic<int> m_nPage{0};
  std::atomic<int> m_bAskOpen{0};
  std::atomic<int> m_bIgnoreDevice{0};
  int m_nRepairRetry = 0;
  D_PHONE_INFO m_Phone;
  std::vector<D_PHONE_INFO> m_PhoneList;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void paintEvent(QPaintEvent*) override;
  void showEvent(QShowEvent* e) override;
  void reject() override {}  // no key or window-manager close ends the wizard
  void closeEvent(QCloseEvent* e) override;

 private:
  CQxBasePage* MakePage(int page);
  void EndFlow();
  void WaitForAskDialog();

  WindowId m_id = 0;
  CStaticColor* m_pHeader = nullptr;
  CStaticColor* m_pFooter = nullptr;
  QWidget* m_pLogoLeft = nullptr;
  QWidget* m_pLogoRight = nullptr;
  std::array<CAlphaButton*, 8> m_buttons{};
  CQxBasePage* m_pPage = nullptr;
  QRect m_rcPage;
  QFont m_font60, m_font45, m_font30, m_font11;
  double m_dScaleX = 1.0, m_dScaleY = 1.0;
  bool m_bDrag = false;
  QPoint m_ptDrag;
  bool m_bEnded = false;
  uint32_t m_nStopWaitMs = 1000;
  PageFactory m_pageFactory;
  PortProbe m_portProbe;
  AdbWatch m_adbWatch{m_nPage, m_bStop};
  DeviceWatch m_deviceWatch;
  ThreadGroup m_identifiers;  // one identification per port event
};

}  // namespace upvane
