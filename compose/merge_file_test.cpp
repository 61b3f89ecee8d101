// Merge file rules: field splitting, saving cells back, the first-line check and the
// per-row body.
#include "compose/merge_file.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace compose {
namespace {

using Fields = std::vector<std::string>;

TEST(MergeFileTest, SplitsAtCommasAndBlankRunsAndKeepsQuotedText) {
  const std::string wide_space = platform::Sjis("山田　太郎");
  struct Row {
    std::string line;
    Fields fields;
  };
  const Row rows[] = {
      {"a@x,alpha,beta", {"a@x", "alpha", "beta"}},
      {"a@x Taro Yamada", {"a@x", "Taro", "Yamada"}},  // a half-width space splits
      {"a@x,\"Taro Yamada\"", {"a@x", "Taro Yamada"}},
      {"a@x,\"say \"\"hi\"\", ok\"", {"a@x", "say \"hi\", ok"}},
      {"a@x," + wide_space, {"a@x", wide_space}},  // a full-width space does not
      {"  a@x ,\t, b  ", {"a@x", "", "b"}},
      {"a@x,b,", {"a@x", "b"}},  // a trailing comma adds no field
      {"", {}},
      {"\"open ended", {"open ended"}},
      {"\"ab\"cd", {"ab", "cd"}},
  };
  for (const Row& r : rows) EXPECT_EQ(SplitCommaText(r.line), r.fields) << r.line;
}

TEST(MergeFileTest, JoinedCellsSplitBackToTheSameCells) {
  const Fields cells[] = {{"a@x", "Taro Yamada", ""},
                          {"a@x", "say \"hi\", ok", "plain"},
                          {"a@x", platform::Sjis("様　各位"), "tab\there"}};
  EXPECT_EQ(JoinCommaText(cells[0]), "a@x,\"Taro Yamada\",");
  for (const Fields& c : cells) {
    Fields back = SplitCommaText(JoinCommaText(c));
    while (back.size() < c.size()) back.push_back("");  // a trailing empty cell
    EXPECT_EQ(back, c);
  }
}

TEST(MergeFileTest, OnlyTheFirstLineIsChecked) {
  EXPECT_TRUE(MergeFileLooksValid({"a@x,b,c", "no address here,1,2,3,4"}));
  EXPECT_FALSE(MergeFileLooksValid({"a@x Taro Yamada note"}));  // four fields
  EXPECT_TRUE(MergeFileLooksValid({"a@x,\"Taro Yamada\",note"}));
  EXPECT_FALSE(MergeFileLooksValid({"name,a@x"}));
  EXPECT_FALSE(MergeFileLooksValid({}));
  EXPECT_FALSE(MergeFileLooksValid({""}));
}

TEST(MergeFileTest, RowBodyReplacesPlaceholdersInOrderIgnoringCase) {
  const std::string body = platform::Sjis("%tk2様\r\n(%TK3) to %Tk1");
  MergeRow row = BuildMergeRow(body, "a@x,alpha,beta");
  EXPECT_EQ(row.body, platform::Sjis("alpha様\r\n(beta) to a@x"));
  EXPECT_EQ(row.fields.front(), "a@x");

  // Missing columns leave their placeholders; extra columns are ignored.
  EXPECT_EQ(BuildMergeRow("%TK1 %TK2 %TK3", "a@x").body, "a@x %TK2 %TK3");
  EXPECT_EQ(BuildMergeRow("%TK3", "a,b,c,d").body, "c");
  // A value holding a later placeholder is replaced again by the later column.
  EXPECT_EQ(BuildMergeRow("[%TK1]", "%TK2,two").body, "[two]");
  // A Shift_JIS value whose trail byte is 'T' or 'K' is copied as it is.
  const std::string kana = platform::Sjis("ボ");  // 0x83 0x7B
  EXPECT_EQ(BuildMergeRow("%TK2%TK2", "a," + kana).body, kana + kana);
}

}  // namespace
}  // namespace compose
