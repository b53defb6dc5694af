// The page-flow state machine of the main window and its helpers.
#include "app/upvane_dlg.h"
#include "devices/com_ctrl.h"
#include "services/file_names.h"
#include "services/model_catalogue.h"
#include "services/run_state.h"
#include "store/qx_regstry.h"
#include "ui/dialogs/ask_cancel_dlg.h"

namespace upvane {

namespace {

bool IsFatalKind(int k) { return k == 5 || k == 9 || k == 10 || k == 11; }

bool PortOpens(const std::string& port) {
  CComCtrl com;
  if (!com.Open(port, 115200)) return false;
  com.Close();
  return true;
}

}  // namespace

void CUpvaneDlg::ChooseStartPage() {
  m_Phone = D_PHONE_INFO{};
  m_nPage = 0;
  if (RunState().m_bLaunched != 1) return;
  CQxRegstry reg;
  switch (reg.GetDword("Software\\Brennix\\SoftwareUpvane\\VQ", "RunPage")) {
    case 1:
      BuildPhoneList();
      if (m_PhoneList.size() == 1) {
        m_Phone = m_PhoneList[0];
        RunState().SetSelectedPhone(m_Phone);
        m_nPage = 2;
      } else if (m_PhoneList.size() > 1) {
        m_nPage = 1;
      }
      break;
    case 2:
      m_nPage = 3;
      break;
    default:
      break;
  }
}

int CUpvaneDlg::BuildPhoneList() {
  m_PhoneList.clear();
  const PortProbe probe = m_portProbe ? m_portProbe : PortProbe(PortOpens);
  for (int pass = 0; pass < 3 && m_PhoneList.empty(); ++pass) {
    if (pass > 0) PumpWait(200);
    CQxRegstry reg;
    D_PHONE_INFO info;
    for (uint32_t i = 0; reg.ReadPhoneAt(i, info); ++i) {
      if (info.ConnectFlg == "On" && (info.BrewFlg == "MtkPhone" || probe(info.SerialComm)))
        m_PhoneList.push_back(info);
      info = D_PHONE_INFO{};
    }
  }
  return m_PhoneList.empty() ? 0 : 1;
}

void CUpvaneDlg::SelectPhone(int index) {
  if (index >= 0 && static_cast<size_t>(index) < m_PhoneList.size()) {
    m_Phone = m_PhoneList[static_cast<size_t>(index)];
    m_PhoneList.clear();
  }
  RunState().SetModelName(GetMarketingName(m_Phone.ModelID));
  RunState().SetSelectedPhone(m_Phone);
}

void CUpvaneDlg::StampCheckDate() {
  m_Phone.CheckDate = FormatLocalTimeStamp(GetLocalTime());
  CQxRegstry reg;
  reg.SetPhoneString(m_Phone.DeviceID, "CheckDate", m_Phone.CheckDate);
}

void CUpvaneDlg::WaitForAskDialog() {
  while (m_bAskOpen == 1) PumpWait(100);
  PumpWait(100);
}

void CUpvaneDlg::EndFlow() {
  if (m_pPage) {
    UnregisterWindow(m_pPage->Id());
    m_pPage->hide();
    m_pPage->deleteLater();
    m_pPage = nullptr;
  }
  m_bEnded = true;
  done(0);
}

void CUpvaneDlg::Advance(int code) {
  CRunState& rs = RunState();
  const int page = m_nPage;
  const int kind = m_pPage ? m_pPage->m_nErrorKind : 0;

  // 1. A download page's worker ended while "Really?" is open.
  if ((page == 4 || page == 9) && m_bAskOpen) {
    CQxAskCancelDlg* ask = g_pAskCancelDlg.load();
    if (code == 0 && kind != 0 && ask) {
      // The worker failed: close the question before the error shows.
      PostMessage(ask->Id(), WM_COMMAND, IDCANCEL, 0);
      for (int waited = 0; m_bAskOpen && waited < 5000; waited += 10) PumpWait(10);
      rs.m_nCancelRequest = 0;
    } else {
      WaitForAskDialog();
      if (rs.m_nCancelRequest) {
        rs.m_nCancelled = 1;
        code = 0;
      }
    }
  }

  if (code == 1) {
    switch (page) {
      case 0:
        if (m_PhoneList.size() == 1) {
          SelectPhone(0);
          m_nPage = 2;
        } else {
          m_nPage = 1;
        }
        break;
      case 1:
        SelectPhone(m_pPage ? m_pPage->ChosenIndex() : 0);
        m_nPage = 2;
        break;
      case 2:
        rs.m_nDownloadSize = m_pPage ? m_pPage->FoundPackageSize() : 0;
        if (rs.GetModelName().empty()) SelectPhone(0);
        if (m_pPage && m_pPage->FoundUpdate()) {
          m_nPage = 3;
          SelectPhone(0);
        } else {
          m_nPage = 7;
          StampCheckDate();
        }
        break;
      case 3:
        m_nPage = 4;
        break;
      case 4:
        m_nPage = 5;
        break;
      case 5:
        m_nPage = 6;
        break;
      case 6:
      case 12:
        StampCheckDate();
        EndFlow();
        return;
      case 7:
      case 8:
        m_nPage = 9;
        break;
      case 9:
        m_nPage = 10;
        break;
      case 10:
        m_nPage = 11;
        break;
      default:
        EndFlow();
        return;
    }
    ShowPage();
    return;
  }

  // 3. The page ended without success.
  if (page == 5) {
    if (IsFatalKind(kind)) {
      ShowError(kind);
      EndFlow();
    } else {
      m_nPage = 8;
      ShowPage();
    }
    return;
  }
  if (page == 10 && IsFatalKind(kind)) {
    ShowError(kind);
    EndFlow();
    return;
  }
  if (page == 9 || page == 10) {
    if (rs.m_nCancelled == 1) {
      EndFlow();
    } else if (m_nRepairRetry != 0) {
      ShowError(7);
      EndFlow();
    } else if (kind == 8) {
      ShowError(8);
      ++m_nRepairRetry;
      EndFlow();
    } else if (ShowError(6) == 1) {
      ++m_nRepairRetry;
      m_nPage = 9;
      ShowPage();
    } else {
      EndFlow();
    }
    return;
  }
  if (kind != 0 && kind != 1) ShowError(kind);
  EndFlow();
}

}  // namespace upvane
