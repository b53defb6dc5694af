#pragma once
// AES-128-CBC, MD5 and SHA-256 over OpenSSL.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace upvane {

// A streaming AES-128-CBC context with PKCS#7 padding, used like the
// Windows decrypt/encrypt calls: Update() takes the next piece, and the
// piece marked final finishes the stream (padding added or checked and
// removed). Output may trail the input by one block until the final piece.
class AesCbcContext {
 public:
  AesCbcContext();
  ~AesCbcContext();
  AesCbcContext(const AesCbcContext&) = delete;
  AesCbcContext& operator=(const AesCbcContext&) = delete;

  bool Init(const uint8_t key[16], const uint8_t iv[16], bool encrypt);
  // Appends the output of `len` input bytes to `out`. After a final piece
  // the context must be initialised again. False on bad padding or misuse.
  bool Update(const uint8_t* data, size_t len, bool final, std::vector<uint8_t>& out);
  // Same, writing into `out` (room for len + 16 bytes), the count in outLen.
  bool Update(const uint8_t* data, size_t len, bool final, uint8_t* out, size_t& outLen);

 private:
  void* m_ctx = nullptr;  // EVP_CIPHER_CTX
  bool m_bReady = false;
};

using Md5Digest = std::array<uint8_t, 16>;
using Sha256Digest = std::array<uint8_t, 32>;

Md5Digest Md5(const void* data, size_t len);
Sha256Digest Sha256(const void* data, size_t len);

class Sha256Context {
 public:
  Sha256Context();
  ~Sha256Context();
  Sha256Context(const Sha256Context&) = delete;
  Sha256Context& operator=(const Sha256Context&) = delete;
  void Update(const void* data, size_t len);
  Sha256Digest Final();

 private:
  void* m_ctx = nullptr;  // EVP_MD_CTX
};

// Lower-case hexadecimal text of bytes.
std::string ToHex(const uint8_t* data, size_t len);

}  // namespace upvane
