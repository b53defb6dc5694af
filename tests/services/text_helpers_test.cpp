#include "services/text_helpers.h"

#include <gtest/gtest.h>

#include <thread>

#include "services/crc32_accumulator.h"

namespace upvane {
namespace {

TEST(TextHelpers, Versions) {
  const struct {
    const char* text;
    uint32_t number;
  } cases[] = {{"1.2.3", 1002003},   {"4.10", 4010000},       {"1.2", 1002000}, {"", 0},
               {"1.2.3.4", 1002003}, {"9.999WQ.99", 9999000}, {"..5", 5},       {"v2", 2000}};
  for (const auto& c : cases) EXPECT_EQ(VersionToNumber(c.text), c.number) << c.text;
  EXPECT_EQ(StripVersionLetter("2.05.c"), "2.05");
  EXPECT_EQ(StripVersionLetter("2.05.C"), "2.05.C");
  EXPECT_EQ(StripVersionLetter("2.05c"), "2.05c");
  EXPECT_EQ(StripVersionLetter(".z"), "");
  EXPECT_EQ(StripVersionLetter("z"), "z");
}

TEST(TextHelpers, Formatting) {
  EXPECT_EQ(FormatHex14(0x12AB), "000000000012AB");
  EXPECT_EQ(FormatHex14(0xFFFFFFFFFFFFFFFFull), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(FormatPhoneNumber("5551234567"), "555-123-4567");
  EXPECT_EQ(FormatPhoneNumber("15551234567"), "1-555-123-4567");
  EXPECT_EQ(FormatPhoneNumber("555123456"), "555123456");
  EXPECT_EQ(FormatPhoneNumber(""), "");
}

TEST(TextHelpers, ComparisonsAndAnswers) {
  EXPECT_TRUE(EqualsNoCase("Brennix ", "BRENNIX "));
  EXPECT_FALSE(EqualsNoCase("Brennix", "BRENNIX "));
  EXPECT_TRUE(ContainsNoCase("* daemon started successfully", "SUCCESS"));
  EXPECT_TRUE(ContainsNoCase("abc", ""));
  EXPECT_FALSE(ContainsNoCase("abc", "abcd"));
  EXPECT_EQ(TextAfterColon("current-slot:  b \r\n"), "b");
  EXPECT_EQ(TextAfterColon("a:b:c"), "b:c");
  EXPECT_EQ(TextAfterColon("no colon"), "");
  EXPECT_EQ(NormaliseAnswer("\r\n  OKAY\r\nFinished\r\n\t"), "OKAY / Finished");
  EXPECT_EQ(NormaliseAnswer(std::string("\x01 \x7f", 3)), "\x7f");
  EXPECT_EQ(ControlToSpaces("a\tb\r\nc"), "a b  c");
  EXPECT_TRUE(IsSerial15("0123456789ABCDE"));
  EXPECT_TRUE(IsSerial15("0123456789ABCDE"));
  EXPECT_FALSE(IsSerial15("0123456789ABCD\t"));
  EXPECT_FALSE(IsSerial15("0123456789ABCD"));
  EXPECT_FALSE(IsSerial15("0123456789ABCDEF"));
  EXPECT_EQ(ReplaceAll("a\r\nb\r\n", "\r\n", " / "), "a / b / ");
}

TEST(TextHelpers, NextTokenRepeatsTheLastPiece) {
  char text[] = "a:b";
  EXPECT_STREQ(NextToken(text, ':'), "a");
  EXPECT_STREQ(NextToken(nullptr, ':'), "b");
  EXPECT_STREQ(NextToken(nullptr, ':'), "b");
  char empty[] = "::x";
  EXPECT_STREQ(NextToken(empty, ':'), "");
  EXPECT_STREQ(NextToken(nullptr, ':'), "");
  EXPECT_STREQ(NextToken(nullptr, ':'), "x");
}

TEST(TextHelpers, NextTokenPositionsOfTwoThreadsAreSeparate) {
  char mine[] = "1,2,3";
  EXPECT_STREQ(NextToken(mine, ','), "1");
  std::thread other([] {
    char theirs[] = "x,y";
    NextToken(theirs, ',');
    NextToken(nullptr, ',');
  });
  other.join();
  EXPECT_STREQ(NextToken(nullptr, ','), "2");
  EXPECT_STREQ(NextToken(nullptr, ','), "3");
}

TEST(TextHelpers, Bytes) {
  EXPECT_EQ(ByteSwap32(0x11223344u), 0x44332211u);
  uint8_t b[] = {1, 2, 3, 4, 5};
  ReverseBytes(b, 5);
  EXPECT_EQ(b[0], 5);
  EXPECT_EQ(b[2], 3);
  EXPECT_EQ(b[4], 1);
  ReverseBytes(b, 0);
  ReverseBytes(nullptr, 4);
}

TEST(Crc32Accumulator, ResetThenPiecesGiveTheWholeCrc) {
  Crc32Accumulator crc;
  EXPECT_EQ(crc.Update(nullptr, 0), 0u);
  crc.Update("1234", 4);
  EXPECT_EQ(crc.Update("56789", 5), 0xCBF43926u);
  EXPECT_EQ(crc.Update(nullptr, 0), 0u);
  EXPECT_EQ(crc.Update("123456789", 9), 0xCBF43926u);
}

}  // namespace
}  // namespace upvane
