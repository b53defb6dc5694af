#include "server/result_entries.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/deployment.h"
#include "platform/files.h"
#include "platform/format.h"
#include "platform/http_client.h"
#include "services/file_names.h"
#include "services/text_helpers.h"

namespace upvane {

namespace {

constexpr size_t kLineBuffer = 1024;

}  // namespace

std::string NormaliseReportVersion(const std::string& version) { return StripVersionLetter(version); }

std::string EncodeUploadIdentifier(const std::string& identifier) {
  std::string out = identifier;
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char>(static_cast<uint8_t>(out[i]) + 17 + static_cast<uint8_t>(i & 0xFF));
  return out;
}

std::string MakeUploadName(const std::string& identifier, const std::string& number, int kind, int code,
                           const std::string& time) {
  const char* tag = kind == 0 ? "UXA" : "RXA";
  const std::string id = EncodeUploadIdentifier(identifier);
  if (code == 0) return Format("%s_%s_%s_%s", id.c_str(), time.c_str(), number.c_str(), tag);
  return Format("%s_%s_%s_%s%02d", id.c_str(), time.c_str(), number.c_str(), tag, code);
}

std::string CurrentReportTime() {
  const LocalTime t = GetLocalTime();
  return Format("%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

std::string PendingFolder() { return GetTempFolder() + "TMPBRXZRT/"; }
std::string PendingFilePath() { return PendingFolder() + "EntryErr.itf"; }
std::string PendingCompanionPath() { return PendingFolder() + "EntryErr.$$$"; }

bool UploadEntry(const std::string& identifier, const std::string& number, const std::string& oldVersion,
                 const std::string& newVersion, int kind, int code, const std::string& time) {
  const std::string when = time.empty() ? CurrentReportTime() : time;
  const std::string name = MakeUploadName(identifier, number, kind, code, when);
  HttpClient http;
  if (!http.IsValid()) return false;
  http.SetUserAgent("ZRT-E3104");
  http.SetTimeouts(30000, 30000);
  HttpRequest req;
  req.method = "POST";
  req.url = "https://" + Deployment().versionHost + "/ResetLogReceiver/log.cgi";
  req.headers.push_back("Content-Type: application/x-www-form-urlencoded");
  req.headers.push_back("Cache-Control: no-cache");
  req.body = Format("zrt_ID=%s&upfile=%s_%s", name.c_str(), oldVersion.c_str(), newVersion.c_str());
  const HttpResponse resp = http.Perform(req, HttpHeaderCheck(), HttpSink());
  // An entry the receiver did not accept is not delivered; it stays pending.
  return resp.ok() && resp.status >= 200 && resp.status < 300;
}

void AppendPendingEntry(const std::string& identifier, const std::string& number,
                        const std::string& oldVersion, const std::string& newVersion, int kind, int code,
                        const std::string& time) {
  MakeFolders(PendingFolder(), 0700);
  std::FILE* f = std::fopen(PendingFilePath().c_str(), "a+");
  if (!f) return;
  std::fprintf(f, "%s,%s,%s,%s,%d,%d,%s\n", identifier.c_str(), number.c_str(), oldVersion.c_str(),
               newVersion.c_str(), kind, code, time.c_str());
  std::fclose(f);
}

void ReportResult(const std::string& identifier, const std::string& number, const std::string& oldVersion,
                  const std::string& newVersion, int kind, int code) {
  const std::string time = CurrentReportTime();
  const std::string oldV = NormaliseReportVersion(oldVersion);
  const std::string newV = NormaliseReportVersion(newVersion);
  if (!UploadEntry(identifier, number, oldV, newV, kind, code, time))
    AppendPendingEntry(identifier, number, oldV, newV, kind, code, time);
}

void ReportDownloadFailure(const D_PHONE_INFO& phone, const std::string& newVersion) {
  ReportResult(phone.DeviceID, phone.No, phone.Firmware, newVersion, 0, 11);
}

void ResendPendingEntries() {
  const std::string pending = PendingFilePath();
  const std::string companion = PendingCompanionPath();
  std::error_code ec;
  std::FILE* in = std::fopen(pending.c_str(), "r");
  if (!in) {
    std::filesystem::remove(pending, ec);
    return;
  }
  std::FILE* out = nullptr;
  bool writeFailed = false;
  char line[kLineBuffer];
  while (std::fgets(line, sizeof line, in)) {
    std::string text(line);
    if (text.empty()) continue;
    if (static_cast<unsigned char>(text.back()) < ' ') text.pop_back();
    if (text.empty()) continue;
    std::string fields[7];
    size_t pos = 0;
    bool complete = true;
    for (int i = 0; i < 6 && complete; ++i) {
      const size_t comma = text.find(',', pos);
      if (comma == std::string::npos) {
        complete = false;
        break;
      }
      fields[i] = text.substr(pos, comma - pos);
      pos = comma + 1;
    }
    if (complete)
      fields[6] = text.substr(
          pos, text.find(',', pos) == std::string::npos ? std::string::npos : text.find(',', pos) - pos);
    const int kind = std::atoi(fields[4].c_str());
    const int code = std::atoi(fields[5].c_str());
    if (UploadEntry(fields[0], fields[1], fields[2], fields[3], kind, code, fields[6])) continue;
    if (!out) {
      out = std::fopen(companion.c_str(), "w");
      if (!out) writeFailed = true;
    }
    if (out && std::fprintf(out, "%s\n", text.c_str()) < 0) writeFailed = true;
  }
  std::fclose(in);
  if (out && std::fclose(out) != 0) writeFailed = true;
  if (writeFailed) {
    // Keep the old list rather than lose the lines that are still pending.
    std::filesystem::remove(companion, ec);
    return;
  }
  if (out) {
    // The rename replaces the list in one step: a crash leaves the old or the
    // new list, never none.
    std::filesystem::rename(companion, pending, ec);
    if (ec) std::filesystem::remove(companion, ec);
  } else {
    std::filesystem::remove(pending, ec);
  }
}

}  // namespace upvane
