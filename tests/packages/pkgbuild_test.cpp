// The pkgbuild command builds packages the program opens.
#include <gtest/gtest.h>

#include <fstream>

#include <cstdlib>

#include "packages/firmware_package.h"
#include "packages/ms_info.h"
#include "support/test_support.h"

namespace upvane {
namespace {

int RunPkgbuild(const test::TempDir& dir, const std::string& json) {
  test::WriteFile(dir.File("desc.json"), json);
  return std::system((std::string(PKGBUILD_PATH) + " '" + dir.File("desc.json") + "' 2>/dev/null").c_str());
}

TEST(PkgbuildCommand, BuildsAnOpenableZipPackage) {
  test::TempDir dir;
  test::ScopedEnv home("UPVANE_HOME", dir.path());
  for (const char* type : {"zip", "7z", "folder"}) {
    SCOPED_TRACE(type);
    const std::string out =
        dir.File(std::string("pkg-") + type + (std::string(type) == "folder" ? "" : ".pkg"));
    const std::string json =
        std::string(R"({"type": ")") + type + R"(", "output": ")" + out + R"(", "zip64": true,
      "binary_info": {"section": "E3110", "version": "5.5", "variant": "user", "isSecure": 1},
      "layout": {"max_lun": 1, "rows": [{"label": "boot_a", "file": "boot.img", "property": "0x2", "lun": 0},
                                        {"label": "system_a", "file": "system.img", "property": "0x102", "lun": 0}]},
      "gpt": [{"lun": 0, "partitions": [{"name": "boot_a", "first": 2048, "last": 4095}]}, {"lun": 1, "partitions": []}],
      "super": {"partitions": [{"name": "system_a", "size": 8192}]},
      "members": [{"name": "boot.img", "size": 3000}]})";
    ASSERT_EQ(RunPkgbuild(dir, json), 0);
    FirmwarePackage package;
    ASSERT_TRUE(package.OpenPackage(out, true)) << package.GetErrorMessage();
    EXPECT_EQ(package.GetVersion(), "5.5");
    ASSERT_EQ(package.GetImages().size(), 3u);
    EXPECT_EQ(package.GetImages()[1].size, 3000u);
    ASSERT_EQ(package.GetSuperImages().size(), 1u);
  }
  EXPECT_NE(RunPkgbuild(dir, R"({"type": "zip"})"), 0);
  EXPECT_NE(RunPkgbuild(dir, "not json"), 0);
}

TEST(PkgbuildCommand, BuildsNandImages) {
  test::TempDir dir;
  const std::string out = dir.File("nand.bin");
  ASSERT_EQ(RunPkgbuild(dir, R"({"type": "nand", "output": ")" + out + R"(", "payload_size": 5000,
      "block": {"version": 5, "t1": "E3104", "rows": [{"name": "0:AMSS", "data_start": 3040, "data_end": 8039}],
                "entries": [{"name": "AMSS", "kind": 3, "rows": [0]}]}})"),
            0);
  EXPECT_TRUE(CheckCrcTrailer(out));
  std::ifstream in(out, std::ios::binary);
  BrewInfoRecord record;
  ASSERT_EQ(CMsInfo_Brew().ReadInfoBlock(in, record), INFO_OK);
  EXPECT_EQ(record.rows[0].dataEnd, 8039u);
}

}  // namespace
}  // namespace upvane
