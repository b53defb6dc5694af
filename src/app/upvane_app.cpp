#include "app/upvane_app.h"

#include <QApplication>
#include <QMessageBox>

#include "app/store_bindings.h"
#include "app/upvane_dlg.h"
#include "devices/adb_cmd.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/qt/gui_thread.h"
#include "platform/qt/message_socket.h"
#include "platform/single_instance.h"
#include "services/run_state.h"
#include "services/system_helpers.h"
#include "services/text_helpers.h"
#include "store/qx_regstry.h"
#include "ui/dialogs/wait_disp_dlg.h"

namespace upvane {

bool IsLaunchedCommandLine(const std::string& commandLine) { return !TrimSpace(commandLine).empty(); }

bool CUpvaneApp::HandOff() {
  CRunState& rs = RunState();
  rs.m_bLauncherNewer = 0;
  rs.m_bToolNewer = 0;
  if (!m_versionQuery) return false;
  int answered = 0;
  rs.m_bToolNewer = m_versionQuery(kProgramUpvane, answered) ? 1 : 0;
  if (!answered) return false;
  rs.m_bLauncherNewer = m_versionQuery(kProgramLauncher, answered) ? 1 : 0;
  if (!answered) return false;
  if (rs.m_bLauncherNewer) {
    const std::string updater = GetProgramFolder() + "UpdateLN";
    if (FileExists(updater) && StartDetached(updater, {"VQ_CALL"})) return true;
  }
  if (rs.m_bToolNewer) {
    CQxRegstry reg;
    const std::string launcher = reg.GetString("Software\\Brennix\\SoftwareUpvane\\LNPC", "FullPath");
    if (!launcher.empty() && FileExists(launcher) && StartDetached(launcher, {"VQ_CALL"})) return true;
  }
  return false;
}

bool CUpvaneApp::StartAdbServer() {
  CQxWaitDispDlg wait;
  wait.show();
  CAdbCmd adb;
  // A tool that hangs must not hold the start-up beyond its limit.
  adb.SetTimeLimit(m_nAdbLimitMs);
  std::string out;
  adb.RunCommand("adb kill-server", out, false);
  const uint64_t start = GetTickCount64();
  bool ok = false;
  for (;;) {
    if (adb.RunCommand("adb start-server", out, false) && ContainsNoCase(out, "SUCCESS")) {
      ok = true;
      break;
    }
    PumpWait(500);
    if (GetTickCount64() - start > m_nAdbLimitMs) break;
  }
  wait.hide();
  return ok;
}

int CUpvaneApp::InitInstance(int argc, char** argv) {
  // 1. One copy per user.
  SingleInstanceLock lock("Auniquenmenoteasy");
  if (!lock.Acquired()) return 0;

  QApplication app(argc, argv);
  InstallGuiThreadLoop();
  BindVersionStore();
  BindCredentialPrompt();
  BindScsiErrorPrompt();
  if (!m_versionQuery) m_versionQuery = QueryNewerVersion;
  CRunState& rs = RunState();

  // 3. A newer launcher or program on the server takes over.
  if (HandOff()) {
    RemoveGuiThreadLoop();
    return 0;
  }
  // 4. The debug bridge server.
  if (!StartAdbServer()) {
    QMessageBox::information(nullptr, "Up Vane", "Failed to start adb.");
    RemoveGuiThreadLoop();
    return 0;
  }
  // 6. The session starts empty.
  std::string commandLine;
  for (int i = 1; i < argc; ++i) commandLine += std::string(argv[i]) + " ";
  rs.m_bLaunched = IsLaunchedCommandLine(commandLine) ? 1 : 0;
  rs.m_nCancelRequest = 0;
  rs.m_nCancelled = 0;
  rs.SetTempFile1("");
  rs.SetTempFile2("");
  rs.SetScale(1.0, 1.0);

  {
    // 7, 8. The main window, reachable from other processes for 0x464/0x465.
    CUpvaneDlg dlg;
    MessageSocket socket(dlg.Id());
    dlg.OnInitDialog();
    dlg.StartWatches();
    dlg.exec();
    // 9. Clean-up: the downloaded files go with the session.
    for (const std::string& f : {rs.GetTempFile1(), rs.GetTempFile2()})
      if (!f.empty()) DeleteFileIfExists(f);
  }
  RemoveGuiThreadLoop();
  return 0;
}

}  // namespace upvane
