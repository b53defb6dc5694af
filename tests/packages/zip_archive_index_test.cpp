#include "packages/zip_archive_index.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "pkgbuild/pkgbuild.h"
#include "support/test_support.h"

namespace upvane {
namespace {

using pkgbuild::ZipMember;

std::string ReadRange(const std::string& path, uint64_t offset, uint64_t size) {
  std::ifstream in(path, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(offset));
  std::string bytes(size, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(size));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

std::vector<ZipMember> SampleMembers() {
  return {{"binary_info.txt", "[E3110]\r\nversion=1\r\n"},
          {"images/boot.img", pkgbuild::PatternBytes(5000, 1)},
          {"images/", "", 0, 0, "", true},
          {"images/system.img", pkgbuild::PatternBytes(70000, 2)},
          {"empty.bin", ""}};
}

void ExpectMembersReadable(const std::string& path, const std::vector<ZipMember>& members) {
  ZipArchiveIndex index;
  ASSERT_EQ(index.Open(path), 0);
  for (const ZipMember& m : members) {
    if (m.folder) continue;
    uint64_t offset = 0, size = 0;
    ASSERT_EQ(index.Find(m.name, offset, size), 0) << m.name;
    EXPECT_EQ(size, m.data.size()) << m.name;
    EXPECT_EQ(ReadRange(path, offset, size), m.data) << m.name;
  }
}

TEST(ZipArchiveIndex, IndexesStoredMembersWithAndWithoutZip64Fields) {
  test::TempDir dir;
  for (bool zip64 : {false, true}) {
    SCOPED_TRACE(zip64);
    const std::string path = dir.File(zip64 ? "z64.zip" : "plain.zip");
    pkgbuild::ZipOptions options;
    options.zip64 = zip64;
    ASSERT_TRUE(pkgbuild::WriteStoredZip(path, SampleMembers(), options));
    ExpectMembersReadable(path, SampleMembers());
  }
}

TEST(ZipArchiveIndex, NamesAreExactAndPrefixSumsCountOnlyPrefixes) {
  test::TempDir dir;
  const std::string path = dir.File("a.zip");
  ASSERT_TRUE(pkgbuild::WriteStoredZip(path, {{"images/boot.img", "12345"},
                                              {"images/boot.img.sig", "ab"},
                                              {"x_images/boot.img", "zzzzzzz"},
                                              {"IMAGES/cache.img", "c"}}));
  ZipArchiveIndex index;
  ASSERT_EQ(index.Open(path), 0);
  uint64_t offset = 0, size = 0;
  EXPECT_EQ(index.Find("boot.img", offset, size), 4);
  EXPECT_EQ(index.Find("images/BOOT.img", offset, size), 4);
  EXPECT_EQ(index.Find("images/boot.img", offset, size), 0);
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(index.SumSizes("images/"), 7u);
  EXPECT_EQ(index.SumSizes(""), 15u);
  index.Close();
  EXPECT_EQ(index.Find("images/boot.img", offset, size), 4);
}

TEST(ZipArchiveIndex, EmptyArchiveOpensAndFindsNothing) {
  test::TempDir dir;
  ASSERT_TRUE(pkgbuild::WriteStoredZip(dir.File("e.zip"), {}));
  ZipArchiveIndex index;
  ASSERT_EQ(index.Open(dir.File("e.zip")), 0);
  uint64_t offset = 0, size = 0;
  EXPECT_EQ(index.Find("", offset, size), 4);
  EXPECT_EQ(index.SumSizes(""), 0u);
}

TEST(ZipArchiveIndex, RefusesMembersThatCannotBeCopiedOut) {
  test::TempDir dir;
  const std::string path = dir.File("r.zip");
  const std::string longName(300, 'n');
  std::vector<ZipMember> members = {{"deflated.bin", "not really deflated", 0, 8},
                                    {longName, "long"},
                                    {"good.bin", "good", 0, 0, "a member comment"},
                                    {"after.bin", "after", 0, 0, "another"}};
  ASSERT_TRUE(pkgbuild::WriteStoredZip(path, members));
  ZipArchiveIndex index;
  ASSERT_EQ(index.Open(path), 0);
  uint64_t offset = 0, size = 0;
  EXPECT_EQ(index.Find("deflated.bin", offset, size), 4);
  EXPECT_EQ(index.Find(longName, offset, size), 4);
  EXPECT_EQ(index.Find(longName.substr(0, 256), offset, size), 4);  // not cut to a shorter name
  // Member comments are stepped over: the members after them are found.
  ASSERT_EQ(index.Find("good.bin", offset, size), 0);
  EXPECT_EQ(ReadRange(path, offset, size), "good");
  ASSERT_EQ(index.Find("after.bin", offset, size), 0);
  EXPECT_EQ(ReadRange(path, offset, size), "after");
}

// Offset of the n-th central directory header.
size_t CentralHeaderAt(const std::string& bytes, int n) {
  size_t at = 0;
  for (int i = 0; i <= n; ++i) at = bytes.find("PK\x01\x02", i == 0 ? 0 : at + 4);
  return at;
}

TEST(ZipArchiveIndex, MemberDataOutsideTheFileIsRefused) {
  test::TempDir dir;
  const std::string path = dir.File("o.zip");
  ASSERT_TRUE(pkgbuild::WriteStoredZip(path, {{"a.bin", "aaaa"}, {"b.bin", "bbbb"}}));
  std::string bytes = test::ReadFile(path);
  const size_t central = CentralHeaderAt(bytes, 1);
  ASSERT_NE(central, std::string::npos);
  bytes[central + 24 + 3] = 0x10;  // b.bin's size: 256 MiB more than the file holds
  test::WriteFile(path, bytes);
  ZipArchiveIndex index;
  ASSERT_EQ(index.Open(path), 0);
  uint64_t offset = 0, size = 0;
  EXPECT_EQ(index.Find("a.bin", offset, size), 0);
  EXPECT_EQ(index.Find("b.bin", offset, size), 4);
}

TEST(ZipArchiveIndex, BadInputFailsCleanly) {
  test::TempDir dir;
  const std::string path = dir.File("t.zip");
  // Small members keep the truncation loop short; one uses ZIP64 fields.
  pkgbuild::ZipOptions zip64;
  zip64.zip64 = true;
  ASSERT_TRUE(pkgbuild::WriteStoredZip(path, {{"a/one.bin", "1111"}, {"two.bin", "22"}}, zip64));
  const std::string small64 = test::ReadFile(path);
  ASSERT_TRUE(
      pkgbuild::WriteStoredZip(path, {{"a/one.bin", "1111"}, {"a/", "", 0, 0, "", true}, {"two.bin", "22"}}));
  const std::string good = test::ReadFile(path);
  ZipArchiveIndex index;
  for (size_t cut = 0; cut < small64.size(); ++cut) {
    test::WriteFile(path, small64.substr(0, cut));
    EXPECT_NE(index.Open(path), 0) << cut;
  }
  // Every truncation loses the end record at the end of the file.
  for (size_t cut = 0; cut < good.size(); ++cut) {
    test::WriteFile(path, good.substr(0, cut));
    EXPECT_NE(index.Open(path), 0) << cut;
  }
  const size_t end = good.size() - 22;
  struct Patch {
    const char* what;
    size_t at;
    std::string bytes;
  } patches[] = {
      {"entry count beyond the directory", end + 10, std::string("\xE8\x03", 2)},
      {"directory offset past the end", end + 16, std::string("\xFF\xFF\xFF\x7F", 4)},
      {"directory offset inside member data", end + 16, std::string("\x40\x00\x00\x00", 4)},
      {"local header offset past the end", CentralHeaderAt(good, 1) + 42, std::string("\xFF\xFF\xFF\x00", 4)},
      {"name length beyond the limit", CentralHeaderAt(good, 0) + 28, std::string("\xFF\x07", 2)},
  };
  for (const Patch& p : patches) {
    std::string bad = good;
    bad.replace(p.at, p.bytes.size(), p.bytes);
    test::WriteFile(path, bad);
    EXPECT_NE(index.Open(path), 0) << p.what;
  }
  test::WriteFile(path, good + "comment");
  EXPECT_NE(index.Open(path), 0) << "archive comment";
  pkgbuild::ZipOptions withComment;
  withComment.archiveComment = "hello";
  ASSERT_TRUE(pkgbuild::WriteStoredZip(path, SampleMembers(), withComment));
  EXPECT_NE(index.Open(path), 0) << "archive comment in the end record";
  EXPECT_NE(index.Open(dir.File("missing.zip")), 0);
}

TEST(ZipArchiveIndex, ArchiveBeyondFourGibibytesGivesSixtyFourBitOffsets) {
  test::TempDir dir;
  const std::string path = dir.File("big.zip");
  const uint64_t big = 5ull << 30;
  std::vector<ZipMember> members = {{"head.txt", "head"}, {"big.bin", "", big}, {"tail.txt", "tail bytes"}};
  ASSERT_TRUE(pkgbuild::WriteStoredZip(path, members));
  uint64_t fileSize = 0;
  ASSERT_GT(fileSize = std::filesystem::file_size(path), 0xFFFFFFFFull);
  ZipArchiveIndex index;
  ASSERT_EQ(index.Open(path), 0);
  uint64_t offset = 0, size = 0;
  ASSERT_EQ(index.Find("big.bin", offset, size), 0);
  EXPECT_EQ(size, big);
  ASSERT_EQ(index.Find("tail.txt", offset, size), 0);
  EXPECT_GT(offset, 0xFFFFFFFFull);
  EXPECT_EQ(ReadRange(path, offset, size), "tail bytes");
  EXPECT_EQ(index.SumSizes(""), big + 14);
}

}  // namespace
}  // namespace upvane
