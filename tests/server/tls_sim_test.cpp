// Certificates are verified: an unknown CA or another host name is refused.
#include <gtest/gtest.h>

#include "platform/http_client.h"
#include "simserver_process.h"

namespace upvane {
namespace {

HttpResponse Fetch(const std::string& url, const std::string& caFile) {
  HttpClient http;
  http.SetCaFile(caFile);
  HttpRequest req;
  req.url = url;
  return http.Perform(req, HttpHeaderCheck(), HttpSink());
}

TEST(TlsSim, UnknownCaAndWrongHostAreRefused) {
  test::SimServerProcess& sim = test::SharedSimServer();
  ASSERT_TRUE(sim.ok());
  const std::string url = "https://" + sim.versionHost + "/zavezi/Calvera/E3112/vqversion";
  const HttpResponse good = Fetch(url, sim.caFile);
  EXPECT_TRUE(good.ok()) << good.errorText;
  EXPECT_EQ(good.status, 200);
  const HttpResponse unknownCa = Fetch(url, "");
  EXPECT_EQ(unknownCa.error, HttpError::Tls) << unknownCa.errorText;
  EXPECT_EQ(unknownCa.status, 0);

  test::SimServerProcess other(test::ServerTestScenario(), {"--cert-host", "updates.example.com"});
  ASSERT_TRUE(other.ok());
  const HttpResponse wrongName =
      Fetch("https://" + other.versionHost + "/zavezi/Calvera/E3112/vqversion", other.caFile);
  EXPECT_EQ(wrongName.error, HttpError::Tls) << wrongName.errorText;
  EXPECT_EQ(wrongName.status, 0);
}

}  // namespace
}  // namespace upvane
