// Sparse images from img2simg are read; every output of the split is a
// sparse image that simg2img expands to exactly its partition's bytes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "packages/super_image.h"
#include "pkgbuild/pkgbuild.h"
#include "support/test_support.h"

namespace upvane {
namespace {

void ExpectOutputsExpandToPartitions(const SuperImageBase& reader, const std::string& raw,
                                     const std::vector<pkgbuild::ExtentInfo>& extents,
                                     const test::TempDir& dir) {
  ASSERT_EQ(reader.Extents().size(), extents.size());
  for (size_t i = 0; i < extents.size(); ++i) {
    const SuperExtent& e = reader.Extents()[i];
    ASSERT_FALSE(e.outputPath.empty());
    const std::string expanded = dir.File("expanded.raw");
    const std::string cmd = "simg2img '" + e.outputPath + "' '" + expanded + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << e.outputPath;
    EXPECT_EQ(test::ReadFile(expanded), raw.substr(extents[i].start, extents[i].size)) << e.outputPath;
  }
}

TEST(SuperImagePeer, SplitOfOurImageExpandsWithSimg2img) {
  test::TempDir dir;
  std::vector<pkgbuild::ExtentInfo> extents;
  const std::vector<pkgbuild::SuperPartition> parts = {{"system_a", pkgbuild::PatternBytes(64 * 4096, 1)},
                                                       {"vendor_a", "", 16 * 4096, 0x01020304},
                                                       {"product_a", pkgbuild::PatternBytes(4096, 2)}};
  ASSERT_TRUE(pkgbuild::WriteSuperImage(dir.File("super.img"), parts, {}, &extents));
  ASSERT_EQ(std::system(("simg2img '" + dir.File("super.img") + "' '" + dir.File("super.raw") + "'").c_str()),
            0);
  SuperImageReader reader;
  ASSERT_TRUE(reader.Load(dir.File("super.img")));
  ASSERT_TRUE(reader.WriteImages());
  ExpectOutputsExpandToPartitions(reader, test::ReadFile(dir.File("super.raw")), extents, dir);
}

TEST(SuperImagePeer, Img2simgImageIsRead) {
  test::TempDir dir;
  std::filesystem::create_directories(dir.File("out"));
  std::vector<pkgbuild::ExtentInfo> extents;
  pkgbuild::SuperOptions rawOptions;
  rawOptions.sparse = false;
  const std::vector<pkgbuild::SuperPartition> parts = {{"system_a", pkgbuild::PatternBytes(40 * 4096, 7)},
                                                       {"vendor_a", pkgbuild::PatternBytes(9 * 4096, 8)}};
  ASSERT_TRUE(pkgbuild::WriteSuperImage(dir.File("super.raw"), parts, rawOptions, &extents));
  const std::string sparse = dir.File("out/super.img");
  ASSERT_EQ(std::system(("img2simg '" + dir.File("super.raw") + "' '" + sparse + "'").c_str()), 0);
  std::vector<D_FAST_PART_INFO> list;
  SuperImageReaderMtk reader;
  ASSERT_TRUE(reader.Load(sparse, list));
  ASSERT_EQ(list.size(), 2u);
  ASSERT_TRUE(reader.WriteImages());
  ExpectOutputsExpandToPartitions(reader, test::ReadFile(dir.File("super.raw")), extents, dir);
}

}  // namespace
}  // namespace upvane
