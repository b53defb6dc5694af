#include "server/http_download.h"

#include <cstdio>
#include <filesystem>

#include "platform/clock.h"
#include "platform/deployment.h"
#include "platform/http_client.h"
#include "server/server_session.h"
#include "services/system_helpers.h"

namespace upvane {

namespace {

constexpr int kOpenAttempts = 10;
constexpr uint32_t kOpenRetryMs = 100;
constexpr int kResumeAttempts = 10;
constexpr uint32_t kResumeWaitMs = 1000;
constexpr uint32_t kStallMs = 60000;

struct DownloadThreadRow {
  const char* tag;
  bool usesDownloadLocation;
};

const DownloadThreadRow kDownloadThreads[] = {
    {"binfile31", false},   {"binfile32", false},  {"binfile32_3gb", false}, {"binfile33", false},
    {"binfile33PP", false}, {"binfile34", false},  {"binfile34NC", false},   {"binfile35", false},
    {"binfile35q", false},  {"binfile36", false},  {"binfile36NC", false},   {"binfile2031", false},
    {"binfile2032", false}, {"binfile2033", true}, {"binfile2033NC", true},  {"binfile2034", false},
    {"binfile37", false},
};

const DownloadThreadRow* FindThread(const std::string& tag) {
  for (const DownloadThreadRow& row : kDownloadThreads)
    if (tag == row.tag) return &row;
  return nullptr;
}

bool IsConnectError(HttpError e) {
  return e == HttpError::Timeout || e == HttpError::CannotConnect || e == HttpError::Tls;
}

int Percent(uint64_t done, uint64_t size) {
  return size == 0 ? 0 : static_cast<int>(static_cast<double>(done) * 100.0 / static_cast<double>(size));
}

void SendProgress(WindowId page, int percent, int& lastSent) {
  if (page == 0 || percent == lastSent) return;
  lastSent = percent;
  SendMessage(page, WM_DOWNLOAD_PROGRESS, static_cast<uintptr_t>(percent), 0);
}

}  // namespace

bool HttpDownload(const std::string& url, const std::string& path, int progress) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;

  HttpClient http;
  http.SetTimeouts(30000, kStallMs);
  http.SetCancelFlag(&CancelRequestFlag());
  const WindowId page = progress ? CurrentPageWindow().load() : 0;

  bool haveSize = false;
  uint64_t size = 0;
  uint64_t done = 0;
  int lastPercent = -1;
  int openFailures = 0;
  int resumes = 0;
  bool spaceFailed = false;
  bool writeFailed = false;
  bool result = false;

  for (;;) {
    if (CancelRequestFlag().load() != 0) {
      CancelledFlag().store(1);
      break;
    }
    HttpRequest req;
    req.url = url;
    req.headers.push_back("Accept: */*");
    req.headers.push_back("Cache-Control: no-cache");
    if (haveSize && done > 0) {
      req.useRange = true;
      req.rangeFrom = done;
    }
    auto onHead = [&](const HttpResponse& head) {
      if (!haveSize) {
        // No length, no download: nothing is written without one. A 404
        // page is not the file either.
        if (head.status != 200 || head.contentLength < 0) return false;
        size = static_cast<uint64_t>(head.contentLength);
        if (!HasFreeSpaceMB((size >> 20) + 1)) {
          spaceFailed = true;
          return false;
        }
        haveSize = true;
        return true;
      }
      if (req.useRange && head.status == 206 && head.contentLength >= 0 &&
          static_cast<uint64_t>(head.contentLength) == size - done)
        return true;
      if (head.status == 200 && head.contentLength >= 0 &&
          static_cast<uint64_t>(head.contentLength) == size) {
        // The server ignored the Range: take the file again from the start.
        if (std::fseek(file, 0, SEEK_SET) != 0) return false;
        std::filesystem::resize_file(path, 0, ec);
        if (ec) return false;
        done = 0;
        return true;
      }
      return false;
    };
    auto sink = [&](const uint8_t* data, size_t len) {
      if (done + len > size) return false;
      if (std::fwrite(data, 1, len, file) != len) {
        writeFailed = true;
        return false;
      }
      done += len;
      SendProgress(page, Percent(done, size), lastPercent);
      return true;
    };
    SendProgress(page, Percent(done, size), lastPercent);
    const HttpResponse resp = http.Perform(req, onHead, sink);
    if (haveSize && done == size) {
      result = std::fflush(file) == 0;
      break;
    }
    if (resp.error == HttpError::Cancelled) {
      CancelledFlag().store(1);
      break;
    }
    if (spaceFailed || writeFailed) break;
    if (!haveSize) {
      // Answered, but not with a file (no length, an error status).
      if (resp.status != 0) break;
      // Not reachable: a few quick attempts.
      if (++openFailures >= kOpenAttempts) break;
      PumpWait(kOpenRetryMs);
      continue;
    }
    // Dropped, stalled or refused on resume: try again from what we have.
    if (++resumes > kResumeAttempts) break;
    PumpWait(kResumeWaitMs);
  }
  if (std::fclose(file) != 0) result = false;
  if (result) SendProgress(page, 100, lastPercent);
  return result;
}

uint64_t HttpGetSize(const std::string& url, int inMiB) {
  HttpClient http;
  http.SetTimeouts(30000, 60000);
  int64_t length = -1;
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    HttpRequest req;
    req.url = url;
    req.headers.push_back("Accept: */*");
    req.headers.push_back("Cache-Control: no-cache");
    long status = 0;
    auto onHead = [&](const HttpResponse& head) {
      status = head.status;
      if (head.status >= 200 && head.status < 300) length = head.contentLength;
      return false;  // the length is all we need
    };
    const HttpResponse resp = http.Perform(req, onHead, HttpSink());
    if (status != 0 || (!resp.ok() && !IsConnectError(resp.error) && resp.error != HttpError::Refused)) break;
    PumpWait(kOpenRetryMs);
  }
  if (length <= 0) return 0;
  const uint64_t bytes = static_cast<uint64_t>(length);
  return inMiB ? (bytes >> 20) + 1 : bytes;
}

std::string RepairImageUrl(const std::string& tag) {
  return "http://" + Deployment().repairHost + "/zavezi/rQ4mWz8N/" + tag + ".bin";
}

bool IsRepairDownloadTag(const std::string& tag) { return FindThread(tag) != nullptr; }

CRepairDownloadThread::~CRepairDownloadThread() { Join(); }

void CRepairDownloadThread::Join() {
  if (m_thread.joinable()) m_thread.join();
}

bool CRepairDownloadThread::Start(const std::string& tag, const std::string& localPath) {
  const DownloadThreadRow* row = FindThread(tag);
  if (!row || m_thread.joinable()) return false;
  std::string url = RepairImageUrl(row->tag);
  if (row->usesDownloadLocation) {
    const std::string location = GetDownloadLocation();
    if (!location.empty()) url = location;
  }
  m_thread = std::thread([url, localPath] {
    const bool ok = HttpDownload(url, localPath, 1);
    PostMessage(CurrentPageWindow().load(), WM_DOWNLOAD_DONE, 0, ok ? 1 : 0);
  });
  return true;
}

}  // namespace upvane
