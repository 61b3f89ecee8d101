#include "jtext/detect.h"

#include <gtest/gtest.h>

#include "jtext/convert.h"
#include "jtext/test_rows.h"
#include "platform/codepage.h"

namespace jtext {
namespace {

using std::string_literals::operator""s;
using testing::Row;
using testing::Show;

struct DetectRow {
  const char* name;
  std::string text;
  CodeClass expected;
};

TEST(DetectCodeTest, ClassifiesByFirstDecisiveEvidence) {
  const DetectRow rows[] = {
      {"empty", "", kCodeNone},
      {"plain ascii", "Hello, world\r\n", kCodeNone},
      {"first 8-bit byte 0x82 is Shift_JIS", "abc\x82\xA0", kCodeSjis},
      {"ESC $ B before other evidence", "x\x1B$B\x24\x22\x1B(B\xA4\xF3", kCodeJis},
      {"ESC $ @ is old JIS", "\x1B$@\x24\x22", kCodeOldJis},
      {"ESC $ cut off by the end decides nothing", "ab\x1B$", kCodeNone},
      {"ESC skips the byte after it", "\x1B\x82\xA0", kCodeNone},
      {"EUC kana rows only are undecided", "\xA4\xA2\xA4\xA4\xA5\xA2", kCodeUndecided},
      {"EUC second byte 0xF0..0xFE", "\xA4\xF3", kCodeEuc},
      {"lead 0xF0..0xFE is EUC", "\xF0\xA1", kCodeEuc},
      {"0x8E with half-width kana is undecided", "\x8E\xB1\x8E\xB2", kCodeUndecided},
      {"0x8E with 0x40 is Shift_JIS", "\x8E\x40", kCodeSjis},
      {"half-width kana then ascii is Shift_JIS",
       "\xB1"
       "a",
       kCodeSjis},
      {"half-width kana then 0xA0 decides nothing", "\xB1\xA0", kCodeNone},
      {"scan-on finds a Shift_JIS trail", "\xB0\xE0\xA1\x81\x40", kCodeSjis},
      {"scan-on finds 0xFE", "\xB0\xE0\xA1\xFE", kCodeEuc},
      {"scan-on stops at ascii and skips it", "\xB0\xE0 \x82\xA0", kCodeSjis},
      {"byte ending a scan-on is never looked at", "\xB0\xE0\x1B$Bxx", kCodeUndecided},
      {"0xE0..0xEF with 0x40", "\xE0\x40", kCodeSjis},
      {"0xE0..0xEF with 0xFD", "\xE0\xFD", kCodeEuc},
      {"0xE0..0xEF with 0xA1 is undecided", "\xE0\xA1", kCodeUndecided},
      {"undecided goes on to later evidence", "\xA4\xA2\xA4\xF3", kCodeEuc},
      {"0x80 and 0xA0 are skipped", "\x80\xA0\xA0 ", kCodeNone},
      {"0x80 is skipped alone, the next byte starts a character", "\x80\x82\xA0", kCodeSjis},
      {"0x8E with 0xFD decides nothing", "\x8E\xFD", kCodeNone},
      {"half-width kana with a last byte 0xFF decides nothing", "\xB1\xFF", kCodeNone},
      {"0xE0..0xEF with 0x7F decides nothing", "\xE0\x7F", kCodeNone},
      {"lead 0xFE is EUC whatever follows", "\xFE\x41", kCodeEuc},
      {"scan-on passes over 0x9D", "\xB0\xE0\x9D\xFD", kCodeEuc},
      {"scan-on running to the end stays undecided", "\xB0\xE0\xA1\xA1", kCodeUndecided},
      {"low byte in the prescan",
       "a\x01"
       "bc",
       kCodeNonText},
      {"0xFF in the prescan",
       "ab\xFF"
       "c",
       kCodeNonText},
      {"the last byte is never examined", "ab\x01", kCodeNone},
      {"a single byte is never examined", "\x82", kCodeNone},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(DetectCode(r.text), r.expected) << "row: " << r.name;
  }
}

TEST(DetectCodeTest, PrescanCoversOnly512BytesButTheMainScanGoesOn) {
  std::string text(600, 'a');
  text[549] = '\x01';  // position 550
  EXPECT_EQ(DetectCode(text), kCodeNonText);
  text[9] = '\x88';  // Shift_JIS evidence before the low byte wins
  text[10] = '\x9F';
  EXPECT_EQ(DetectCode(text), kCodeSjis);
  text = std::string(600, 'a');
  text[511] = '\x01';  // position 512: still inside the prescan, beats later ESC $ B
  text.replace(0, 3, "\x1B$B");
  EXPECT_EQ(DetectCode(text), kCodeNonText);
  text[511] = 'a';
  text[512] = '\x01';  // position 513: after the decisive ESC $ B, never reached
  EXPECT_EQ(DetectCode(text), kCodeJis);
}

TEST(ConvertCodeTest, ToShiftJisDispatchesOnTheDetectedClass) {
  const Row rows[] = {
      {"JIS", "a\x1B$B\x24\x22\x1B(Bb",
       "a\x82\xA0"
       "b"},
      {"old JIS", "\x1B$@\x24\x22\x1B(J", "\x82\xA0"},
      {"EUC", "\xA4\xF3\xA4\xA2", "\x82\xF1\x82\xA0"},
      {"already Shift_JIS", "\x82\xA0\xA4\xA2", "\x82\xA0\xA4\xA2"},
      {"undecided EUC kana", "\xA4\xA2\xA4\xA4", "\xA4\xA2\xA4\xA4"},
      {"non-text", "\x01\x02\x1B$B\x24\x22", "\x01\x02\x1B$B\x24\x22"},
      {"plain", "abc", "abc"},
  };
  testing::ExpectRows(rows, [](const std::string& s) { return ConvertCode(s, kCodeSjis); });
}

TEST(ConvertCodeTest, ToJisDispatchesOnTheDetectedClass) {
  const Row rows[] = {
      {"Shift_JIS", "\x82\xA0", "\x1B$B\x24\x22\x1B(J"},
      {"EUC", "\xA4\xF3", "\x1B$B\x24\x73\x1B(J"},
      {"old JIS stays", "\x1B$@\x24\x22", "\x1B$@\x24\x22"},
      {"JIS stays", "\x1B$B\x24\x22\x1B(B", "\x1B$B\x24\x22\x1B(B"},
      {"four half-width kana are undecided and stay 8-bit", "\xB1\xB2\xB3\xB4", "\xB1\xB2\xB3\xB4"},
      {"plain", "abc\r\n", "abc\r\n"},
  };
  testing::ExpectRows(rows, [](const std::string& s) { return ConvertCode(s, kCodeJis); });
}

TEST(ConvertCodeTest, UnknownTargetLeavesTextAlone) {
  EXPECT_EQ(ConvertCode("\x82\xA0", kCodeEuc), "\x82\xA0");
  EXPECT_EQ(Show(ConvertCode(platform::Sjis("テスト"), kCodeSjis)), Show(platform::Sjis("テスト")));
}

}  // namespace
}  // namespace jtext
