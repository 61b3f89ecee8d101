// rule.ini on disk and the folder a rule's path may name.
#include "rules/rule_file.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/testing/temp_app_dir.h"

namespace rules {
namespace {

using platform::Sjis;

TEST(RuleFileTest, SavesWithCrLfAndLoadsInFileOrder) {
  platform::testing::TempAppDir dir;
  platform::FileSystem fs(dir.path());
  EXPECT_TRUE(LoadRuleLines(fs).empty());  // no file: no rules

  const std::vector<std::string> lines = {Sjis("件名\t表示\tacct\\ソフト"),
                                          Sjis("差出人\ta@b\t削除"), Sjis("件名\tz\tacct")};
  SaveRuleLines(fs, lines);
  EXPECT_EQ(*fs.ReadFile("rule.ini"), lines[0] + "\r\n" + lines[1] + "\r\n" + lines[2] + "\r\n");
  EXPECT_EQ(LoadRuleLines(fs), lines);

  // Hand-written files may end lines with LF only.
  fs.WriteFileAtomic("rule.ini", Sjis("件名\tx\tacct\n差出人\ty\t削除"));
  EXPECT_EQ(LoadRuleLines(fs).size(), 2u);
}

TEST(RuleFileTest, TargetFolderStaysInsideTheReceivedRoot) {
  EXPECT_EQ(RuleTargetFolder("acct"), Sjis("受信\\acct\\"));
  // The second byte of 表 and ソ is 0x5C but separates nothing.
  EXPECT_EQ(RuleTargetFolder(Sjis("表\\ソ")), Sjis("受信\\表\\ソ\\"));
  EXPECT_EQ(SplitFolderPath(Sjis("表\\ソ")).size(), 2u);
  for (const char* bad :
       {"", "..", "acct\\..", "acct\\..\\..\\x", ".\\acct", "\\acct", "acct\\", "acct\\\\sub",
        "/etc", "acct/../../x", "C:\\x", "c:", "acct\\Attachment", "acct\\a\x01"}) {
    EXPECT_EQ(RuleTargetFolder(bad), "") << bad;
  }
  Rule rule = ParseRule(Sjis("差出人\tx\t削除"));
  EXPECT_TRUE(rule.usable());
  EXPECT_EQ(rule.action, Action::kDelete);
  EXPECT_EQ(rule.header, Header::kSender);
  EXPECT_FALSE(ParseRule(Sjis("差出人\tx")).usable());
  EXPECT_FALSE(ParseRule(Sjis("差出人\t\tacct")).usable());
}

}  // namespace
}  // namespace rules
