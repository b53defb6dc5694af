#include "packages/partition_layout.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "packages/firmware_package.h"
#include "packages/gpt_image.h"
#include "pkgbuild/pkgbuild.h"
#include "support/test_support.h"

namespace upvane {
namespace {

using pkgbuild::LayoutRowSpec;

TEST(PartitionLayout, RowsPropertiesAndLists) {
  PartitionLayout layout;
  const int count = layout.LoadText(pkgbuild::MakeLayout(3, {{"boot_a", "boot.img", "0x12", 0},
                                                             {"system_a", "system.img", "102", 0},
                                                             {"noFile", "", "2", 0},
                                                             {std::string(32, 'L'), "long-label.img", "2", 1},
                                                             {"modem", std::string(64, 'f'), "2", 1},
                                                             {"xbl", "xbl.elf", "", 70000}}));
  EXPECT_EQ(count, 3);
  EXPECT_EQ(layout.m_nMaxLun, 3u);
  ASSERT_EQ(layout.m_physicalRows.size(), 2u);
  ASSERT_EQ(layout.m_superRows.size(), 1u);
  const LayoutRow* boot = layout.GetRow(0, PartitionLayout::List::Physical);
  ASSERT_NE(boot, nullptr);
  EXPECT_EQ(boot->property, 0x12u);
  ImageEntry e;
  e.property = boot->property;
  EXPECT_TRUE(NeedsErase(e) && IsFastbootImage(e));
  const LayoutRow* system = layout.GetRow(0, PartitionLayout::List::Super);
  ASSERT_NE(system, nullptr);
  EXPECT_EQ(system->property, 0x102u);
  EXPECT_EQ(layout.GetRow(1, PartitionLayout::List::Physical)->lun, static_cast<uint16_t>(70000));
  EXPECT_EQ(layout.GetRow(2, PartitionLayout::List::Physical), nullptr);
  EXPECT_EQ(layout.GetRow(1, PartitionLayout::List::Super), nullptr);
}

TEST(PartitionLayout, EndOfTheListAndMissingFile) {
  PartitionLayout layout;
  EXPECT_EQ(layout.LoadText("[global]\nmax_lun_no=2\n[partition001]\nlabel=\nfilename=a.img\n"
                            "[partition002]\nlabel=b\nfilename=b.img\n"),
            0);
  EXPECT_EQ(
      layout.LoadText("[partition001]\nlabel=a\nfilename=a.img\n[partition003]\nlabel=c\nfilename=c.img\n"),
      1);
  EXPECT_EQ(layout.m_nMaxLun, 0u);
  test::TempDir dir;
  layout.m_nMaxLun = 9;
  EXPECT_EQ(layout.Load(dir.File("none.txt")), 0);
  EXPECT_EQ(layout.m_nMaxLun, 0u);
}

TEST(LegacyPartitionLayout, ModelAndRows) {
  LegacyPartitionLayout layout;
  EXPECT_EQ(
      layout.LoadText(pkgbuild::MakeLegacyLayout(
          "E3102", {{"sbl1", "sbl1.mbn", "1", 0}, {"x", "", "1", 0}, {"modem", "NON-HLOS.bin", "0x10", 0}})),
      0);
  EXPECT_EQ(layout.m_strModel, "E3102");
  ASSERT_EQ(layout.m_rows.size(), 2u);
  EXPECT_EQ(layout.GetRow(1)->fileName, "NON-HLOS.bin");
  EXPECT_EQ(layout.GetRow(1)->property, 0x10u);
  EXPECT_EQ(layout.GetRow(2), nullptr);
  layout.LoadText("[partition001]\nlabel=a\nfilename=a\n");
  EXPECT_EQ(layout.m_strModel, "XXXX");
}

TEST(ImageEntry, SlotHelpers) {
  ImageEntry a, b, n;
  a.label = "boot_a";
  b.label = "boot_b";
  n.label = "boot";
  EXPECT_TRUE(IsSlotA(a) && !IsSlotB(a));
  EXPECT_TRUE(IsSlotB(b) && !IsSlotA(b));
  EXPECT_FALSE(IsSlotA(n) || IsSlotB(n));
}

// A folder package: description, layout and the given files.
void WriteFolderPackage(const std::string& folder, int maxLun, const std::vector<LayoutRowSpec>& rows,
                        const std::vector<std::string>& files) {
  std::filesystem::create_directories(folder);
  test::WriteFile(folder + "/Build_Output_Info.txt", pkgbuild::MakeLayout(maxLun, rows));
  for (const std::string& f : files) test::WriteFile(folder + "/" + f, "bytes of " + f);
}

TEST(BuildImageList, PartitionTablesAheadOfEachLun) {
  test::TempDir dir;
  test::ScopedEnv home("UPVANE_HOME", dir.path());
  const std::string folder = dir.File("pkg");
  WriteFolderPackage(
      folder, 4,
      {{"xbl", "xbl.elf", "0x2", 0}, {"abl", "abl.elf", "0x0", 0}, {"modem", "modem.img", "0x12", 2}},
      {"xbl.elf", "abl.elf", "modem.img", "gpt_main0.bin", "gpt_main1.bin", "gpt_main2.bin",
       "gpt_main4.bin"});
  FirmwarePackage package;
  ASSERT_TRUE(package.OpenPackage(folder, false)) << package.GetErrorMessage();
  const auto& images = package.GetImages();
  std::vector<std::string> order;
  for (const ImageEntry& e : images)
    order.push_back(e.label + "/" + std::to_string(e.lun) + "/" + std::to_string(e.property));
  // No partition-table file for LUN 3: no entry for it. Tables of rows'
  // LUNs get 3 without super, the ones after the last row get 1.
  EXPECT_EQ(order, (std::vector<std::string>{"PrimaryGPT/0/3", "xbl/0/2", "abl/0/0", "PrimaryGPT/1/3",
                                             "PrimaryGPT/2/3", "modem/2/18", "PrimaryGPT/4/1"}));
  EXPECT_EQ(images[1].path, folder + "/xbl.elf");
  EXPECT_EQ(images[1].size, std::string("bytes of xbl.elf").size());
  EXPECT_EQ(images[1].dataOffset, 0u);
  EXPECT_EQ(package.CountFastbootImages(), 5);  // tables with 3 and the two rows with bit 1
  EXPECT_EQ(package.GetMaxLun(), 4u);
}

TEST(BuildImageList, ZipPackageTakesOffsetsFromTheIndex) {
  test::TempDir dir;
  test::ScopedEnv home("UPVANE_HOME", dir.path());
  const std::string zip = dir.File("pkg.zip");
  const std::string boot = pkgbuild::PatternBytes(10000, 5);
  ASSERT_TRUE(pkgbuild::WriteStoredZip(
      zip, {{"Build_Output_Info.txt",
             pkgbuild::MakeLayout(0, {{"boot_a", "boot.img", "2", 0}, {"missing_a", "missing.img", "2", 0}})},
            {"gpt_main0.bin", "gpt"},
            {"boot.img", boot}}));
  FirmwarePackage package;
  ASSERT_TRUE(package.OpenPackage(zip, true)) << package.GetErrorMessage();
  ASSERT_EQ(package.GetImages().size(), 2u);
  const ImageEntry& e = package.GetImages()[1];
  EXPECT_EQ(e.path, zip);
  EXPECT_EQ(e.size, boot.size());
  std::ifstream in(zip, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(e.dataOffset));
  std::string bytes(boot.size(), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  EXPECT_EQ(bytes, boot);
  EXPECT_EQ(package.GetImages()[0].property, 1u);  // with super: the table is not for fastboot
}

TEST(GptImage, PartitionPositionsFromThePackage) {
  test::TempDir dir;
  const std::string zip = dir.File("legacy.zip");
  ASSERT_TRUE(pkgbuild::WriteStoredZip(
      zip,
      {{"gpt_main.bin", pkgbuild::MakeGptMain({{"sbl1", 34, 1057}, {"modem", 2048, 133119}}, 1 << 22)}}));
  GptImage gpt;
  ASSERT_EQ(gpt.Load(zip), 0);
  uint64_t offset = 0;
  ASSERT_TRUE(gpt.PartitionStart("modem", offset));
  EXPECT_EQ(offset, 2048u * 512);
  ASSERT_TRUE(gpt.PartitionEnd("modem", offset));
  EXPECT_EQ(offset, 133119u * 512 + 511);
  EXPECT_FALSE(gpt.PartitionStart("mode", offset));
  EXPECT_FALSE(gpt.PartitionStart("modem2", offset));
  EXPECT_FALSE(gpt.PartitionStart("", offset));
  EXPECT_FALSE(gpt.PartitionStart(std::string(200, 'a'), offset));

  EXPECT_EQ(gpt.Load(dir.File("missing.zip")), 1);
  EXPECT_FALSE(gpt.PartitionStart("modem", offset));
  ASSERT_TRUE(pkgbuild::WriteStoredZip(dir.File("no-gpt.zip"), {{"other.bin", "x"}}));
  EXPECT_EQ(gpt.Load(dir.File("no-gpt.zip")), 4);
  test::WriteFile(dir.File("bad.zip"), "PK not a zip");
  EXPECT_EQ(gpt.Load(dir.File("bad.zip")), 1);

  // A header claiming more entries than the image holds stops at 128.
  std::string image = pkgbuild::MakeGptMain({{"a", 1, 2}}, 1 << 20);
  image[512 + 80 + 3] = 0x7F;
  gpt.LoadBuffer(reinterpret_cast<const uint8_t*>(image.data()), image.size());
  EXPECT_TRUE(gpt.PartitionStart("a", offset));
  EXPECT_FALSE(gpt.PartitionStart("b", offset));
}

}  // namespace
}  // namespace upvane
