#include "jtext/jis_to_sjis.h"

#include <gtest/gtest.h>

#include "jtext/test_rows.h"
#include "platform/codepage.h"

namespace jtext {
namespace {

using testing::Row;
using testing::Show;

TEST(JisPairToSjisTest, MapsRowsAndCellsByTheArithmetic) {
  struct PairRow {
    const char* name;
    unsigned char c1, c2;
    PairCheck check;
    std::string expected;
  };
  const PairRow rows[] = {
      {"hiragana a", 0x24, 0x22, PairCheck::kGeneral, "\x82\xA0"},
      {"ideographic space (odd row, low cell)", 0x21, 0x21, PairCheck::kStrict, "\x81\x40"},
      {"odd row, cell 0x60 skips 0x7F", 0x21, 0x60, PairCheck::kStrict, "\x81\x80"},
      {"first row of lead 0xE0", 0x5F, 0x21, PairCheck::kStrict, "\xE0\x40"},
      {"even row above 0x5F", 0x60, 0x21, PairCheck::kStrict, "\xE0\x9F"},
      {"last valid row", 0x7E, 0x7E, PairCheck::kStrict, "\xEF\xFC"},
      {"strict drops row 0x20", 0x20, 0x21, PairCheck::kStrict, ""},
      {"strict drops row 0x7F", 0x7F, 0x21, PairCheck::kStrict, ""},
      {"general converts row 0x7F", 0x7F, 0x21, PairCheck::kGeneral, "\xF0\x40"},
      {"general keeps results to eight bits", 0xFF, 0xFF, PairCheck::kGeneral, "\x30\x1F"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(Show(JisPairToSjis(r.c1, r.c2, r.check)), Show(r.expected)) << "row: " << r.name;
  }
}

TEST(JisToSjisTest, SwitchesModesOnAnyEscape) {
  const Row rows[] = {
      {"plain", "plain text\r\n", "plain text\r\n"},
      {"kanji then ascii", "\x1B$B\x24\x22\x1B(Babc",
       "\x82\xA0"
       "abc"},
      {"ends with ESC ( B, nothing after the last character", "\x1B$B\x25\x46\x1B(B", "\x83\x65"},
      {"ESC ( J leaves kanji mode", "\x1B$B\x24\x22\x1B(Jx", "\x82\xA0x"},
      {"ESC $ @ enters kanji mode", "\x1B$@\x24\x22", "\x82\xA0"},
      {"ESC ( I leaves kanji mode, the 7-bit kana stay", "\x1B$B\x24\x22\x1B(I\x31",
       "\x82\xA0\x31"},
      {"other escapes leave the mode alone",
       "\x1B$B\x1B"
       "Nx\x24\x22",
       "\x82\xA0"},
      {"two escapes in a row both act", "\x1B$B\x1B(Babc", "abc"},
      {"escape cut off after ESC", "a\x1B", "a"},
      {"escape cut off after ESC $", "a\x1B$", "a"},
      {"escape complete at the end", "a\x1B$B", "a"},
      {"lone byte in kanji mode at the end is dropped", "\x1B$B\x24\x22\x24", "\x82\xA0"},
      {"line break inside kanji mode is taken as a pair", "\x1B$B\x24\x22\r\n", "\x82\xA0\x77\x29"},
      {"8-bit bytes outside kanji mode are copied", "\x1B(B\x82\xA0", "\x82\xA0"},
  };
  testing::ExpectRows(rows, JisToSjis);
}

TEST(EucToSjisTest, ConvertsPairsAndKeepsSingleShiftKana) {
  const Row rows[] = {
      {"hiragana", "\xA4\xA2\xA4\xF3", "\x82\xA0\x82\xF1"},
      {"kanji", "\xC6\xFC\xCB\xDC", platform::Sjis("日本")},
      {"half-width kana keep their byte", "\x8E\xB1\x8E\xDE", "\xB1\xDE"},
      {"ascii, 0x80 and 0xFF are copied",
       "a\x80\xFF"
       "b",
       "a\x80\xFF"
       "b"},
      {"cut-off pair is dropped", "a\xA4", "a"},
      {"cut-off single shift is dropped", "a\x8E", "a"},
      {"three-byte code is read as pairs", "\x8F\xB0\xA1", "\x78\x4F"},
  };
  testing::ExpectRows(rows, EucToSjis);
}

TEST(StrictJisToSjisTest, KnowsOnlyTheThreeEscapes) {
  const Row rows[] = {
      {"katakana word", "\x1B$B\x25\x46\x25\x39\x25\x48\x1B(B", platform::Sjis("テスト")},
      {"ESC $ @ is copied as three bytes", "\x1B$@abc", "\x1B$@abc"},
      {"ESC ( J leaves kanji mode", "\x1B$B\x24\x22\x1B(Jx", "\x82\xA0x"},
      {"odd last byte in kanji mode is dropped", "\x1B$B\x24\x22\x24", "\x82\xA0"},
      {"pairs with a control first byte are dropped", "\x1B$B\r\n\x24\x22", "\x82\xA0"},
      {"unknown escape inside kanji mode is read as pairs", "\x1B$B\x1B(I\x24\x22", "\x95\x43"},
      {"Shift_JIS outside kanji mode passes", platform::Sjis("テスト"), platform::Sjis("テスト")},
      {"empty", "", ""},
  };
  testing::ExpectRows(rows, [](std::string_view s) { return StrictJisToSjis(s); });
}

// The message reader's flavour: other escape sequences vanish without changing the mode and
// every pair is converted.
TEST(StrictJisToSjisTest, ReaderOptionsDropOtherEscapesAndConvertEveryPair) {
  const Row rows[] = {
      {"ESC $ @ is dropped", "\x1B$@abc", "abc"},
      {"unknown escape inside kanji mode is dropped", "\x1B$B\x1B(I\x24\x22", "\x82\xA0"},
      {"pair with a control first byte is converted", "\x1B$B\r\n\x1B(B", "\x77\x29"},
      {"escape cut off by the end is dropped", "ab\x1B(", "ab"},
  };
  testing::ExpectRows(rows, [](std::string_view s) {
    return StrictJisToSjis(s, {.drop_unknown_escapes = true, .pairs = PairCheck::kGeneral});
  });
}

}  // namespace
}  // namespace jtext
