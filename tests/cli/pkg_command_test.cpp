#include "cli/pkg_command.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "pkgbuild/pkgbuild.h"
#include "support/test_support.h"

namespace upvane {
namespace {

struct Result {
  int code;
  std::string out, err;
};

Result Pkg(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = RunPkg(args, out, err);
  return {code, out.str(), err.str()};
}

class PkgCommand : public ::testing::Test {
 protected:
  test::TempDir m_dir;
  test::ScopedEnv m_home{"UPVANE_HOME", m_dir.path()};

  std::string SuperBytes(std::vector<pkgbuild::ExtentInfo>* extents = nullptr) {
    const std::string path = m_dir.File("super.tmp");
    EXPECT_TRUE(pkgbuild::WriteSuperImage(
        path, {{"system_a", pkgbuild::PatternBytes(2 * 4096, 1)}, {"vendor_a", "", 4 * 4096, 9}}, {},
        extents));
    return test::ReadFile(path);
  }
};

TEST_F(PkgCommand, InfoOfAZipPackage) {
  const std::string zip = m_dir.File("p.zip");
  ASSERT_TRUE(pkgbuild::WriteStoredZip(
      zip, {{"binary_info.txt", pkgbuild::MakeBinaryInfo("E3110", "7.1", "user", 1)},
            {"Build_Output_Info.txt", pkgbuild::MakeLayout(0, {{"boot_a", "boot.img", "0x12", 0},
                                                               {"system_a", "system.img", "0x102", 0}})},
            {"gpt_main0.bin", "t"},
            {"boot.img", "12345"},
            {"super.img", SuperBytes()}}));
  const Result r = Pkg({"info", zip});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("kind: zip\n"), std::string::npos);
  EXPECT_NE(r.out.find("section: E3110\nversion: 7.1\nvariant: user\nsecure: 1\n"), std::string::npos);
  EXPECT_NE(r.out.find("label=PrimaryGPT property=0x3 file=gpt_main0.bin"), std::string::npos);
  EXPECT_NE(r.out.find("size=5 label=boot_a property=0x12 file=boot.img"), std::string::npos);
  EXPECT_NE(r.out.find("super partitions: 2\n  name=system_a start=1048576 size=8192 output=system.img"),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(m_dir.File("tmp/QOVRN/super.img")));  // the copy is removed

  const Result missing = Pkg({"info", m_dir.File("none.zip")});
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.err.find("The binary path is invalid."), std::string::npos);
}

TEST_F(PkgCommand, ListsMembersWithOffsetsOfInfoZip) {
  test::WriteFile(m_dir.File("a.bin"), "aaaa");
  ASSERT_EQ(std::system(("cd '" + m_dir.path() + "' && zip -q -0 z.zip a.bin").c_str()), 0);
  const Result r = Pkg({"ls", m_dir.File("z.zip")});
  ASSERT_EQ(r.code, 0) << r.err;
  // Local header (30) + name (5) + Info-ZIP's extra field, then the data.
  const std::string bytes = test::ReadFile(m_dir.File("z.zip"));
  EXPECT_EQ(r.out, "a.bin " + std::to_string(bytes.find("aaaa")) + " 4\n");
  test::WriteFile(m_dir.File("bad.zip"), "PK");
  EXPECT_EQ(Pkg({"ls", m_dir.File("bad.zip")}).code, 1);
}

TEST_F(PkgCommand, InfoBlockReportsTheTrailer) {
  pkgbuild::InfoBlockSpec desc;
  desc.version = 3;
  desc.t1 = "E3102";
  desc.rows = {{"AMSS_BOOT", 1176, 2000, 0, 7, 0}};
  desc.entries = {{"AMSS_BOOT", 3, {0}}};
  std::string image = pkgbuild::MakeNandImage(desc, "payload");
  test::WriteFile(m_dir.File("n.bin"), image);
  Result r = Pkg({"infoblock", m_dir.File("n.bin")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("form: smartphone\nfamily: 1\nt1: E3102\n"), std::string::npos);
  EXPECT_NE(r.out.find("entry 0: name=AMSS_BOOT kind=3 rows=0\n"), std::string::npos);
  EXPECT_NE(r.out.find("crc: ok"), std::string::npos);
  image[image.size() - 6] ^= 1;
  test::WriteFile(m_dir.File("n.bin"), image);
  r = Pkg({"infoblock", m_dir.File("n.bin")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find("crc: wrong"), std::string::npos);
  test::WriteFile(m_dir.File("junk.bin"), "junk");
  EXPECT_EQ(Pkg({"infoblock", m_dir.File("junk.bin")}).code, 1);
}

TEST_F(PkgCommand, SuperSplitsIntoTheFolder) {
  std::vector<pkgbuild::ExtentInfo> extents;
  test::WriteFile(m_dir.File("super.img"), SuperBytes(&extents));
  const Result r = Pkg({"super", m_dir.File("super.img"), m_dir.File("out")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "system_a " + m_dir.File("out/system.img") + " " + std::to_string(28 + 12 + 2 * 4096) +
                       "\nvendor_a " + m_dir.File("out/vendor.img") + " " + std::to_string(28 + 16) + "\n");
  EXPECT_EQ(Pkg({"super", m_dir.File("super.img"), m_dir.File("out")}).code, 1);  // outputs exist
  EXPECT_EQ(Pkg({"super", m_dir.File("none.img"), m_dir.File("out2")}).code, 1);
  EXPECT_EQ(Pkg({}).code, 2);
  EXPECT_EQ(Pkg({"super", "x"}).code, 2);
  EXPECT_EQ(Pkg({"--help"}).code, 0);
}

}  // namespace
}  // namespace upvane
