#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/test_support.h"

namespace upvane {
namespace {

using test::ScopedEnv;
using test::TempDir;

TEST(TempFolder, PrivateFolderUnderUpvaneHome) {
  TempDir home;
  ScopedEnv env("UPVANE_HOME", home.path());
  const std::string folder = GetTempFolder();
  EXPECT_EQ(folder, home.path() + "/tmp/");
  struct stat st {};
  ASSERT_EQ(stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(TempFolder, FallsBackToXdgCache) {
  TempDir cache;
  ScopedEnv noHome("UPVANE_HOME", "");
  ScopedEnv xdg("XDG_CACHE_HOME", cache.path());
  EXPECT_EQ(GetTempFolder(), cache.path() + "/upvane/tmp/");
}

TEST(ToolFolder, OverrideAndPathFallback) {
  TempDir tools;
  ScopedEnv env("UPVANE_TOOL_DIR", tools.path());
  EXPECT_EQ(GetToolFolder(), tools.path() + "/");
  // Not bundled: adb falls back to PATH; other tools keep the bundled path.
  TempDir bin;
  test::WriteFile(bin.File("adb"), "#!/bin/sh\n", true);
  ScopedEnv path("PATH", bin.path() + ":/usr/bin:/bin");
  EXPECT_EQ(FindToolPath("adb"), bin.File("adb"));
  EXPECT_EQ(FindToolPath("UpdateLN"), tools.path() + "/UpdateLN");
  // Bundled wins over PATH.
  test::WriteFile(tools.File("adb"), "#!/bin/sh\n", true);
  EXPECT_EQ(FindToolPath("adb"), tools.File("adb"));
}

TEST(ProgramFolder, IsTheTestExecutablesFolder) {
  const std::string folder = GetExecutableFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(IsExecutableFile(GetExecutablePath()));
  EXPECT_EQ(GetExecutablePath().rfind(folder, 0), 0u);
}

TEST(FreeSpace, ReportsFreeBlocksOfTheFileSystem) {
  TempDir dir;
  uint64_t freeBytes = 0;
  ASSERT_TRUE(GetFreeBytes(dir.path(), freeBytes));
  EXPECT_GT(freeBytes, 0u);
  EXPECT_FALSE(GetFreeBytes(dir.File("missing/deeper"), freeBytes));
}

TEST(Files, SizeExistenceAndDeletion) {
  TempDir dir;
  const std::string f = dir.File("f.bin");
  test::WriteFile(f, std::string(1234, 'z'));
  uint64_t size = 0;
  EXPECT_TRUE(GetFileSize(f, size));
  EXPECT_EQ(size, 1234u);
  EXPECT_FALSE(GetFileSize(dir.path(), size));  // a folder has no file size
  EXPECT_TRUE(DeleteFileIfExists(f));
  EXPECT_FALSE(FileExists(f));
  EXPECT_TRUE(DeleteFileIfExists(f));  // already gone is fine
  EXPECT_TRUE(MakeFolders(dir.File("a/b/c"), 0700));
  EXPECT_TRUE(FileExists(dir.File("a/b/c")));
}

}  // namespace
}  // namespace upvane
