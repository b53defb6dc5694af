#include "packages/firmware_package.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "packages/qx7zip_melt.h"
#include "pkgbuild/pkgbuild.h"
#include "support/test_support.h"

namespace upvane {
namespace {

using pkgbuild::ZipMember;

std::string Layout() {
  return pkgbuild::MakeLayout(0, {{"boot_a", "boot.img", "0x2", 0},
                                  {"system_a", "system.img", "0x102", 0},
                                  {"vendor_a", "vendor.img", "0x102", 0}});
}

std::string Super() {
  const std::string path = std::filesystem::temp_directory_path() / "fp-super.img";
  EXPECT_TRUE(pkgbuild::WriteSuperImage(path, {{"system_a", pkgbuild::PatternBytes(2 * 4096, 1)},
                                               {"vendor_a", pkgbuild::PatternBytes(4096, 2)}}));
  std::string bytes = test::ReadFile(path);
  std::filesystem::remove(path);
  return bytes;
}

class FirmwarePackageTest : public ::testing::Test {
 protected:
  test::TempDir m_dir;
  test::ScopedEnv m_home{"UPVANE_HOME", m_dir.path()};
  std::string WorkFolder() const { return m_dir.path() + "/tmp/QOVRN"; }
  std::vector<std::string> WorkFiles() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(WorkFolder(), ec))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(FirmwarePackageTest, ZipPackageWithSuperImage) {
  const std::string zip = m_dir.File("pkg.zip");
  ASSERT_TRUE(pkgbuild::WriteStoredZip(
      zip, {{"binary_info.txt", pkgbuild::MakeBinaryInfo("E3110", "2.001", "user", 1)},
            {"Build_Output_Info.txt", Layout()},
            {"gpt_main0.bin", "g"},
            {"boot.img", "boot bytes"},
            {"super.img", Super()}}));
  FirmwarePackage package;
  ASSERT_TRUE(package.OpenPackage(zip, true)) << package.GetErrorMessage();
  EXPECT_TRUE(package.IsArchive());
  EXPECT_EQ(package.GetModelSection(), "E3110");
  EXPECT_EQ(package.GetVersion(), "2.001");
  EXPECT_EQ(package.GetVariant(), "user");
  EXPECT_EQ(package.GetSecureFlag(), 1u);
  ASSERT_EQ(package.GetImages().size(), 2u);
  ASSERT_EQ(package.GetSuperImages().size(), 2u);
  EXPECT_EQ(package.GetSuperImages()[0].path, WorkFolder() + "/system.img");
  EXPECT_EQ(package.GetSuperImages()[0].size, 28u + 12 + 2 * 4096);
  EXPECT_EQ(package.CountAllFastbootImages(), 1);  // boot + 2 super images with bit 1, halved
  // Nothing copied out is left behind but the split outputs.
  EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"system.img", "vendor.img"}));
  EXPECT_EQ(package.GetFilePath("boot.img", false), WorkFolder() + "/boot.img");
  const std::string copied = package.ExtractMember("boot.img");
  EXPECT_EQ(test::ReadFile(copied), "boot bytes");
  EXPECT_EQ(package.ExtractMember("none.img"), "");
  EXPECT_EQ(package.GetErrorMessage(), "The binary file is invalid (zip).");
}

TEST_F(FirmwarePackageTest, FolderPackageKeepsSplitOutputsThatExist) {
  const std::string folder = m_dir.File("pkg");
  std::filesystem::create_directories(folder);
  test::WriteFile(folder + "/Build_Output_Info.txt", Layout());
  test::WriteFile(folder + "/boot.img", "b");
  test::WriteFile(folder + "/super.img", Super());
  test::WriteFile(folder + "/system.img", "made earlier");
  test::WriteFile(folder + "/vendor.img", "made earlier too");
  FirmwarePackage package;
  ASSERT_TRUE(package.OpenPackage(folder, true)) << package.GetErrorMessage();
  ASSERT_EQ(package.GetSuperImages().size(), 2u);
  EXPECT_EQ(package.GetSuperImages()[0].path, folder + "/system.img");
  EXPECT_EQ(package.GetSuperImages()[0].size, 12u);
  EXPECT_EQ(test::ReadFile(folder + "/vendor.img"), "made earlier too");
  EXPECT_EQ(package.GetSuperImages()[1].property, 0x102u);
}

TEST_F(FirmwarePackageTest, DescriptionVariants) {
  const struct {
    const char* what;
    std::string info;  // empty: no binary_info.txt
    const char* section;
    const char* version;
  } cases[] = {
      {"missing", "", "<unknown>", "<unknown>"},
      {"two sections", "[A]\nversion=1\n[B]\nversion=2\n[]\nversion=from empty\n", "", "from empty"},
      {"repeated section", "[A]\nversion=1\n[a]\nversion=2\n", "", ""},
      {"long version", "[M]\nversion=" + std::string(200, '9') + "\n", "M", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string folder = m_dir.File(std::string("f-") + c.what);
    std::filesystem::create_directories(folder);
    test::WriteFile(folder + "/Build_Output_Info.txt", Layout());
    test::WriteFile(folder + "/boot.img", "b");
    if (!c.info.empty()) test::WriteFile(folder + "/binary_info.txt", c.info);
    FirmwarePackage package;
    ASSERT_TRUE(package.OpenPackage(folder, false)) << package.GetErrorMessage();
    EXPECT_FALSE(package.IsArchive());
    EXPECT_EQ(package.GetModelSection(), c.section);
    if (c.version)
      EXPECT_EQ(package.GetVersion(), c.version);
    else
      EXPECT_EQ(package.GetVersion(), std::string(127, '9'));
  }
}

TEST_F(FirmwarePackageTest, FailureMessages) {
  FirmwarePackage a;
  EXPECT_FALSE(a.OpenPackage("", false));
  EXPECT_EQ(a.GetErrorMessage(), "The binary path is not specified.");
  FirmwarePackage b;
  EXPECT_FALSE(b.OpenPackage(m_dir.File("nothing"), false));
  EXPECT_EQ(b.GetErrorMessage(), "The binary path is invalid.");
  test::WriteFile(m_dir.File("x.bin"), "MZ....");
  FirmwarePackage c;
  EXPECT_FALSE(c.OpenPackage(m_dir.File("x.bin"), false));
  EXPECT_EQ(c.GetErrorMessage(), "The binary type is unknown.");
  test::WriteFile(m_dir.File("broken.zip"), "PK\3\4 cut short");
  FirmwarePackage d;
  EXPECT_FALSE(d.OpenPackage(m_dir.File("broken.zip"), false));
  EXPECT_EQ(d.GetErrorMessage(), "The binary file is invalid.");
  ASSERT_TRUE(pkgbuild::WriteStoredZip(m_dir.File("nolayout.zip"), {{"binary_info.txt", "[M]\n"}}));
  FirmwarePackage e;
  EXPECT_FALSE(e.OpenPackage(m_dir.File("nolayout.zip"), false));
  EXPECT_EQ(e.GetErrorMessage(), "No File [Build_Output_Info.txt]");
  ASSERT_TRUE(pkgbuild::WriteStoredZip(
      m_dir.File("superonly.zip"),
      {{"Build_Output_Info.txt", pkgbuild::MakeLayout(0, {{"system_a", "system.img", "0x102", 0}})}}));
  FirmwarePackage f;
  EXPECT_FALSE(f.OpenPackage(m_dir.File("superonly.zip"), false));
  EXPECT_EQ(f.GetErrorMessage(), "Invalid File [Build_Output_Info.txt]");
  EXPECT_TRUE(WorkFiles().empty());
}

TEST_F(FirmwarePackageTest, ArchiveNextToItsUnpackedFolderIsNotOpened) {
  const std::string folder = m_dir.File("pkg");
  std::filesystem::create_directories(folder);
  test::WriteFile(folder + "/Build_Output_Info.txt", Layout());
  test::WriteFile(folder + "/boot.img", "b");
  test::WriteFile(m_dir.File("pkg.7z"), "garbage that is no archive");
  FirmwarePackage package;
  ASSERT_TRUE(package.OpenPackage(m_dir.File("pkg.7z"), false)) << package.GetErrorMessage();
  EXPECT_EQ(package.GetRootFolder(), folder);
  EXPECT_EQ(package.GetImages().at(0).path, folder + "/boot.img");
}

TEST_F(FirmwarePackageTest, SevenZipPackageIsUnpackedIntoTheWorkFolder) {
  const std::string archive = m_dir.File("pkg.7z");
  ASSERT_TRUE(
      pkgbuild::Write7z(archive, {{"binary_info.txt", pkgbuild::MakeBinaryInfo("E3112", "3.0", "v", 0)},
                                  {"Build_Output_Info.txt", Layout()},
                                  {"boot.img", "boot"}}));
  std::filesystem::create_directories(WorkFolder());
  test::WriteFile(WorkFolder() + "/stale.bin", "old");
  FirmwarePackage package;
  ASSERT_TRUE(package.OpenPackage(archive, false)) << package.GetErrorMessage();
  EXPECT_EQ(package.GetKind(), PACKAGE_FOLDER);
  EXPECT_EQ(package.GetRootFolder(), WorkFolder());
  EXPECT_EQ(package.GetVersion(), "3.0");
  EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"Build_Output_Info.txt", "binary_info.txt", "boot.img"}));

  const std::string noInfo = m_dir.File("noinfo.7z");
  ASSERT_TRUE(
      pkgbuild::Write7z(noInfo, {{"sub/binary_info.txt", "[M]\n"}, {"Build_Output_Info.txt", Layout()}}));
  FirmwarePackage other;
  EXPECT_FALSE(other.OpenPackage(noInfo, false));
  EXPECT_EQ(other.GetErrorMessage(), "The binary file is invalid.");
}

TEST_F(FirmwarePackageTest, HostileSevenZipMembersFailTheWholeExtraction) {
  const struct {
    const char* what;
    std::vector<pkgbuild::ArchiveItem> items;
  } cases[] = {
      {"dot-dot", {{"binary_info.txt", "[M]\n"}, {"../x", "escaped"}}},
      {"nested dot-dot", {{"binary_info.txt", "[M]\n"}, {"a/../../x", "escaped"}}},
      {"absolute", {{"binary_info.txt", "[M]\n"}, {m_dir.File("x"), "escaped"}}},
      {"link out", {{"binary_info.txt", "[M]\n"}, {"l", "", "../.."}, {"l/x", "escaped"}}},
      {"absolute link", {{"binary_info.txt", "[M]\n"}, {"l", "", "/etc"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string archive = m_dir.File("evil.7z");
    std::string error;
    ASSERT_TRUE(pkgbuild::Write7z(archive, c.items, &error)) << error;
    CQx7zipMelt melt;
    ASSERT_TRUE(melt.LoadLibrary7z("unused"));
    uint64_t size = 0;
    ASSERT_TRUE(melt.FindMember(archive, "binary_info.txt", size));
    EXPECT_EQ(size, 4u);
    const std::string out = m_dir.File("out/deep");
    EXPECT_FALSE(melt.ExtractAll(out, archive));
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("out/x")));
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("x")));
    EXPECT_FALSE(std::filesystem::exists(out + "/binary_info.txt"));  // nothing at all is written
    FirmwarePackage package;
    EXPECT_FALSE(package.OpenPackage(archive, false));
    EXPECT_EQ(package.GetErrorMessage(), "The binary file is invalid.");
  }
  // A link that stays inside is fine.
  const std::string archive = m_dir.File("ok.7z");
  ASSERT_TRUE(pkgbuild::Write7z(archive, {{"d/f", "inside"}, {"d/l", "", "../d/f"}}));
  CQx7zipMelt melt;
  melt.LoadLibrary7z("unused");
  ASSERT_TRUE(melt.ExtractAll(m_dir.File("ok"), archive)) << melt.LastError();
  EXPECT_EQ(test::ReadFile(m_dir.File("ok/d/l")), "inside");
}

}  // namespace
}  // namespace upvane
