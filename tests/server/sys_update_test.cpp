// The text rules of the update-server protocol: answers, hex fields,
// version forms and request texts.
#include "server/sys_update.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/deployment.h"

namespace upvane {
namespace {

TEST(SysUpdateText, ParseResponseRules) {
  struct Case {
    const char* answer;
    const char* name;
    const char* value;  // null = absent
  };
  const Case cases[] = {
      {"k=abc&ph=1", "k", "abc"},
      {"k=first&k=second", "k", "first"},             // the first occurrence wins
      {"fk=ab=cd&x=1", "fk", "ab"},                   // a value is cut at a further '='
      {"size=10\r\nunit=4\r\nhash=00", "unit", "4"},  // CR LF separates like '&'
      {"novalue&k=1", "novalue", nullptr},
      {"a=&b=2", "a", nullptr},
  };
  for (const Case& c : cases) {
    const auto fields = CSysUpdate::ParseResponse(c.answer);
    auto it = fields.find(c.name);
    if (c.value) {
      ASSERT_NE(it, fields.end()) << c.answer;
      EXPECT_EQ(it->second, c.value) << c.answer;
    } else {
      EXPECT_EQ(it, fields.end()) << c.answer;
    }
  }
  // A normalised text of 256 characters or more is not read at all.
  EXPECT_TRUE(CSysUpdate::ParseResponse("k=" + std::string(254, 'a')).empty());
  EXPECT_EQ(CSysUpdate::ParseResponse("k=" + std::string(253, 'a')).size(), 1u);
}

TEST(SysUpdateText, HexDecodingKeepsCapacityAndLoneDigit) {
  uint8_t out[4] = {0xEE, 0xEE, 0xEE, 0xEE};
  CSysUpdate::DecodeHex("0a1B2c3d4e5f", out, 4);  // bytes beyond the capacity are skipped
  EXPECT_EQ(out[0], 0x0A);
  EXPECT_EQ(out[1], 0x1B);
  EXPECT_EQ(out[3], 0x3D);
  uint8_t lone[2] = {0, 0};
  CSysUpdate::DecodeHex("ff7", lone, 2);  // a lone final digit is one digit
  EXPECT_EQ(lone[0], 0xFF);
  EXPECT_EQ(lone[1], 0x07);
}

TEST(SysUpdateText, VersionFormsBothWays) {
  EXPECT_EQ(CSysUpdate::ToServerVersion("9.999WQ.99"), "999.9.WQ00");
  EXPECT_EQ(CSysUpdate::ToDisplayVersion("999.9.WQ00"), "9.999WQ.00");
  EXPECT_EQ(CSysUpdate::ToServerVersion("1.234AB.56"), "123.4.AB00");
  EXPECT_EQ(CSysUpdate::ToDisplayVersion(""), "");
  EXPECT_EQ(CSysUpdate::ToServerVersion("1.2"), "12..00");  // short texts give short pieces
  EXPECT_EQ(CSysUpdate::ToDisplayVersion("12"), "1.2.");
}

TEST(SysUpdateText, RequestTexts) {
  CSysUpdate su("https://127.0.0.1:1/sysupdaterserver/");
  su.SetModel("E3107NC");
  su.SetDeviceId("352099001761481");
  su.SetPhoneVersion("9.999WQ.99");
  EXPECT_EQ(su.getRequestString(0), "id=1&m=352099001761481&k=" + Deployment().requestKeys[5]);
  EXPECT_EQ(su.getRequestString(1), "id=2&p=E3107NC&v=999.9.WQ00");
  EXPECT_EQ(su.getRequestString(2, 1), "id=3&c=1&ph=");
  EXPECT_EQ(su.getRequestString(2, 0), "id=3&c=2&ph=");
  EXPECT_EQ(su.getRequestString(2, 2), "");
  EXPECT_EQ(su.getRequestString(3), "");
  EXPECT_EQ(su.GetChunkRequest(65536, 4096), "id=4&ph=&offset=65536&bytes=4096");
  EXPECT_EQ(su.GetStatusRequest(0), "id=5&status=1");
  EXPECT_EQ(su.GetStatusRequest(1), "id=5&status=0");
  EXPECT_EQ(su.GetStatusRequest(2), "id=5&status=4&errno=0");
  EXPECT_EQ(su.GetStatusRequest(3), "");
  su.SetModel("E3103");  // no request key
  EXPECT_EQ(su.getRequestString(0), "");
  EXPECT_EQ(CSysUpdate::RequestKeyFor("S3106PP"), Deployment().requestKeys[4]);
}

TEST(SysUpdateText, CheckResponseFields) {
  CSysUpdate su("https://127.0.0.1:1/sysupdaterserver/");
  EXPECT_FALSE(su.checkResponseString(0, "ph=1"));
  ASSERT_TRUE(su.checkResponseString(0, "k=" + std::string(64, 'a')));
  uint8_t expect[32];
  std::memset(expect, 0xAA, 32);
  EXPECT_EQ(std::memcmp(su.SessionKeyBytes(), expect, 32), 0);

  ASSERT_TRUE(su.checkResponseString(1, "v1=111.1.AA00&v2=222.2.BB00&ph=77"));
  EXPECT_EQ(su.NewVersion(), "111.1.AA00");
  EXPECT_EQ(su.OfferFlag(), 0);
  EXPECT_EQ(su.getRequestString(2, su.OfferFlag() == 0 ? 1 : 0), "id=3&c=1&ph=77");
  ASSERT_TRUE(su.checkResponseString(1, "v2=222.2.BB00&ph=78"));
  EXPECT_EQ(su.OfferFlag(), 1);
  ASSERT_TRUE(su.checkResponseString(1, "ph=79"));  // neither offer is no error here
  EXPECT_EQ(su.NewVersion(), "");
  EXPECT_EQ(su.GetDisplayVersion(), "");
  EXPECT_FALSE(su.checkResponseString(1, "v1=111.1.AA00"));

  EXPECT_FALSE(su.checkResponseString(2, "size=0&hash=00&fk=00"));
  EXPECT_FALSE(su.checkResponseString(2, "size=100&fk=00"));
  EXPECT_FALSE(su.checkResponseString(2, "size=100&hash=00"));
  ASSERT_TRUE(su.checkResponseString(2, "size=100&hash=00&fk=00"));
  EXPECT_EQ(su.GetUnit(), 0u);
  ASSERT_TRUE(su.checkResponseString(2, "size=5000000000&unit=4096/1048576/65536&hash=00&fk=01"));
  EXPECT_EQ(su.GetPackageSize(), 5000000000ull);
  EXPECT_EQ(su.GetUnit(), 1048576u);
  EXPECT_FALSE(su.checkResponseString(3, "k=1"));
}

}  // namespace
}  // namespace upvane
