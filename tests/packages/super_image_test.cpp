#include "packages/super_image.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "packages/binary_file.h"
#include "pkgbuild/pkgbuild.h"
#include "support/test_support.h"

namespace upvane {
namespace {

using pkgbuild::SuperPartition;

std::vector<SuperPartition> SamplePartitions() {
  return {{"system_a", pkgbuild::PatternBytes(3 * 4096, 1)},
          {"system_b", "", 8 * 4096, 0x5A5A5A5A},
          {"vendor_a", pkgbuild::PatternBytes(2 * 4096, 2)},
          {"product_a", pkgbuild::PatternBytes(4096, 3)},
          {"odm_a", pkgbuild::PatternBytes(4096, 4)},
          {"misc_a", pkgbuild::PatternBytes(4096, 5)},
          {"empty_a", "", 0, 0, true}};
}

std::string Name(const std::string& path) { return std::filesystem::path(path).filename().string(); }

TEST(SuperImageReader, SplitsIntoValidSparseImagesPerPartition) {
  for (uint32_t headerSize : {128u, 256u}) {
    SCOPED_TRACE(headerSize);
    test::TempDir dir;
    const std::string super = dir.File("super.img");
    std::vector<pkgbuild::ExtentInfo> extents;
    pkgbuild::SuperOptions options;
    options.metadataHeaderSize = headerSize;
    ASSERT_TRUE(pkgbuild::WriteSuperImage(super, SamplePartitions(), options, &extents));
    SuperImageReader reader;
    ASSERT_TRUE(reader.Load(super));
    ASSERT_EQ(reader.Extents().size(), 6u);  // the partition without extents has none
    std::vector<std::string> names;
    for (const SuperExtent& e : reader.Extents()) names.push_back(Name(e.outputPath));
    EXPECT_EQ(names, (std::vector<std::string>{"system.img", "system_other.img", "vendor.img", "product.img",
                                               "odm.img", "misc_a.img"}));
    ASSERT_TRUE(reader.WriteImages());
    const std::string source = test::ReadFile(super);
    for (size_t i = 0; i < extents.size(); ++i) {
      const SuperExtent& e = reader.Extents()[i];
      EXPECT_EQ(e.start, extents[i].start);
      EXPECT_EQ(e.size, extents[i].size);
      const std::string out = test::ReadFile(e.outputPath);
      ASSERT_GE(out.size(), 28u);
      const auto* h = reinterpret_cast<const uint8_t*>(out.data());
      EXPECT_EQ(Le32(h), SPARSE_MAGIC);
      EXPECT_EQ(Le32(h + 16), e.size / 4096);  // total blocks
      EXPECT_EQ(Le32(h + 20), 1u);             // one chunk per partition in these images
      // The rest is the partition's chunk, byte for byte.
      const auto& chunks = reader.Chunks();
      size_t b = 0;
      while (chunks[b].expandedOffset != e.start) ++b;
      EXPECT_EQ(out.substr(28),
                source.substr(chunks[b].fileOffset, chunks[b + 1].fileOffset - chunks[b].fileOffset));
    }
    // Outputs exist now: a second split refuses to overwrite them.
    EXPECT_FALSE(reader.WriteImages());
  }
}

TEST(SuperImageReaderMtk, OnlySlotAIsListedAndWritten) {
  test::TempDir dir;
  const std::string super = dir.File("super.img");
  ASSERT_TRUE(pkgbuild::WriteSuperImage(super, SamplePartitions()));
  test::WriteFile(dir.File("misc.img"), "already there");
  std::vector<D_FAST_PART_INFO> list;
  SuperImageReaderMtk reader;
  ASSERT_TRUE(reader.Load(super, list));
  std::vector<std::string> parts;
  for (const D_FAST_PART_INFO& p : list) parts.push_back(p.partitionName + ">" + Name(p.imageFile));
  EXPECT_EQ(parts, (std::vector<std::string>{"system_a>system.img", "vendor_a>vendor.img",
                                             "product_a>product.img", "odm_a>odm.img", "misc_a>misc.img"}));
  // Bytes still to write: chunk header + data of each missing slot-a output.
  EXPECT_EQ(reader.BytesToWrite(), (12 + 3 * 4096) + (12 + 2 * 4096) + 2 * (12 + 4096u));
  ASSERT_TRUE(reader.WriteImages());
  EXPECT_EQ(reader.BytesWritten(), reader.BytesToWrite());
  EXPECT_EQ(test::ReadFile(dir.File("misc.img")), "already there");
  EXPECT_TRUE(std::filesystem::exists(dir.File("system.img")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("system_other.img")));
  EXPECT_EQ(std::filesystem::file_size(dir.File("system.img")), 28u + 12 + 3 * 4096);
  EXPECT_EQ(SuperImageReaderMtk::OutputName("VENDOR_A"), "VENDOR.img");
  EXPECT_EQ(SuperImageReaderMtk::OutputName("super"), "");
}

void Patch32(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i));
}

TEST(SuperImageReader, BadImagesFailToLoad) {
  test::TempDir dir;
  const std::string path = dir.File("super.img");
  ASSERT_TRUE(pkgbuild::WriteSuperImage(path, SamplePartitions()));
  const std::string good = test::ReadFile(path);
  SuperImageReader reader;
  ASSERT_TRUE(reader.Load(path));
  const std::vector<SparseChunk> chunks = reader.Chunks();
  // Geometry chunk: second chunk; its data starts 12 bytes after its header.
  const size_t geometry = chunks[1].fileOffset + 12;
  const size_t header = geometry + 8192;

  std::vector<size_t> cuts = {0, 4, 27, 28, 39, geometry, geometry + 4096, header, header + 127};
  for (const SparseChunk& c : chunks) cuts.push_back(c.fileOffset + 4);
  cuts.push_back(good.size() - 1);
  for (size_t cut : cuts) {
    test::WriteFile(path, good.substr(0, cut));
    EXPECT_FALSE(reader.Load(path)) << "cut at " << cut;
  }
  struct Patch {
    const char* what;
    size_t at;
    uint32_t value;
  } patches[] = {
      {"minor version 1", 4, 0x00010001},
      {"wrong magic", 0, 0x12345678},
      {"chunk count beyond the file", 20, 0x00100000},
      {"chunk size beyond the file", chunks[2].fileOffset + 8, 0x7FFFFFFF},
      {"raw chunk size disagrees with its blocks", chunks[1].fileOffset + 4, 5},
      {"unknown chunk type", chunks[0].fileOffset, 0xCAC9},
      {"no geometry", geometry, 0},
      {"wrong metadata magic", header, 0},
      {"extent count beyond the chunk", header + 96, 100000},
      {"partition table offset beyond the chunk", header + 80, 0x10000000},
      {"header size beyond the chunk", header + 8, 0x00F00000},
  };
  for (const Patch& p : patches) {
    std::string bad = good;
    Patch32(bad, p.at, p.value);
    test::WriteFile(path, bad);
    EXPECT_FALSE(reader.Load(path)) << p.what;
  }
  // A partition whose first extent index lies beyond the extent table.
  std::string bad = good;
  const size_t partitions = header + 128;
  Patch32(bad, partitions + 40, 99);
  test::WriteFile(path, bad);
  EXPECT_FALSE(reader.Load(path));
  EXPECT_FALSE(reader.Load(dir.File("missing.img")));
}

}  // namespace
}  // namespace upvane

namespace upvane {
namespace {

TEST(SuperImageReader, PartitionNamesCannotNameOtherFolders) {
  test::TempDir dir;
  std::filesystem::create_directories(dir.File("in"));
  const std::string super = dir.File("in/super.img");
  ASSERT_TRUE(pkgbuild::WriteSuperImage(super, {{"../escape_a", pkgbuild::PatternBytes(4096, 1)},
                                                {".hidden_a", pkgbuild::PatternBytes(4096, 2)},
                                                {"ok_a", pkgbuild::PatternBytes(4096, 3)}}));
  SuperImageReader reader;
  ASSERT_TRUE(reader.Load(super));
  ASSERT_EQ(reader.Extents().size(), 3u);
  EXPECT_EQ(reader.Extents()[0].outputPath, "");
  EXPECT_EQ(reader.Extents()[1].outputPath, "");
  EXPECT_EQ(reader.Extents()[2].outputPath, dir.File("in/ok_a.img"));
  EXPECT_FALSE(reader.WriteImages());  // an extent without an output fails the split
  std::vector<D_FAST_PART_INFO> list;
  SuperImageReaderMtk mtk;
  ASSERT_TRUE(mtk.Load(super, list));
  ASSERT_EQ(list.size(), 1u);
  ASSERT_TRUE(mtk.WriteImages());
  EXPECT_FALSE(std::filesystem::exists(dir.File("escape.img")));
  EXPECT_TRUE(std::filesystem::exists(dir.File("in/ok.img")));
}

}  // namespace
}  // namespace upvane
