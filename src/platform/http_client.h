#pragma once
// HTTP(S) transfers over libcurl's easy interface. One HttpClient keeps one
// handle, so consecutive requests of one worker run share the connection.
// Server certificates are always verified: the system store plus the extra
// CA file of the deployment (UPVANE_CA_FILE).
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace upvane {

enum class HttpError {
  None,
  Timeout,        // no connection or no answer within the time-out
  CannotConnect,  // refused, unreachable or unknown host
  Tls,            // handshake or certificate verification failed
  Dropped,        // the connection ended before the body was complete
  Stalled,        // no byte for the stall time
  Cancelled,      // the cancel flag was set
  Refused,        // the header or body callback refused the transfer
  Other,
};

const char* HttpErrorName(HttpError e);

struct HttpCredentials {
  std::string user;
  std::string password;
};

// Asked when a server (401) or proxy (407) wants credentials. Returns false
// when the user declines; the caller then stops asking.
using CredentialPrompt = std::function<bool(const std::string& url, long status, HttpCredentials& out)>;
// Process-wide hook (the application shell installs a dialog); empty = none.
void SetCredentialPrompt(CredentialPrompt prompt);
// False when no hook is installed or the hook declines.
bool AskCredentials(const std::string& url, long status, HttpCredentials& out);

struct HttpRequest {
  std::string method = "GET";  // "GET", "POST" or "HEAD"
  std::string url;
  std::string body;  // POST body, sent as it is
  std::vector<std::string> headers;
  bool useRange = false;  // ask for the bytes from rangeFrom to the end
  uint64_t rangeFrom = 0;
  bool followRedirects = false;
};

struct HttpResponse {
  long status = 0;
  int64_t contentLength = -1;  // -1 when the answer gave none
  uint64_t bodyBytes = 0;      // bytes handed to the sink
  HttpError error = HttpError::None;
  std::string errorText;
  bool ok() const { return error == HttpError::None; }
};

// Called once, after the headers and before the first body byte (or at the
// end for an empty body); false ends the transfer with HttpError::Refused.
using HttpHeaderCheck = std::function<bool(const HttpResponse& head)>;
// Receives the body piece by piece; false ends the transfer (Refused).
using HttpSink = std::function<bool(const uint8_t* data, size_t len)>;

class HttpClient {
 public:
  HttpClient();
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  bool IsValid() const { return m_curl != nullptr; }
  void SetUserAgent(const std::string& agent) { m_strAgent = agent; }
  // Connect time-out (real ms) and the longest time without a received byte
  // (program ms, through the platform clock); 0 = no limit.
  void SetTimeouts(uint32_t connectMs, uint32_t stallMs) {
    m_nConnectMs = connectMs;
    m_nStallMs = stallMs;
  }
  // Extra trusted CA file (PEM); defaults to the deployment's.
  void SetCaFile(const std::string& path) { m_strCaFile = path; }
  // A non-zero value ends the running transfer with HttpError::Cancelled.
  void SetCancelFlag(const std::atomic<int>* flag) { m_pCancel = flag; }
  // Credentials for the following requests (status 401: server, 407: proxy).
  void SetCredentials(long status, const HttpCredentials& c);

  HttpResponse Perform(const HttpRequest& request, const HttpHeaderCheck& onHead, const HttpSink& sink);

  // Implementation details used by the curl callbacks.
  struct Transfer;

 private:
  void* m_curl = nullptr;  // CURL*
  std::string m_strAgent;
  std::string m_strCaFile;
  uint32_t m_nConnectMs = 30000;
  uint32_t m_nStallMs = 30000;
  const std::atomic<int>* m_pCancel = nullptr;
  HttpCredentials m_server;
  HttpCredentials m_proxy;
};

// Splits "scheme://host[:port]/path?extra" (no user or password parts).
struct UrlParts {
  std::string scheme;  // lower case
  std::string host;
  int port = 0;  // the scheme's default when the URL names none
  std::string path;
  std::string extra;  // "?..." including the '?'
};
bool CrackUrl(const std::string& url, UrlParts& out);

}  // namespace upvane
