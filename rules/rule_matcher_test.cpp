// Rule matching: first match wins, exact header fields, and Shift_JIS character starts.
#include "rules/rule_matcher.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/codepage.h"

namespace rules {
namespace {

using platform::Sjis;

std::string Line(const char* header, const std::string& keyword, const char* action) {
  return Sjis(header) + "\t" + keyword + "\t" + Sjis(action);
}

TEST(FindRuleTest, FirstMatchingLineWinsAcrossBothFields) {
  const std::vector<std::string> rules = {
      Line("件名", "zzz", "a"),
      Line("差出人", "taro", "b"),
      Line("件名", Sjis("会議"), "c"),
  };
  // Both the second and the third rule match: the earlier line wins, whichever field.
  EXPECT_EQ(FindRule(rules, Sjis("明日の会議"), "taro@example.test"), 1);
  EXPECT_EQ(FindRule(rules, Sjis("明日の会議"), "hanako@example.test"), 2);
  EXPECT_EQ(FindRule(rules, "hello", "hanako"), -1);
  // The sender's keyword is not looked for in the subject, nor the other way round.
  EXPECT_EQ(FindRule(rules, "taro", Sjis("会議")), -1);
  EXPECT_EQ(FindRule({}, "anything", "anyone"), -1);
}

TEST(FindRuleTest, OnlyExactHeadersAndUsableLinesMatch) {
  const std::vector<std::string> rules = {
      Line("件名 ", "x", "a"),  // header with a trailing space
      "Subject\tx\ta",          // another header text
      Sjis("件名") + "\tx",     // two fields
      Sjis("件名"),             // one field
      "",                       // empty line
      Line("件名", "", "a"),    // empty keyword
      Line("件名", "x", ""),    // empty folder
      Line("件名", "x", "a\\..\\..\\etc"),
      Line("件名", "x", "/etc"),
      Line("件名", "x", "C:\\Windows"),
      Line("件名", "x", "\\acct"),
      Line("件名", "x", "acct\\"),
      Line("件名", "x", "acct\\Attachment"),
      Line("件名", "x", "acct/sub"),
      Line("件名", "x", "acct\\sub") + "\textra",  // a fourth field is ignored
  };
  EXPECT_EQ(FindRule(rules, "x", "x"), 14);
  RuleSet set(rules);
  EXPECT_EQ(set.rule(14).target_folder, Sjis("受信\\acct\\sub\\"));
  EXPECT_FALSE(set.rule(7).usable());
}

TEST(FindRuleTest, ComparesBytesCaseSensitively) {
  const std::vector<std::string> rules = {Line("件名", "abc", "a"),
                                          Line("件名", Sjis("ＡＢ"), "b")};
  EXPECT_EQ(FindRule(rules, "ABC", ""), -1);
  EXPECT_EQ(FindRule(rules, "xabcx", ""), 0);
  EXPECT_EQ(FindRule(rules, Sjis("ａｂ"), ""), -1);
  EXPECT_EQ(FindRule(rules, Sjis("．ＡＢ"), ""), 1);
}

TEST(FindRuleTest, NeverMatchesFromTheSecondByteOfACharacter) {
  // 表 is 0x95 0x5C and ソ 0x83 0x5C: their second byte is a backslash. The full-width
  // space is 0x81 0x40 and ァ 0x83 0x40: their second byte is "@".
  const std::vector<std::string> rules = {
      Line("件名", "\\", "a"),
      Line("差出人", "@", "b"),
      Line("件名", "\\\x95", "c"),  // trail of 表 + lead of the next 表
      Line("差出人", "\x40\x83", "d"),
  };
  EXPECT_EQ(FindRule(rules, Sjis("表示ソフト"), Sjis("　ァ")), -1);
  EXPECT_EQ(FindRule(rules, Sjis("表表"), Sjis("ァァ")), -1);
  // The same bytes after a single-byte character are characters of their own.
  EXPECT_EQ(FindRule(rules, Sjis("表\\"), ""), 0);
  EXPECT_EQ(FindRule(rules, Sjis("ｱ") + "\\", ""), 0);  // half-width kana is one byte
  EXPECT_EQ(FindRule(rules, "", Sjis("ァ") + "@x"), 1);
  EXPECT_EQ(FindRule({rules[3]}, "", Sjis("　") + "\x40\x83\x40"), 0);
  // A match right after a double-byte character starts on a character.
  EXPECT_EQ(FindRule({Line("件名", Sjis("示"), "a")}, Sjis("表示"), ""), 0);
}

// The position-by-position definition, as plainly as it can be written.
bool PlainContains(const std::string& text, const std::string& keyword) {
  if (keyword.empty()) return false;
  for (size_t p = 0; p < text.size();) {
    if (text.compare(p, keyword.size(), keyword) == 0) return true;
    p += platform::IsSjisLeadByte(static_cast<unsigned char>(text[p])) ? 2 : 1;
  }
  return false;
}

TEST(FindRuleTest, AgreesWithThePlainSearchOnRandomShiftJis) {
  // Few distinct bytes, rich in lead bytes and 0x5C/0x40 trails, so that overlapping
  // keywords and boundary cases come up often.
  const std::string alphabet =
      "\x95\x5C\x81\x40\x83"
      "a@\xB1";
  std::mt19937 rng(20261209);
  auto random_text = [&](size_t max_len) {
    std::string s(rng() % (max_len + 1), ' ');
    for (char& c : s) c = alphabet[rng() % alphabet.size()];
    return s;
  };
  for (int round = 0; round < 200; ++round) {
    std::vector<std::string> lines;
    std::vector<std::string> keywords;
    for (int r = 0; r < 12; ++r) {
      keywords.push_back(random_text(4));
      lines.push_back(Line(r % 3 == 0 ? "差出人" : "件名", keywords.back(), "a"));
    }
    RuleSet set(lines);
    for (int t = 0; t < 50; ++t) {
      const std::string subject = random_text(16);
      const std::string sender = random_text(16);
      int expected = -1;
      for (int r = 0; r < 12 && expected < 0; ++r) {
        const std::string& text = r % 3 == 0 ? sender : subject;
        if (PlainContains(text, keywords[static_cast<size_t>(r)])) expected = r;
      }
      ASSERT_EQ(set.FindRule(subject, sender), expected) << "round " << round;
      for (const std::string& k : keywords) {
        ASSERT_EQ(ContainsAtCharStart(subject, k), PlainContains(subject, k));
      }
    }
  }
}

}  // namespace
}  // namespace rules
