#include "packages/ms_info.h"

#include <gtest/gtest.h>

#include <fstream>

#include <sstream>

#include "pkgbuild/pkgbuild.h"
#include "support/test_support.h"

namespace upvane {
namespace {

struct VersionShape {
  uint32_t version;
  unsigned rows;
  size_t endMarkAt;
};
const VersionShape kShapes[] = {{1, 16, 1120}, {2, 16, 1144}, {3, 16, 1176},  {4, 32, 1752},
                                {5, 64, 3032}, {6, 64, 3032}, {7, 256, 10328}};

pkgbuild::InfoBlockSpec SampleSpec(uint32_t version, unsigned rows, const std::string& model) {
  pkgbuild::InfoBlockSpec desc;
  desc.version = version;
  desc.n1 = 0x11;
  desc.n2 = 0x22;
  desc.t1 = model;
  desc.t2 = "T2text";
  desc.t3 = "T3text";
  desc.t4 = "T4text";
  desc.t5 = "T5text";
  desc.t6 = "  1.234  ";
  desc.t7 = "T7";
  desc.t8 = "T8";
  desc.t9 = "HW01";
  desc.t10 = "AB123";
  desc.blockSize = 0x40000;
  desc.pageSize = 0x1000;
  desc.rows.resize(rows);
  desc.rows[0] = {"AMSS_BOOT", 0x2000, 0x2FFF, 0, 3, 0};
  desc.rows[rows - 1] = {"LASTROW", 0x3000, 0x3FFF, 0xFFFFFFFF, 0xFFFFFFFF, 4};
  desc.entries = {{"AMSS", ENTRY_ERASE | ENTRY_WRITE, {0, 2}}, {"OTHERS", ENTRY_WRITE, {rows - 1}}};
  desc.tailBytes[0] = 0xAB;
  for (int i = 0; i < 12; ++i) desc.tailWords[static_cast<size_t>(i)] = 0x100u + static_cast<uint32_t>(i);
  return desc;
}

TEST(CMsInfo, ReadsEveryVersionItKnows) {
  CMsInfo info;
  for (const VersionShape& shape : kShapes) {
    SCOPED_TRACE(shape.version);
    std::istringstream in(pkgbuild::MakeNandImage(SampleSpec(shape.version, shape.rows, "E3102"), "payload"));
    InfoRecord record;
    const int rc = info.ReadInfoBlock(in, record, true);
    if (shape.version == 6) {
      EXPECT_EQ(rc, INFO_INVALID);  // the feature-phone form only
      continue;
    }
    ASSERT_EQ(rc, INFO_OK);
    EXPECT_EQ(record.family, 1);  // E3102
    EXPECT_EQ(record.t1, "E3102");
    EXPECT_EQ(record.t6, "  1.234  ");
    EXPECT_EQ(record.t2, "T2text");
    EXPECT_EQ(record.t3, "T3text");
    EXPECT_EQ(record.t4, "T4text");
    EXPECT_EQ(record.t9, shape.version == 1 ? "" : "HW01");
    EXPECT_EQ(record.t10, shape.version == 1 ? "" : "AB123");
    EXPECT_EQ(record.n1, 0x11u);
    EXPECT_EQ(record.n2, shape.version == 1 ? 0u : 0x22u);
    EXPECT_EQ(record.blockSize, 0x40000u);
    EXPECT_EQ(record.pageSize, 0x1000u);
    EXPECT_EQ(record.rows[0].name, "AMSS_BOOT");
    EXPECT_EQ(record.rows[0].dataEnd, 0x2FFFu);
    EXPECT_EQ(record.rows[shape.rows - 1].name, "LASTROW");
    EXPECT_EQ(record.rows[shape.rows - 1].kind, 4u);
    const ImageEntryBits& amss = record.entries[0];
    EXPECT_TRUE(amss.HasRow(0) && amss.HasRow(2) && !amss.HasRow(1));
    EXPECT_TRUE((amss.kind & ENTRY_ERASE) && (amss.kind & ENTRY_WRITE));
    EXPECT_TRUE(record.entries[1].HasRow(shape.rows - 1));
    EXPECT_EQ(record.tailBytes[0], 0xAB);
    EXPECT_EQ(record.tailWords[3], 0x103u);
    EXPECT_EQ(record.tailWords[4], shape.version <= 2 ? 0u : 0x104u);
    EXPECT_EQ(info.FindImageEntry(record, 12), 0);  // "AMSS"
    EXPECT_EQ(info.FindImageEntry(record, 0), -1);  // "AMSS_BOOT" is not "AMSS"
    EXPECT_EQ(info.FindImageEntry(record, 24), 1);  // "OTHERS"
  }
}

TEST(CMsInfo, ModelRequirementAndBadBlocks) {
  CMsInfo info;
  InfoRecord record;
  std::istringstream unknown(pkgbuild::MakeInfoBlock(SampleSpec(2, 16, "Z9999")));
  EXPECT_EQ(info.ReadInfoBlock(unknown, record, false), INFO_OK);
  EXPECT_EQ(record.family, 12);
  EXPECT_EQ(info.ReadInfoBlock(unknown, record, true), INFO_UNKNOWN_MODEL);

  pkgbuild::InfoBlockSpec misplaced = SampleSpec(3, 16, "E3102");
  misplaced.endMarkAt = 1144;  // where version 2 has it
  std::istringstream wrongMark(pkgbuild::MakeInfoBlock(misplaced));
  EXPECT_EQ(info.ReadInfoBlock(wrongMark, record, true), INFO_INVALID);

  pkgbuild::InfoBlockSpec future = SampleSpec(8, 16, "E3102");
  std::istringstream unknownVersion(pkgbuild::MakeInfoBlock(future));
  EXPECT_EQ(info.ReadInfoBlock(unknownVersion, record, true), INFO_INVALID);

  // Cut at every structure boundary of a version-7 block: each is invalid.
  const std::string full = pkgbuild::MakeInfoBlock(SampleSpec(7, 256, "E3102"));
  for (size_t cut : {0, 7, 8, 16, 96, 152, 9368, 10264, 10280, 10328, 10334}) {
    std::istringstream in(full.substr(0, cut));
    EXPECT_EQ(info.ReadInfoBlock(in, record, false), INFO_INVALID) << cut;
  }
  std::istringstream whole(full);
  EXPECT_EQ(info.ReadInfoBlock(whole, record, false), INFO_OK);
}

TEST(CMsInfo, FilePositionIsRestoredAndClosedFileReported) {
  test::TempDir dir;
  const std::string path = dir.File("nand.bin");
  ASSERT_TRUE(pkgbuild::WriteBytes(path, pkgbuild::MakeNandImage(SampleSpec(4, 32, "E3102"), "data")));
  CMsInfo info;
  InfoRecord record;
  std::ifstream closed;
  EXPECT_EQ(info.ReadInfoBlock(closed, record, false), INFO_NOT_OPEN);
  std::ifstream file(path, std::ios::binary);
  file.seekg(100);
  EXPECT_EQ(info.ReadInfoBlock(file, record, true), INFO_OK);
  EXPECT_EQ(file.tellg(), std::streampos(100));
  EXPECT_TRUE(info.IsModel(1, "E3102"));
  EXPECT_FALSE(info.IsModel(12, "E3102"));
  EXPECT_FALSE(info.IsModel(0, "E3102"));
}

TEST(CMsInfoBrew, ReadsVersionsOneToSixWithTrimmedModel) {
  CMsInfo_Brew info;
  for (const VersionShape& shape : kShapes) {
    SCOPED_TRACE(shape.version);
    std::istringstream in(
        pkgbuild::MakeInfoBlock(SampleSpec(shape.version, std::min(shape.rows, 64u), " E3104  ")));
    BrewInfoRecord record;
    const int rc = info.ReadInfoBlock(in, record);
    if (shape.version == 7) {
      EXPECT_EQ(rc, INFO_INVALID);
      continue;
    }
    ASSERT_EQ(rc, INFO_OK);
    EXPECT_EQ(record.family, 0);
    EXPECT_EQ(record.t1, "E3104");
    EXPECT_EQ(record.entries[0].rowMask, 0x5u);
    EXPECT_EQ(record.entries[0].kind, ENTRY_ERASE | ENTRY_WRITE);
    EXPECT_EQ(record.rows[std::min(shape.rows, 64u) - 1].name, "LASTROW");
    EXPECT_EQ(info.FindImageEntry(record, 1), 0);  // "AMSS"
  }
  BrewInfoRecord record;
  std::istringstream other(pkgbuild::MakeInfoBlock(SampleSpec(99, 16, "E3102")));
  EXPECT_EQ(info.ReadInfoBlock(other, record), INFO_UNKNOWN_MODEL);  // the model is judged first
  EXPECT_EQ(record.family, 1);
  EXPECT_TRUE(info.IsModel(0, "E3104"));
  EXPECT_FALSE(info.IsModel(1, "E3104"));
}

TEST(CMsInfoBrew, PartitionKindIsTheFirstNameContained) {
  CMsInfo_Brew info;
  const struct {
    const char* name;
    int kind;
  } cases[] = {{"0:FOTA_BACKUP", 3}, {"0:FOTA", 8},       {"0:MIBIB", 0},
               {"0:CALBACKUP", 2},   {"0:ERR_BACKUP", 3}, {"0:EFS2", 13},
               {"PLTABLE", 11},      {"unknown", 14},     {"", 14}};
  for (const auto& c : cases) EXPECT_EQ(info.FindBrewPartitionKind(c.name), c.kind) << c.name;
  EXPECT_EQ(info.FindBrewPartitionKind(nullptr), 14);
}

TEST(CrcTrailer, WholeFileCheck) {
  test::TempDir dir;
  const std::string path = dir.File("img.bin");
  std::string image = pkgbuild::MakeNandImage(SampleSpec(2, 16, "E3102"), pkgbuild::PatternBytes(300000, 9));
  ASSERT_TRUE(pkgbuild::WriteBytes(path, image));
  EXPECT_TRUE(CheckCrcTrailer(path));
  image[5000] = static_cast<char>(image[5000] ^ 1);
  ASSERT_TRUE(pkgbuild::WriteBytes(path, image));
  EXPECT_FALSE(CheckCrcTrailer(path));
  ASSERT_TRUE(pkgbuild::WriteBytes(path, image.substr(0, image.size() - 1)));
  EXPECT_FALSE(CheckCrcTrailer(path));
  ASSERT_TRUE(pkgbuild::WriteBytes(path, std::string(4, '\0')));  // CRC of no bytes is 0
  EXPECT_TRUE(CheckCrcTrailer(path));
  ASSERT_TRUE(pkgbuild::WriteBytes(path, std::string("\1\0\0\0", 4)));
  EXPECT_FALSE(CheckCrcTrailer(path));
  ASSERT_TRUE(pkgbuild::WriteBytes(path, "abc"));
  EXPECT_FALSE(CheckCrcTrailer(path));
  EXPECT_FALSE(CheckCrcTrailer(dir.File("missing")));
}

}  // namespace
}  // namespace upvane
