#pragma once
// Plain HTTP(S) GET transfers of whole files: repair images, version files
// and size queries; and the download threads of the repair images.
#include <cstdint>
#include <string>
#include <thread>

#include "platform/messages.h"

namespace upvane {

constexpr uint32_t WM_DOWNLOAD_DONE = WM_USER + 1;      // 0x401, lParam 1 success / 0 failure
constexpr uint32_t WM_DOWNLOAD_PROGRESS = WM_USER + 2;  // 0x402, percent in wParam

// Stores the body of `url` in `path`. With `progress`, the page shown by the
// main window receives 0x402 with the percentage. A transfer that drops or
// stalls (no byte for 60 s) resumes from the bytes written with a Range
// request, up to 10 times 1 s apart; a server that ignores the Range sends
// the file again from the start. True when as many bytes as the announced
// length are in the file.
bool HttpDownload(const std::string& url, const std::string& path, int progress);

// The content length of `url`; with `inMiB` and a non-zero length,
// (length >> 20) + 1. 0 when unreachable or without a length.
uint64_t HttpGetSize(const std::string& url, int inMiB);

// The repair-image URL of a download tag on the deployment's file server.
std::string RepairImageUrl(const std::string& tag);
// Whether `tag` is one of the download threads' tags.
bool IsRepairDownloadTag(const std::string& tag);

// One download thread of a repair image: HttpDownload with progress, then
// 0x401 (wParam 0, lParam = success) posted to the page shown by the main
// window. The object joins its thread when destroyed.
class CRepairDownloadThread {
 public:
  CRepairDownloadThread() = default;
  ~CRepairDownloadThread();
  CRepairDownloadThread(const CRepairDownloadThread&) = delete;
  CRepairDownloadThread& operator=(const CRepairDownloadThread&) = delete;

  // False for an unknown tag or while a transfer runs.
  bool Start(const std::string& tag, const std::string& localPath);
  void Join();
  bool Running() const { return m_thread.joinable(); }

 private:
  std::thread m_thread;
};

}  // namespace upvane
