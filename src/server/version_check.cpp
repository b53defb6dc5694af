#include "server/version_check.h"

#include <atomic>
#include <cstdio>
#include <filesystem>

#include "platform/deployment.h"
#include "platform/http_client.h"
#include "server/http_download.h"
#include "server/update_value_store.h"
#include "services/file_names.h"
#include "services/text_helpers.h"
#include "services/trace.h"

namespace upvane {

namespace {

std::atomic<UpdateValueStore*> g_store{nullptr};

const char* KeyPathFor(int kind) {
  switch (kind) {
    case PROGRAM_KIND_UPVANE:
      return "Software\\Brennix\\SoftwareUpvane\\VQ";
    case PROGRAM_KIND_LAUNCHER:
      return "Software\\Brennix\\SoftwareUpvane\\LNPC";
    default:
      return nullptr;
  }
}

const char* ServerFileFor(int kind) {
  switch (kind) {
    case PROGRAM_KIND_UPVANE:
      return "vqversion";
    case PROGRAM_KIND_LAUNCHER:
      return "lnpcversion";
    default:
      return nullptr;
  }
}

}  // namespace

void SetUpdateValueStore(UpdateValueStore* store) { g_store.store(store); }
UpdateValueStore* GetUpdateValueStore() { return g_store.load(); }

std::string VersionFileUrl(const std::string& name) {
  return "https://" + Deployment().versionHost + "/zavezi/Calvera/E3112/" + name;
}

std::string GetLocalVersion(int kind, UpdateValueStore* store) {
  const char* key = KeyPathFor(kind);
  if (!store) store = GetUpdateValueStore();
  if (!key || !store) return {};
  std::string version;
  if (!store->GetVersion(key, version)) return {};
  const size_t nul = version.find('\0');
  if (nul != std::string::npos) version.resize(nul);
  if (version.size() > 255) version.resize(255);
  return version;
}

std::string GetServerVersion(int kind, int& fetched) {
  fetched = 0;
  const char* name = ServerFileFor(kind);
  if (!name) return {};
  const std::string url = VersionFileUrl(name);
  const std::string temp = MakeTempFileName();
  if (!HttpDownload(url, temp, 0)) {
    std::error_code ec;
    std::filesystem::remove(temp, ec);
    return {};
  }
  std::string line;
  if (std::FILE* f = std::fopen(temp.c_str(), "r")) {
    char buffer[1024];
    if (std::fgets(buffer, sizeof buffer, f)) {
      line = buffer;
      while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    }
    std::fclose(f);
  }
  std::error_code ec;
  std::filesystem::remove(temp, ec);
  fetched = 1;
  return line;
}

bool IsNewerVersionAvailable(int kind, int& answered, UpdateValueStore* store) {
  const std::string local = GetLocalVersion(kind, store);
  int fetched = 0;
  const std::string server = GetServerVersion(kind, fetched);
  if (!fetched) {
    answered = 0;
    return false;
  }
  answered = 1;
  return VersionToNumber(local) < VersionToNumber(server);
}

std::string FetchServerText(const std::string& name) {
  const std::string url = VersionFileUrl(name);
  UrlParts parts;
  if (!CrackUrl(url, parts)) {
    TraceWrite("URL Analysis...fail[%s]", url.c_str());
    return {};
  }
  if (parts.scheme != "http" && parts.scheme != "https") {
    TraceWrite("HTTP , HTTPS other...fail[%d]", 0);
    return {};
  }
  HttpClient http;
  if (!http.IsValid()) {
    TraceWrite("WinInet init(InternetOpen)...fail");
    return {};
  }
  http.SetUserAgent("VQM");
  http.SetTimeouts(30000, 30000);
  HttpRequest req;
  req.url = url;
  req.headers.push_back("Accept: text/*");
  req.headers.push_back("Cache-Control: no-cache");
  std::string body;
  constexpr size_t kMaxText = 1 << 20;  // version files are a few bytes
  auto sink = [&](const uint8_t* data, size_t len) {
    if (body.size() + len > kMaxText) return false;
    body.append(reinterpret_cast<const char*>(data), len);
    return true;
  };
  auto onHead = [](const HttpResponse& head) { return head.status == 200; };
  const HttpResponse resp = http.Perform(req, onHead, sink);
  if (resp.status == 0) {
    TraceWrite("HTTP Request(HttpSendRequest)...fail");
    return {};
  }
  if (resp.status != 200) {
    TraceWrite("HTTP Request status error(HttpQueryInfo)...fail[%d]", static_cast<int>(resp.status));
    return {};
  }
  // A read that fails ends the text, as far as it went.
  return body;
}

}  // namespace upvane
