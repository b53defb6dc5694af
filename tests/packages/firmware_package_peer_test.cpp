// Packages made by the real 7z and zip tools open and extract.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "packages/firmware_package.h"
#include "pkgbuild/pkgbuild.h"
#include "support/test_support.h"

namespace upvane {
namespace {

void WriteSources(const std::string& folder) {
  std::filesystem::create_directories(folder + "/extra");
  test::WriteFile(folder + "/binary_info.txt", pkgbuild::MakeBinaryInfo("E3110", "4.2", "user", 0));
  test::WriteFile(
      folder + "/Build_Output_Info.txt",
      pkgbuild::MakeLayout(1, {{"boot_a", "boot.img", "0x2", 0}, {"modem_a", "extra/modem.img", "0x2", 1}}));
  test::WriteFile(folder + "/boot.img", pkgbuild::PatternBytes(50000, 1));
  test::WriteFile(folder + "/extra/modem.img", pkgbuild::PatternBytes(7000, 2));
  test::WriteFile(folder + "/gpt_main1.bin", "table");
}

TEST(FirmwarePackagePeer, SevenZipArchive) {
  test::TempDir dir;
  test::ScopedEnv home("UPVANE_HOME", dir.path());
  WriteSources(dir.File("src"));
  const std::string archive = dir.File("pkg.7z");
  ASSERT_EQ(
      std::system(("cd '" + dir.File("src") + "' && 7z a -bd -y '" + archive + "' . >/dev/null").c_str()), 0);
  FirmwarePackage package;
  ASSERT_TRUE(package.OpenPackage(archive, false)) << package.GetErrorMessage();
  EXPECT_EQ(package.GetVersion(), "4.2");
  ASSERT_EQ(package.GetImages().size(), 3u);
  EXPECT_EQ(test::ReadFile(package.GetImages()[2].path), pkgbuild::PatternBytes(7000, 2));
}

TEST(FirmwarePackagePeer, SevenZipWithEscapingMemberIsRefused) {
  test::TempDir dir;
  test::ScopedEnv home("UPVANE_HOME", dir.path());
  WriteSources(dir.File("a/src"));
  test::WriteFile(dir.File("a/x"), "outside");
  const std::string archive = dir.File("evil.7z");
  // 7z keeps the "../x" name when given it relative to the working folder.
  ASSERT_EQ(std::system(("cd '" + dir.File("a/src") + "' && 7z a -bd -y -spf '" + archive +
                         "' binary_info.txt ../x >/dev/null")
                            .c_str()),
            0);
  std::filesystem::remove(dir.File("a/x"));
  FirmwarePackage package;
  EXPECT_FALSE(package.OpenPackage(archive, false));
  EXPECT_EQ(package.GetErrorMessage(), "The binary file is invalid.");
  EXPECT_FALSE(std::filesystem::exists(dir.File("tmp/x")));
}

TEST(FirmwarePackagePeer, InfoZipPackage) {
  test::TempDir dir;
  test::ScopedEnv home("UPVANE_HOME", dir.path());
  WriteSources(dir.File("src"));
  const std::string zip = dir.File("pkg.zip");
  ASSERT_EQ(std::system(("cd '" + dir.File("src") + "' && zip -q -0 -r '" + zip + "' .").c_str()), 0);
  FirmwarePackage package;
  ASSERT_TRUE(package.OpenPackage(zip, false)) << package.GetErrorMessage();
  EXPECT_EQ(package.GetModelSection(), "E3110");
  ASSERT_EQ(package.GetImages().size(), 3u);
  EXPECT_EQ(package.GetImages()[1].label, "PrimaryGPT");
  EXPECT_EQ(package.GetImages()[2].size, 7000u);
}

}  // namespace
}  // namespace upvane
