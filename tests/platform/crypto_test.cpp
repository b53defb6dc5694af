#include "platform/crypto.h"

#include <gtest/gtest.h>

#include "platform/crc32.h"

namespace upvane {
namespace {

std::vector<uint8_t> FromHex(const std::string& hex) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

// NIST SP 800-38A, F.2.1 CBC-AES128.Encrypt, first two blocks.
const std::string kKey = "2b7e151628aed2a6abf7158809cf4f3c";
const std::string kIv = "000102030405060708090a0b0c0d0e0f";
const std::string kPlain = "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51";
const std::string kCipher = "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2";

TEST(AesCbc, KnownVectorWithPaddingBlock) {
  const auto key = FromHex(kKey), iv = FromHex(kIv), plain = FromHex(kPlain);
  AesCbcContext enc;
  ASSERT_TRUE(enc.Init(key.data(), iv.data(), true));
  std::vector<uint8_t> out;
  ASSERT_TRUE(enc.Update(plain.data(), plain.size(), true, out));
  ASSERT_EQ(out.size(), 48u);  // a whole padding block follows 32 aligned bytes
  EXPECT_EQ(ToHex(out.data(), 32), kCipher);

  AesCbcContext dec;
  ASSERT_TRUE(dec.Init(key.data(), iv.data(), false));
  std::vector<uint8_t> back;
  ASSERT_TRUE(dec.Update(out.data(), out.size(), true, back));
  EXPECT_EQ(back, plain);
}

TEST(AesCbc, StreamingInUnevenPiecesMatchesOneShot) {
  const auto key = FromHex(kKey), iv = FromHex(kIv);
  std::vector<uint8_t> plain(10000);
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<uint8_t>(i * 7 + 3);
  AesCbcContext enc;
  ASSERT_TRUE(enc.Init(key.data(), iv.data(), true));
  std::vector<uint8_t> cipher;
  ASSERT_TRUE(enc.Update(plain.data(), plain.size(), true, cipher));

  for (size_t piece : {16u, 4096u, 4097u, 1u}) {
    AesCbcContext dec;
    ASSERT_TRUE(dec.Init(key.data(), iv.data(), false));
    std::vector<uint8_t> back;
    size_t pos = 0;
    while (pos < cipher.size()) {
      const size_t n = std::min(piece, cipher.size() - pos);
      ASSERT_TRUE(dec.Update(cipher.data() + pos, n, pos + n == cipher.size(), back)) << piece;
      pos += n;
    }
    EXPECT_EQ(back, plain) << piece;
  }
}

TEST(AesCbc, WrongKeyOrTruncatedCipherFailsAtTheEnd) {
  const auto key = FromHex(kKey), iv = FromHex(kIv), plain = FromHex(kPlain);
  AesCbcContext enc;
  ASSERT_TRUE(enc.Init(key.data(), iv.data(), true));
  std::vector<uint8_t> cipher;
  ASSERT_TRUE(enc.Update(plain.data(), plain.size(), true, cipher));

  auto wrong = key;
  wrong[0] ^= 1;
  AesCbcContext dec;
  ASSERT_TRUE(dec.Init(wrong.data(), iv.data(), false));
  std::vector<uint8_t> out;
  EXPECT_FALSE(dec.Update(cipher.data(), cipher.size(), true, out));

  ASSERT_TRUE(dec.Init(key.data(), iv.data(), false));
  out.clear();
  EXPECT_FALSE(dec.Update(cipher.data(), cipher.size() - 5, true, out));  // not whole blocks
  EXPECT_FALSE(dec.Update(cipher.data(), 16, true, out));                 // used up: must re-init
}

TEST(Digests, KnownValues) {
  const Md5Digest md5 = Md5("abc", 3);
  EXPECT_EQ(ToHex(md5.data(), md5.size()), "900150983cd24fb0d6963f7d28e17f72");
  const Sha256Digest sha = Sha256("abc", 3);
  EXPECT_EQ(ToHex(sha.data(), sha.size()),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  Sha256Context ctx;
  ctx.Update("a", 1);
  ctx.Update("bc", 2);
  EXPECT_EQ(ctx.Final(), sha);
}

TEST(Crc32, ZlibValueAcrossPieces) {
  EXPECT_EQ(Crc32Update(0, "123456789", 9), 0xCBF43926u);
  EXPECT_EQ(Crc32Update(Crc32Update(0, "1234", 4), "56789", 5), 0xCBF43926u);
  EXPECT_EQ(Crc32Update(7, nullptr, 0), 7u);
}

}  // namespace
}  // namespace upvane
