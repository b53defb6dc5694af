// The AES context against the openssl command-line tool.
#include <gtest/gtest.h>

#include "platform/crypto.h"
#include "platform/process.h"
#include "support/test_support.h"

namespace upvane {
namespace {

const uint8_t kKey[16] = {0x10, 0x21, 0x32, 0x43, 0x54, 0x65, 0x76, 0x87,
                          0x98, 0xa9, 0xba, 0xcb, 0xdc, 0xed, 0xfe, 0x0f};
const uint8_t kIv[16] = {0xf0, 0xe1, 0xd2, 0xc3, 0xb4, 0xa5, 0x96, 0x87,
                         0x78, 0x69, 0x5a, 0x4b, 0x3c, 0x2d, 0x1e, 0x0f};

std::string Openssl(const std::string& direction, const std::string& in, const std::string& out) {
  return "openssl enc " + direction + " -aes-128-cbc -K " + ToHex(kKey, 16) + " -iv " + ToHex(kIv, 16) +
         " -in " + in + " -out " + out;
}

TEST(AesCbcPeer, DecryptsWhatOpensslEncrypted) {
  test::TempDir dir;
  std::string plain(100003, '\0');
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<char>((i * 31) ^ (i >> 8));
  test::WriteFile(dir.File("plain"), plain);
  const ProcessResult r = RunProcess("", Openssl("-e", dir.File("plain"), dir.File("cipher")));
  ASSERT_EQ(r.exitCode, 0) << r.output;
  const std::string cipher = test::ReadFile(dir.File("cipher"));

  AesCbcContext dec;
  ASSERT_TRUE(dec.Init(kKey, kIv, false));
  std::vector<uint8_t> out;
  const auto* c = reinterpret_cast<const uint8_t*>(cipher.data());
  for (size_t pos = 0; pos < cipher.size(); pos += 4096) {
    const size_t n = std::min<size_t>(4096, cipher.size() - pos);
    ASSERT_TRUE(dec.Update(c + pos, n, pos + n == cipher.size(), out));
  }
  EXPECT_EQ(std::string(out.begin(), out.end()), plain);
}

TEST(AesCbcPeer, OpensslDecryptsWhatWeEncrypted) {
  test::TempDir dir;
  const std::string plain = "m=1234&p=E3107NC&v=999.9.WQ00&k=request key text";
  AesCbcContext enc;
  ASSERT_TRUE(enc.Init(kKey, kIv, true));
  std::vector<uint8_t> cipher;
  ASSERT_TRUE(enc.Update(reinterpret_cast<const uint8_t*>(plain.data()), plain.size(), true, cipher));
  test::WriteFile(dir.File("cipher"), std::string(cipher.begin(), cipher.end()));
  const ProcessResult r = RunProcess("", Openssl("-d", dir.File("cipher"), dir.File("plain")));
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(test::ReadFile(dir.File("plain")), plain);
}

}  // namespace
}  // namespace upvane
