// Archives written by Info-ZIP and by Python's zipfile are indexed right:
// every offset is checked by reading the member's bytes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "packages/zip_archive_index.h"
#include "pkgbuild/pkgbuild.h"
#include "support/test_support.h"

namespace upvane {
namespace {

std::string ReadRange(const std::string& path, uint64_t offset, uint64_t size) {
  std::ifstream in(path, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(offset));
  std::string bytes(size, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(size));
  return bytes;
}

struct Source {
  std::string name;
  std::string data;
};

std::vector<Source> WriteSources(const test::TempDir& dir) {
  std::vector<Source> sources = {{"binary_info.txt", "[E3110]\r\nversion=2.0\r\n"},
                                 {"img/boot.img", pkgbuild::PatternBytes(123457, 3)},
                                 {"img/sub/vendor.img", pkgbuild::PatternBytes(4096, 4)},
                                 {"zero.bin", ""}};
  std::filesystem::create_directories(dir.File("src/img/sub"));
  for (const Source& s : sources) test::WriteFile(dir.File("src/" + s.name), s.data);
  return sources;
}

void ExpectIndexed(const std::string& zip, const std::vector<Source>& sources) {
  ZipArchiveIndex index;
  ASSERT_EQ(index.Open(zip), 0);
  for (const Source& s : sources) {
    uint64_t offset = 0, size = 0;
    ASSERT_EQ(index.Find(s.name, offset, size), 0) << s.name;
    ASSERT_EQ(size, s.data.size()) << s.name;
    EXPECT_EQ(ReadRange(zip, offset, size), s.data) << s.name;
  }
}

TEST(ZipArchiveIndexPeer, InfoZipStored) {
  test::TempDir dir;
  const auto sources = WriteSources(dir);
  const std::string cmd = "cd '" + dir.File("src") + "' && zip -q -0 -r '" + dir.File("a.zip") + "' .";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  ExpectIndexed(dir.File("a.zip"), sources);
}

TEST(ZipArchiveIndexPeer, InfoZipDeflatedMembersAreRefused) {
  test::TempDir dir;
  test::WriteFile(dir.File("text.txt"), std::string(10000, 'a'));
  const std::string cmd = "cd '" + dir.path() + "' && zip -q -9 d.zip text.txt";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  ZipArchiveIndex index;
  ASSERT_EQ(index.Open(dir.File("d.zip")), 0);
  uint64_t offset = 0, size = 0;
  EXPECT_EQ(index.Find("text.txt", offset, size), 4);
}

TEST(ZipArchiveIndexPeer, PythonZipfileWithAndWithoutZip64) {
  test::TempDir dir;
  const auto sources = WriteSources(dir);
  for (const char* force : {"False", "True"}) {
    SCOPED_TRACE(force);
    const std::string zip = dir.File(std::string("py") + force + ".zip");
    const std::string script =
        "import zipfile,os\n"
        "z=zipfile.ZipFile('" +
        zip +
        "','w',zipfile.ZIP_STORED)\n"
        "for n in ['binary_info.txt','img/boot.img','img/sub/vendor.img','zero.bin']:\n"
        "  with z.open(n,'w',force_zip64=" +
        force + ") as f: f.write(open(os.path.join('" + dir.File("src") +
        "',n),'rb').read())\n"
        "z.close()\n";
    test::WriteFile(dir.File("make.py"), script);
    ASSERT_EQ(std::system(("/usr/bin/python3 '" + dir.File("make.py") + "'").c_str()), 0);
    ExpectIndexed(zip, sources);
  }
}

}  // namespace
}  // namespace upvane
