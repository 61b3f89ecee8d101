// The rule run on a real store in a temporary application directory.
#include "rules/rule_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/codepage.h"
#include "platform/testing/temp_app_dir.h"
#include "state/testing/fake_main_view.h"
#include "store/paths.h"

namespace rules {
namespace {

using platform::Sjis;

class RuleRunTest : public ::testing::Test {
 protected:
  const std::string acct = Sjis("受信\\acct\\");
  const std::string sub = Sjis("受信\\acct\\sub\\deep\\");
  const std::string other = Sjis("受信\\other\\");

  // Writes the message file and an attachment directory with one file; returns the record.
  std::string Message(const std::string& folder, const std::string& key, const std::string& subject,
                      const std::string& sender, const char* state = "2") {
    st.fs.ForceDirectories(folder);
    st.fs.WriteFileAtomic(store::MessageFilePath(folder, key), "body of " + key);
    const std::string attachments = store::AttachmentDirectory(folder, key);
    st.fs.ForceDirectories(attachments);
    st.fs.WriteFileAtomic(attachments + "a.txt", key);
    return key + "\t" + subject + "\t" + sender + "\t46000.5\t100\t1\t" + state;
  }
  void Index(const std::string& folder, const std::vector<std::string>& records) {
    state::SaveLines(st.fs, store::FolderIndexPath(folder), records);
  }
  std::vector<std::string> IndexOf(const std::string& folder) {
    return state::LoadLines(st.fs, store::FolderIndexPath(folder));
  }
  bool HasFiles(const std::string& folder, const std::string& key) {
    return st.fs.FileExists(store::MessageFilePath(folder, key)) &&
           st.fs.FileExists(store::AttachmentDirectory(folder, key) + "a.txt");
  }
  // The folder becomes the current one, as listing it in the main window does.
  void Open(const std::string& folder) {
    st.current_folder = folder;
    st.account_dir = store::AccountDirectory(folder);
    st.folder_index.Load(st.fs, store::FolderIndexPath(folder));
    st.received_keys.Load(st.fs, store::ReceivedKeysPath(st.account_dir));
  }
  void Rules(const std::vector<std::string>& lines) { SaveRuleLines(st.fs, lines); }
  // Every record an index lists has its message file.
  void ExpectIndexMatchesFiles(const std::string& folder) {
    for (const std::string& record : IndexOf(folder)) {
      EXPECT_TRUE(st.fs.FileExists(store::MessageFilePath(folder, store::GetField(record, 0))))
          << record;
    }
  }

  platform::testing::TempAppDir dir;
  state::MainState st{dir.path()};
  state::testing::FakeMainView view{&st};
};

TEST_F(RuleRunTest, MovesIntoNestedAndOtherAccountFoldersKeepingState) {
  const std::string a = Message(acct, "<a@x>", Sjis("会議のお知らせ"), "boss@x", "1");
  const std::string b = Message(acct, "<b@x>", "hello", "taro@x", "2");
  const std::string c = Message(acct, "<c@x>", "plain", "nobody@x");
  const std::string d = Message(acct, "<d@x>", Sjis("会議"), "taro@x", "3");
  Index(acct, {a, b, c, d});
  const std::string held = Message(other, "<old@x>", "old", "old@x");
  Index(other, {held});
  st.fs.WriteFileAtomic(Sjis("受信\\other\\AlreadMsgID.ini"), "<old@x>\r\n");
  Rules({Sjis("件名\t会議\tacct\\sub\\deep"), Sjis("差出人\ttaro\tother")});
  Open(acct);

  RunResult result = ApplyRulesToCurrentFolder(st, view);
  EXPECT_EQ(result.moved, 3);

  // <d@x> matches both rules; the first wins. The missing nested folder was created.
  std::vector<std::string> deep = IndexOf(sub);
  std::sort(deep.begin(), deep.end());
  EXPECT_EQ(deep, (std::vector<std::string>{a, d}));
  EXPECT_EQ(IndexOf(other), (std::vector<std::string>{held, b}));  // appended after its own
  EXPECT_EQ(IndexOf(acct), (std::vector<std::string>{c}));
  EXPECT_EQ(st.folder_index.lines(), (std::vector<std::string>{c}));
  EXPECT_EQ(view.rows, (std::vector<std::string>{c}));
  for (const char* key : {"<a@x>", "<d@x>"}) EXPECT_TRUE(HasFiles(sub, key)) << key;
  EXPECT_TRUE(HasFiles(other, "<b@x>"));
  EXPECT_TRUE(HasFiles(acct, "<c@x>"));
  EXPECT_FALSE(st.fs.FileExists(store::MessageFilePath(acct, "<a@x>")));
  EXPECT_FALSE(st.fs.DirectoryExists(store::AttachmentDirectory(acct, "<b@x>")));
  // The other account's received-key list is left alone.
  EXPECT_EQ(*st.fs.ReadFile(Sjis("受信\\other\\AlreadMsgID.ini")), "<old@x>\r\n");
  // The unread message counts on its new folder's node.
  EXPECT_EQ(view.node_counts[Sjis("acct\\sub\\deep")], 1);
}

TEST_F(RuleRunTest, DeleteRuleRemovesFilesAndForgetsKeysInMemory) {
  const std::string a = Message(acct, "<a@x>", "spam offer", "s@x");
  const std::string b = Message(acct, "<B@x>", "hi", "friend@x");
  const std::string c = Message(acct, "<c@x>", "more spam", "s@x");
  Index(acct, {a, b, c});
  st.fs.WriteFileAtomic(Sjis("受信\\acct\\AlreadMsgID.ini"), "<a@x>\r\n<b@x>\r\n<C@X>\r\n");
  Rules({Sjis("件名\tspam\t削除")});
  Open(acct);

  RunResult result = ApplyRulesToCurrentFolder(st, view);
  EXPECT_EQ(result.deleted, 2);
  EXPECT_EQ(IndexOf(acct), (std::vector<std::string>{b}));
  EXPECT_TRUE(HasFiles(acct, "<B@x>"));
  for (const char* key : {"<a@x>", "<c@x>"}) {
    EXPECT_FALSE(st.fs.FileExists(store::MessageFilePath(acct, key)));
    EXPECT_FALSE(st.fs.DirectoryExists(store::AttachmentDirectory(acct, key)));
  }
  // Keys compare without case; the list on disk is written by the next save.
  EXPECT_EQ(st.received_keys.lines(), (std::vector<std::string>{"<b@x>"}));
  EXPECT_EQ(*st.fs.ReadFile(Sjis("受信\\acct\\AlreadMsgID.ini")), "<a@x>\r\n<b@x>\r\n<C@X>\r\n");
}

TEST_F(RuleRunTest, RuleForTheCurrentFolderAndMissingRuleFileKeepEverything) {
  const std::string a = Message(acct, "<a@x>", "x", "y");
  Index(acct, {a});
  Open(acct);
  EXPECT_EQ(ApplyRulesToCurrentFolder(st, view).moved, 0);  // no rule.ini
  EXPECT_EQ(IndexOf(acct), (std::vector<std::string>{a}));

  Rules({Sjis("件名\tx\tacct")});
  RunResult result = ApplyRulesToCurrentFolder(st, view);
  EXPECT_EQ(result.kept, 1);
  EXPECT_EQ(IndexOf(acct), (std::vector<std::string>{a}));
  EXPECT_TRUE(HasFiles(acct, "<a@x>"));
}

TEST_F(RuleRunTest, NoListedFolderWritesNoIndexAnywhere) {
  Rules({Sjis("件名\tx\t削除"), Sjis("件名\ty\tacct")});
  st.folder_index.Add(Message(acct, "<a@x>", "x", "y"));  // stray records, no folder
  EXPECT_EQ(ApplyRulesToCurrentFolder(st, view).deleted, 0);
  EXPECT_FALSE(st.fs.FileExists(store::FolderIndexPath("")));
  EXPECT_FALSE(st.fs.FileExists(store::FolderIndexPath(acct)));
  EXPECT_TRUE(HasFiles(acct, "<a@x>"));
}

TEST_F(RuleRunTest, ListingTheFolderAfterwardsLeavesServerSentAndSearchViews) {
  const std::string a = Message(acct, "<a@x>", "keep", "y");
  Index(acct, {a});
  Open(acct);
  for (bool state::MainState::*flag : {&state::MainState::deletion_mode,
                                       &state::MainState::sent_view,
                                       &state::MainState::extraction_view}) {
    st.*flag = true;
    view.mode.clear();
    view.rows = {"<server row>"};
    ApplyRulesToCurrentFolder(st, view);
    EXPECT_FALSE(st.deletion_mode || st.sent_view || st.extraction_view);
    EXPECT_EQ(view.mode, Sjis("通常"));
    EXPECT_EQ(view.rows, (std::vector<std::string>{a}));
  }
  // From the plain folder view the mode label is left alone.
  view.mode.clear();
  ApplyRulesToCurrentFolder(st, view);
  EXPECT_EQ(view.mode, "");
}

TEST_F(RuleRunTest, ReplacesARecordOfTheSameKeyInTheTarget) {
  const std::string a = Message(acct, "<a@x>", "x", "y", "1");
  Index(acct, {a});
  const std::string stale = Message(other, "<A@x>", "old copy", "y", "2");
  Index(other, {stale});
  Rules({Sjis("件名\tx\tother")});
  Open(acct);
  ApplyRulesToCurrentFolder(st, view);
  EXPECT_EQ(IndexOf(other), (std::vector<std::string>{a}));
  EXPECT_EQ(*st.fs.ReadFile(store::MessageFilePath(other, "<a@x>")), "body of <a@x>");
}

TEST_F(RuleRunTest, TargetThatCannotBeCreatedPutsEverythingBack) {
  // Records are handled last first: <z@x> goes to "other" before <a@x> meets the file
  // that stands where its folder should be.
  const std::string a = Message(acct, "<a@x>", "to-blocked", "y");
  const std::string k = Message(acct, "<k@x>", "spam", "y");
  const std::string z = Message(acct, "<z@x>", "to-other", "y");
  Index(acct, {a, k, z});
  const std::string held = Message(other, "<old@x>", "old", "old@x");
  Index(other, {held});
  st.fs.WriteFileAtomic(Sjis("受信\\blocked"), "not a folder");
  Rules({Sjis("件名\tto-other\tother"), Sjis("件名\tto-blocked\tblocked\\in"),
         Sjis("件名\tspam\t削除")});
  Open(acct);

  EXPECT_THROW(ApplyRulesToCurrentFolder(st, view), platform::FileError);
  EXPECT_EQ(IndexOf(acct), (std::vector<std::string>{a, k, z}));
  EXPECT_EQ(st.folder_index.lines(), (std::vector<std::string>{a, k, z}));
  EXPECT_EQ(IndexOf(other), (std::vector<std::string>{held}));
  for (const char* key : {"<a@x>", "<k@x>", "<z@x>"}) EXPECT_TRUE(HasFiles(acct, key)) << key;
  EXPECT_FALSE(st.fs.FileExists(store::MessageFilePath(other, "<z@x>")));
  ExpectIndexMatchesFiles(other);
}

TEST_F(RuleRunTest, FolderIndexThatCannotBeWrittenPutsEverythingBack) {
  const std::string a = Message(acct, "<a@x>", "move", "y");
  const std::string b = Message(acct, "<b@x>", "spam", "y");
  Index(acct, {a, b});
  Rules({Sjis("件名\tmove\tother\\new"), Sjis("件名\tspam\t削除")});
  Open(acct);
  // A directory where the index file is makes its save fail after the moves.
  const std::filesystem::path index_file = st.fs.Native(store::FolderIndexPath(acct));
  std::filesystem::remove(index_file);
  std::filesystem::create_directories(index_file / "x");

  EXPECT_THROW(ApplyRulesToCurrentFolder(st, view), platform::FileError);
  EXPECT_EQ(st.folder_index.lines(), (std::vector<std::string>{a, b}));
  EXPECT_TRUE(HasFiles(acct, "<a@x>"));
  EXPECT_TRUE(HasFiles(acct, "<b@x>"));  // not deleted before the index lets it go
  EXPECT_TRUE(IndexOf(Sjis("受信\\other\\new\\")).empty());
  ExpectIndexMatchesFiles(Sjis("受信\\other\\new\\"));
}

TEST_F(RuleRunTest, MessageWhoseFileCannotMoveStaysWithItsRecord) {
  const std::string a = Message(acct, "<a@x>", "move", "y");
  const std::string b = Message(acct, "<b@x>", "move", "y");
  Index(acct, {a, b});
  // A directory in the target with the name of <a@x>'s file.
  std::filesystem::create_directories(st.fs.Native(store::MessageFilePath(other, "<a@x>")) / "x");
  Rules({Sjis("件名\tmove\tother")});
  Open(acct);

  EXPECT_EQ(ApplyRulesToCurrentFolder(st, view).moved, 1);
  EXPECT_EQ(IndexOf(acct), (std::vector<std::string>{a}));
  EXPECT_EQ(IndexOf(other), (std::vector<std::string>{b}));
  EXPECT_TRUE(HasFiles(acct, "<a@x>"));
  EXPECT_TRUE(HasFiles(other, "<b@x>"));
}

TEST_F(RuleRunTest, UnsafeRulePathsNeverMoveMailOutOfTheReceivedRoot) {
  const std::string a = Message(acct, "<a@x>", "x", "y");
  Index(acct, {a});
  Rules({Sjis("件名\tx\t..\\..\\escaped"), Sjis("件名\tx\t/tmp/escaped"), Sjis("件名\tx"),
         Sjis("件名\tx\tC:\\escaped"), Sjis("件名\tx\tacct\\..\\..\\..\\escaped")});
  Open(acct);
  ApplyRulesToCurrentFolder(st, view);
  EXPECT_EQ(IndexOf(acct), (std::vector<std::string>{a}));
  EXPECT_TRUE(HasFiles(acct, "<a@x>"));
  EXPECT_FALSE(std::filesystem::exists(dir.path().parent_path() / "escaped"));
}

}  // namespace
}  // namespace rules
