// The version check: registered versions through the value store and the
// comparison against the version server's files.
#include "server/version_check.h"

#include <gtest/gtest.h>

#include <map>

#include "server/update_value_store.h"
#include "simserver_process.h"

namespace upvane {
namespace {

class MemoryValueStore : public UpdateValueStore {
 public:
  bool GetVersion(const std::string& keyPath, std::string& version) override {
    auto it = values.find(keyPath);
    if (it == values.end()) return false;
    version = it->second;
    return true;
  }
  std::map<std::string, std::string> values;
};

const char* kVq = "Software\\Brennix\\SoftwareUpvane\\VQ";
const char* kLnpc = "Software\\Brennix\\SoftwareUpvane\\LNPC";

TEST(VersionCheckSim, ComparesRegisteredAndServerVersions) {
  test::SimServerProcess& sim = test::SharedSimServer();
  ASSERT_TRUE(sim.ok());
  MemoryValueStore store;
  // Server: vqversion 1.0.10, lnpcversion 1.2.0.
  struct Case {
    const char* vq;  // null = no registered value
    const char* lnpc;
    bool vqNewer;
    bool lnpcNewer;
  };
  const Case cases[] = {
      {"1.0.5", "1.2", true, false},     // 1000005 < 1000010; 1.2 equals 1.2.0
      {"2.0", "1.99.99", false, false},  // a higher or equal registered version
      {nullptr, "1.1.999", true, true},  // nothing registered counts 0
  };
  for (const Case& c : cases) {
    store.values.clear();
    if (c.vq) store.values[kVq] = c.vq;
    store.values[kLnpc] = c.lnpc;
    int answered = -1;
    EXPECT_EQ(IsNewerVersionAvailable(PROGRAM_KIND_UPVANE, answered, &store), c.vqNewer)
        << (c.vq ? c.vq : "-");
    EXPECT_EQ(answered, 1);
    EXPECT_EQ(IsNewerVersionAvailable(PROGRAM_KIND_LAUNCHER, answered, &store), c.lnpcNewer) << c.lnpc;
    EXPECT_EQ(answered, 1);
  }
  int fetched = -1;
  EXPECT_EQ(GetServerVersion(PROGRAM_KIND_UPVANE, fetched), "1.0.10");  // CR LF removed
  EXPECT_EQ(fetched, 1);
  // Kind 1 names nothing: no local version and no request.
  const size_t before = sim.Recorded()["version"].size();
  EXPECT_EQ(GetServerVersion(1, fetched), "");
  EXPECT_EQ(fetched, 0);
  EXPECT_EQ(GetLocalVersion(1, &store), "");
  EXPECT_EQ(sim.Recorded()["version"].size(), before);
}

TEST(VersionCheckSim, FetchServerTextAndFailures) {
  test::SimServerProcess& sim = test::SharedSimServer();
  ASSERT_TRUE(sim.ok());
  EXPECT_EQ(FetchServerText("vqversion"), "1.0.10\r\n");
  EXPECT_EQ(FetchServerText("missing"), "");  // 404
  ASSERT_TRUE(sim.AddFault({{"server", "version"}, {"kind", "status500"}}));
  EXPECT_EQ(FetchServerText("vqversion"), "");
  const auto rec = sim.Recorded()["version"];
  ASSERT_GE(rec.size(), 1u);
  EXPECT_EQ(rec[0]["userAgent"], "VQM");
  EXPECT_EQ(rec[0]["accept"], "text/*");
  EXPECT_EQ(FetchServerText("emptyfirst"), "\n2.0\n");
}

TEST(VersionCheckSim, UnreachableServerIsNotAnswered) {
  test::SimServerProcess& sim = test::SharedSimServer();
  ASSERT_TRUE(sim.ok());
  ASSERT_TRUE(sim.AddFault({{"server", "version"}, {"kind", "status500"}, {"count", 20}}));
  MemoryValueStore store;
  int answered = -1;
  EXPECT_FALSE(IsNewerVersionAvailable(PROGRAM_KIND_UPVANE, answered, &store));
  EXPECT_EQ(answered, 0);
}

}  // namespace
}  // namespace upvane
