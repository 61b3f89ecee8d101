// Address items and lists: the text form both ways.
#include "transport/email_address.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "transport/message_exceptions.h"

namespace transport {
namespace {

struct TextRow {
  const char* name;
  const char* address;
  const char* text;
};

TEST(EMailAddressItemTest, TextReadQuotesOnlyWhatNeedsIt) {
  const TextRow rows[] = {
      {"", "taro@example.jp", "taro@example.jp"},
      {"Taro Yamada", "taro@example.jp", "Taro Yamada <taro@example.jp>"},
      {"Yamada, Taro", "taro@example.jp", "\"Yamada, Taro\" <taro@example.jp>"},
      {"Say \"hi\"", "a@b", "\"Say \\\"hi\\\"\" <a@b>"},
      {"", "john doe@example.jp", "<\"john doe\"@example.jp>"},
      {"", "first.last@example.jp", "first.last@example.jp"},
      {"TARO@EXAMPLE.JP", "taro@example.jp", "<taro@example.jp>"},
      {"=?ISO-2022-JP?B?GyRCOzNFRBsoQg==?=", "a@b", "=?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= <a@b>"},
      {"Name", "", "Name <>"},
      {"", "", ""},
  };
  for (const auto& r : rows) {
    TIdEMailAddressItem item(r.address, r.name);
    EXPECT_EQ(item.GetText(), r.text) << r.name << " / " << r.address;
  }
  // A Shift_JIS name is quoted; a trail byte that looks like a backslash gets no escape.
  TIdEMailAddressItem sjis("a@b", platform::Sjis("表ソ"));
  EXPECT_EQ(sjis.GetText(), "\"" + platform::Sjis("表ソ") + "\" <a@b>");
}

TEST(EMailAddressItemTest, TextWriteSplitsNameAndAddress) {
  const TextRow rows[] = {
      {"", "taro@example.jp", "taro@example.jp"},
      {"Taro Yamada", "taro@example.jp", "Taro Yamada <taro@example.jp>"},
      {"Yamada, Taro", "taro@example.jp", "\"Yamada, Taro\" <taro@example.jp>"},
      {"Say \"hi\"", "a@b", "\"Say \\\"hi\\\"\" <a@b>"},
      {"", "taro@example.jp", "taro@example.jp (Taro (the) Yamada)"},
      {"", "taro@example.jp", "  <taro@example.jp>  "},
      {"", "plainword", "plainword"},
      {"x  y", "a@b.c", "\"x  y\" <a@b.c>"},
      // A quoted raw ISO-2022-JP name keeps the ESC that opens its kanji run.
      {"\x1b$B;3ED\x1b(B", "y@e.jp", "\"\x1b$B;3ED\x1b(B\" <y@e.jp>"},
  };
  for (const auto& r : rows) {
    TIdEMailAddressItem item;
    item.SetText(r.text);
    EXPECT_EQ(item.Name, r.name) << r.text;
    EXPECT_EQ(item.Address, r.address) << r.text;
  }
  TIdEMailAddressItem item;
  item.SetText(platform::Sjis("山田　太郎") + " <yamada@example.jp>");  // 0x81 0x40 inside
  EXPECT_EQ(item.Name, platform::Sjis("山田　太郎"));
  EXPECT_EQ(item.Address, "yamada@example.jp");
  try {
    item.SetText("<a@b> c@d");
    FAIL();
  } catch (const EIdEmailParseError& e) {
    EXPECT_STREQ(e.what(), "@ Outside address");
  }
}

TEST(EMailAddressListTest, SetFromTextSplitsOutsideQuotesAndCommentsAndDropsGroupNames) {
  TIdEMailAddressList list;
  list.SetFromText("\"Doe, John\" <john@example.com>, jane@example.com; (a, b) c@example.com");
  ASSERT_EQ(list.Count(), 3u);
  EXPECT_EQ(list[0].Name, "Doe, John");
  EXPECT_EQ(list[1].Address, "jane@example.com");
  EXPECT_EQ(list[2].Address, "c@example.com");
  list.SetFromText("Team: a@x.jp, b@x.jp;");
  ASSERT_EQ(list.Count(), 2u);
  EXPECT_EQ(list[0].Address, "a@x.jp");
  list.SetFromText("single@example.com");
  EXPECT_EQ(list.Count(), 1u);
  list.SetFromText(" , <>, ");
  EXPECT_EQ(list.Count(), 0u);
  list.SetFromText("   ");
  EXPECT_EQ(list.Count(), 0u);
}

}  // namespace
}  // namespace transport
