// The simulated update server is strict: requests under the wrong key, with
// fields out of order or for unknown sessions get the answers a real
// server gives.
#include <gtest/gtest.h>

#include "platform/deployment.h"
#include "platform/http_client.h"
#include "server/sys_update.h"
#include "simserver_process.h"

namespace upvane {
namespace {

using nlohmann::json;

class SimServerStrict : public ::testing::Test {
 protected:
  void SetUp() override {
    sim = &test::SharedSimServer();
    ASSERT_TRUE(sim->ok());
    su = std::make_unique<CSysUpdate>(sim->updateUrl);
    ASSERT_TRUE(su->OpenSession());
  }
  std::string Post(const std::string& text) {
    int64_t received = 0;
    return su->DoPost(text, received);
  }
  json LastUpdate() const { return sim->Recorded()["update"].back(); }

  test::SimServerProcess* sim = nullptr;
  std::unique_ptr<CSysUpdate> su;
};

TEST_F(SimServerStrict, MalformedOrMiskeyedRequestsGetEmptyAnswers) {
  const std::string key = Deployment().requestKeys[5];
  uint8_t wrong[16] = {1, 2, 3};
  ASSERT_TRUE(su->initKey(wrong));
  EXPECT_EQ(Post("id=1&m=352099001761481&k=" + key), "");
  EXPECT_EQ(LastUpdate()["error"], "undecryptable");

  ASSERT_TRUE(su->initKey(nullptr));
  EXPECT_EQ(Post("id=1&k=" + key + "&m=352099001761481"), "");
  EXPECT_EQ(LastUpdate()["error"], "malformed");
  EXPECT_EQ(Post("id=1&m=352099001761481&k=00000000000000000000000000000000"), "");
  EXPECT_EQ(LastUpdate()["error"], "unknown request key");
  EXPECT_EQ(Post("id=2&p=E3107&v=100.1.AB00"), "");  // needs the session key
  EXPECT_EQ(LastUpdate()["error"], "wrong key");

  const std::string answer = Post("id=1&m=352099001761481&k=" + key);
  ASSERT_TRUE(su->checkResponseString(0, answer)) << answer;
  ASSERT_TRUE(su->initKey(su->SessionKeyBytes()));
  // The request key of another model does not open this session's offers.
  EXPECT_EQ(Post("id=2&p=E3109&v=100.1.AB00"), "");
  EXPECT_EQ(LastUpdate()["error"], "request key of another model");
  EXPECT_EQ(Post("id=2&p=E3107&v=100.1.AB00"), "No Update Available");
  // Slices and package facts need the handle of an offer.
  EXPECT_EQ(Post("id=4&ph=0123&offset=0&bytes=4096"), "Session Expired");
  EXPECT_EQ(Post("id=3&c=1&ph=0123"), "Session Expired");
}

TEST_F(SimServerStrict, SessionExpiredOnTheNthRequest) {
  ASSERT_TRUE(sim->AddFault({{"server", "update"}, {"kind", "expired"}, {"skip", 1}}));
  ASSERT_TRUE(su->initKey(nullptr));
  const std::string key = Deployment().requestKeys[5];
  EXPECT_EQ(Post("id=1&m=1&k=" + key).substr(0, 2), "k=");
  EXPECT_EQ(Post("id=1&m=1&k=" + key), "Session Expired");
  EXPECT_EQ(Post("id=1&m=1&k=" + key).substr(0, 2), "k=");
}

}  // namespace
}  // namespace upvane

namespace upvane {
namespace {

TEST_F(SimServerStrict, CredentialPromptOnStatus401) {
  ASSERT_TRUE(su->initKey(nullptr));
  const std::string request = "id=1&m=1&k=" + Deployment().requestKeys[5];
  // No prompt hook: the client stops asking and gets no answer.
  ASSERT_TRUE(sim->AddFault({{"server", "update"}, {"kind", "auth401"}, {"count", 10}}));
  SetCredentialPrompt(nullptr);
  EXPECT_EQ(Post(request), "");
  // A hook that answers: the same request goes out again with credentials.
  int asked = 0;
  SetCredentialPrompt([&](const std::string&, long status, HttpCredentials& out) {
    ++asked;
    EXPECT_EQ(status, 401);
    out.user = "user";
    out.password = "pw";
    return true;
  });
  EXPECT_EQ(Post(request).substr(0, 2), "k=");
  EXPECT_EQ(asked, 1);
  // A hook that declines ends the asking.
  su->CloseSession();
  ASSERT_TRUE(su->OpenSession());
  ASSERT_TRUE(su->initKey(nullptr));
  asked = 0;
  SetCredentialPrompt([&](const std::string&, long, HttpCredentials&) {
    ++asked;
    return false;
  });
  EXPECT_EQ(Post(request), "");
  EXPECT_EQ(asked, 1);
  SetCredentialPrompt(nullptr);
}

}  // namespace
}  // namespace upvane

namespace upvane {
namespace {

TEST_F(SimServerStrict, ReceivedCountsOfFailedExchanges) {
  ASSERT_TRUE(su->initKey(nullptr));
  ASSERT_TRUE(sim->AddFault({{"server", "update"}, {"kind", "status500"}, {"id", 1}}));
  int64_t received = 7;
  EXPECT_EQ(su->DoPost("id=1&m=1&k=" + Deployment().requestKeys[0], received), "");
  EXPECT_EQ(received, 0);  // answered, with an error status
  CSysUpdate nobody("https://127.0.0.1:1/sysupdaterserver/");
  ASSERT_TRUE(nobody.OpenSession());
  ASSERT_TRUE(nobody.initKey(nullptr));
  EXPECT_EQ(nobody.DoPost("id=1&m=1&k=" + Deployment().requestKeys[0], received), "");
  EXPECT_EQ(received, -1);  // no connection
}

}  // namespace
}  // namespace upvane
