#include "jtext/sjis_to_jis.h"

#include <gtest/gtest.h>

#include "jtext/jis_to_sjis.h"
#include "jtext/test_rows.h"
#include "platform/codepage.h"

namespace jtext {
namespace {

using testing::Row;
using testing::Show;

const std::string kIn = "\x1B$B";
const std::string kOut = "\x1B(J";

TEST(SjisPairToJisTest, MapsLeadAndTrailToRowAndCell) {
  const Row rows[] = {
      {"hiragana a", "\x82\xA0", "\x24\x22"},
      {"tsuki", "\x8C\x8E", "\x37\x6E"},
      {"ideographic space", "\x81\x40", "\x21\x21"},
      {"trail 0x80 (division sign)", "\x81\x80", "\x21\x60"},
      {"first kanji", "\x88\x9F", "\x30\x21"},
      {"lead 0xE0", "\xE0\x40", "\x5F\x21"},
      {"high lead, trail above 0x9E", "\xEA\xA4", "\x74\x26"},
  };
  testing::ExpectRows(rows, [](const std::string& s) {
    return SjisPairToJis(static_cast<unsigned char>(s[0]), static_cast<unsigned char>(s[1]));
  });
}

TEST(SjisPairToJisTest, RoundTripsEveryJisX0208CodeThroughJisPairToSjis) {
  for (unsigned row = 0x21; row <= 0x7E; ++row) {
    for (unsigned cell = 0x21; cell <= 0x7E; ++cell) {
      const std::string sjis = JisPairToSjis(static_cast<unsigned char>(row),
                                             static_cast<unsigned char>(cell), PairCheck::kStrict);
      ASSERT_EQ(sjis.size(), 2u);
      EXPECT_TRUE(platform::IsSjisLeadByte(static_cast<unsigned char>(sjis[0])));
      const std::string back =
          SjisPairToJis(static_cast<unsigned char>(sjis[0]), static_cast<unsigned char>(sjis[1]));
      ASSERT_EQ(Show(back), Show(std::string{char(row), char(cell)}));
    }
  }
}

TEST(HalfKanaToJisTest, MergesOnlyMarksThatCombine) {
  struct KanaRow {
    const char* name;
    std::string text;
    std::string jis;
    size_t consumed;
  };
  const KanaRow rows[] = {
      {"a", "\xB1", "\x25\x22", 1},
      {"wo", "\xA6", "\x25\x72", 1},
      {"small a", "\xA7", "\x25\x21", 1},
      {"n", "\xDD", "\x25\x73", 1},
      {"prolonged sound mark", "\xB0", "\x21\x3C", 1},
      {"ideographic full stop", "\xA1", "\x21\x23", 1},
      {"middle dot", "\xA5", "\x21\x26", 1},
      {"ka + voiced = ga", "\xB6\xDE", "\x25\x2C", 2},
      {"to + voiced = do", "\xC4\xDE", "\x25\x49", 2},
      {"u + voiced = vu", "\xB3\xDE", "\x25\x74", 2},
      {"ha + voiced = ba", "\xCA\xDE", "\x25\x50", 2},
      {"ha + semi-voiced = pa", "\xCA\xDF", "\x25\x51", 2},
      {"ho + semi-voiced = po", "\xCE\xDF", "\x25\x5D", 2},
      {"a + voiced: mark left for the caller", "\xB1\xDE", "\x25\x22", 1},
      {"na + voiced: mark left for the caller", "\xC5\xDE", "\x25\x4A", 1},
      {"ka + semi-voiced: mark left for the caller", "\xB6\xDF", "\x25\x2B", 1},
      {"voiced mark alone", "\xDE", "\x21\x2B", 1},
      {"semi-voiced mark alone", "\xDF", "\x21\x2C", 1},
      {"ka at the end", "\xB6", "\x25\x2B", 1},
  };
  for (const auto& r : rows) {
    size_t pos = 0;
    EXPECT_EQ(Show(HalfKanaToJis(r.text, pos)), Show(r.jis)) << "row: " << r.name;
    EXPECT_EQ(pos, r.consumed) << "row: " << r.name;
  }
  size_t pos = 1;
  EXPECT_EQ(Show(HalfKanaToJis("a\xCA\xDF"
                               "b",
                               pos)),
            Show("\x25\x51"));
  EXPECT_EQ(pos, 3u);
}

TEST(SjisToJisTest, AnnouncesAsciiWithEscParenJ) {
  const Row rows[] = {
      {"ascii unchanged", "Hello\r\n", "Hello\r\n"},
      {"empty", "", ""},
      {"ga", "\xB6\xDE", kIn + "\x25\x2C" + kOut},
      {"pa", "\xCA\xDF", kIn + "\x25\x51" + kOut},
      {"vu", "\xB3\xDE", kIn + "\x25\x74" + kOut},
      {"kanji then ascii", platform::Sjis("会議 abc"), kIn + "\x32\x71\x35\x44" + kOut + " abc"},
      {"every line ends outside kanji mode", platform::Sjis("あ\r\nい\n"),
       kIn + "\x24\x22" + kOut + "\r\n" + kIn + "\x24\x24" + kOut + "\n"},
      {"last line without line break still closes", platform::Sjis("x月"),
       "x" + kIn + "\x37\x6E" + kOut},
      {"kana and kanji share one run", "\x82\xA0\xB1\x82\xA0",
       kIn + "\x24\x22\x25\x22\x24\x22" + kOut},
      {"mark without base is converted alone", "\xB1\xDE", kIn + "\x25\x22\x21\x2B" + kOut},
      {"trail byte 0x5C is not ascii", platform::Sjis("表"), kIn + "\x49\x3D" + kOut},
      {"lead byte cut off by the end is dropped after the mode switch", "a\x82", "a" + kIn + kOut},
      {"lead byte cut off after a run closes the run", "\x82\xA0\x82", kIn + "\x24\x22" + kOut},
  };
  testing::ExpectRows(rows, [](std::string_view s) { return SjisToJis(s); });
}

// The message writer's flavour: kanji runs close with ESC ( B and bytes that start no
// character pass through for the header encoder to deal with.
TEST(SjisToJisTest, WriterOptionsCloseWithAsciiAndCopyStrayBytes) {
  const std::string kIn = "\x1B$B", kAscii = "\x1B(B";
  const Row rows[] = {
      {"kanji run closes with ESC ( B", platform::Sjis("会議 abc"),
       kIn + "\x32\x71\x35\x44" + kAscii + " abc"},
      {"stray bytes between characters", "\x82\xA0\x80\xA0\xFD\xB1",
       kIn + "\x24\x22" + kAscii + "\x80\xA0\xFD" + kIn + "\x25\x22" + kAscii},
      {"lead byte cut off by the end is kept", "a\x82", "a\x82"},
      {"text already in ISO-2022-JP is unchanged", "x \x1B$B%F\x1B(B y", "x \x1B$B%F\x1B(B y"},
  };
  testing::ExpectRows(rows, [](std::string_view s) {
    return SjisToJis(s, {.leave_with_ascii = true, .copy_stray_bytes = true});
  });
}

TEST(SjisToJisTest, GrowsOutputForWorstCaseExpansion) {
  // Alternating ascii and half-width kana: each kana costs eight output bytes.
  std::string text;
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    text += "a\xB1";
    expected += "a" + kIn + "\x25\x22" + kOut;
  }
  EXPECT_EQ(SjisToJis(text), expected);
}

TEST(EucToJisTest, FollowsTheSameModeSwitching) {
  const Row rows[] = {
      {"hiragana", "\xA4\xA2", kIn + "\x24\x22" + kOut},
      {"ga from single shifts", "\x8E\xB6\x8E\xDE", kIn + "\x25\x2C" + kOut},
      {"pa from single shifts", "\x8E\xCA\x8E\xDF", kIn + "\x25\x51" + kOut},
      {"a with a mark that does not combine", "\x8E\xB1\x8E\xDE", kIn + "\x25\x22\x21\x2B" + kOut},
      {"line break leaves kanji mode", "\xA4\xA2\nx", kIn + "\x24\x22" + kOut + "\nx"},
      {"cut-off pair is dropped after the mode switch", "x\xA4", "x" + kIn + kOut},
      {"cut-off single shift is dropped", "\xA4\xA2\x8E", kIn + "\x24\x22" + kOut},
  };
  testing::ExpectRows(rows, EucToJis);
}

}  // namespace
}  // namespace jtext
