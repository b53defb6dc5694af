// simserver: the update server, the repair-image file server and the
// version/log server, on 127.0.0.1 and free ports, with scriptable faults.
// It is test equipment: requests are checked strictly and answered the way
// the real servers answer bad ones, so that faults in the program show.
//
//   simserver --scenario FILE [--home DIR] [--cert-host NAME] [--stop-on-eof]
//
// Once listening it prints four lines, the values for UPVANE_UPDATE_URL,
// UPVANE_REPAIR_HOST, UPVANE_VERSION_HOST and UPVANE_CA_FILE:
//   update https://127.0.0.1:P/sysupdaterserver/
//   files 127.0.0.1:P        (plain HTTP)
//   version 127.0.0.1:P      (HTTPS, also the log receiver)
//   ca DIR/ca.pem
//
// Scenario (only these top-level sections are read here):
//   "servers": {"versionFiles": {"vqversion": "1.0.0\n", ...},
//               "images": [{"tag": "binfile34", "size": N, "seed": S}]}
//   "updates": [{"model": "E3107NC", "from": "*" or a phone version,
//                "offer": "v1"|"v2"|"both"|"none", "version": server form,
//                "unit": "65536" or "a/b", "announceExtra": n,
//                "package": {"size": N, "seed": S}}]
// Keys and the IV are the deployment's (platform/deployment_values.h).
//
// Test endpoints on every server: GET /test/recorded (JSON of what arrived),
// POST /test/reset, GET /test/package/<i> (a package's ciphertext) and
// POST /test/fault with {"kind": k, "server": "update"|"files"|"version"|
// "any", "id": request id, "skip": n, "count": n, "bytes": n, "ms": n,
// "rate": bytes/s}; kinds: status500, drop (after "bytes"), stall ("ms"
// after "bytes"), slow ("rate"), nolength, expired ("Session Expired"),
// norange (files), auth401 (update; user "user", password "pw").
#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "certs.h"
#include "platform/deployment_values.h"

namespace upvane::sim {

namespace {

using json = nlohmann::json;

std::atomic<bool> g_stop{false};

void OnSignal(int) { g_stop.store(true); }

void SleepMs(int ms) {
  for (int waited = 0; waited < ms && !g_stop.load(); waited += 10)
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(10, ms - waited)));
}

// ---- bytes, keys, cipher -------------------------------------------------

std::string Hex(const uint8_t* p, size_t n) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    out += digits[p[i] >> 4];
    out += digits[p[i] & 15];
  }
  return out;
}

bool Unhex16(const std::string& hex, uint8_t out[16]) {
  if (hex.size() != 32) return false;
  for (size_t i = 0; i < 16; ++i) {
    unsigned v = 0;
    if (std::sscanf(hex.c_str() + 2 * i, "%2x", &v) != 1) return false;
    out[i] = static_cast<uint8_t>(v);
  }
  return true;
}

struct Key {
  uint8_t bytes[16] = {0};
};

bool Cipher(const Key& key, const uint8_t iv[16], bool encrypt, const std::string& in, std::string& out) {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  if (!ctx) return false;
  out.assign(in.size() + 32, '\0');
  int n1 = 0, n2 = 0;
  const bool ok =
      EVP_CipherInit_ex(ctx, EVP_aes_128_cbc(), nullptr, key.bytes, iv, encrypt ? 1 : 0) == 1 &&
      EVP_CipherUpdate(ctx, reinterpret_cast<unsigned char*>(out.data()), &n1,
                       reinterpret_cast<const unsigned char*>(in.data()), static_cast<int>(in.size())) == 1 &&
      EVP_CipherFinal_ex(ctx, reinterpret_cast<unsigned char*>(out.data()) + n1, &n2) == 1;
  EVP_CIPHER_CTX_free(ctx);
  out.resize(ok ? static_cast<size_t>(n1 + n2) : 0);
  return ok;
}

// Deterministic content by position, so any range can be made again.
void FillPattern(uint64_t seed, uint64_t offset, uint8_t* out, size_t len) {
  for (size_t i = 0; i < len; ++i) {
    uint64_t x = (offset + i) / 8 * 0x9E3779B97F4A7C15ull + seed * 0xD1B54A32D192ED03ull + 1;
    x ^= x >> 31;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 29;
    out[i] = static_cast<uint8_t>(x >> (8 * ((offset + i) % 8)));
  }
}

// ---- scenario and state --------------------------------------------------

struct Package {
  uint64_t plainSize = 0;
  uint64_t seed = 0;
  std::string file;  // the ciphertext
  uint64_t cipherSize = 0;
  uint8_t key[32] = {0};  // "fk"; the first 16 bytes encrypt
  std::string md5;        // of the plaintext
};

struct Offer {
  std::string model;
  std::string from;   // server form, "*" = any
  std::string offer;  // v1, v2, both, none
  std::string version;
  std::string unit;
  int64_t announceExtra = 0;  // announced size minus the real ciphertext size
  int package = -1;
};

struct Image {
  std::string tag;
  uint64_t size = 0;
  uint64_t seed = 0;
  std::string md5;
};

struct Session {
  Key key;  // the session key (first 16 bytes of "k")
  uint8_t keyBytes[32] = {0};
  int requestKey = -1;
  std::string deviceId;
  std::string ph;
  int offer = -1;
  bool queried = false;
};

struct Fault {
  std::string server = "any";  // update, files, version, any
  std::string kind;            // status500, drop, stall, slow, nolength, expired, norange
  int id = 0;                  // update request id it applies to (0 = any)
  int skip = 0;                // matching requests to let pass first
  int count = 1;               // matching requests it applies to
  uint64_t bytes = 0;          // drop/stall: after this many body bytes
  int ms = 0;                  // stall length
  uint64_t rate = 0;           // slow: bytes per second
};

struct State {
  std::mutex mutex;
  Key defaultKey;
  uint8_t iv[16] = {0};
  std::string requestKeys[12];
  std::vector<Package> packages;
  std::vector<Offer> offers;
  std::vector<Image> images;
  std::map<std::string, std::string> versionFiles;
  std::vector<Session> sessions;
  std::vector<Fault> faults;
  json recorded = json::object();
  uint64_t sliceRequests = 0;
};

State g_state;

void Record(const char* list, json entry) {
  json& arr = g_state.recorded[list];
  if (!arr.is_array()) arr = json::array();
  // Bound the record: long stall runs make many thousands of requests.
  if (arr.size() < 20000) arr.push_back(std::move(entry));
}

// The fault that applies to this request, consuming one use of it.
bool TakeFault(const std::string& server, int id, Fault& out) {
  for (auto it = g_state.faults.begin(); it != g_state.faults.end(); ++it) {
    if (it->server != "any" && it->server != server) continue;
    if (it->id != 0 && it->id != id) continue;
    if (it->skip > 0) {
      --it->skip;
      continue;
    }
    out = *it;
    if (--it->count <= 0) g_state.faults.erase(it);
    return true;
  }
  return false;
}

std::string ToServerForm(const std::string& v) {
  auto piece = [&](size_t pos, size_t len) { return pos < v.size() ? v.substr(pos, len) : std::string(); };
  return piece(0, 1) + piece(2, 2) + "." + piece(4, 1) + "." + piece(5, 2) + "00";
}

bool MakePackage(const std::string& home, size_t index, Package& p, std::string& error) {
  RAND_bytes(p.key, sizeof p.key);
  Key key;
  std::memcpy(key.bytes, p.key, 16);
  p.file = home + "/package" + std::to_string(index) + ".enc";
  std::FILE* f = std::fopen(p.file.c_str(), "wb");
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_MD_CTX* md = EVP_MD_CTX_new();
  bool ok = f && ctx && md &&
            EVP_EncryptInit_ex(ctx, EVP_aes_128_cbc(), nullptr, key.bytes, g_state.iv) == 1 &&
            EVP_DigestInit_ex(md, EVP_md5(), nullptr) == 1;
  std::vector<uint8_t> plain(1 << 20), cipher((1 << 20) + 32);
  uint64_t done = 0;
  while (ok && done < p.plainSize) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(plain.size(), p.plainSize - done));
    FillPattern(p.seed, done, plain.data(), n);
    EVP_DigestUpdate(md, plain.data(), n);
    int outLen = 0;
    ok = EVP_EncryptUpdate(ctx, cipher.data(), &outLen, plain.data(), static_cast<int>(n)) == 1 &&
         std::fwrite(cipher.data(), 1, static_cast<size_t>(outLen), f) == static_cast<size_t>(outLen);
    p.cipherSize += static_cast<uint64_t>(outLen);
    done += n;
  }
  int outLen = 0;
  if (ok) {
    ok = EVP_EncryptFinal_ex(ctx, cipher.data(), &outLen) == 1 &&
         std::fwrite(cipher.data(), 1, static_cast<size_t>(outLen), f) == static_cast<size_t>(outLen);
    p.cipherSize += static_cast<uint64_t>(outLen);
  }
  unsigned char digest[16];
  unsigned int dl = 0;
  if (ok) ok = EVP_DigestFinal_ex(md, digest, &dl) == 1;
  if (ok) p.md5 = Hex(digest, 16);
  if (f && std::fclose(f) != 0) ok = false;
  EVP_CIPHER_CTX_free(ctx);
  EVP_MD_CTX_free(md);
  if (!ok) error = "cannot make package " + std::to_string(index);
  return ok;
}

std::string ImageMd5(const Image& img) {
  EVP_MD_CTX* md = EVP_MD_CTX_new();
  EVP_DigestInit_ex(md, EVP_md5(), nullptr);
  std::vector<uint8_t> buf(1 << 16);
  for (uint64_t done = 0; done < img.size;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(buf.size(), img.size - done));
    FillPattern(img.seed, done, buf.data(), n);
    EVP_DigestUpdate(md, buf.data(), n);
    done += n;
  }
  unsigned char digest[16];
  unsigned int dl = 0;
  EVP_DigestFinal_ex(md, digest, &dl);
  EVP_MD_CTX_free(md);
  return Hex(digest, 16);
}

bool LoadScenario(const std::string& path, const std::string& home, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  json doc = json::parse(in, nullptr, false);
  if (doc.is_discarded() || !doc.is_object()) {
    error = "not a JSON object: " + path;
    return false;
  }
  try {
    const json servers = doc.value("servers", json::object());
    const json versionFiles = servers.value("versionFiles", json::object());
    for (auto& [name, text] : versionFiles.items()) g_state.versionFiles[name] = text.get<std::string>();
    const json images = servers.value("images", json::array());
    for (const json& img : images) {
      Image i;
      i.tag = img.at("tag").get<std::string>();
      i.size = img.at("size").get<uint64_t>();
      i.seed = img.value("seed", uint64_t{1});
      i.md5 = ImageMd5(i);
      g_state.images.push_back(i);
    }
    const json updates = doc.value("updates", json::array());
    for (const json& u : updates) {
      Offer o;
      o.model = u.at("model").get<std::string>();
      const std::string from = u.value("from", std::string("*"));
      o.from = from == "*" || from.size() != 10 ? from : ToServerForm(from);
      o.offer = u.value("offer", std::string("v1"));
      o.version = u.at("version").get<std::string>();
      o.unit = u.value("unit", std::string("65536"));
      o.announceExtra = u.value("announceExtra", int64_t{0});
      Package p;
      const json pkg = u.value("package", json::object());
      p.plainSize = pkg.value("size", uint64_t{100000});
      p.seed = pkg.value("seed", uint64_t{1});
      if (!MakePackage(home, g_state.packages.size(), p, error)) return false;
      o.package = static_cast<int>(g_state.packages.size());
      g_state.packages.push_back(p);
      g_state.offers.push_back(o);
    }
  } catch (const std::exception& e) {
    error = std::string("bad scenario: ") + e.what();
    return false;
  }
  return true;
}

// ---- body writing with faults --------------------------------------------

using Reader = std::function<bool(uint64_t offset, uint8_t* out, size_t len)>;

void ServeBytes(httplib::Response& res, uint64_t size, Reader reader, const Fault* fault) {
  const Fault f = fault ? *fault : Fault{};
  auto piece = [f, reader, size](uint64_t offset, httplib::DataSink& sink) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(64 * 1024, size - offset));
    if (f.kind == "slow" && f.rate > 0)
      n = static_cast<size_t>(std::max<uint64_t>(1, std::min<uint64_t>(n, f.rate / 20)));
    if ((f.kind == "drop" || f.kind == "stall") && offset < f.bytes)
      n = static_cast<size_t>(std::min<uint64_t>(n, f.bytes - offset));
    if (f.kind == "drop" && offset >= f.bytes) return false;  // connection closed mid-body
    if (f.kind == "stall" && offset == f.bytes) SleepMs(f.ms);
    if (g_stop.load()) return false;
    std::vector<uint8_t> buf(n);
    if (!reader(offset, buf.data(), n)) return false;
    if (!sink.write(reinterpret_cast<const char*>(buf.data()), n)) return false;
    if (f.kind == "slow" && f.rate > 0) SleepMs(50);
    return true;
  };
  if (f.kind == "nolength") {
    res.set_chunked_content_provider("application/octet-stream",
                                     [piece, size](size_t offset, httplib::DataSink& sink) {
                                       if (offset >= size) {
                                         sink.done();
                                         return true;
                                       }
                                       return piece(offset, sink);
                                     });
    return;
  }
  res.set_content_provider(
      static_cast<size_t>(size), "application/octet-stream",
      [piece](size_t offset, size_t, httplib::DataSink& sink) { return piece(offset, sink); });
}

Reader FileReader(const std::string& path, uint64_t base) {
  auto file = std::make_shared<std::ifstream>(path, std::ios::binary);
  return [file, base](uint64_t offset, uint8_t* out, size_t len) {
    file->clear();
    file->seekg(static_cast<std::streamoff>(base + offset));
    file->read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(len));
    return file->gcount() == static_cast<std::streamsize>(len);
  };
}

// ---- the update server ---------------------------------------------------

std::vector<std::pair<std::string, std::string>> SplitFields(const std::string& text) {
  std::vector<std::pair<std::string, std::string>> out;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('&', start);
    if (end == std::string::npos) end = text.size();
    const std::string field = text.substr(start, end - start);
    const size_t eq = field.find('=');
    out.emplace_back(eq == std::string::npos ? field : field.substr(0, eq),
                     eq == std::string::npos ? std::string() : field.substr(eq + 1));
    start = end + 1;
  }
  return out;
}

bool HasNames(const std::vector<std::pair<std::string, std::string>>& f,
              std::initializer_list<const char*> names) {
  if (f.size() != names.size()) return false;
  size_t i = 0;
  for (const char* n : names)
    if (f[i++].first != n) return false;
  return true;
}

bool IsDecimal(const std::string& s) {
  if (s.empty() || s.size() > 11) return false;
  for (size_t i = 0; i < s.size(); ++i)
    if (!(std::isdigit(static_cast<unsigned char>(s[i])) || (i == 0 && s[i] == '-'))) return false;
  return true;
}

bool Printable(const std::string& s) {
  for (unsigned char c : s)
    if (c < 0x20 || c > 0x7E) return false;
  return !s.empty();
}

void Answer(httplib::Response& res, const Key& key, const std::string& text) {
  std::string cipher;
  if (!Cipher(key, g_state.iv, true, text, cipher)) cipher.clear();
  res.status = 200;
  res.set_content(cipher, "application/octet-stream");
}

void Empty(httplib::Response& res) {
  res.status = 200;
  res.set_content("", "application/octet-stream");
}

void HandleUpdate(const httplib::Request& req, httplib::Response& res) {
  std::lock_guard<std::mutex> lock(g_state.mutex);
  // Which key opens the request: default, a session key or a package key.
  std::string text;
  std::string keyKind;
  int sessionIndex = -1;
  Key key;
  auto tryKey = [&](const Key& k) {
    std::string plain;
    if (req.body.size() % 16 != 0 || req.body.empty()) return false;
    if (!Cipher(k, g_state.iv, false, req.body, plain) || plain.rfind("id=", 0) != 0 || !Printable(plain))
      return false;
    text = plain;
    key = k;
    return true;
  };
  if (tryKey(g_state.defaultKey)) keyKind = "default";
  for (int i = static_cast<int>(g_state.sessions.size()) - 1; i >= 0 && keyKind.empty(); --i) {
    const Session& s = g_state.sessions[static_cast<size_t>(i)];
    if (tryKey(s.key)) {
      keyKind = "session";
      sessionIndex = i;
    } else if (s.queried) {
      Key pk;
      std::memcpy(
          pk.bytes,
          g_state.packages[static_cast<size_t>(g_state.offers[static_cast<size_t>(s.offer)].package)].key,
          16);
      if (tryKey(pk)) {
        keyKind = "package";
        sessionIndex = i;
      }
    }
  }
  json entry = {{"userAgent", req.get_header_value("User-Agent")}, {"bytes", req.body.size()}};
  if (keyKind.empty()) {
    entry["error"] = "undecryptable";
    Record("update", entry);
    Empty(res);
    return;
  }
  const auto fields = SplitFields(text);
  const int id = fields.empty() ? 0 : std::atoi(fields[0].second.c_str());
  entry["id"] = id;
  entry["key"] = keyKind;
  if (id != 4) entry["text"] = text;

  static const char* const expectedKey[] = {"", "default", "session", "session", "session", "package"};
  const bool wellFormed =
      (id == 1 && HasNames(fields, {"id", "m", "k"})) || (id == 2 && HasNames(fields, {"id", "p", "v"})) ||
      (id == 3 && HasNames(fields, {"id", "c", "ph"}) && IsDecimal(fields[1].second)) ||
      (id == 4 && HasNames(fields, {"id", "ph", "offset", "bytes"}) && IsDecimal(fields[2].second) &&
       IsDecimal(fields[3].second)) ||
      (id == 5 && (HasNames(fields, {"id", "status"}) || HasNames(fields, {"id", "status", "errno"})) &&
       IsDecimal(fields[1].second));
  if (!wellFormed) {
    entry["error"] = "malformed";
    Record("update", entry);
    Empty(res);
    return;
  }
  if (keyKind != expectedKey[id]) {
    entry["error"] = "wrong key";
    Record("update", entry);
    Empty(res);
    return;
  }
  if (id == 4) {
    entry["offset"] = std::atoll(fields[2].second.c_str());
    entry["count"] = std::atoll(fields[3].second.c_str());
    ++g_state.sliceRequests;
  }
  Fault fault;
  const bool faulty = TakeFault("update", id, fault);
  if (faulty) entry["fault"] = fault.kind;
  if (faulty && fault.kind == "status500") {
    Record("update", entry);
    res.status = 500;
    res.set_content("Internal Server Error", "text/plain");
    return;
  }
  if (faulty && fault.kind == "auth401" && req.get_header_value("Authorization") != "Basic dXNlcjpwdw==") {
    // Credentials wanted (user "user", password "pw").
    Record("update", entry);
    res.status = 401;
    res.set_header("WWW-Authenticate", "Basic realm=\"sysupdater\"");
    res.set_content("Unauthorized", "text/plain");
    return;
  }
  if (faulty && fault.kind == "expired") {
    Record("update", entry);
    Answer(res, key, "Session Expired");
    return;
  }
  Session* s = sessionIndex >= 0 ? &g_state.sessions[static_cast<size_t>(sessionIndex)] : nullptr;
  switch (id) {
    case 1: {
      int requestKey = -1;
      for (int i = 0; i < 12; ++i)
        if (fields[2].second == g_state.requestKeys[i]) requestKey = i;
      if (requestKey < 0 || fields[1].second.empty()) {
        entry["error"] = "unknown request key";
        Record("update", entry);
        Empty(res);
        return;
      }
      Session ns;
      RAND_bytes(ns.keyBytes, sizeof ns.keyBytes);
      std::memcpy(ns.key.bytes, ns.keyBytes, 16);
      ns.requestKey = requestKey;
      ns.deviceId = fields[1].second;
      g_state.sessions.push_back(ns);
      Record("update", entry);
      Answer(res, key, "k=" + Hex(ns.keyBytes, 32));
      return;
    }
    case 2: {
      const std::string& model = fields[1].second;
      const std::string& version = fields[2].second;
      static const std::pair<const char*, int> models[] = {
          {"C3101", 0}, {"E3102", 1},   {"E3104", 2},    {"E3105", 3}, {"S3106", 4},   {"S3106PP", 4},
          {"E3107", 5}, {"E3107NC", 5}, {"E3108", 6},    {"E3109", 7}, {"E3109NC", 7}, {"E3110", 8},
          {"C3111", 9}, {"E3112", 10},  {"E3112NC", 10}, {"E3113", 11}};
      int modelKey = -1;
      for (const auto& [m, k] : models)
        if (model == m) modelKey = k;
      if (modelKey != s->requestKey) {
        entry["error"] = "request key of another model";
        Record("update", entry);
        Empty(res);
        return;
      }
      int found = -1;
      for (size_t i = 0; i < g_state.offers.size() && found < 0; ++i)
        if (g_state.offers[i].model == model &&
            (g_state.offers[i].from == "*" || g_state.offers[i].from == version))
          found = static_cast<int>(i);
      Record("update", entry);
      if (found < 0) {
        Answer(res, key, "No Update Available");
        return;
      }
      const Offer& o = g_state.offers[static_cast<size_t>(found)];
      uint8_t ph[8];
      RAND_bytes(ph, sizeof ph);
      s->ph = Hex(ph, sizeof ph);
      s->offer = found;
      std::string answer;
      if (o.offer == "v1" || o.offer == "both") answer += "v1=" + o.version + "&";
      if (o.offer == "v2" || o.offer == "both") answer += "v2=" + o.version + "&";
      Answer(res, key, answer + "ph=" + s->ph);
      return;
    }
    case 3: {
      if (s->ph.empty() || fields[2].second != s->ph) {
        Record("update", entry);
        Answer(res, key, "Session Expired");
        return;
      }
      const Offer& o = g_state.offers[static_cast<size_t>(s->offer)];
      const int expected = (o.offer == "v1" || o.offer == "both") ? 1 : 2;
      if (o.offer == "none" || std::atoi(fields[1].second.c_str()) != expected) {
        entry["error"] = "wrong choice";
        Record("update", entry);
        Answer(res, key, "No Update Available");
        return;
      }
      const Package& p = g_state.packages[static_cast<size_t>(o.package)];
      s->queried = true;
      Record("update", entry);
      std::string answer = "size=" + std::to_string(static_cast<int64_t>(p.cipherSize) + o.announceExtra);
      if (!o.unit.empty()) answer += "&unit=" + o.unit;
      answer += "&hash=" + p.md5 + "&fk=" + Hex(p.key, 32);
      Answer(res, key, answer);
      return;
    }
    case 4: {
      const long long offset = std::atoll(fields[2].second.c_str());
      const long long bytes = std::atoll(fields[3].second.c_str());
      if (!s->queried || fields[1].second != s->ph) {
        Record("update", entry);
        Answer(res, key, "Session Expired");
        return;
      }
      const Package& p =
          g_state.packages[static_cast<size_t>(g_state.offers[static_cast<size_t>(s->offer)].package)];
      Record("update", entry);
      if (offset < 0 || bytes <= 0 || static_cast<uint64_t>(offset) >= p.cipherSize) {
        Empty(res);
        return;
      }
      const uint64_t n =
          std::min<uint64_t>(static_cast<uint64_t>(bytes), p.cipherSize - static_cast<uint64_t>(offset));
      res.status = 200;
      ServeBytes(res, n, FileReader(p.file, static_cast<uint64_t>(offset)), faulty ? &fault : nullptr);
      return;
    }
    case 5: {
      entry["status"] = std::atoi(fields[1].second.c_str());
      Record("update", entry);
      Record("status",
             {{"status", std::atoi(fields[1].second.c_str())}, {"text", text}, {"device", s->deviceId}});
      Answer(res, key, "result=ok");
      return;
    }
    default:
      Empty(res);
  }
}

// ---- files, versions, log ------------------------------------------------

void ClearRanges(const httplib::Request& req) {
  // The handlers answer Range requests themselves (or, on request, not at
  // all); the library must not cut the body again.
  const_cast<httplib::Request&>(req).ranges.clear();
}

void HandleImage(const httplib::Request& req, httplib::Response& res) {
  const std::string rangeHeader = req.get_header_value("Range");
  ClearRanges(req);
  std::lock_guard<std::mutex> lock(g_state.mutex);
  const std::string tag = req.matches[1];
  json entry = {
      {"path", req.path}, {"range", rangeHeader}, {"userAgent", req.get_header_value("User-Agent")}};
  Fault fault;
  const bool faulty = TakeFault("files", 0, fault);
  if (faulty) entry["fault"] = fault.kind;
  Record("files", entry);
  const Image* img = nullptr;
  for (const Image& i : g_state.images)
    if (i.tag == tag) img = &i;
  if (!img) {
    res.status = 404;
    res.set_content("Not Found", "text/plain");
    return;
  }
  if (faulty && fault.kind == "status500") {
    res.status = 500;
    res.set_content("Internal Server Error", "text/plain");
    return;
  }
  uint64_t from = 0;
  if (!rangeHeader.empty() && !(faulty && fault.kind == "norange")) {
    unsigned long long start = 0;
    if (std::sscanf(rangeHeader.c_str(), "bytes=%llu-", &start) == 1 && start < img->size) {
      from = start;
      res.status = 206;
      res.set_header("Content-Range", "bytes " + std::to_string(from) + "-" + std::to_string(img->size - 1) +
                                          "/" + std::to_string(img->size));
    } else {
      res.status = 416;
      return;
    }
  } else {
    res.status = 200;
  }
  res.set_header("Accept-Ranges", "bytes");
  const uint64_t seed = img->seed;
  Reader reader = [seed, from](uint64_t offset, uint8_t* out, size_t len) {
    FillPattern(seed, from + offset, out, len);
    return true;
  };
  // A drop or stall counts from the start of the file, not of this answer.
  if (faulty && (fault.kind == "drop" || fault.kind == "stall"))
    fault.bytes = fault.bytes > from ? fault.bytes - from : 0;
  ServeBytes(res, img->size - from, reader, faulty ? &fault : nullptr);
}

void HandleVersionFile(const httplib::Request& req, httplib::Response& res) {
  std::lock_guard<std::mutex> lock(g_state.mutex);
  const std::string name = req.matches[1];
  Fault fault;
  const bool faulty = TakeFault("version", 0, fault);
  json entry = {{"path", req.path},
                {"userAgent", req.get_header_value("User-Agent")},
                {"accept", req.get_header_value("Accept")}};
  if (faulty) entry["fault"] = fault.kind;
  Record("version", entry);
  auto it = g_state.versionFiles.find(name);
  if (faulty && fault.kind == "status500") {
    res.status = 500;
    res.set_content("Internal Server Error", "text/plain");
  } else if (it == g_state.versionFiles.end()) {
    res.status = 404;
    res.set_content("Not Found", "text/plain");
  } else {
    res.status = 200;
    if (faulty && fault.kind == "nolength") {
      ServeBytes(
          res, it->second.size(),
          [text = it->second](uint64_t off, uint8_t* out, size_t len) {
            std::memcpy(out, text.data() + off, len);
            return true;
          },
          &fault);
    } else {
      res.set_content(it->second, "text/plain");
    }
  }
}

void HandleLog(const httplib::Request& req, httplib::Response& res) {
  std::lock_guard<std::mutex> lock(g_state.mutex);
  Fault fault;
  const bool faulty = TakeFault("version", 0, fault);
  json entry = {{"body", req.body},
                {"contentType", req.get_header_value("Content-Type")},
                {"userAgent", req.get_header_value("User-Agent")}};
  if (faulty && fault.kind == "status500") {
    entry["fault"] = fault.kind;
    Record("logsRefused", entry);
    res.status = 500;
    res.set_content("Internal Server Error", "text/plain");
    return;
  }
  if (faulty && fault.kind == "drop") {
    // The connection ends without an answer, as with no network.
    entry["fault"] = fault.kind;
    Record("logsRefused", entry);
    res.set_content_provider(16, "text/plain", [](size_t, size_t, httplib::DataSink&) { return false; });
    return;
  }
  Record("logs", entry);
  res.status = 200;
  res.set_content("OK", "text/plain");
}

// ---- test endpoints --------------------------------------------------------

void AddTestEndpoints(httplib::Server& server) {
  server.Get("/test/recorded", [](const httplib::Request&, httplib::Response& res) {
    std::lock_guard<std::mutex> lock(g_state.mutex);
    json out = g_state.recorded;
    out["sliceRequests"] = g_state.sliceRequests;
    out["sessions"] = g_state.sessions.size();
    json pkgs = json::array();
    for (const Package& p : g_state.packages)
      pkgs.push_back({{"plainSize", p.plainSize},
                      {"cipherSize", p.cipherSize},
                      {"md5", p.md5},
                      {"key", Hex(p.key, 32)}});
    out["packages"] = pkgs;
    json imgs = json::object();
    for (const Image& i : g_state.images) imgs[i.tag] = {{"size", i.size}, {"md5", i.md5}};
    out["images"] = imgs;
    out["faultsLeft"] = g_state.faults.size();
    res.set_content(out.dump(), "application/json");
  });
  server.Post("/test/fault", [](const httplib::Request& req, httplib::Response& res) {
    json j = json::parse(req.body, nullptr, false);
    if (j.is_discarded() || !j.is_object() || !j.contains("kind")) {
      res.status = 400;
      return;
    }
    Fault f;
    try {
      f.kind = j.at("kind").get<std::string>();
      f.server = j.value("server", std::string("any"));
      f.id = j.value("id", 0);
      f.skip = j.value("skip", 0);
      f.count = j.value("count", 1);
      f.bytes = j.value("bytes", uint64_t{0});
      f.ms = j.value("ms", 0);
      f.rate = j.value("rate", uint64_t{0});
    } catch (const std::exception&) {
      res.status = 400;
      return;
    }
    std::lock_guard<std::mutex> lock(g_state.mutex);
    g_state.faults.push_back(f);
    res.set_content("OK", "text/plain");
  });
  server.Post("/test/reset", [](const httplib::Request&, httplib::Response& res) {
    std::lock_guard<std::mutex> lock(g_state.mutex);
    g_state.recorded = json::object();
    g_state.faults.clear();
    g_state.sliceRequests = 0;
    res.set_content("OK", "text/plain");
  });
  // The encrypted bytes of a package in one answer (for comparisons).
  server.Get(R"(/test/package/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
    ClearRanges(req);
    std::lock_guard<std::mutex> lock(g_state.mutex);
    const size_t i = static_cast<size_t>(std::atoi(std::string(req.matches[1]).c_str()));
    if (i >= g_state.packages.size()) {
      res.status = 404;
      return;
    }
    ServeBytes(res, g_state.packages[i].cipherSize, FileReader(g_state.packages[i].file, 0), nullptr);
  });
}

void Configure(httplib::Server& server) {
  server.set_keep_alive_max_count(1000000);
  server.set_tcp_nodelay(true);  // small answers must not wait for delayed ACKs
  server.set_keep_alive_timeout(30);
  server.set_read_timeout(30, 0);
  server.set_write_timeout(30, 0);
  server.set_payload_max_length(1 << 20);
  AddTestEndpoints(server);
}

int Main(int argc, char** argv) {
  std::string scenario, home, certHost = "127.0.0.1";
  bool stopOnEof = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--scenario" && i + 1 < argc)
      scenario = argv[++i];
    else if (a == "--home" && i + 1 < argc)
      home = argv[++i];
    else if (a == "--cert-host" && i + 1 < argc)
      certHost = argv[++i];
    else if (a == "--stop-on-eof")
      stopOnEof = true;
    else {
      std::fprintf(stderr,
                   "usage: simserver --scenario FILE [--home DIR] [--cert-host NAME] [--stop-on-eof]\n");
      return 2;
    }
  }
  if (scenario.empty()) {
    std::fprintf(stderr, "simserver: --scenario is required\n");
    return 2;
  }
  bool ownHome = false;
  if (home.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/simserver-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
      std::fprintf(stderr, "simserver: cannot make a home folder\n");
      return 1;
    }
    home = pattern;
    ownHome = true;
  } else {
    std::error_code ec;
    std::filesystem::create_directories(home, ec);
  }

  namespace dv = upvane::deployment_values;
  if (!Unhex16(dv::kDefaultKey, g_state.defaultKey.bytes) || !Unhex16(dv::kFixedIv, g_state.iv)) {
    std::fprintf(stderr, "simserver: bad deployment keys\n");
    return 1;
  }
  for (int i = 0; i < 12; ++i) g_state.requestKeys[i] = dv::kRequestKeys[i];

  std::string error;
  if (!MakeCertificates(home, certHost, error) || !LoadScenario(scenario, home, error)) {
    std::fprintf(stderr, "simserver: %s\n", error.c_str());
    return 1;
  }

  const std::string cert = home + "/server.pem", key = home + "/server.key";
  httplib::SSLServer update(cert.c_str(), key.c_str());
  httplib::Server files;
  httplib::SSLServer version(cert.c_str(), key.c_str());
  if (!update.is_valid() || !version.is_valid()) {
    std::fprintf(stderr, "simserver: TLS set-up failed\n");
    return 1;
  }
  Configure(update);
  Configure(files);
  Configure(version);
  update.Post("/sysupdaterserver/", HandleUpdate);
  files.Get(R"(/zavezi/rQ4mWz8N/([A-Za-z0-9_]+)\.bin)", HandleImage);
  version.Get(R"(/zavezi/Calvera/E3112/([A-Za-z0-9_.]+))", HandleVersionFile);
  version.Post("/ResetLogReceiver/log.cgi", HandleLog);

  const int updatePort = update.bind_to_any_port("127.0.0.1");
  const int filesPort = files.bind_to_any_port("127.0.0.1");
  const int versionPort = version.bind_to_any_port("127.0.0.1");
  if (updatePort <= 0 || filesPort <= 0 || versionPort <= 0) {
    std::fprintf(stderr, "simserver: cannot bind\n");
    return 1;
  }
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);

  std::thread t1([&] { update.listen_after_bind(); });
  std::thread t2([&] { files.listen_after_bind(); });
  std::thread t3([&] { version.listen_after_bind(); });
  while (!update.is_running() || !files.is_running() || !version.is_running())
    std::this_thread::sleep_for(std::chrono::milliseconds(5));

  std::printf("update https://127.0.0.1:%d/sysupdaterserver/\n", updatePort);
  std::printf("files 127.0.0.1:%d\n", filesPort);
  std::printf("version 127.0.0.1:%d\n", versionPort);
  std::printf("ca %s/ca.pem\n", home.c_str());
  std::fflush(stdout);

  // With --stop-on-eof the server ends when its standard input closes, so a
  // test that dies cannot leave it running.
  std::thread watcher;
  if (stopOnEof) {
    watcher = std::thread([] {
      while (!g_stop.load()) {
        pollfd p{0, POLLIN, 0};
        const int r = ::poll(&p, 1, 100);
        if (r < 0 && errno != EINTR) break;
        if (r <= 0) continue;
        char c;
        const ssize_t n = ::read(0, &c, 1);
        if (n == 0 || (n < 0 && errno != EINTR)) break;
      }
      g_stop.store(true);
    });
  }
  while (!g_stop.load()) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  update.stop();
  files.stop();
  version.stop();
  t1.join();
  t2.join();
  t3.join();
  if (watcher.joinable()) watcher.join();
  if (ownHome) {
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
  }
  return 0;
}

}  // namespace

}  // namespace upvane::sim

int main(int argc, char** argv) {
  try {
    return upvane::sim::Main(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "simserver: %s\n", e.what());
    return 1;
  }
}
