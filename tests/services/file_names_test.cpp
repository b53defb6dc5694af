#include "services/file_names.h"

#include <gtest/gtest.h>

#include "services/trace.h"
#include "support/test_support.h"

namespace upvane {
namespace {

TEST(FileNames, DerivedNames) {
  EXPECT_EQ(MakeVerifiedName("/w/boot.img"), "/w/boot-verified.img");
  EXPECT_EQ(MakeVerifiedName("/w/boot"), "/w/boot-verified");
  EXPECT_EQ(MakeVerifiedName("/w.d/a.b.c"), "/w.d/a.b-verified.c");
  EXPECT_EQ(ReplaceFileName("/w/x/boot.img", "super.img"), "/w/x/super.img");
  EXPECT_EQ(ReplaceFileName("/w/x/boot.img", ""), "/w/x/");
  EXPECT_EQ(ReplaceFileName("boot.img", "a"), "a");
  EXPECT_EQ(GetFileTitle("/w/x/E3107_9.999.bin"), "E3107_9.999");
  EXPECT_EQ(GetFileTitle("/w/x/"), "");
  EXPECT_EQ(MakePackageFileName("E3107", "1.001"), "E3107_1.001.bin");
  EXPECT_EQ(MakePackageFileName(std::string(300, 'a'), "b").size(), 259u);
  const SplitPathParts p = SplitPath("/a/b.c/d.tar.gz");
  EXPECT_EQ(p.drive, "");
  EXPECT_EQ(p.directory, "/a/b.c/");
  EXPECT_EQ(p.name, "d.tar");
  EXPECT_EQ(p.extension, ".gz");
  EXPECT_EQ(JoinPath("/a/", "b"), "/a/b");
  EXPECT_EQ(JoinPath("/a", "b"), "/a/b");
}

TEST(FileNames, TempFileNamesLiveInTheTempFolderWithThreeDigits) {
  test::TempDir home;
  test::ScopedEnv env("UPVANE_HOME", home.path());
  EXPECT_EQ(MakeTempFileNameFor(7), home.path() + "/tmp/QxTemp_007.$$$");
  EXPECT_EQ(MakeTempFileNameFor(1999), home.path() + "/tmp/QxTemp_999.$$$");
  // Reseeded from the clock each time: equal within one second.
  std::string a, b;
  for (int i = 0; i < 5; ++i) {
    const time_t before = time(nullptr);
    a = MakeTempFileName();
    b = MakeTempFileName();
    if (time(nullptr) == before) break;
  }
  EXPECT_EQ(a, b);
  EXPECT_EQ(a.rfind(home.path() + "/tmp/QxTemp_", 0), 0u);
  EXPECT_EQ(a.size(), home.path().size() + std::string("/tmp/QxTemp_000.$$$").size());
}

TEST(FileNames, TimeStampPadsEveryField) {
  EXPECT_EQ(FormatLocalTimeStamp({2021, 3, 1, 7, 5, 9}), "2021/03/01 07:05:09");
  EXPECT_EQ(FormatLocalTimeStamp({2021, 12, 31, 23, 59, 58}), "2021/12/31 23:59:58");
  EXPECT_EQ(FormatLocalTimeStamp(GetLocalTime()).size(), 19u);
}

TEST(Trace, WritesNothingWhetherOpenedOrNot) {
  test::TempDir dir;
  TraceWrite("before %d\n", 1);
  TraceOpen("AndUXA");
  EXPECT_FALSE(TraceIsOpen());
  TraceWrite("after %s\n", "open");
  TraceClose();
  TraceClose();
  EXPECT_FALSE(TraceIsOpen());
}

}  // namespace
}  // namespace upvane
