#include "platform/http_client.h"

#include <curl/curl.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <cctype>
#include <mutex>

#include "platform/clock.h"
#include "platform/deployment.h"

namespace upvane {

namespace {

std::once_flag g_curlInit;
std::mutex g_promptMutex;
CredentialPrompt g_prompt;

// Adds the extra CA file to the store curl has already filled from the
// system, so both are trusted.
CURLcode AddExtraCa(CURL*, void* sslCtx, void* userData) {
  const auto* file = static_cast<const std::string*>(userData);
  if (!file || file->empty()) return CURLE_OK;
  X509_STORE* store = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(sslCtx));
  if (!store || X509_STORE_load_file(store, file->c_str()) != 1) return CURLE_SSL_CACERT_BADFILE;
  return CURLE_OK;
}

HttpError Classify(CURLcode rc) {
  switch (rc) {
    case CURLE_OK:
      return HttpError::None;
    case CURLE_OPERATION_TIMEDOUT:
      return HttpError::Timeout;
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return HttpError::CannotConnect;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_ISSUER_ERROR:
      return HttpError::Tls;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
      return HttpError::Dropped;
    default:
      return HttpError::Other;
  }
}

}  // namespace

const char* HttpErrorName(HttpError e) {
  switch (e) {
    case HttpError::None:
      return "none";
    case HttpError::Timeout:
      return "time-out";
    case HttpError::CannotConnect:
      return "cannot connect";
    case HttpError::Tls:
      return "TLS or certificate failure";
    case HttpError::Dropped:
      return "connection dropped";
    case HttpError::Stalled:
      return "transfer stalled";
    case HttpError::Cancelled:
      return "cancelled";
    case HttpError::Refused:
      return "refused";
    case HttpError::Other:
      break;
  }
  return "failure";
}

void SetCredentialPrompt(CredentialPrompt prompt) {
  std::lock_guard<std::mutex> lock(g_promptMutex);
  g_prompt = std::move(prompt);
}

bool AskCredentials(const std::string& url, long status, HttpCredentials& out) {
  CredentialPrompt prompt;
  {
    std::lock_guard<std::mutex> lock(g_promptMutex);
    prompt = g_prompt;
  }
  return prompt && prompt(url, status, out);
}

struct HttpClient::Transfer {
  CURL* curl = nullptr;
  const HttpHeaderCheck* onHead = nullptr;
  const HttpSink* sink = nullptr;
  const std::atomic<int>* cancel = nullptr;
  HttpResponse* response = nullptr;
  uint32_t stallMs = 0;
  uint64_t lastByteTick = 0;
  bool headDone = false;
  bool refused = false;
  bool cancelled = false;
  bool stalled = false;

  bool CheckHead() {
    if (headDone) return !refused;
    headDone = true;
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_off_t length = -1;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    response->status = status;
    response->contentLength = length;
    if (onHead && *onHead && !(*onHead)(*response)) refused = true;
    return !refused;
  }
};

namespace {

size_t OnWrite(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<HttpClient::Transfer*>(user);
  const size_t len = size * count;
  t->lastByteTick = GetTickCount64();
  if (!t->CheckHead()) return 0;
  if (len == 0) return 0;
  if (t->sink && *t->sink && !(*t->sink)(reinterpret_cast<const uint8_t*>(data), len)) {
    t->refused = true;
    return 0;
  }
  t->response->bodyBytes += len;
  return len;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* t = static_cast<HttpClient::Transfer*>(user);
  if (t->cancel && t->cancel->load() != 0) {
    t->cancelled = true;
    return 1;
  }
  if (t->stallMs > 0 && GetTickCount64() - t->lastByteTick > t->stallMs) {
    t->stalled = true;
    return 1;
  }
  return 0;
}

}  // namespace

HttpClient::HttpClient() {
  std::call_once(g_curlInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  m_curl = curl_easy_init();
  m_strCaFile = Deployment().caFile;
}

HttpClient::~HttpClient() {
  if (m_curl) curl_easy_cleanup(static_cast<CURL*>(m_curl));
}

void HttpClient::SetCredentials(long status, const HttpCredentials& c) {
  if (status == 407)
    m_proxy = c;
  else
    m_server = c;
}

HttpResponse HttpClient::Perform(const HttpRequest& request, const HttpHeaderCheck& onHead,
                                 const HttpSink& sink) {
  HttpResponse response;
  if (!m_curl) {
    response.error = HttpError::Other;
    response.errorText = "no curl handle";
    return response;
  }
  CURL* curl = static_cast<CURL*>(m_curl);
  // Reset keeps the live connection, so one handle serves a whole run.
  curl_easy_reset(curl);

  Transfer t;
  t.curl = curl;
  t.onHead = &onHead;
  t.sink = &sink;
  t.cancel = m_pCancel;
  t.response = &response;
  t.stallMs = m_nStallMs;
  t.lastByteTick = GetTickCount64();

  char errorBuffer[CURL_ERROR_SIZE] = {0};
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
  curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  if (!m_strAgent.empty()) curl_easy_setopt(curl, CURLOPT_USERAGENT, m_strAgent.c_str());
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m_nConnectMs));
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, request.followRedirects ? 1L : 0L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(curl, CURLOPT_CA_CACHE_TIMEOUT, 0L);
  curl_easy_setopt(curl, CURLOPT_SSL_CTX_FUNCTION, AddExtraCa);
  curl_easy_setopt(curl, CURLOPT_SSL_CTX_DATA, &m_strCaFile);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnWrite);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
  curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, 64L * 1024L);

  if (!m_server.user.empty()) {
    curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
    curl_easy_setopt(curl, CURLOPT_USERNAME, m_server.user.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, m_server.password.c_str());
  }
  if (!m_proxy.user.empty()) {
    curl_easy_setopt(curl, CURLOPT_PROXYAUTH, CURLAUTH_ANY);
    curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, m_proxy.user.c_str());
    curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, m_proxy.password.c_str());
  }

  std::string range;
  if (request.useRange) {
    range = std::to_string(request.rangeFrom);
    range += '-';
    curl_easy_setopt(curl, CURLOPT_RANGE, range.c_str());
  }
  if (request.method == "POST") {
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
  } else if (request.method == "HEAD") {
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
  } else {
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  }

  curl_slist* headers = nullptr;
  bool hasContentType = false;
  for (const std::string& h : request.headers) {
    headers = curl_slist_append(headers, h.c_str());
    if (h.rfind("Content-Type:", 0) == 0) hasContentType = true;
  }
  // A raw POST body is no form; say so unless the caller named a type.
  if (request.method == "POST" && !hasContentType)
    headers = curl_slist_append(headers, "Content-Type: application/octet-stream");
  // No "Expect: 100-continue" round trip for the short bodies sent here.
  headers = curl_slist_append(headers, "Expect:");
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);

  const CURLcode rc = curl_easy_perform(curl);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
  curl_slist_free_all(headers);

  if (rc == CURLE_OK) {
    if (!t.CheckHead()) {
      response.error = HttpError::Refused;
      response.errorText = "refused";
    }
  } else {
    if (!t.headDone) {
      long status = 0;
      curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
      response.status = status;
    }
    if (t.cancelled)
      response.error = HttpError::Cancelled;
    else if (t.stalled)
      response.error = HttpError::Stalled;
    else if (t.refused)
      response.error = HttpError::Refused;
    else
      response.error = Classify(rc);
    response.errorText = errorBuffer[0] ? errorBuffer : curl_easy_strerror(rc);
  }
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
  return response;
}

bool CrackUrl(const std::string& url, UrlParts& out) {
  out = UrlParts{};
  const size_t sep = url.find("://");
  if (sep == std::string::npos || sep == 0) return false;
  for (size_t i = 0; i < sep; ++i)
    out.scheme += static_cast<char>(std::tolower(static_cast<unsigned char>(url[i])));
  size_t pos = sep + 3;
  size_t end = url.find_first_of("/?", pos);
  std::string authority = url.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
  if (authority.empty() || authority.find('@') != std::string::npos) return false;
  const size_t colon = authority.rfind(':');
  out.port = out.scheme == "https" ? 443 : out.scheme == "http" ? 80 : 0;
  if (colon != std::string::npos && authority.find(']') == std::string::npos) {
    const std::string portText = authority.substr(colon + 1);
    if (portText.empty() || portText.size() > 5) return false;
    int port = 0;
    for (char c : portText) {
      if (c < '0' || c > '9') return false;
      port = port * 10 + (c - '0');
    }
    if (port == 0 || port > 65535) return false;
    out.port = port;
    authority.resize(colon);
  }
  if (authority.empty()) return false;
  out.host = authority;
  if (end == std::string::npos) {
    out.path.assign(1, '/');
    return true;
  }
  const size_t q = url.find('?', end);
  if (q == std::string::npos) {
    out.path = url.substr(end);
  } else {
    out.path = url.substr(end, q - end);
    out.extra = url.substr(q);
  }
  if (out.path.empty()) out.path.assign(1, '/');
  return true;
}

}  // namespace upvane
