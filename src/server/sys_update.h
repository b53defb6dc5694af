#pragma once
// Client of the update server's encrypted request protocol. Requests and
// answers are field texts ("a=1&b=2") encrypted with AES-128-CBC under the
// key imported last; package slices are stored as they arrive and decrypted
// as a whole at the end.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace upvane {

class HttpClient;

class CSysUpdate {
 public:
  CSysUpdate();  // server URL of the deployment
  explicit CSysUpdate(const std::string& serverUrl);
  virtual ~CSysUpdate();
  CSysUpdate(const CSysUpdate&) = delete;
  CSysUpdate& operator=(const CSysUpdate&) = delete;

  void SetModel(const std::string& model) { m_strModel = model; }
  void SetDeviceId(const std::string& id) { m_strDeviceId = id; }
  void SetPhoneVersion(const std::string& version) { m_strVersion = ToServerVersion(version); }
  // The application's cancel request; null = never cancelled.
  void SetCancelFlag(const std::atomic<int>* flag);

  bool OpenSession();
  void CloseSession();

  // Imports `key` (its first 16 bytes), or the default key when null.
  bool initKey(const uint8_t* key);

  std::string getRequestString(int kind, int choice = 0);
  std::string GetChunkRequest(int64_t offset, int64_t bytes);
  std::string GetStatusRequest(int outcome);

  // Sends an encrypted request. Answer mode (slicePath null): returns the
  // decrypted answer; received = its length. Slice mode: the body is
  // appended to slicePath + ".temp" (started afresh when `first`), received =
  // the bytes stored. Any failure gives an empty answer; a time-out or a
  // connection that cannot be made gives received = -1.
  std::string DoPost(const std::string& request, int64_t& received, const std::string* slicePath = nullptr,
                     bool first = false);

  bool checkResponseString(int kind, const std::string& answer);

  std::string GetDisplayVersion() const { return ToDisplayVersion(m_strNewVersion); }
  uint64_t GetPackageSize() const { return m_nSize; }

  // Decrypts path + ".temp" into path under `key` in fixed-size blocks and
  // deletes the ".temp" file. False when a file cannot be opened or the
  // final block does not decrypt (wrong key, truncated stream).
  bool DecryptPackage(const std::string& path, const uint8_t* key, uint64_t size);

  // State read by the worker.
  const uint8_t* SessionKeyBytes() const { return m_sessionKey; }
  const uint8_t* PackageKeyBytes() const { return m_packageKey; }
  const uint8_t* CheckValue() const { return m_hash; }
  const std::string& NewVersion() const { return m_strNewVersion; }
  uint8_t OfferFlag() const { return m_nOffer; }
  uint64_t GetUnit() const { return m_nUnit; }
  const std::string& GetPh() const { return m_strPh; }
  const std::string& GetModel() const { return m_strModel; }
  const std::string& GetServerFormVersion() const { return m_strVersion; }
  void ClearSessionKey();
  // Encrypts a text under the key imported last (as a request body).
  bool EncryptText(const std::string& plain, std::string& cipher) const { return Encrypt(plain, cipher); }

  // The text rules of the protocol, exposed for the tests and the simulator.
  static std::string ToServerVersion(const std::string& phoneVersion);
  static std::string ToDisplayVersion(const std::string& serverVersion);
  // Empty map when the normalised text is 256 characters or longer.
  static std::map<std::string, std::string> ParseResponse(const std::string& answer);
  // Decodes hexadecimal pairs into at most `capacity` bytes of `out`.
  static void DecodeHex(const std::string& text, uint8_t* out, size_t capacity);
  // The request key of a model code sent as "p" ("" when it has none).
  static std::string RequestKeyFor(const std::string& model);

 private:
  void SetNewVersion(const std::map<std::string, std::string>& fields);
  bool Encrypt(const std::string& plain, std::string& cipher) const;
  bool Decrypt(const std::string& cipher, std::string& plain) const;
  bool Cancelled() const { return m_pCancel && m_pCancel->load() != 0; }

  std::string m_strServerUrl;
  std::string m_strScheme;
  std::string m_strHost;
  int m_nPort = 0;
  std::string m_strUrlPath;
  std::string m_strExtraInfo;
  std::unique_ptr<HttpClient> m_pHttp;  // one connection per run
  const std::atomic<int>* m_pCancel = nullptr;

  std::string m_strPh;
  uint8_t m_sessionKey[32] = {0};
  uint8_t m_packageKey[32] = {0};
  uint8_t m_hash[16] = {0};
  std::string m_strNewVersion;
  uint8_t m_nOffer = 0;
  uint64_t m_nSize = 0;
  uint64_t m_nUnit = 0;
  uint32_t m_nContentLength = 0;
  std::string m_strDeviceId;
  std::string m_strVersion;
  std::string m_strModel;

  // The key imported last and the fixed IV; kept per object.
  uint8_t m_key[16] = {0};
  uint8_t m_iv[16] = {0};
  bool m_bKey = false;
};

}  // namespace upvane
