#include "jtext/utf8.h"

#include <gtest/gtest.h>

#include "jtext/test_rows.h"
#include "platform/codepage.h"

namespace jtext {
namespace {

using std::string_literals::operator""s;
using testing::Row;

TEST(Utf8ToSjisTest, ConvertsLikeTheCodePage932Converter) {
  const Row rows[] = {
      {"katakana", "テスト", "\x83\x65\x83\x58\x83\x67"},
      {"ascii including backslash and tilde", "a\\~", "a\\~"},
      {"wave dash", "\u301C", "\x81\x60"},
      {"fullwidth tilde", "\uFF5E", "\x81\x60"},
      {"em dash", "\u2014", "\x81\x5C"},
      {"minus sign", "\u2212", "\x81\x7C"},
      {"double vertical line", "\u2016", "\x81\x61"},
      {"NEC circled one", "\u2460", "\x87\x40"},
      {"IBM extension kanji", "\u7E8A", "\xFA\x5C"},
      {"half-width katakana", "\uFF71", "\xB1"},
      {"unmappable latin letter", "a\u00E9b", "a?b"},
      {"four-byte sequence is one question mark", "x\U0001F600y", "x?y"},
      {"lone surrogate encoded in three bytes",
       "a\xED\xA0\x80"
       "b",
       "a?b"},
      {"overlong two-byte NUL assembles to NUL",
       "a\xC0\x80"
       "b",
       "a\0b"s},
      {"empty", "", ""},
  };
  testing::ExpectRows(rows, Utf8ToSjis);
}

TEST(Utf8ToSjisTest, MalformedInputEmptiesTheWholeResult) {
  const Row rows[] = {
      {"cut-off three-byte sequence", "abc\xE3\x81", ""},
      {"cut-off two-byte sequence", "abc\xC3", ""},
      {"bad continuation", "\xE3\x81\x41xyz", ""},
      {"stray continuation byte",
       "ab\x80"
       "cd",
       ""},
      {"byte 0xFF", "ab\xFF", ""},
      {"cut-off four-byte sequence", "\xF0\x9F\x98", ""},
  };
  testing::ExpectRows(rows, Utf8ToSjis);
}

TEST(Utf8ToSjisTest, AgreesWithThePlatformConverterOnEveryMappableCharacter) {
  // Walk the whole Basic Multilingual Plane in slices: every character the code page
  // can hold converts as the platform converter does it one character at a time.
  std::u16string one(1, u'\0');
  for (char32_t u = 0x20; u < 0x10000; u += 7) {
    if (u >= 0xD800 && u <= 0xDFFF) continue;
    one[0] = static_cast<char16_t>(u);
    std::string utf8;
    if (u < 0x80) {
      utf8 = std::string(1, static_cast<char>(u));
    } else if (u < 0x800) {
      utf8 = {static_cast<char>(0xC0 | (u >> 6)), static_cast<char>(0x80 | (u & 0x3F))};
    } else {
      utf8 = {static_cast<char>(0xE0 | (u >> 12)), static_cast<char>(0x80 | ((u >> 6) & 0x3F)),
              static_cast<char>(0x80 | (u & 0x3F))};
    }
    ASSERT_EQ(testing::Show(Utf8ToSjis(utf8)), testing::Show(platform::Cp932FromUtf16(one)))
        << "U+" << std::hex << static_cast<unsigned>(u);
  }
}

}  // namespace
}  // namespace jtext
