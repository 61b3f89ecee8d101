#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(CodepageTest, MapsJisStandardCodePointsToTheirWindowsForms) {
  struct Row {
    const char* name;
    std::string utf8;
    std::string sjis;
  };
  const Row rows[] = {
      {"wave dash", "\u301C", "\x81\x60"},
      {"em dash", "\u2014", "\x81\x5C"},
      {"minus sign", "\u2212", "\x81\x7C"},
      {"double vertical line", "\u2016", "\x81\x61"},
      {"circled one (NEC)", "\u2460", "\x87\x40"},
      {"parenthesised kabushiki", "\u3231", "\x87\x8A"},
      {"kanji with 0x5C trail", "表", "\x95\x5C"},
      {"half-width katakana", "ｱ", "\xB1"},
      {"ascii", "abc", "abc"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(Cp932FromUtf8(r.utf8), r.sjis) << r.name;
  }
}

TEST(CodepageTest, UnmappableCharactersBecomeOneQuestionMarkEach) {
  EXPECT_EQ(Cp932FromUtf8("a\u00E9b"), "a?b");             // é has no code page 932 form
  EXPECT_EQ(Cp932FromUtf8("x\U0001F600y"), "x?y");         // four-byte sequence: one "?"
  EXPECT_EQ(Cp932FromUtf8("x\xFF\xFEy"), "x??y");          // malformed bytes
  EXPECT_EQ(Cp932FromUtf16(u"a\U0001F600b"), "a?b");       // a surrogate pair is one char
  EXPECT_EQ(Cp932FromUtf16(std::u16string(u"a") + char16_t(0xD800) + u"b"), "a?b");
}

TEST(CodepageTest, DecodesAndSurvivesBrokenInput) {
  EXPECT_EQ(Cp932ToUtf8("\x81\x60"), "\uFF5E");
  EXPECT_EQ(Cp932ToUtf8("\xFA\x58"), "\u3231");  // IBM extension of the same character
  EXPECT_EQ(Cp932ToUtf8("ab\x81"), "ab\uFFFD");  // lead byte cut off by the end
  EXPECT_EQ(Cp932ToUtf16("\x82\xA0z"), u"\u3042z");
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_FALSE(Cp932ToUtf8(all).empty());
}

}  // namespace
}  // namespace platform
