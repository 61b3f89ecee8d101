// The editor's line building, list editing and rule selection over a tree in plain lists.
#include "rules/rule_editor.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace rules {
namespace {

using platform::Sjis;

TEST(RuleEditorTest, BuildsMoveAndDeleteLinesOrNothing) {
  const std::vector<std::string> sub = {Sjis("受信"), Sjis("acct\t(3)"), Sjis("sub\t(1)")};
  EXPECT_EQ(BuildRuleLine(Sjis("件名"), "Hello", true, sub), Sjis("件名\tHello\tacct\\sub"));
  EXPECT_EQ(BuildRuleLine(Sjis("件名"), "Hello", true, {Sjis("受信"), "acct"}),
            Sjis("件名\tHello\tacct"));
  // Neither radio button chosen makes a delete rule.
  EXPECT_EQ(BuildRuleLine(Sjis("差出人"), "taro", false, {}), Sjis("差出人\ttaro\t削除"));
  // Missing input: no keyword, no node, or the root itself.
  EXPECT_EQ(BuildRuleLine(Sjis("件名"), "", false, sub), std::nullopt);
  EXPECT_EQ(BuildRuleLine(Sjis("件名"), "x", true, {}), std::nullopt);
  EXPECT_EQ(BuildRuleLine(Sjis("件名"), "x", true, {Sjis("受信")}), std::nullopt);
  // A TAB or line break typed into the keyword would break the record: it becomes a space.
  EXPECT_EQ(BuildRuleLine(Sjis("件名"), "a\tb\r\nc", false, {}), Sjis("件名\ta b  c\t削除"));
}

TEST(RuleEditorTest, EditReplacesOnlyASelectedLine) {
  std::vector<std::string> lines = {"a", "b"};
  AddOrReplaceRule(lines, "c", true, 1);
  AddOrReplaceRule(lines, "d", true, -1);  // nothing selected: appended
  AddOrReplaceRule(lines, "e", false, 0);  // "追加" never replaces
  EXPECT_EQ(lines, (std::vector<std::string>{"a", "c", "d", "e"}));
}

TEST(RuleEditorTest, SelectingARuleWalksTheTreeByNames) {
  // Tree order: root, acct (inbox, sub (deep)), other (sub).
  const std::vector<std::string> tree = {Sjis("受信"), Sjis("acct\t(2)"), "inbox", Sjis("sub\t(1)"),
                                         "deep",       "other",           "sub"};
  auto sel = SelectRule(Sjis("件名\tHello\tacct\\sub"), tree);
  ASSERT_TRUE(sel.has_value());
  EXPECT_EQ(sel->header, Sjis("件名"));
  EXPECT_EQ(sel->keyword, "Hello");
  EXPECT_EQ(sel->node, 3);
  EXPECT_EQ(SelectRule(Sjis("件名\tx\tother\\sub"), tree)->node, 6);
  EXPECT_EQ(SelectRule(Sjis("件名\tx\tacct\\sub\\deep"), tree)->node, 4);
  // A delete rule finds no node; a line without three fields loads nothing.
  EXPECT_EQ(SelectRule(Sjis("差出人\tx\t削除"), tree)->node, -1);
  EXPECT_EQ(SelectRule(Sjis("差出人\tx"), tree), std::nullopt);
  EXPECT_EQ(SelectRule(Sjis("差出人\tx\ty\tz"), tree), std::nullopt);
}

}  // namespace
}  // namespace rules
