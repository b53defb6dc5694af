#include "certs.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>

#include <cstdio>
#include <memory>

namespace upvane::sim {

namespace {

struct Deleter {
  void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
  void operator()(X509* p) const { X509_free(p); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, Deleter>;
using CertPtr = std::unique_ptr<X509, Deleter>;

bool AddExtension(X509* cert, X509* issuer, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
  if (!ext) return false;
  const bool ok = X509_add_ext(cert, ext, -1) == 1;
  X509_EXTENSION_free(ext);
  return ok;
}

CertPtr MakeCert(EVP_PKEY* key, const char* commonName, X509* issuer) {
  CertPtr cert(X509_new());
  if (!cert) return nullptr;
  X509_set_version(cert.get(), 2);
  unsigned char serial[8];
  RAND_bytes(serial, sizeof serial);
  serial[0] &= 0x7F;
  BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
  BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert.get()));
  BN_free(bn);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 30L * 24 * 3600);
  X509_set_pubkey(cert.get(), key);
  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("Up Vane simulator"), -1, -1, 0);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName), -1,
                             -1, 0);
  X509_set_issuer_name(cert.get(), issuer ? X509_get_subject_name(issuer) : name);
  return cert;
}

bool WritePem(const std::string& path, X509* cert, EVP_PKEY* key) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (!f) return false;
  const bool ok = cert ? PEM_write_X509(f, cert) == 1
                       : PEM_write_PrivateKey(f, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
  return std::fclose(f) == 0 && ok;
}

}  // namespace

bool MakeCertificates(const std::string& folder, const std::string& hostName, std::string& error) {
  KeyPtr caKey(EVP_EC_gen("P-256"));
  KeyPtr serverKey(EVP_EC_gen("P-256"));
  if (!caKey || !serverKey) {
    error = "key generation failed";
    return false;
  }
  CertPtr ca = MakeCert(caKey.get(), "Up Vane simulator CA", nullptr);
  if (!ca || !AddExtension(ca.get(), ca.get(), NID_basic_constraints, "critical,CA:TRUE") ||
      !AddExtension(ca.get(), ca.get(), NID_key_usage, "critical,keyCertSign,cRLSign") ||
      !AddExtension(ca.get(), ca.get(), NID_subject_key_identifier, "hash") ||
      X509_sign(ca.get(), caKey.get(), EVP_sha256()) == 0) {
    error = "CA certificate failed";
    return false;
  }
  CertPtr server = MakeCert(serverKey.get(), hostName.c_str(), ca.get());
  unsigned char addr[16];
  const bool isIp = inet_pton(AF_INET, hostName.c_str(), addr) == 1;
  const std::string san = (isIp ? "IP:" : "DNS:") + hostName;
  if (!server || !AddExtension(server.get(), ca.get(), NID_basic_constraints, "critical,CA:FALSE") ||
      !AddExtension(server.get(), ca.get(), NID_key_usage, "critical,digitalSignature,keyAgreement") ||
      !AddExtension(server.get(), ca.get(), NID_ext_key_usage, "serverAuth") ||
      !AddExtension(server.get(), ca.get(), NID_subject_alt_name, san.c_str()) ||
      !AddExtension(server.get(), ca.get(), NID_authority_key_identifier, "keyid") ||
      X509_sign(server.get(), caKey.get(), EVP_sha256()) == 0) {
    error = "server certificate failed";
    return false;
  }
  if (!WritePem(folder + "/ca.pem", ca.get(), nullptr) ||
      !WritePem(folder + "/server.pem", server.get(), nullptr) ||
      !WritePem(folder + "/server.key", nullptr, serverKey.get())) {
    error = "cannot write the certificates";
    return false;
  }
  return true;
}

}  // namespace upvane::sim
