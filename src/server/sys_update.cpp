#include "server/sys_update.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/crypto.h"
#include "platform/deployment.h"
#include "platform/format.h"
#include "platform/http_client.h"
#include "services/text_helpers.h"
#include "services/trace.h"

namespace upvane {

namespace {

constexpr size_t kRequestBuffer = 256;
constexpr size_t kAnswerBuffer = 4096;
constexpr size_t kMaxRequestText = 240;  // padded ciphertext still fits 256 bytes
constexpr size_t kDecryptBlock = 1 << 20;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Like "%02x": up to two leading hex digits; false when there is none.
bool ReadHexByte(const char* p, size_t n, uint8_t& out) {
  if (n == 0) return false;
  const int hi = HexDigit(p[0]);
  if (hi < 0) return false;
  if (n < 2) {
    out = static_cast<uint8_t>(hi);
    return true;
  }
  const int lo = HexDigit(p[1]);
  out = static_cast<uint8_t>(lo < 0 ? hi : hi * 16 + lo);
  return true;
}

bool DecodeKeyHex(const std::string& hex, uint8_t out[16]) {
  if (hex.size() != 32) return false;
  for (size_t i = 0; i < 16; ++i) {
    if (HexDigit(hex[2 * i]) < 0 || HexDigit(hex[2 * i + 1]) < 0) return false;
    out[i] = static_cast<uint8_t>(HexDigit(hex[2 * i]) * 16 + HexDigit(hex[2 * i + 1]));
  }
  return true;
}

// Pieces of `text` split at `delimiter`, empty pieces skipped (as strtok).
std::vector<std::string> Tokens(const std::string& text, char delimiter) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(delimiter, start);
    if (end == std::string::npos) end = text.size();
    if (end > start) out.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

// "%lld" of a piece: optional sign and leading digits; 0 when none.
bool ReadInt64(const std::string& text, int64_t& out) {
  const char* p = text.c_str();
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(p, &end, 10);
  if (end == p || errno == ERANGE) return false;
  out = v;
  return true;
}

struct RequestKeyRow {
  const char* model;
  int key;  // 1..12
};

const RequestKeyRow kRequestKeys[] = {
    {"C3101", 1},  {"E3102", 2},   {"E3104", 3},    {"E3105", 4},  {"S3106", 5},   {"S3106PP", 5},
    {"E3107", 6},  {"E3107NC", 6}, {"E3108", 7},    {"E3109", 8},  {"E3109NC", 8}, {"E3110", 9},
    {"C3111", 10}, {"E3112", 11},  {"E3112NC", 11}, {"E3113", 12},
};

}  // namespace

CSysUpdate::CSysUpdate() : CSysUpdate(Deployment().updateUrl) {}

CSysUpdate::CSysUpdate(const std::string& serverUrl) : m_strServerUrl(serverUrl) {}

CSysUpdate::~CSysUpdate() { CloseSession(); }

std::string CSysUpdate::ToServerVersion(const std::string& v) {
  auto piece = [&](size_t pos, size_t len) { return pos < v.size() ? v.substr(pos, len) : std::string(); };
  std::string out = piece(0, 1);
  out += piece(2, 2);
  out += '.';
  out += piece(4, 1);
  out += '.';
  out += piece(5, 2);
  out += "00";
  return out;
}

std::string CSysUpdate::ToDisplayVersion(const std::string& s) {
  if (s.empty()) return {};
  auto piece = [&](size_t pos, size_t len) { return pos < s.size() ? s.substr(pos, len) : std::string(); };
  std::string out = piece(0, 1);
  out += '.';
  out += piece(1, 2);
  out += piece(4, 1);
  out += piece(6, 2);
  out += '.';
  out += piece(8, 2);
  return out;
}

std::map<std::string, std::string> CSysUpdate::ParseResponse(const std::string& answer) {
  std::map<std::string, std::string> fields;
  std::string text = ReplaceAll(answer, "\r\n", "\n");
  text = ReplaceAll(text, "&", "\n");
  text = ReplaceAll(text, "=", ":");
  if (text.size() >= 256) return fields;
  for (const std::string& line : Tokens(text, '\n')) {
    const std::vector<std::string> parts = Tokens(line, ':');
    if (parts.size() < 2) continue;
    fields.emplace(parts[0], parts[1]);  // the first occurrence wins
  }
  return fields;
}

void CSysUpdate::DecodeHex(const std::string& text, uint8_t* out, size_t capacity) {
  for (size_t i = 0; 2 * i < text.size() && i < capacity; ++i) {
    uint8_t b = 0;
    if (ReadHexByte(text.data() + 2 * i, text.size() - 2 * i, b)) out[i] = b;
  }
}

std::string CSysUpdate::RequestKeyFor(const std::string& model) {
  for (const RequestKeyRow& row : kRequestKeys)
    if (model == row.model) return Deployment().requestKeys[row.key - 1];
  return {};
}

bool CSysUpdate::OpenSession() {
  CloseSession();
  m_nContentLength = 0;
  m_bKey = false;
  std::memset(m_sessionKey, 0, sizeof m_sessionKey);
  std::memset(m_packageKey, 0, sizeof m_packageKey);
  m_strNewVersion.clear();
  m_nOffer = 0;
  m_nSize = 0;
  m_nUnit = 0;

  UrlParts parts;
  if (!CrackUrl(m_strServerUrl, parts) || (parts.scheme != "https" && parts.scheme != "http")) return false;
  m_strScheme = parts.scheme;
  m_strHost = parts.host;
  m_nPort = parts.port;
  m_strUrlPath = parts.path;
  m_strExtraInfo = parts.extra;

  m_pHttp = std::make_unique<HttpClient>();
  if (!m_pHttp->IsValid()) {
    m_pHttp.reset();
    return false;
  }
  m_pHttp->SetUserAgent("ZRA");
  m_pHttp->SetTimeouts(30000, 30000);
  m_pHttp->SetCancelFlag(m_pCancel);
  return true;
}

void CSysUpdate::CloseSession() { m_pHttp.reset(); }

void CSysUpdate::SetCancelFlag(const std::atomic<int>* flag) {
  m_pCancel = flag;
  if (m_pHttp) m_pHttp->SetCancelFlag(flag);
}

bool CSysUpdate::initKey(const uint8_t* key) {
  m_bKey = false;
  if (key) {
    std::memcpy(m_key, key, 16);
  } else if (!DecodeKeyHex(Deployment().defaultKeyHex, m_key)) {
    return false;
  }
  if (!DecodeKeyHex(Deployment().fixedIvHex, m_iv)) return false;
  AesCbcContext probe;
  if (!probe.Init(m_key, m_iv, true)) return false;
  m_bKey = true;
  return true;
}

bool CSysUpdate::Encrypt(const std::string& plain, std::string& cipher) const {
  cipher.clear();
  if (!m_bKey) return false;
  AesCbcContext ctx;
  std::vector<uint8_t> out;
  if (!ctx.Init(m_key, m_iv, true) ||
      !ctx.Update(reinterpret_cast<const uint8_t*>(plain.data()), plain.size(), true, out))
    return false;
  cipher.assign(out.begin(), out.end());
  return true;
}

bool CSysUpdate::Decrypt(const std::string& cipher, std::string& plain) const {
  plain.clear();
  if (!m_bKey) return false;
  AesCbcContext ctx;
  std::vector<uint8_t> out;
  if (!ctx.Init(m_key, m_iv, false) ||
      !ctx.Update(reinterpret_cast<const uint8_t*>(cipher.data()), cipher.size(), true, out))
    return false;
  plain.assign(out.begin(), out.end());
  return true;
}

std::string CSysUpdate::getRequestString(int kind, int choice) {
  switch (kind) {
    case 0: {
      const std::string key = RequestKeyFor(m_strModel);
      if (key.empty()) return {};
      return Format("id=1&m=%s&k=%s", m_strDeviceId.c_str(), key.c_str());
    }
    case 1:
      return Format("id=2&p=%s&v=%s", m_strModel.c_str(), m_strVersion.c_str());
    case 2:
      if (choice != 0 && choice != 1) return {};
      return Format("id=3&c=%d&ph=%s", choice == 0 ? 2 : 1, m_strPh.c_str());
    default:
      return {};
  }
}

std::string CSysUpdate::GetChunkRequest(int64_t offset, int64_t bytes) {
  return Format("id=4&ph=%s&offset=%d&bytes=%d", m_strPh.c_str(), static_cast<int32_t>(offset),
                static_cast<int32_t>(bytes));
}

std::string CSysUpdate::GetStatusRequest(int outcome) {
  switch (outcome) {
    case 0:
      return "id=5&status=1";
    case 1:
      return "id=5&status=0";
    case 2:
      return Format("id=5&status=%d&errno=%d", 4, 0);
    default:
      return {};
  }
}

std::string CSysUpdate::DoPost(const std::string& request, int64_t& received, const std::string* slicePath,
                               bool first) {
  received = 0;
  TraceWrite("doPost[Send]=%s", request.c_str());
  std::string answer;
  std::string body;
  if (!m_pHttp || request.size() > kMaxRequestText || !Encrypt(request, body) ||
      body.size() > kRequestBuffer) {
    TraceWrite("DoPost::HttpOpenRequest()...fail");
    if (!slicePath) TraceWrite("doPost[Recv]=%s", answer.c_str());
    return answer;
  }
  TraceWrite("DoPost::Port=%d\n", m_nPort);

  HttpRequest req;
  req.method = "POST";
  req.url = m_strScheme + "://" + m_strHost + ":" + std::to_string(m_nPort) + m_strUrlPath + m_strExtraInfo;
  req.body = body;

  std::string cipher;         // answer mode
  std::FILE* file = nullptr;  // slice mode, open for the pieces of this slice
  bool fileStarted = false;
  bool tooLong = false;
  const std::string tempPath = slicePath ? *slicePath + ".temp" : std::string();

  // The body of an error answer is read and dropped, so the connection
  // stays usable for the next request.
  bool accepted = false;
  auto onHead = [&](const HttpResponse& head) {
    m_nContentLength = head.contentLength > 0 ? static_cast<uint32_t>(head.contentLength) : 0;
    accepted = head.status == 200 || head.status == 206;
    return true;
  };
  auto sink = [&](const uint8_t* data, size_t len) {
    if (!accepted) return true;
    if (slicePath) {
      if (!file) {
        file = std::fopen(tempPath.c_str(), first && !fileStarted ? "wb" : "ab");
        if (!file) return false;
        fileStarted = true;
      }
      if (std::fwrite(data, 1, len, file) != len) return false;
      received += static_cast<int64_t>(len);
      return true;
    }
    if (cipher.size() + len > kAnswerBuffer) {
      tooLong = true;
      return false;
    }
    cipher.append(reinterpret_cast<const char*>(data), len);
    return true;
  };

  auto isConnectionError = [](HttpError e) {
    return e == HttpError::Timeout || e == HttpError::CannotConnect || e == HttpError::Tls ||
           e == HttpError::Stalled;
  };
  auto nothingReceived = [](const HttpResponse& r) {
    return !r.ok() && r.error != HttpError::Refused && r.error != HttpError::Cancelled && r.status == 0 &&
           r.bodyBytes == 0;
  };
  HttpResponse resp = m_pHttp->Perform(req, onHead, sink);
  if (nothingReceived(resp)) {
    // One more send, unless the user cancelled meanwhile. A certificate
    // that fails verification fails again, so there is no endless retry.
    TraceWrite("DoPost::HttpSendRequest()...Error(%d)", static_cast<int>(resp.error));
    if (!Cancelled()) {
      resp = m_pHttp->Perform(req, onHead, sink);
      if (nothingReceived(resp))
        TraceWrite("DoPost::HttpSendRequest()...Error(%d)", static_cast<int>(resp.error));
    }
  }
  bool connectionFailure = !resp.ok() && isConnectionError(resp.error) &&
                           (resp.error != HttpError::CannotConnect || resp.status == 0);

  if (!connectionFailure && !Cancelled()) {
    if (resp.status == 0) TraceWrite("DoPost::HttpQueryInfo()...FALSE");
    TraceWrite("DoPost::HttpQueryInfo()...dwStatus=%d", static_cast<int>(resp.status));
    // Credentials asked for: ask the user until the server is satisfied or
    // the user declines (with no prompt hook, at once).
    while ((resp.status == 401 || resp.status == 407) && !Cancelled()) {
      HttpCredentials creds;
      if (!AskCredentials(req.url, resp.status, creds)) break;
      m_pHttp->SetCredentials(resp.status, creds);
      if (file) std::fclose(file);
      file = nullptr;
      cipher.clear();
      received = 0;
      resp = m_pHttp->Perform(req, onHead, sink);
      TraceWrite("DoPost::HttpQueryInfo()...dwStatus=%d", static_cast<int>(resp.status));
    }
    connectionFailure = !resp.ok() && isConnectionError(resp.error);
  }
  if (file) std::fclose(file);

  if (connectionFailure) {
    received = -1;
  } else if (Cancelled() || (resp.status != 200 && resp.status != 206)) {
    if (!slicePath) received = 0;
  } else if (!slicePath) {
    std::string plain;
    if (resp.ok() && !tooLong && !cipher.empty() && Decrypt(cipher, plain)) {
      const size_t nul = plain.find('\0');
      if (nul != std::string::npos) plain.resize(nul);
      answer = plain;
      received = static_cast<int64_t>(answer.size());
    } else {
      received = 0;
    }
  }
  if (!slicePath) TraceWrite("doPost[Recv]=%s", answer.c_str());
  return answer;
}

void CSysUpdate::SetNewVersion(const std::map<std::string, std::string>& fields) {
  auto v1 = fields.find("v1");
  auto v2 = fields.find("v2");
  if (v1 != fields.end()) {
    m_strNewVersion = v1->second;
    m_nOffer = 0;
  } else if (v2 != fields.end()) {
    m_strNewVersion = v2->second;
    m_nOffer = 1;
  } else {
    m_strNewVersion.clear();
    m_nOffer = 0;
  }
  TraceWrite("SetNewVersion=%s", m_strNewVersion.c_str());
}

bool CSysUpdate::checkResponseString(int kind, const std::string& answer) {
  const std::map<std::string, std::string> fields = ParseResponse(answer);
  auto get = [&](const char* name, std::string& out) {
    auto it = fields.find(name);
    if (it == fields.end()) return false;
    out = it->second;
    return true;
  };
  std::string value;
  switch (kind) {
    case 0:
      if (!get("k", value)) return false;
      DecodeHex(value, m_sessionKey, sizeof m_sessionKey);
      return true;
    case 1:
      SetNewVersion(fields);
      if (!get("ph", value)) return false;
      m_strPh = value;
      return true;
    case 2: {
      int64_t size = 0;
      // A negative size is as meaningless as none.
      if (!get("size", value) || !ReadInt64(value, size) || size <= 0) return false;
      m_nSize = static_cast<uint64_t>(size);
      m_nUnit = 0;
      if (get("unit", value)) {
        for (const std::string& piece : Tokens(value, '/')) {
          int64_t n = 0;
          if (piece.size() < 48 && ReadInt64(piece, n) && static_cast<uint64_t>(n) > m_nUnit)
            m_nUnit = static_cast<uint64_t>(n);
        }
      }
      if (!get("hash", value)) return false;
      DecodeHex(value, m_hash, sizeof m_hash);
      if (!get("fk", value)) return false;
      DecodeHex(value, m_packageKey, sizeof m_packageKey);
      return true;
    }
    default:
      return false;
  }
}

void CSysUpdate::ClearSessionKey() { std::memset(m_sessionKey, 0, 16); }

bool CSysUpdate::DecryptPackage(const std::string& path, const uint8_t* key, uint64_t size) {
  if (!initKey(key)) return false;
  const std::string tempPath = path + ".temp";
  std::FILE* in = std::fopen(tempPath.c_str(), "rb");
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!in || !out) {
    if (in) std::fclose(in);
    if (out) std::fclose(out);
    return false;
  }
  AesCbcContext ctx;
  bool ok = ctx.Init(m_key, m_iv, false);
  // Fixed-size blocks keep memory flat; larger ones than the classic 4 KiB
  // halve the time of this pass over a large package.
  std::vector<uint8_t> block(kDecryptBlock);
  std::vector<uint8_t> plain(kDecryptBlock + 32);
  uint64_t total = 0;
  while (ok) {
    const size_t n = std::fread(block.data(), 1, block.size(), in);
    if (n == 0) break;
    total += n;
    const bool last = total >= size;
    size_t outLen = 0;
    if (!ctx.Update(block.data(), n, last, plain.data(), outLen)) ok = false;
    if (outLen > 0 && std::fwrite(plain.data(), 1, outLen, out) != outLen) ok = false;
    if (last) break;
  }
  std::fclose(in);
  if (std::fclose(out) != 0) ok = false;
  std::error_code ec;
  std::filesystem::remove(tempPath, ec);
  // A stream cut short (cancel, failure) is decrypted as far as it goes.
  return ok;
}

}  // namespace upvane
