#include "store/account_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/codepage.h"
#include "platform/testing/temp_app_dir.h"
#include "store/index_list.h"
#include "store/paths.h"
#include "store/settings.h"
#include "store/startup.h"

namespace store {
namespace {

using platform::Sjis;

class AccountFileTest : public ::testing::Test {
 protected:
  unsigned Mode(const char* name) {
    struct stat st {};
    EXPECT_EQ(::stat((dir_.path() / name).c_str(), &st), 0);
    return st.st_mode & 0777;
  }

  platform::testing::TempAppDir dir_;
  platform::FileSystem fs_{dir_.path()};
};

TEST_F(AccountFileTest, RecordRoundTripAndDefaults) {
  AccountRecord r;
  r.AccountName = Sjis("表ソ");
  r.PopServer = "pop.example.jp";
  r.UserId = "user";
  r.Password = "p\tw";
  r.SmtpServer = "smtp.example.jp";
  r.OwnAddress = "me@example.jp";
  r.DeleteAfterReceive = "-1";
  EXPECT_EQ(
      r.Line(),
      Sjis("表ソ") + "\tpop.example.jp\tuser\tp w\tsmtp.example.jp\tme@example.jp\t110\t25\t-1");
  AccountRecord back = AccountRecord::FromLine(r.Line());
  EXPECT_EQ(back.AccountName, r.AccountName);
  EXPECT_EQ(back.Password, "p w");
  EXPECT_TRUE(back.DeletesAfterReceive());
  AccountRecord partial = AccountRecord::FromLine("only\tpop");
  EXPECT_EQ(partial.PopServer, "pop");
  EXPECT_EQ(partial.SmtpPort, "");
  EXPECT_FALSE(partial.DeletesAfterReceive());
}

TEST_F(AccountFileTest, SavesPrivatelyInOrderAndNeverEmpty) {
  EXPECT_FALSE(AccountFileExists(fs_));
  EXPECT_TRUE(LoadAccountList(fs_).empty());
  EXPECT_FALSE(SaveAccountList(fs_, {}));
  EXPECT_FALSE(SaveAccountList(fs_, {""}));  // text is a lone CR LF
  EXPECT_FALSE(AccountFileExists(fs_));

  std::vector<std::string> lines = {"zeta\tp", "alpha\tq"};
  EXPECT_TRUE(SaveAccountList(fs_, lines));
  EXPECT_EQ(*fs_.ReadFile("Account.ini"), "zeta\tp\r\nalpha\tq\r\n");
  EXPECT_EQ(Mode("Account.ini"), 0600u);
  EXPECT_EQ(LoadAccountList(fs_), lines);

  // An empty list later leaves the file as it was.
  EXPECT_FALSE(SaveAccountList(fs_, {}));
  EXPECT_EQ(LoadAccountList(fs_), lines);

  // A file that was readable by others is replaced by a private one.
  ::chmod((dir_.path() / "Account.ini").c_str(), 0644);
  SaveAccountList(fs_, lines);
  EXPECT_EQ(Mode("Account.ini"), 0600u);
}

TEST_F(AccountFileTest, AccountsMatchExactly) {
  std::vector<std::string> lines = {"Main\ta", "main\tb", Sjis("能\tc")};
  EXPECT_EQ(FindAccountPosition(lines, "main"), 2);
  EXPECT_EQ(FindAccountPosition(lines, "MAIN"), 0);
  EXPECT_EQ(FindAccountPosition(lines, Sjis("能")), 3);
  EXPECT_EQ(AccountNameAt(lines, 1), "Main");
  EXPECT_EQ(AccountNameAt(lines, 4), "");
  EXPECT_EQ(AccountNameAt(lines, 0), "");
  EXPECT_EQ(FirstAccountPosition(lines), 1);
}

TEST_F(AccountFileTest, BlankLinesNameNoAccount) {
  // An empty settings name must not pick a blank line: the received root itself would then
  // be taken for the account folder.
  std::vector<std::string> lines = {"", "\tpop", "acc\tpop", ""};
  EXPECT_EQ(FindAccountPosition(lines, ""), 0);
  EXPECT_EQ(FindAccountPosition(lines, "acc"), 3);
  EXPECT_EQ(FirstAccountPosition(lines), 3);
  EXPECT_EQ(FirstAccountPosition({"", ""}), 0);
  EXPECT_EQ(FirstAccountPosition({}), 0);
}

TEST_F(AccountFileTest, SettingsFileHoldsOneLine) {
  EXPECT_FALSE(LoadCurrentAccountName(fs_).has_value());
  SaveCurrentAccountName(fs_, Sjis("ソフト"));
  EXPECT_EQ(*fs_.ReadFile("Yubinko.ini"), Sjis("ソフト") + "\r\n");
  EXPECT_EQ(LoadCurrentAccountName(fs_), Sjis("ソフト"));
  fs_.WriteFileAtomic("Yubinko.ini", "first\nsecond\r\n");
  EXPECT_EQ(LoadCurrentAccountName(fs_), "first");
  fs_.WriteFileAtomic("Yubinko.ini", "");
  EXPECT_EQ(LoadCurrentAccountName(fs_), "");
}

TEST_F(AccountFileTest, StartUpPreparesTheAccountFolder) {
  IndexList keys;
  IndexList index;
  keys.Add("<stale@x>");
  AccountFolderState state = PrepareAccountFolder(fs_, Sjis("表"), keys, index);
  EXPECT_EQ(state.current_folder, Sjis("受信\\表\\"));
  EXPECT_FALSE(state.folder_index_existed);
  EXPECT_TRUE(keys.empty());
  EXPECT_EQ(*fs_.ReadFile(Sjis("受信\\表\\AlreadMsgID.ini")), "");
  EXPECT_EQ(*fs_.ReadFile(Sjis("受信\\表\\MsgID.ini")), "");

  fs_.WriteFileAtomic(Sjis("受信\\表\\AlreadMsgID.ini"), "<b>\r\n<a>\r\n");
  fs_.WriteFileAtomic(Sjis("受信\\表\\MsgID.ini"), "<k>\tx\r\n");
  state = PrepareAccountFolder(fs_, Sjis("表"), keys, index);
  EXPECT_TRUE(state.folder_index_existed);
  EXPECT_EQ(keys.lines(), (std::vector<std::string>{"<a>", "<b>"}));
  EXPECT_EQ(index.size(), 1u);

  IndexList sent;
  LoadSentIndex(fs_, sent);
  EXPECT_TRUE(sent.empty());
  fs_.ForceDirectories(SentFolder());
  fs_.WriteFileAtomic(SentIndexPath(), "<s2>\t\r\n<s1>\t\r\n");
  LoadSentIndex(fs_, sent);
  EXPECT_EQ(sent.lines(), (std::vector<std::string>{"<s1>\t", "<s2>\t"}));
}

}  // namespace
}  // namespace store
