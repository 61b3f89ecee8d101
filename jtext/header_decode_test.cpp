#include "jtext/header_decode.h"

#include <gtest/gtest.h>

#include "jtext/test_rows.h"
#include "platform/codepage.h"

namespace jtext {
namespace {

using testing::Row;
using testing::Show;

const std::string kTesuto = platform::Sjis("テスト");
const std::string kTe = platform::Sjis("テ");
const std::string kSu = platform::Sjis("ス");
const std::string kJisWord = "=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=";  // テスト
const std::string kUtf8Word = "=?UTF-8?B?44OG44K544OI?=";           // テスト
const std::string kQWord = "=?ISO-2022-JP?Q?=1B$B$F$9$H=1B(B?=";    // てすと
const std::string kTesutoHiragana = platform::Sjis("てすと");

TEST(RelabelShiftJisTest, ReplacesTheFirstLabelAndKeeps512BytesAfterIt) {
  const Row rows[] = {
      {"lower case label", "=?shift_jis?B?g2WDWINn?=", "=?ISO-2022-JP?B?g2WDWINn?="},
      {"upper case label", "=?SHIFT_JIS?B?g2WDWINn?=", "=?ISO-2022-JP?B?g2WDWINn?="},
      {"only the first", "shift_jis Shift_JIS", "ISO-2022-JP Shift_JIS"},
      {"text before is kept", "Re: =?Shift_Jis?b?", "Re: =?ISO-2022-JP?b?"},
      {"no label", "plain value", "plain value"},
      {"empty", "", ""},
      {"shift-jis with a hyphen is not the label", "=?shift-jis?B?", "=?shift-jis?B?"},
      {"cut to 512 bytes after the label", "shift_jis" + std::string(600, 'a'),
       "ISO-2022-JP" + std::string(512, 'a')},
  };
  testing::ExpectRows(rows, RelabelShiftJis);
}

TEST(DecodeJisBWordsTest, DecodesWordsAndCopiesTheRest) {
  const Row rows[] = {
      {"one word", kJisWord, kTesuto},
      {"lower-case start text", "=?iso-2022-jp?b?GyRCJUYlOSVIGyhC?=", kTesuto},
      {"two words separated by a space keep the space",
       "=?ISO-2022-JP?B?GyRCJUYbKEI=?= =?ISO-2022-JP?B?GyRCJTkbKEI=?=", kTe + " " + kSu},
      {"two words back to back", kJisWord + kJisWord, kTesuto + kTesuto},
      {"text around a word", "Re: " + kJisWord + " (2)", "Re: " + kTesuto + " (2)"},
      {"stray ?= in plain text is dropped", "abc?=d", "abcd"},
      {"a second ?= right after the first is kept", "a?=?=b", "a?=b"},
      {"word without its end is dropped", "ab" + kJisWord.substr(0, kJisWord.size() - 2), "ab"},
      {"ESC $ @ in a payload is copied", "=?ISO-2022-JP?B?GyRAYWJj?=", "\x1B$@abc"},
      {"empty payload",
       "x=?ISO-2022-JP?B?"
       "?=y",
       "xy"},
      {"empty", "", ""},
      {"the ?= of a UTF-8 word is dropped too", kUtf8Word,
       kUtf8Word.substr(0, kUtf8Word.size() - 2)},
  };
  testing::ExpectRows(rows, DecodeJisBWords);
}

TEST(DecodeJisBWordsTest, ShiftJisLabelledWordPassesThroughUnchangedInContent) {
  const std::string value = "=?shift_jis?B?g2WDWINn?=";
  EXPECT_EQ(Show(DecodeJisBWords(RelabelShiftJis(value))), Show(kTesuto));
}

TEST(DecodeUtf8BWordsTest, DecodesWordsAndCopiesTheRest) {
  const Row rows[] = {
      {"one word", kUtf8Word, kTesuto},
      {"two words back to back", kUtf8Word + kUtf8Word, kTesuto + kTesuto},
      {"lower-case start", "=?utf-8?b?44OG44K544OI?=", kTesuto},
      {"malformed payload decodes to nothing", "a=?UTF-8?B?44E=?=b", "ab"},
      {"unmappable character", "=?UTF-8?B?w6k=?=", "?"},
      {"the ?= of an ISO-2022-JP word is dropped too", kJisWord,
       kJisWord.substr(0, kJisWord.size() - 2)},
  };
  testing::ExpectRows(rows, DecodeUtf8BWords);
}

TEST(DecodeJisQWordsTest, TakesThePayloadAsJisPairs) {
  const Row rows[] = {
      {"long start text", kQWord, kTesutoHiragana},
      {"short start text", "=?ISO-2022-JP?Q1B$B$F$9$H=1B(B", kTesutoHiragana},
      {"lower-case start", "=?iso-2022-jp?q?=1B$B$F$9$H=1B(B?=", kTesutoHiragana},
      {"short end text", "=?ISO-2022-JP?Q?=1B$B$F=1B(Bx", platform::Sjis("て") + "x"},
      {"hex escapes in the payload", "=?ISO-2022-JP?Q?=1B$B=24=46=1B(B?=", platform::Sjis("て")},
      {"lower-case hex digits", "=?ISO-2022-JP?Q?=1B$B=24=4a=1B(B?=", "\x82\xC8"},
      {"odd last byte is dropped", "=?ISO-2022-JP?Q?=1B$B$F$=1B(B?=", platform::Sjis("て")},
      {"underscore is a payload byte", "=?ISO-2022-JP?Q?=1B$B$_=1B(B?=", "\x82\xDD"},
      {"text around", "Re: " + kQWord + " x", "Re: " + kTesutoHiragana + " x"},
      {"word without ESC $ B is copied", "=?ISO-2022-JP?Q?abc?=", "=?ISO-2022-JP?Q?abc?="},
      {"word without end is dropped", "a=?ISO-2022-JP?Q?=1B$B$F", "a"},
      {"an escape that is not hex is kept as written",
       "=?ISO-2022-JP?Q?=1B$B$\"=ZZ=1B(B?=", "\x82\xA0\x8F\x79"},
      {"a word right after another's end is not recognised", kQWord + kQWord,
       kTesutoHiragana + "=?ISO-2022-JP?Q?=1B$B$F$9$H"},
      {"empty", "", ""},
  };
  testing::ExpectRows(rows, DecodeJisQWords);
}

struct HeaderRow {
  const char* name;
  std::string value;
  std::string charset;
  std::string expected;
};

TEST(DecodeHeaderValueTest, AppliesTheStepsInOrder) {
  const std::string gb_word = "=?gb2312?B?GyRCJUYlOSVIGyhC?=";
  const HeaderRow rows[] = {
      {"ISO-2022-JP B word", "Re: " + kJisWord, "", "Re: " + kTesuto},
      {"ISO-2022-JP and UTF-8 words both decode", kJisWord + " " + kUtf8Word, "",
       kTesuto + " " + kTesuto},
      {"Q word", kQWord, "", kTesutoHiragana},
      {"UTF-8 word right after an ISO-2022-JP word", kJisWord + kUtf8Word + "x", "",
       kTesuto + kTesuto + "x"},
      {"UTF-8 word before an ISO-2022-JP word", kUtf8Word + " " + kJisWord, "",
       kTesuto + " " + kTesuto},
      {"B word then Q word", kJisWord + " " + kQWord, "", kTesuto + " " + kTesutoHiragana},
      {"B, UTF-8 and Q words: the Q step ends it, the UTF-8 word lost its ?= before",
       kJisWord + " " + kUtf8Word + " " + kQWord, "",
       kTesuto + " " + kUtf8Word.substr(0, kUtf8Word.size() - 2) + " " + kTesutoHiragana},
      {"B, GB2312 and Q words under EUC: the Q step ends it", kJisWord + " " + gb_word + kQWord,
       "EUC", kTesuto + " " + gb_word.substr(0, gb_word.size() - 2) + kTesutoHiragana},
      {"raw EUC with charset EUC", "\xA4\xA2\xA4\xA4", "EUC", "\x82\xA0\x82\xA2"},
      {"raw EUC with EUC-JP is undecided and stays", "\xA4\xA2\xA4\xA4", "EUC-JP",
       "\xA4\xA2\xA4\xA4"},
      {"decisive raw EUC without the charset", "\xA4\xF3", "", "\x82\xF1"},
      {"GB2312 word under EUC", gb_word, "EUC", kTesuto},
      {"GB2312 word otherwise stays", gb_word, "", gb_word},
      {"ISO-2022-JP and GB2312 words under EUC both decode", kJisWord + " " + gb_word, "EUC",
       kTesuto + " " + kTesuto},
      {"GB2312 word without EUC is never decoded: its ?= goes like plain text's",
       kJisWord + " " + gb_word, "", kTesuto + " " + gb_word.substr(0, gb_word.size() - 2)},
      {"UTF-8 word under EUC is never decoded: its ?= goes like plain text's",
       kJisWord + " " + kUtf8Word, "EUC",
       kTesuto + " " + kUtf8Word.substr(0, kUtf8Word.size() - 2)},
      {"B word under EUC is not garbled afterwards", "Re: " + kJisWord, "EUC", "Re: " + kTesuto},
      {"decoded IBM extension kanji are not read as EUC afterwards",
       RelabelShiftJis("=?shift_jis?B?+/yLtA==?="), "", "\xFB\xFC\x8B\xB4"},
      {"raw JIS before a B word is converted too", "\x1B$B%F\x1B(B " + kJisWord, "",
       kTe + " " + kTesuto},
      {"raw JIS after a B word stays: the decoded text decides", kJisWord + " \x1B$B%F\x1B(B", "",
       kTesuto + " \x1B$B%F\x1B(B"},
      {"raw JIS ending with ESC ( B", "\x1B$B%F%9%H\x1B(B", "", kTesuto},
      {"raw Shift_JIS stays", kTesuto, "", kTesuto},
      {"plain text keeps its ?=", "abc?=d", "", "abc?=d"},
      {"empty", "", "", ""},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(Show(DecodeHeaderValue(r.value, r.charset)), Show(r.expected)) << "row: " << r.name;
  }
}

}  // namespace
}  // namespace jtext
