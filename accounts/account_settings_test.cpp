// The accounts logic on a temporary application directory with real files.
#include "accounts/account_settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/codepage.h"
#include "platform/testing/scripted_ui_services.h"
#include "platform/testing/temp_app_dir.h"
#include "state/testing/fake_main_view.h"
#include "store/settings.h"
#include "transport/exceptions.h"

namespace accounts {
namespace {

using platform::Answer;
using platform::Sjis;

std::string Line(const std::string& name, const std::string& pop = "pop.example",
                 const std::string& flag = "0") {
  return name + "\t" + pop + "\tuser-" + name + "\tpw-" + name + "\tsmtp.example\t" + name +
         "@example.test\t1110\t2525\t" + flag;
}

class AccountSettingsTest : public ::testing::Test {
 protected:
  void Write(const std::string& sjis_path, const std::string& bytes) {
    state.fs.ForceDirectories(store::ParentDirectory(sjis_path));
    state.fs.WriteFileAtomic(sjis_path, bytes);
  }
  std::string Read(const std::string& sjis_path) {
    return state.fs.ReadFile(sjis_path).value_or("<missing>");
  }
  bool DirExists(const std::string& sjis_path) { return state.fs.DirectoryExists(sjis_path); }
  void Fill(const std::string& name) {
    acc.fields.AccountName = name;
    acc.fields.PopServer = "pop." + name;
    acc.fields.UserId = "u";
    acc.fields.Password = "p";
    acc.fields.SmtpServer = "smtp." + name;
    acc.fields.OwnAddress = name + "@example.test";
  }
  std::string Folder(const std::string& name) { return Sjis("受信\\") + name + "\\"; }
  std::string LastInfo() {
    auto texts = ui.Texts("info");
    return texts.empty() ? std::string() : texts.back();
  }

  platform::testing::TempAppDir dir;
  state::MainState state{dir.path()};
  state::testing::FakeMainView view{&state};
  platform::testing::ScriptedUiServices ui;
  AccountSettings acc{state, view, ui};
};

TEST_F(AccountSettingsTest, FirstAccountWithoutAccountIniIsSavedAndMadeCurrentOnClose) {
  acc.Start();  // no Account.ini: nothing to show
  EXPECT_EQ(acc.record_label(), 0);
  EXPECT_EQ(acc.fields.PopPort, "110");
  EXPECT_EQ(acc.fields.SmtpPort, "25");
  EXPECT_FALSE(acc.add_mode());

  Fill("home");
  acc.fields.DeleteAfterReceive = true;
  acc.fields.Signature = {Sjis("山田"), "--"};
  std::string own;
  acc.AddSenderListener([&own](const std::string& address) { own = address; });

  ASSERT_TRUE(acc.Button4Click());  // position 1 = count 0 + 1: appended
  EXPECT_EQ(LastInfo(), Sjis("保存しました。"));
  ASSERT_EQ(state.AccountList.size(), 1u);
  EXPECT_EQ(state.AccountList[0],
            "home\tpop.home\tu\tp\tsmtp.home\thome@example.test\t110\t25\t-1");
  EXPECT_EQ(acc.record_label(), 1);
  EXPECT_EQ(Read(Folder("home") + "syomei.txt"), Sjis("山田\r\n--\r\n"));
  EXPECT_GE(view.tree_builds, 1);                    // the node appears at once
  EXPECT_FALSE(state.fs.FileExists("Account.ini"));  // saving writes the list only on close

  ASSERT_TRUE(acc.Button1Click());
  EXPECT_EQ(Read("Account.ini"), state.AccountList[0] + "\r\n");
  struct stat st {};
  ASSERT_EQ(::stat(state.fs.Native("Account.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(Read("Yubinko.ini"), "home\r\n");
  EXPECT_EQ(state.CurrentAccountName, "home");
  EXPECT_EQ(state.POP.Host, "pop.home");
  EXPECT_EQ(state.POP.Username, "u");
  EXPECT_EQ(state.POP.Password, "p");
  EXPECT_EQ(state.POP.Port, 110);
  EXPECT_EQ(view.account_label, "home");
  EXPECT_EQ(own, "home@example.test");
  // The close lists the account's folder like a click on its node.
  EXPECT_EQ(view.selected_folder, Folder("home"));
  EXPECT_EQ(state.current_folder, Folder("home"));
  EXPECT_EQ(state.account_dir, Folder("home"));
  EXPECT_EQ(view.mode, Sjis("通常"));
}

TEST_F(AccountSettingsTest, ShowingARecordAppliesItAndCreatesItsReceivedList) {
  state.AccountList = {Line("one", "pop1"), Line("two", "pop2", "-1")};
  Write(Folder("two") + "syomei.txt", "sig line\r\nsecond\r\n");
  Write(Folder("two") + "AlreadMsgID.ini", "<k1@x>\r\n<k2@x>\r\n");
  state.AccountPosition = 2;
  acc.Start();
  EXPECT_EQ(acc.fields.AccountName, "two");
  EXPECT_TRUE(acc.fields.DeleteAfterReceive);
  EXPECT_EQ(acc.fields.Signature, (std::vector<std::string>{"sig line", "second"}));
  EXPECT_EQ(acc.record_label(), 2);
  EXPECT_EQ(state.POP.Host, "pop2");
  EXPECT_EQ(state.POP.Username, "user-two");
  EXPECT_EQ(state.POP.Password, "pw-two");
  EXPECT_EQ(state.POP.Port, 1110);
  EXPECT_EQ(state.received_keys.size(), 2);
  EXPECT_EQ(state.account_dir, Folder("two"));

  acc.SpeedButton2Click();  // already the last record
  EXPECT_EQ(state.AccountPosition, 2);
  acc.SpeedButton1Click();
  EXPECT_EQ(state.AccountPosition, 1);
  EXPECT_EQ(state.POP.Host, "pop1");
  EXPECT_TRUE(acc.fields.Signature.empty());  // no syomei.txt: the box stays empty
  // One has no key list yet: an empty one is written, and the loaded list follows.
  EXPECT_EQ(Read(Folder("one") + "AlreadMsgID.ini"), "");
  EXPECT_TRUE(state.received_keys.empty());
  EXPECT_EQ(state.account_dir, Folder("one"));
  acc.SpeedButton1Click();  // already the first
  EXPECT_EQ(state.AccountPosition, 1);
}

TEST_F(AccountSettingsTest, AddModeChecksRequiredFieldsAndDuplicateNamesIgnoringCase) {
  state.AccountList = {Line("WORK")};
  state.AccountPosition = 1;
  acc.Start();
  acc.fields.OwnAddress.clear();
  acc.Button2Click();  // a required field of the shown record is empty
  EXPECT_EQ(LastInfo(), Sjis("タイトルと必須項目だけは入力してください。"));
  EXPECT_FALSE(acc.add_mode());

  acc.ShowRecord(1);
  acc.fields.PopPort = "995";
  acc.Button2Click();
  ASSERT_TRUE(acc.add_mode());
  EXPECT_TRUE(acc.fields.AccountName.empty());
  EXPECT_EQ(acc.fields.PopPort, "995");  // the ports keep their text
  EXPECT_EQ(state.AccountPosition, 2);
  EXPECT_EQ(acc.record_label(), 2);

  EXPECT_FALSE(acc.Button1Click());  // closing while adding
  EXPECT_EQ(LastInfo(), Sjis("保存、中止のどちらかを選択してください。"));

  Fill("work");
  EXPECT_FALSE(acc.Button4Click());
  EXPECT_EQ(LastInfo(), Sjis("同一のアカウント名が存在します。アカウント名を変えてください。"));
  EXPECT_TRUE(acc.add_mode());
  EXPECT_EQ(state.AccountList.size(), 1u);

  Fill("wor");
  acc.fields.SmtpPort.clear();
  EXPECT_FALSE(acc.Button4Click());  // saving needs both ports
  EXPECT_EQ(LastInfo(), Sjis("タイトルと必須項目だけは入力してください。"));
  acc.fields.SmtpPort = "587";
  ASSERT_TRUE(acc.Button4Click());
  EXPECT_FALSE(acc.add_mode());
  EXPECT_EQ(state.AccountList.size(), 2u);
  EXPECT_EQ(store::GetField(state.AccountList[1], 0), "wor");
  EXPECT_EQ(state.AccountPosition, 2);
  EXPECT_TRUE(DirExists(Folder("wor")));
}

TEST_F(AccountSettingsTest, CancellingAnAddReturnsToTheRecordBefore) {
  state.AccountList = {Line("a"), Line("b")};
  state.AccountPosition = 2;
  acc.Start();
  acc.Button2Click();
  Fill("c");
  acc.Button2Click();  // cancel
  EXPECT_FALSE(acc.add_mode());
  EXPECT_EQ(state.AccountPosition, 2);
  EXPECT_EQ(acc.fields.AccountName, "b");
  EXPECT_EQ(acc.record_label(), 2);
  EXPECT_EQ(state.AccountList.size(), 2u);
}

TEST_F(AccountSettingsTest, AddOnAFirstRunKeepsWhatWasTypedAndTheSaveAppendsIt) {
  acc.Start();
  Fill("first");
  acc.fields.Signature = {"sig"};
  acc.Button2Click();  // 追加 taken for "add this": nothing stored is shown, nothing is lost
  ASSERT_TRUE(acc.add_mode());
  EXPECT_EQ(acc.fields.AccountName, "first");
  EXPECT_EQ(acc.fields.OwnAddress, "first@example.test");
  EXPECT_EQ(acc.fields.Signature, std::vector<std::string>{"sig"});
  EXPECT_EQ(acc.record_label(), 1);
  ASSERT_TRUE(acc.Button4Click());
  ASSERT_EQ(state.AccountList.size(), 1u);
  EXPECT_EQ(store::GetField(state.AccountList[0], 0), "first");

  acc.Button2Click();  // a stored account is shown now: the fields empty for the next one
  EXPECT_TRUE(acc.fields.AccountName.empty());
  EXPECT_TRUE(acc.fields.Signature.empty());
  EXPECT_EQ(acc.fields.PopPort, "110");
}

TEST_F(AccountSettingsTest, CloseBeforeAnyAccountClosesOnlyWhenNothingWasTyped) {
  acc.Start();
  view.account_label = "before";
  ASSERT_TRUE(acc.Button1Click());  // just looking: nothing to make current
  EXPECT_TRUE(ui.Texts("info").empty());
  EXPECT_FALSE(state.fs.FileExists("Yubinko.ini"));
  EXPECT_FALSE(state.fs.FileExists("Account.ini"));
  EXPECT_EQ(view.account_label, "before");

  acc.fields.PopServer = "pop.half";  // half an account is still refused
  EXPECT_FALSE(acc.Button1Click());
  EXPECT_EQ(LastInfo(), Sjis("タイトルと必須項目だけは入力してください。"));

  state.AccountList = {Line("a")};  // with an account, empty fields are refused as before
  acc.fields = AccountFields();
  EXPECT_FALSE(acc.Button1Click());
  EXPECT_EQ(ui.Texts("info").size(), 2u);
}

TEST_F(AccountSettingsTest, CancellingAnAddOnAnEmptyListStillAppendsTheNextSave) {
  Fill("x");
  acc.Button2Click();
  acc.Button2Click();  // cancel: position 0, nothing to show
  EXPECT_EQ(state.AccountPosition, 0);
  EXPECT_FALSE(acc.add_mode());
  Fill("first");
  ASSERT_TRUE(acc.Button4Click());
  ASSERT_EQ(state.AccountList.size(), 1u);
  EXPECT_EQ(store::GetField(state.AccountList[0], 0), "first");
  EXPECT_EQ(state.AccountPosition, 1);
}

TEST_F(AccountSettingsTest, RenamingMovesTheDirectoryWithItsMailAndTheListedFolderFollows) {
  state.AccountList = {Line("old"), Line("other")};
  Write(Folder("old") + "MsgID.ini", "<m@x>\tsubject\tfrom\t2024/01/01_10:00:00\t10\t2\t1\r\n");
  Write(Folder("old") + "0m@x9.txt", "body");
  Write(Folder("old") + "Attachment\\0m@x9\\a.bin", "data");
  Write(Folder("old") + Sjis("仕事\\MsgID.ini"), "");
  Write(Folder("old") + "AlreadMsgID.ini", "<m@x>\r\n");
  state.AccountPosition = 1;
  state.current_folder = Folder("old") + Sjis("仕事\\");
  acc.Start();
  acc.fields.Signature = {"sig"};

  acc.fields.AccountName = "OTHER";  // another account's name in another case
  EXPECT_FALSE(acc.Button4Click());
  EXPECT_EQ(LastInfo(), Sjis("同一のアカウント名が存在します。アカウント名を変えてください。"));
  EXPECT_EQ(store::GetField(state.AccountList[0], 0), "old");
  EXPECT_TRUE(DirExists(Folder("old")));

  acc.fields.AccountName = Sjis("新しい表");
  ASSERT_TRUE(acc.Button4Click());
  const std::string renamed = Folder(Sjis("新しい表"));
  EXPECT_FALSE(DirExists(Folder("old")));
  EXPECT_EQ(Read(renamed + "0m@x9.txt"), "body");
  EXPECT_EQ(Read(renamed + "Attachment\\0m@x9\\a.bin"), "data");
  EXPECT_EQ(Read(renamed + "AlreadMsgID.ini"), "<m@x>\r\n");
  EXPECT_EQ(Read(renamed + "syomei.txt"), "sig\r\n");
  EXPECT_EQ(store::GetField(state.AccountList[0], 0), Sjis("新しい表"));
  EXPECT_EQ(state.current_folder, renamed + Sjis("仕事\\"));
  EXPECT_EQ(state.account_dir, renamed);
  EXPECT_EQ(view.selected_folder, state.current_folder);  // reselected after the rebuild

  acc.fields.AccountName = Sjis("新しい表").substr(0, 4) + "x";  // its own record: no conflict
  EXPECT_TRUE(acc.Button4Click());
}

TEST_F(AccountSettingsTest, DeletingRemovesTheStoredAccountsTreeAndTheFileFollowsAtOnce) {
  state.AccountList = {Line("a"), Line("b")};
  Write(Folder("a") + "0m@x9.txt", "mail of a");
  Write(Folder("b") + "0n@x9.txt", "mail of b");
  state.AccountPosition = 1;
  state.current_folder = Folder("a");
  acc.Start();

  ui.answers = {Answer::kNo};
  acc.Button3Click();
  EXPECT_EQ(state.AccountList.size(), 2u);
  EXPECT_TRUE(DirExists(Folder("a")));
  EXPECT_EQ(ui.Texts("warning").back(), Sjis("現在のアカウント及び\r\n"
                                             "同アカウントで受信したメール関係ファイル\r\n"
                                             "をすべて削除します。\r\n\r\n"
                                             "　　　よろしいですか？"));

  acc.fields.AccountName = "b";  // typed over, not saved: b's mail must survive
  ui.answers = {Answer::kYes};
  acc.Button3Click();
  EXPECT_FALSE(DirExists(Folder("a")));
  EXPECT_EQ(Read(Folder("b") + "0n@x9.txt"), "mail of b");
  ASSERT_EQ(state.AccountList.size(), 1u);
  EXPECT_EQ(store::GetField(state.AccountList[0], 0), "b");
  EXPECT_EQ(state.AccountPosition, 1);
  EXPECT_EQ(acc.fields.AccountName, "b");  // the remaining record is shown
  EXPECT_EQ(Read("Account.ini"), Line("b") + "\r\n");
  EXPECT_TRUE(state.current_folder.empty());  // the listed folder went with it

  // The last one: nothing may keep naming it, and closing the window leaves no trace of it.
  state.CurrentAccountName = "b";
  acc.Button1Click();
  std::string sender = "?";
  acc.AddSenderListener([&sender](const std::string& own) { sender = own; });
  ui.answers = {Answer::kYes};
  acc.Button3Click();
  EXPECT_TRUE(state.AccountList.empty());
  EXPECT_FALSE(DirExists(Folder("b")));
  EXPECT_EQ(Read("Account.ini"), "");  // rewritten: the account does not come back
  EXPECT_TRUE(DirExists(Sjis("受信\\")));
  EXPECT_EQ(acc.fields.AccountName, "");
  EXPECT_EQ(state.CurrentAccountName, "");
  EXPECT_EQ(store::LoadCurrentAccountName(state.fs).value_or("?"), "");
  EXPECT_EQ(state.POP.Host, "");
  EXPECT_EQ(state.POP.Username, "");
  EXPECT_EQ(view.account_label, "");
  EXPECT_EQ(sender, "");
  EXPECT_TRUE(acc.Button1Click());
  EXPECT_FALSE(DirExists(Folder("b")));
  EXPECT_EQ(view.account_label, "");
  acc.Button3Click();  // nothing left: no question
  EXPECT_EQ(ui.Texts("warning").size(), 3u);
}

TEST_F(AccountSettingsTest, DeleteWhileAddingTouchesNothing) {
  state.AccountList = {Line("a")};
  Write(Folder("a") + "0m@x9.txt", "mail");
  acc.Start();
  acc.Button2Click();  // add mode: Edit1 empty, position 2
  acc.Button3Click();
  EXPECT_TRUE(ui.Texts("warning").empty());
  EXPECT_EQ(Read(Folder("a") + "0m@x9.txt"), "mail");
  EXPECT_EQ(state.AccountList.size(), 1u);
}

TEST_F(AccountSettingsTest, NamesThatLeaveTheReceivedRootAreRefused) {
  Fill("..");
  EXPECT_FALSE(acc.Button4Click());
  Fill("..\\..\\evil");
  EXPECT_FALSE(acc.Button4Click());
  EXPECT_TRUE(state.AccountList.empty());
  EXPECT_FALSE(state.fs.DirectoryExists("evil"));
  EXPECT_EQ(ui.Texts("info").size(), 2u);
}

TEST_F(AccountSettingsTest, CloseAppliesTypedValuesAndStopsAtABadPortAfterTheSettingsFile) {
  state.AccountList = {Line("a")};
  acc.Start();
  acc.fields.AccountName = "typed";  // not saved
  acc.fields.PopServer = "pop.typed";
  ASSERT_TRUE(acc.Button1Click());
  EXPECT_EQ(Read("Yubinko.ini"), "typed\r\n");
  EXPECT_EQ(store::GetField(state.AccountList[0], 0), "a");  // the list keeps the saved record
  EXPECT_EQ(state.POP.Host, "pop.typed");
  EXPECT_EQ(view.account_label, "typed");
  EXPECT_NE(view.selected_folder, Folder("typed"));  // no node for an unsaved name

  acc.ShowRecord(1);
  acc.fields.PopPort = "11O";
  EXPECT_THROW(acc.Button1Click(), transport::EConvertError);
  EXPECT_EQ(Read("Yubinko.ini"), "a\r\n");  // done before the port was converted
  EXPECT_EQ(view.account_label, "typed");   // not reached

  acc.fields.Password = "p\tw";  // a typed TAB never reaches the record
  acc.fields.PopPort = "110";
  ASSERT_TRUE(acc.Button4Click());
  EXPECT_EQ(store::SplitRecord(state.AccountList[0]).size(), 9u);
  EXPECT_EQ(acc.fields.Password, "p w");
}

}  // namespace
}  // namespace accounts
