#include "platform/registry_store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"

namespace upvane {
namespace {

using test::ScopedEnv;
using test::TempDir;

std::vector<std::string> SubKeys(const std::string& path) {
  std::vector<std::string> names;
  StoreKey key;
  if (!StoreOpenKey(path, key)) return names;
  std::string name;
  for (uint32_t i = 0; StoreEnumSubKey(key, i, name); ++i) names.push_back(name);
  return names;
}

std::string ReadText(const std::string& path, const std::string& name) {
  StoreKey key;
  uint32_t type = 0;
  std::string data;
  if (!StoreOpenKey(path, key) || !StoreQueryValue(key, name, type, data)) return "<missing>";
  return type == kStoreTypeString ? data : "<type " + std::to_string(type) + ">";
}

std::vector<std::string> CorruptFiles(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("registry.sqlite.corrupt-", 0) == 0) names.push_back(name);
  }
  return names;
}

TEST(RegistryStore, PathsAndNamesIgnoreCaseKeepCreationCaseAndOrder) {
  TempDir home;
  ScopedEnv env("UPVANE_HOME", home.path());
  StoreKey key;
  ASSERT_TRUE(StoreCreateKey("Software\\Brennix\\Zeta", key));
  ASSERT_TRUE(StoreCreateKey("SOFTWARE\\BRENNIX\\alpha", key));
  ASSERT_TRUE(StoreCreateKey("software\\brennix\\ZETA\\Inner", key));
  ASSERT_TRUE(StoreCreateKey("SOFTWARE\\Calvera Wireless", key));

  EXPECT_EQ(SubKeys(""), (std::vector<std::string>{"Software"}));
  EXPECT_EQ(SubKeys("sOFTWARE"), (std::vector<std::string>{"Brennix", "Calvera Wireless"}));
  // Creation order, not name order.
  EXPECT_EQ(SubKeys("software\\brennix"), (std::vector<std::string>{"Zeta", "alpha"}));
  EXPECT_EQ(SubKeys("Software\\Brennix\\zeta"), (std::vector<std::string>{"Inner"}));

  ASSERT_TRUE(StoreOpenKey("SOFTWARE\\brennix\\ZeTa", key));
  ASSERT_TRUE(StoreSetValue(key, "DownLoadSize", kStoreTypeString, "12"));
  ASSERT_TRUE(StoreSetValue(key, "DOWNLOADSIZE", kStoreTypeString, "34"));
  EXPECT_EQ(ReadText("software\\Brennix\\zeta", "downloadsize"), "34");
  EXPECT_EQ(ReadText("software\\Brennix\\zeta", "DownLoadTime"), "<missing>");
  // A value of the parent is not a value of the child.
  EXPECT_EQ(ReadText("software\\Brennix\\zeta\\inner", "DownLoadSize"), "<missing>");
}

TEST(RegistryStore, MalformedPathsAreRefusedWithoutCreating) {
  TempDir home;
  ScopedEnv env("UPVANE_HOME", home.path());
  const std::string longest(kStoreMaxKeyName, 'k');
  StoreKey key;
  EXPECT_TRUE(StoreCreateKey("A\\" + longest, key));
  for (const std::string& path : {std::string("A\\\\B"), std::string("\\A"), std::string("A\\"),
                                  "A\\" + longest + "x", std::string("A\\B\0C", 5)}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(StoreCreateKey(path, key));
    EXPECT_FALSE(key.IsOpen());
  }
  EXPECT_EQ(SubKeys("A"), (std::vector<std::string>{longest}));
  EXPECT_FALSE(StoreOpenKey("A\\missing", key));
  EXPECT_EQ(SubKeys("A"), (std::vector<std::string>{longest}));
}

TEST(RegistryStore, StorePathFollowsTheEnvironment) {
  ScopedEnv noXdg("XDG_CONFIG_HOME", "");
  {
    ScopedEnv home("UPVANE_HOME", "/srv/up");
    EXPECT_EQ(RegistryStorePath(), "/srv/up/registry.sqlite");
  }
  ScopedEnv noHome("UPVANE_HOME", "");
  ScopedEnv user("HOME", "/home/u");
  EXPECT_EQ(RegistryStorePath(), "/home/u/.config/upvane/registry.sqlite");
  ScopedEnv xdg("XDG_CONFIG_HOME", "/cfg");
  EXPECT_EQ(RegistryStorePath(), "/cfg/upvane/registry.sqlite");
}

TEST(RegistryStore, NewStoreFileIsPrivate) {
  TempDir home;
  ScopedEnv env("UPVANE_HOME", home.path() + "/nested/home");
  StoreKey key;
  ASSERT_TRUE(StoreCreateKey("K", key));
  ASSERT_TRUE(StoreSetValue(key, "V", kStoreTypeDword, std::string(4, '\0')));
  struct stat st {};
  ASSERT_EQ(::stat((home.path() + "/nested/home/registry.sqlite").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// A store file that SQLite cannot use is kept for inspection, reported once,
// and replaced by a fresh store.
TEST(RegistryStore, DamagedFileIsMovedAsideNotOverwritten) {
  struct Case {
    const char* name;
    bool fromSqlite;  // a real database whose pages are then scribbled over
  };
  for (const Case& c : {Case{"not a database", false}, Case{"damaged pages", true}}) {
    SCOPED_TRACE(c.name);
    TempDir home;
    ScopedEnv env("UPVANE_HOME", home.path());
    const std::string file = home.File("registry.sqlite");
    std::string damaged;
    if (c.fromSqlite) {
      sqlite3* db = nullptr;
      ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
      const int made = sqlite3_exec(db,
                                    "CREATE TABLE t(x TEXT); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL"
                                    " SELECT i+1 FROM n WHERE i<400) INSERT INTO t SELECT printf('%0200d', i)"
                                    " FROM n; CREATE INDEX t_x ON t(x);",
                                    nullptr, nullptr, nullptr);
      sqlite3_close(db);
      ASSERT_EQ(made, SQLITE_OK);
      damaged = test::ReadFile(file);
      ASSERT_GT(damaged.size(), 8192u);
      // Keep the header, wreck the pages after the first two.
      for (size_t i = 8192; i < damaged.size(); i += 7) damaged[i] = static_cast<char>(0xA5 ^ i);
    } else {
      for (int i = 0; i < 300; ++i) damaged += "no sqlite here " + std::to_string(i) + "\n";
    }
    test::WriteFile(file, damaged);

    testing::internal::CaptureStderr();
    StoreKey key;
    const bool created = StoreCreateKey("Software\\Brennix\\SoftwareUpvane", key);
    const std::string err = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(created);
    ASSERT_TRUE(StoreSetValue(key, "DownLoadTime", kStoreTypeString, "fresh"));

    const std::vector<std::string> aside = CorruptFiles(home.path());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(test::ReadFile(home.File(aside[0])), damaged);
    EXPECT_NE(err.find(file), std::string::npos) << err;
    EXPECT_NE(err.find(aside[0]), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    std::string report;
    EXPECT_TRUE(CheckStoreIntegrity(file, report)) << report;
    EXPECT_EQ(ReadText("software\\brennix\\softwareupvane", "DownLoadTime"), "fresh");
  }
}

TEST(RegistryStore, SnapshotSeesOneStateAndRefusesWrites) {
  TempDir home;
  ScopedEnv env("UPVANE_HOME", home.path());
  StoreKey key;
  ASSERT_TRUE(StoreCreateKey("K", key));
  ASSERT_TRUE(StoreSetValue(key, "V", kStoreTypeString, "1"));
  {
    StoreSnapshot snapshot;
    EXPECT_EQ(ReadText("K", "V"), "1");
    bool written = false;
    std::thread other([&] {
      StoreKey mine;
      written = StoreOpenKey("K", mine) && StoreSetValue(mine, "V", kStoreTypeString, "2");
    });
    other.join();
    EXPECT_TRUE(written);
    EXPECT_EQ(ReadText("K", "V"), "1");
    StoreSnapshot nested;
    EXPECT_FALSE(StoreSetValue(key, "V", kStoreTypeString, "3"));
    StoreKey created;
    EXPECT_FALSE(StoreCreateKey("K\\New", created));
  }
  EXPECT_EQ(ReadText("K", "V"), "2");
  EXPECT_TRUE(StoreSetValue(key, "V", kStoreTypeString, "4"));
  EXPECT_EQ(ReadText("K", "V"), "4");
}

// A key opened in one store file must not address a row of the store that
// replaced it (ids start again at 1 in a fresh file).
TEST(RegistryStore, KeyOfAReplacedStoreIsNotUsed) {
  TempDir home;
  ScopedEnv env("UPVANE_HOME", home.path());
  StoreKey old;
  ASSERT_TRUE(StoreCreateKey("First", old));
  ASSERT_EQ(std::rename(home.File("registry.sqlite").c_str(), home.File("elsewhere.sqlite").c_str()), 0);
  std::remove(home.File("registry.sqlite-wal").c_str());
  std::remove(home.File("registry.sqlite-shm").c_str());

  StoreKey fresh;
  ASSERT_TRUE(StoreCreateKey("Second", fresh));
  EXPECT_FALSE(StoreSetValue(old, "V", kStoreTypeString, "lost"));
  EXPECT_EQ(ReadText("Second", "V"), "<missing>");
  EXPECT_EQ(SubKeys(""), (std::vector<std::string>{"Second"}));
}

}  // namespace
}  // namespace upvane
