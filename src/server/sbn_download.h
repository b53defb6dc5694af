#pragma once
// One conversation with the update server for one phone: the update check
// and, in download mode, the package download, decryption and status report.
#include <cstdint>
#include <string>

#include "platform/messages.h"
#include "server/sys_update.h"
#include "store/phone_info.h"

namespace upvane {

constexpr uint32_t WM_SBN_PROGRESS = WM_USER + 11;  // 0x40B, percent in wParam

class CSbnDownLoad {
 public:
  CSbnDownLoad();  // server URL of the deployment
  explicit CSbnDownLoad(const std::string& serverUrl);
  virtual ~CSbnDownLoad();
  CSbnDownLoad(const CSbnDownLoad&) = delete;
  CSbnDownLoad& operator=(const CSbnDownLoad&) = delete;

  void SetProgressWindow(WindowId window) { m_progressWindow = window; }
  void SetPhone(const D_PHONE_INFO& phone) { m_Phone = phone; }

  // 0 downloaded, 1 update offered (check mode), 2 no update, 3 cancelled,
  // 4 failure, 7 no session or connection.
  int ThreadSbnDownLoadFunc(int download);

  std::string GetDisplayVersion() const { return m_strDisplayVersion; }
  std::string GetPackagePath() const { return m_strPackagePath; }
  uint64_t GetPackageSize() const { return m_nPackageSize; }
  int GetCancelled() const { return m_nCancelled; }
  // The offered version in server form (empty before the check).
  std::string GetServerVersion() const { return m_SysUpdate.NewVersion(); }

 private:
  int Run(int download);
  bool QueryPackage();
  bool DownloadPackage();
  void ReportStatus();
  void Acknowledge();
  bool CancelRequested() const;

  D_PHONE_INFO m_Phone;
  int m_nCancelled = 0;
  std::string m_strPackageName;
  std::string m_strPackagePath;
  std::string m_strTempPath;
  std::string m_strDisplayVersion;
  uint64_t m_nPackageSize = 0;
  WindowId m_progressWindow = 0;
  CSysUpdate m_SysUpdate;
};

}  // namespace upvane
