// Header lines: lookup joins folded lines; setting a value folds it and replaces continuations.
#include "transport/header_list.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace transport {
namespace {

TEST(HeaderListTest, GetValueJoinsContinuationLinesIgnoringNameCase) {
  TIdHeaderList h;
  for (const char* line : {"Subject: first  ", "\t second", "  third", "X-Other: 1",
                           "subject: later", "NoColonLine"}) {
    h.Add(line);
  }
  EXPECT_EQ(h.IndexOfName("SUBJECT"), 0);
  EXPECT_EQ(h.GetValue("subject"), "first second third");
  EXPECT_EQ(h.GetValue("X-Other"), "1");
  EXPECT_EQ(h.GetValue("Missing"), "");
  EXPECT_EQ(h.IndexOfName("NoColonLine"), -1);
}

TEST(HeaderListTest, GetValueKeepsTheEscapeThatStartsARawJisValue) {
  TIdHeaderList h;
  for (const char* line :
       {"Subject: \x1b$B%F%9%H\x1b(B\t", "To:\t\x1b$B%F\x1b(B,", "\t\x1b$B%9\x1b(B",
        "Cc: \x01"
        "a\x1f"}) {
    h.Add(line);
  }
  EXPECT_EQ(h.GetValue("Subject"), "\x1b$B%F%9%H\x1b(B");
  EXPECT_EQ(h.GetValue("To"), "\x1b$B%F\x1b(B, \x1b$B%9\x1b(B");
  EXPECT_EQ(h.GetValue("Cc"), "a");  // other control characters still go
}

TEST(HeaderListTest, SetValueReplacesInPlaceAndRemovesContinuations) {
  TIdHeaderList h;
  for (const char* line : {"Message-ID: <a@b>", "To: x@y,", " z@w", "Date: d"}) h.Add(line);
  h.SetValue("to", "new@example.com");
  EXPECT_EQ(h.Lines(),
            (std::vector<std::string>{"Message-ID: <a@b>", "to: new@example.com", "Date: d"}));
  h.SetValue("Date", "");
  h.SetValue("Absent", "");
  EXPECT_EQ(h.Count(), 2u);
  h.SetValue("Content-Type", "text/plain;\r\n\tcharset=\"ISO-2022-JP\"");
  EXPECT_EQ(h[2], "Content-Type: text/plain;");
  EXPECT_EQ(h[3], "\tcharset=\"ISO-2022-JP\"");
}

TEST(HeaderListTest, FoldingBreaksAtWhiteSpaceOutsideQuotesOnly) {
  TIdHeaderList h;
  std::string to;
  for (int i = 0; i < 8; ++i)
    to += (i ? ", " : "") + std::string("person") + char('a' + i) + "@example.com";
  h.SetValue("To", to);
  ASSERT_GT(h.Count(), 1u);
  for (const auto& line : h) {
    EXPECT_LE(line.size(), 78u) << line;
    if (&line != &h[0]) {
      EXPECT_EQ(line[0], ' ');
    }
  }
  EXPECT_EQ(h.GetValue("To"), to);

  // A quoted run and an unbreakable run stay whole even past 78 columns.
  TIdHeaderList q;
  std::string quoted = "\"" + std::string(40, 'n') + " " + std::string(40, 'm') + "\" <a@b>";
  q.SetValue("From", quoted);
  EXPECT_EQ(q[0], "From: \"" + std::string(40, 'n') + " " + std::string(40, 'm') + "\"");
  EXPECT_EQ(q[1], " <a@b>");
  TIdHeaderList long_word;
  long_word.SetValue("X", std::string(100, 'w'));
  EXPECT_EQ(long_word.Count(), 1u);
  // A comma is no break: unfolding would put a space into "1,2,3".
  TIdHeaderList commas;
  std::string list;
  for (int i = 0; i < 40; ++i) list += std::to_string(i) + ",";
  commas.SetValue("Subject", list);
  EXPECT_EQ(commas.Count(), 1u);
  EXPECT_EQ(commas.GetValue("Subject"), list);
}

// A value folded over a great many lines is joined in linear time (it used to be copied once
// per line); 200,000 continuation lines would take minutes the quadratic way.
TEST(HeaderListTest, GetValueOfAHugeFoldedHeaderIsLinear) {
  TIdHeaderList h;
  h.Add("Subject: start");
  for (int i = 0; i < 200000; ++i) h.Add(" piece");
  std::string value = h.GetValue("Subject");
  EXPECT_EQ(value.size(), 5u + 200000u * 6u);
  EXPECT_TRUE(value.ends_with("piece piece"));
}

TEST(HeaderListTest, FoldingNeverSplitsADoubleByteCharacter) {
  // 0x81 0x40 (full-width space) has a trail byte that is an ASCII "@"; 0x83 0x20 never
  // occurs, but 0x82 0xA0 followed by a space must keep the pair together.
  std::string kana = platform::Sjis("あいうえおかきくけこ");
  std::string value;
  for (int i = 0; i < 6; ++i) value += kana + " ";
  std::string folded = FoldHeaderLine("Subject: " + value);
  std::size_t start = 0;
  for (std::size_t p; (p = folded.find("\r\n ", start)) != std::string::npos; start = p + 3) {
    std::string line = folded.substr(start, p - start);
    std::size_t i = 0;
    while (i < line.size()) i += platform::IsSjisLeadByte(line[i]) ? 2 : 1;
    EXPECT_EQ(i, line.size()) << "a character was split";
    EXPECT_EQ(line.back(), ' ');
  }
  std::string rejoined;
  for (std::size_t i = 0; i < folded.size(); ++i) {
    if (folded.compare(i, 3, "\r\n ") == 0) {
      i += 2;
      continue;
    }
    rejoined += folded[i];
  }
  EXPECT_EQ(rejoined, "Subject: " + value);
}

}  // namespace
}  // namespace transport
