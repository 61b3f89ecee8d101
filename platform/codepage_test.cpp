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

// An error text may carry a UTF-8 file name or a Shift_JIS message; both come out readable,
// and text in the target form passes unchanged.
TEST(CodepageTest, ErrorTextsOfEitherFormComeOutReadable) {
  const std::string utf8 = "cannot open /tmp/受信/MsgID.ini: No space left on device";
  const std::string sjis = Sjis("証明書の有効期限が切れています。");
  EXPECT_EQ(ErrorTextToSjis(utf8), Sjis(utf8));
  EXPECT_EQ(ErrorTextToSjis(sjis), sjis);
  EXPECT_EQ(ErrorTextToUtf8(sjis), Cp932ToUtf8(sjis));
  EXPECT_EQ(ErrorTextToUtf8(utf8), utf8);
  EXPECT_EQ(ErrorTextToUtf8("plain ascii"), "plain ascii");
  // Lone continuation bytes, overlong forms, surrogates and cut-off sequences are not UTF-8.
  EXPECT_FALSE(IsWellFormedUtf8("\x80"));
  EXPECT_FALSE(IsWellFormedUtf8("\xC0\xAF"));
  EXPECT_FALSE(IsWellFormedUtf8("\xE0\x80\xAF"));
  EXPECT_FALSE(IsWellFormedUtf8("\xED\xA0\x80"));
  EXPECT_FALSE(IsWellFormedUtf8("\xF4\x90\x80\x80"));
  EXPECT_FALSE(IsWellFormedUtf8("a\xE3\x81"));
  EXPECT_TRUE(IsWellFormedUtf8("\xF0\x9F\x98\x80 \xE3\x81\x82"));
}

}  // namespace
}  // namespace platform
