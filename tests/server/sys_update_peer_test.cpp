// The client's cipher against the openssl command-line tool.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "platform/deployment.h"
#include "server/sys_update.h"
#include "support/test_support.h"

namespace upvane {
namespace {

int RunTool(const std::string& command) { return std::system(command.c_str()); }

TEST(SysUpdatePeer, DecryptsWhatOpensslEncrypted) {
  test::TempDir dir;
  std::mt19937 rng(5);
  std::string plain(100003, '\0');
  for (char& c : plain) c = static_cast<char>(rng());
  test::WriteFile(dir.File("plain"), plain);
  const std::string keyHex = "00112233445566778899aabbccddeeff";
  ASSERT_EQ(RunTool("openssl enc -aes-128-cbc -K " + keyHex + " -iv " + Deployment().fixedIvHex + " -in " +
                    dir.File("plain") + " -out " + dir.File("pkg.bin.temp")),
            0);
  uint8_t key[32] = {0};
  CSysUpdate::DecodeHex(keyHex, key, 32);
  CSysUpdate su("https://127.0.0.1:1/sysupdaterserver/");
  const uint64_t cipherSize = test::ReadFile(dir.File("pkg.bin.temp")).size();
  ASSERT_TRUE(su.DecryptPackage(dir.File("pkg.bin"), key, cipherSize));
  EXPECT_EQ(test::ReadFile(dir.File("pkg.bin")), plain);
  EXPECT_FALSE(test::ReadFile(dir.File("pkg.bin.temp")).size() > 0);
}

TEST(SysUpdatePeer, OpensslDecryptsTheClientsRequest) {
  test::TempDir dir;
  CSysUpdate su("https://127.0.0.1:1/sysupdaterserver/");
  ASSERT_TRUE(su.initKey(nullptr));
  const std::string request = "id=1&m=352099001761481&k=" + Deployment().requestKeys[0];
  std::string cipher;
  ASSERT_TRUE(su.EncryptText(request, cipher));
  EXPECT_EQ(cipher.size() % 16, 0u);
  test::WriteFile(dir.File("req"), cipher);
  ASSERT_EQ(RunTool("openssl enc -d -aes-128-cbc -K " + Deployment().defaultKeyHex + " -iv " +
                    Deployment().fixedIvHex + " -in " + dir.File("req") + " -out " + dir.File("plain")),
            0);
  EXPECT_EQ(test::ReadFile(dir.File("plain")), request);
}

}  // namespace
}  // namespace upvane
