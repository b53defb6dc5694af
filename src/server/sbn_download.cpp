#include "server/sbn_download.h"

#include <filesystem>

#include "platform/files.h"
#include "server/server_session.h"
#include "services/file_names.h"
#include "services/system_helpers.h"
#include "services/trace.h"

namespace upvane {

namespace {

constexpr uint64_t kMaxPackageSize = 0x7FFFFFFFull;  // offsets travel as signed 32-bit numbers
constexpr int kMaxStalls = 10000;

bool IsServerStatus(const std::string& answer) {
  return answer == "No Update Available" || answer == "Session Expired";
}

}  // namespace

CSbnDownLoad::CSbnDownLoad() { m_SysUpdate.SetCancelFlag(&CancelRequestFlag()); }

CSbnDownLoad::CSbnDownLoad(const std::string& serverUrl) : m_SysUpdate(serverUrl) {
  m_SysUpdate.SetCancelFlag(&CancelRequestFlag());
}

CSbnDownLoad::~CSbnDownLoad() = default;

bool CSbnDownLoad::CancelRequested() const { return CancelRequestFlag().load() != 0; }

void CSbnDownLoad::Acknowledge() { CancelledFlag().store(1); }

int CSbnDownLoad::ThreadSbnDownLoadFunc(int download) {
  TraceOpen("DWN");
  TraceWrite("ThreadSbnDownLoadFunc::%s, %s, %s\n", m_Phone.ModelID.c_str(), m_Phone.DeviceID.c_str(),
             m_Phone.Firmware.c_str());
  const int result = Run(download);
  m_SysUpdate.CloseSession();
  TraceClose();
  return result;
}

int CSbnDownLoad::Run(int download) {
  std::string model = m_Phone.ModelID;
  if ((model == "E3107" || model == "E3109" || model == "E3112") && (m_Phone.OemExFlg & 2))
    model += "NC";
  else if (model == "S3106" && (m_Phone.OemExFlg & 4))
    model += "PP";
  m_SysUpdate.SetModel(model);
  m_SysUpdate.SetDeviceId(m_Phone.DeviceID);
  m_SysUpdate.SetPhoneVersion(m_Phone.Firmware);

  if (!m_SysUpdate.OpenSession()) return 7;
  if (CancelRequested()) {
    Acknowledge();
    return 3;
  }
  if (!m_SysUpdate.initKey(nullptr)) {
    TraceWrite("initKey(NULL)...fail");
    return 4;
  }

  std::string request = m_SysUpdate.getRequestString(0);
  if (request.empty()) {
    TraceWrite("getRequestString(001)...fail");
    return 4;
  }
  TraceWrite("getRequestString(001)...[%s]", request.c_str());
  int64_t received = 0;
  std::string answer = m_SysUpdate.DoPost(request, received);
  if (CancelRequested()) {
    Acknowledge();
    return 3;
  }
  if (answer.empty()) {
    TraceWrite("doPost(001)...fail");
    return 2;
  }
  TraceWrite("doPost(001)...[%s]", answer.c_str());
  if (IsServerStatus(answer)) {
    TraceWrite("doPost(001)...[%s]...Server status error", answer.c_str());
    return 4;
  }
  if (!m_SysUpdate.checkResponseString(0, answer)) {
    TraceWrite("checkResponseString(001)...fail");
    return 4;
  }

  if (!m_SysUpdate.initKey(m_SysUpdate.SessionKeyBytes())) {
    TraceWrite("initialKey(%s)...fail", "session");
    return 4;
  }
  request = m_SysUpdate.getRequestString(1);
  if (request.empty()) {
    TraceWrite("getRequestString(002)...fail");
    return 4;
  }
  TraceWrite("getRequestString(002)...[%s]", request.c_str());
  answer = m_SysUpdate.DoPost(request, received);
  if (CancelRequested()) {
    Acknowledge();
    return 3;
  }
  if (answer.empty()) {
    TraceWrite("doPost(002)...fail");
    return 4;
  }
  TraceWrite("doPost(002)...[%s]", answer.c_str());
  if (answer == "Session Expired") {
    TraceWrite("doPost(002)...Server connect error");
    return 4;
  }
  if (answer == "No Update Available") {
    TraceWrite("No Update File!");
    return 2;
  }
  if (!m_SysUpdate.checkResponseString(1, answer)) return 2;

  TraceWrite("Update Ari");
  m_strDisplayVersion = m_SysUpdate.GetDisplayVersion();
  if (!QueryPackage()) return 4;
  m_nPackageSize = m_SysUpdate.GetPackageSize();
  if (!download) return 1;

  if (!DownloadPackage()) return 4;
  ReportStatus();
  return m_nCancelled == 1 ? 3 : 0;
}

bool CSbnDownLoad::QueryPackage() {
  if (m_SysUpdate.NewVersion().empty()) return false;
  const std::string request = m_SysUpdate.getRequestString(2, m_SysUpdate.OfferFlag() == 0 ? 1 : 0);
  if (request.empty()) return false;
  if (!m_SysUpdate.initKey(m_SysUpdate.SessionKeyBytes())) return false;
  int64_t received = 0;
  const std::string answer = m_SysUpdate.DoPost(request, received);
  if (answer.empty() || IsServerStatus(answer)) return false;
  if (!m_SysUpdate.checkResponseString(2, answer)) return false;
  // Offsets travel as signed 32-bit numbers: a larger package cannot be
  // fetched correctly.
  if (m_SysUpdate.GetPackageSize() > kMaxPackageSize) return false;
  g_nNeededSpace.store(static_cast<int64_t>(2 * (m_SysUpdate.GetPackageSize() >> 20)));
  return true;
}

bool CSbnDownLoad::DownloadPackage() {
  const std::string folder = GetTempFolder();
  m_strPackageName = MakePackageFileName(m_Phone.DeviceID, m_SysUpdate.NewVersion());
  m_strPackagePath = folder + m_strPackageName;
  m_strTempPath = m_strPackagePath + ".temp";
  TraceWrite("Sbn File Name=[%s]", m_strPackagePath.c_str());
  std::error_code ec;
  std::filesystem::remove(m_strPackagePath, ec);
  // A ".temp" left by an earlier run must not be appended to when the
  // first slice brings nothing.
  std::filesystem::remove(m_strTempPath, ec);

  const uint64_t size = m_SysUpdate.GetPackageSize();
  const uint64_t unit = m_SysUpdate.GetUnit();
  const uint8_t* packageKey = m_SysUpdate.PackageKeyBytes();
  uint64_t offset = 0;
  bool first = true;
  bool last = false;
  uint64_t previousSize = 0;
  int stalls = 0;
  do {
    if (m_progressWindow != 0)
      SendMessage(m_progressWindow, WM_SBN_PROGRESS,
                  static_cast<uintptr_t>(static_cast<double>(offset) * 100.0 / static_cast<double>(size)), 0);
    if (CancelRequested()) {
      m_nCancelled = 1;
      Acknowledge();
      m_SysUpdate.DecryptPackage(m_strPackagePath, packageKey, size);
      return true;
    }
    const std::string request =
        m_SysUpdate.GetChunkRequest(static_cast<int64_t>(offset), static_cast<int64_t>(unit));
    if (offset + unit >= size) {
      last = true;
      offset = size;
    }
    int64_t received = 0;
    m_SysUpdate.DoPost(request, received, &m_strPackagePath, first);
    first = false;
    if (!last && received > 0) offset += static_cast<uint64_t>(received);
    if (received == -1) {
      m_SysUpdate.DecryptPackage(m_strPackagePath, packageKey, size);
      if (CancelRequested()) {
        m_nCancelled = 1;
        Acknowledge();
        return true;
      }
      return false;
    }
    uint64_t tempSize = 0;
    if (!GetFileSize(m_strTempPath, tempSize) || tempSize == previousSize) {
      if (++stalls > kMaxStalls) {
        m_SysUpdate.DecryptPackage(m_strPackagePath, packageKey, size);
        return false;
      }
    } else {
      previousSize = tempSize;
      stalls = 0;
    }
  } while (offset != size);

  if (!m_SysUpdate.DecryptPackage(m_strPackagePath, packageKey, size)) return false;
  uint64_t packageSize = 0;
  if (!GetFileSize(m_strPackagePath, packageSize)) return true;
  const uint64_t diff = packageSize > size ? packageSize - size : size - packageSize;
  return diff < 1024;
}

void CSbnDownLoad::ReportStatus() {
  const std::string request = m_SysUpdate.GetStatusRequest(m_nCancelled == 1 ? 1 : 0);
  int64_t received = 0;
  // The report goes out after a cancel too: that is what it reports.
  m_SysUpdate.SetCancelFlag(nullptr);
  const std::string answer = m_SysUpdate.DoPost(request, received);
  m_SysUpdate.SetCancelFlag(&CancelRequestFlag());
  if (!IsServerStatus(answer)) m_SysUpdate.ClearSessionKey();
}

}  // namespace upvane
