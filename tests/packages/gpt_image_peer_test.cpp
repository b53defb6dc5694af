// A GPT written by sgdisk gives the partition starts and ends sgdisk made.
#include <gtest/gtest.h>

#include <cstdlib>

#include "packages/gpt_image.h"
#include "pkgbuild/pkgbuild.h"
#include "support/test_support.h"

namespace upvane {
namespace {

TEST(GptImagePeer, SgdiskTable) {
  test::TempDir dir;
  const std::string disk = dir.File("disk.img");
  const std::string cmd = "truncate -s 64M '" + disk +
                          "' && sgdisk -o -n 1:2048:4095 -c 1:boot_a -n 2:4096:+8M -c 2:system_a "
                          "-n 3:0:0 -c 3:userdata '" +
                          disk + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  const std::string head = test::ReadFile(disk).substr(0, GptImage::IMAGE_SIZE);
  ASSERT_TRUE(pkgbuild::WriteStoredZip(dir.File("p.zip"), {{"gpt_main.bin", head}}));
  GptImage gpt;
  ASSERT_EQ(gpt.Load(dir.File("p.zip")), 0);
  uint64_t start = 0, end = 0;
  ASSERT_TRUE(gpt.PartitionStart("boot_a", start));
  ASSERT_TRUE(gpt.PartitionEnd("boot_a", end));
  EXPECT_EQ(start, 2048u * 512);
  EXPECT_EQ(end, 4095u * 512 + 511);
  ASSERT_TRUE(gpt.PartitionStart("system_a", start));
  ASSERT_TRUE(gpt.PartitionEnd("system_a", end));
  EXPECT_EQ(start, 4096u * 512);
  EXPECT_EQ(end + 1 - start, 8u << 20);
  // The last partition ends where sgdisk says it does.
  const std::string info = dir.File("info.txt");
  ASSERT_EQ(std::system(("sgdisk -i 3 '" + disk + "' > '" + info + "'").c_str()), 0);
  const std::string text = test::ReadFile(info);
  const size_t at = text.find("Last sector: ");
  ASSERT_NE(at, std::string::npos);
  const uint64_t last = std::stoull(text.substr(at + 13));
  ASSERT_TRUE(gpt.PartitionEnd("userdata", end));
  EXPECT_EQ(end, last * 512 + 511);
}

}  // namespace
}  // namespace upvane
