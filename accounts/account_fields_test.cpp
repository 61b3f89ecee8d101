// Account name rules and field cleaning.
#include "accounts/account_fields.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "store/record.h"

namespace accounts {
namespace {

using platform::Sjis;

TEST(AccountNameTest, ComparesAsciiLettersWithoutCaseButNeverTrailBytes) {
  EXPECT_TRUE(SameAccountName("work", "WORK"));
  EXPECT_TRUE(SameAccountName(Sjis("仕事work"), Sjis("仕事Work")));
  EXPECT_FALSE(SameAccountName("work", "wor"));
  // ヂ is 0x83 0x61 and ア is 0x83 0x41: folding the trail byte would make them one name.
  EXPECT_FALSE(SameAccountName(Sjis("ヂ"), Sjis("ア")));
  // Full-width letters are other characters, not other cases of ASCII ones.
  EXPECT_FALSE(SameAccountName(Sjis("ａ"), "a"));
}

TEST(AccountNameTest, UsableNamesStayOneFolderBelowTheReceivedRoot) {
  EXPECT_TRUE(IsUsableAccountName("work"));
  EXPECT_TRUE(IsUsableAccountName(Sjis("表ソ")));  // 0x5C trail bytes are not separators
  EXPECT_TRUE(IsUsableAccountName("a.b"));
  for (const char* bad : {"", ".", "..", "Attachment", "a\\b", "..\\..\\x", "a/b", "/etc"}) {
    EXPECT_FALSE(IsUsableAccountName(bad)) << bad;
  }
}

TEST(AccountFieldsTest, TabsAndLineBreaksBecomeSpacesSoTheRecordKeepsNineFields) {
  AccountFields f;
  f.AccountName = "a\tb";
  f.PopServer = "pop\r\nx";
  f.Password = "p\tw";
  f.PopPort = "110\n";
  f.Signature = {"name\tteam", "line1\r\nline2", ""};
  CleanFields(f);
  EXPECT_EQ(f.AccountName, "a b");
  EXPECT_EQ(f.PopServer, "pop  x");
  EXPECT_EQ(f.Password, "p w");
  EXPECT_EQ(f.PopPort, "110 ");
  EXPECT_EQ(f.Signature, (std::vector<std::string>{"name team", "line1", "line2", ""}));
  EXPECT_EQ(store::SplitRecord(f.ToRecord().Line()).size(), 9u);
}

TEST(AccountFieldsTest, RecordRoundTripKeepsTheCheckBoxRule) {
  store::AccountRecord r = store::AccountRecord::FromLine("n\tp\tu\tw\ts\to@x\t995\t587\t1");
  AccountFields f;
  f.FromRecord(r);
  EXPECT_FALSE(f.DeleteAfterReceive);  // only "-1" checks the box
  EXPECT_EQ(f.PopPort, "995");
  EXPECT_EQ(f.ToRecord().Line(), "n\tp\tu\tw\ts\to@x\t995\t587\t0");
  f.DeleteAfterReceive = true;
  EXPECT_EQ(store::GetField(f.ToRecord().Line(), 8), "-1");
  f.SmtpPort.clear();
  EXPECT_TRUE(f.RequiredFilled());
  EXPECT_FALSE(f.AllFilled());
}

}  // namespace
}  // namespace accounts
