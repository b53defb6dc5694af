#include "packages/profile_file.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace upvane {
namespace {

const char* const kText =
    "orphan=before any section\r\n"
    "; a comment\r\n"
    "[  Model  ]\r\n"
    "  Version  =  1.234  \r\n"
    "variant=\"quoted value\"\r\n"
    "single='x'\r\n"
    "half=\"open\r\n"
    "version=second wins not\r\n"
    "empty=\r\n"
    "[model]\r\n"
    "late=in a duplicate section\r\n"
    "[numbers]\n"
    "hex=0x1F\n"
    "neg=-1\n"
    "trail=12abc\n"
    "word=abc\n"
    "bin=0b101\n"
    "oct=0o17\n"
    "space=  7\n"
    "upper=0XFF\n";

TEST(ProfileFile, LookupRulesOfTheProfileCalls) {
  ProfileFile p;
  p.LoadText(kText);
  EXPECT_EQ(p.GetString("MODEL", "version", "-", 128), "1.234");  // case, trimming
  EXPECT_EQ(p.GetString("model", "VARIANT", "-", 128), "quoted value");
  EXPECT_EQ(p.GetString("model", "single", "-", 128), "x");
  EXPECT_EQ(p.GetString("model", "half", "-", 128), "\"open");
  EXPECT_EQ(p.GetString("model", "empty", "-", 128), "");
  EXPECT_EQ(p.GetString("model", "missing", "fallback", 128), "fallback");
  EXPECT_EQ(p.GetString("model", "late", "-", 128), "-");  // only the first section of a name
  EXPECT_EQ(p.GetString("", "orphan", "-", 128), "-");
  EXPECT_EQ(p.GetString("model", "version", "-", 4), "1.2");  // a 4-byte buffer holds 3 characters
  EXPECT_EQ(p.GetString("model", "missing", "long default", 5), "long");
  EXPECT_EQ(p.SectionNames(), (std::vector<std::string>{"Model", "model", "numbers"}));
}

TEST(ProfileFile, IntegerReading) {
  ProfileFile p;
  p.LoadText(kText);
  const struct {
    const char* key;
    uint32_t expected;
  } cases[] = {{"hex", 31}, {"neg", 0xFFFFFFFFu}, {"trail", 12}, {"word", 0},
               {"bin", 5},  {"oct", 15},          {"space", 7},  {"upper", 255}};
  for (const auto& c : cases) EXPECT_EQ(p.GetInt("numbers", c.key, 99), c.expected) << c.key;
  EXPECT_EQ(p.GetInt("numbers", "absent", 99), 99u);
}

TEST(ProfileFile, HexWord) {
  const struct {
    const char* text;
    uint32_t expected;
  } cases[] = {{"102", 0x102}, {"0x12", 0x12}, {"", 0}, {"1g0", 1}, {"0X1ff", 0x1FF}, {"zz", 0}};
  for (const auto& c : cases) EXPECT_EQ(ParseHexWord(c.text), c.expected) << c.text;
}

TEST(ProfileFile, MissingFileIsEmpty) {
  test::TempDir dir;
  ProfileFile p;
  EXPECT_FALSE(p.Load(dir.File("none.ini")));
  EXPECT_EQ(p.GetString("a", "b", "d", 10), "d");
  test::WriteFile(dir.File("a.ini"), "[s]\nk=v");  // no final line end
  EXPECT_TRUE(p.Load(dir.File("a.ini")));
  EXPECT_EQ(p.GetString("s", "k", "", 10), "v");
}

}  // namespace
}  // namespace upvane
