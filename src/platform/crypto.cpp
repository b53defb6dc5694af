#include "platform/crypto.h"

#include <openssl/evp.h>

#include <climits>

namespace upvane {

AesCbcContext::AesCbcContext() : m_ctx(EVP_CIPHER_CTX_new()) {}

AesCbcContext::~AesCbcContext() { EVP_CIPHER_CTX_free(static_cast<EVP_CIPHER_CTX*>(m_ctx)); }

bool AesCbcContext::Init(const uint8_t key[16], const uint8_t iv[16], bool encrypt) {
  auto* ctx = static_cast<EVP_CIPHER_CTX*>(m_ctx);
  m_bReady = ctx && EVP_CipherInit_ex(ctx, EVP_aes_128_cbc(), nullptr, key, iv, encrypt ? 1 : 0) == 1 &&
             EVP_CIPHER_CTX_set_padding(ctx, 1) == 1;
  return m_bReady;
}

bool AesCbcContext::Update(const uint8_t* data, size_t len, bool final, uint8_t* out, size_t& outLen) {
  outLen = 0;
  if (!m_bReady || (len > 0 && !data)) return false;
  auto* ctx = static_cast<EVP_CIPHER_CTX*>(m_ctx);
  size_t done = 0;
  while (done < len) {
    const int piece = static_cast<int>(std::min<size_t>(len - done, INT_MAX / 2));
    int n = 0;
    if (EVP_CipherUpdate(ctx, out + outLen, &n, data + done, piece) != 1) {
      m_bReady = false;
      return false;
    }
    outLen += static_cast<size_t>(n);
    done += static_cast<size_t>(piece);
  }
  if (final) {
    int n = 0;
    const bool ok = EVP_CipherFinal_ex(ctx, out + outLen, &n) == 1;
    m_bReady = false;
    if (!ok) return false;
    outLen += static_cast<size_t>(n);
  }
  return true;
}

bool AesCbcContext::Update(const uint8_t* data, size_t len, bool final, std::vector<uint8_t>& out) {
  const size_t old = out.size();
  out.resize(old + len + 32);
  size_t n = 0;
  const bool ok = Update(data, len, final, out.data() + old, n);
  out.resize(old + n);
  return ok;
}

namespace {

template <typename Digest>
Digest OneShot(const EVP_MD* md, const void* data, size_t len) {
  Digest d{};
  unsigned int n = 0;
  EVP_Digest(data, len, d.data(), &n, md, nullptr);
  return d;
}

}  // namespace

Md5Digest Md5(const void* data, size_t len) { return OneShot<Md5Digest>(EVP_md5(), data, len); }

Sha256Digest Sha256(const void* data, size_t len) { return OneShot<Sha256Digest>(EVP_sha256(), data, len); }

Sha256Context::Sha256Context() : m_ctx(EVP_MD_CTX_new()) {
  EVP_DigestInit_ex(static_cast<EVP_MD_CTX*>(m_ctx), EVP_sha256(), nullptr);
}

Sha256Context::~Sha256Context() { EVP_MD_CTX_free(static_cast<EVP_MD_CTX*>(m_ctx)); }

void Sha256Context::Update(const void* data, size_t len) {
  EVP_DigestUpdate(static_cast<EVP_MD_CTX*>(m_ctx), data, len);
}

Sha256Digest Sha256Context::Final() {
  Sha256Digest d{};
  unsigned int n = 0;
  EVP_DigestFinal_ex(static_cast<EVP_MD_CTX*>(m_ctx), d.data(), &n);
  EVP_DigestInit_ex(static_cast<EVP_MD_CTX*>(m_ctx), EVP_sha256(), nullptr);
  return d;
}

std::string ToHex(const uint8_t* data, size_t len) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(len * 2);
  for (size_t i = 0; i < len; ++i) {
    out += digits[data[i] >> 4];
    out += digits[data[i] & 15];
  }
  return out;
}

}  // namespace upvane
