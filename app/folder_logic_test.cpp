// Folder-tree building, node texts and paths, emptying a folder and moving records.
#include "app/folder_logic.h"

#include <gtest/gtest.h>

#include "app/message_logic.h"
#include "app/test_store.h"

namespace app {
namespace {

using testing::P;
using testing::Rec;
using testing::TestStore;

const FolderNode* Child(const FolderNode& n, const std::string& name) {
  for (const auto& c : n.children) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

TEST(FolderLogicTest, TreeHasCountsSkipsAttachmentAndWritesMissingIndexes) {
  TestStore s;
  s.WriteLines("受信\\acc\\MsgID.ini",
               {Rec("<1>", "a", "1"), Rec("<2>", "b", "1"), Rec("<3>", "c", "1"),
                Rec("<4>", "d", "2"), Rec("<5>", "e", "3")});
  s.WriteLines("受信\\acc\\表示\\MsgID.ini", {Rec("<6>", "f", "2")});
  s.Write("受信\\acc\\Attachment\\0109\\x.txt", "x");
  s.Write("受信\\acc\\表示\\Attachment\\Attachment\\y.txt", "y");
  s.fs().ForceDirectories(P("受信\\other\\"));

  FolderNode root = BuildFolderTree(s.fs());
  EXPECT_EQ(root.name, P("受信"));
  ASSERT_EQ(root.children.size(), 2u);
  const FolderNode* acc = Child(root, "acc");
  ASSERT_NE(acc, nullptr);
  EXPECT_EQ(acc->unread, 3);
  EXPECT_EQ(NodeText(acc->name, acc->unread), "acc\t(3)");
  ASSERT_EQ(acc->children.size(), 1u);  // "Attachment" is no folder
  EXPECT_EQ(acc->children[0].name, P("表示"));
  EXPECT_EQ(acc->children[0].unread, 0);
  EXPECT_TRUE(acc->children[0].children.empty());
  EXPECT_EQ(NodeText(acc->children[0].name, 0), P("表示"));
  const FolderNode* other = Child(root, "other");
  ASSERT_NE(other, nullptr);
  EXPECT_TRUE(s.Exists("受信\\other\\MsgID.ini"));
  EXPECT_FALSE(s.Exists("受信\\acc\\Attachment\\MsgID.ini"));
}

TEST(FolderLogicTest, NodeTextsAndPathsSurviveTrailBytes) {
  EXPECT_EQ(NodeName("name\t(12)"), "name");
  EXPECT_EQ(NodeCount("name\t(12)"), 12);
  EXPECT_EQ(NodeCount("name"), 0);
  EXPECT_EQ(NodeText("x", 0), "x");
  // 表 ends with the byte 0x5C; it must not be read as a separator.
  const std::string hyo = P("表");
  EXPECT_EQ(FolderPath({hyo, "sub"}), P("受信\\表\\sub\\"));
  EXPECT_EQ(AccountDirOf(P("受信\\表\\sub\\")), P("受信\\表\\"));
  EXPECT_EQ(AccountDirOf(P("受信\\acc\\")), P("受信\\acc\\"));
}

class FolderMoveTest : public ::testing::Test {
 protected:
  FolderMoveTest() : state(s.path()) {
    s.WriteLines("受信\\acc\\MsgID.ini", {Rec("<m1@x>", "one", "1"), Rec("<m2@x>", "two", "2")});
    s.WriteLines("受信\\acc\\AlreadMsgID.ini", {"<m1@x>", "<m2@x>"});
    s.Write("受信\\acc\\0m1@x9.txt", "body1");
    s.Write("受信\\acc\\Attachment\\0m1@x9\\a.txt", "att");
    s.Write("受信\\acc\\0m2@x9.txt", "body2");
    state.current_folder = P("受信\\acc\\");
    state.account_dir = state.current_folder;
    state.folder_index.Load(state.fs, IndexPath(state.current_folder));
    state.received_keys.Load(state.fs, KeysPath(state.account_dir));
  }
  TestStore s;
  MainState state;
};

TEST_F(FolderMoveTest, MoveAcrossAccountsMovesFilesRecordsAndKeys) {
  MoveResult r = MoveRecords(state, {Rec("<m1@x>", "one", "1"), Rec("<gone>", "x", "1")},
                             P("受信\\two\\inbox\\"));
  EXPECT_EQ(r.moved_keys, std::vector<std::string>{"<m1@x>"});  // unknown record skipped
  EXPECT_EQ(r.source_unread, 0);
  EXPECT_EQ(r.target_unread, 1);
  EXPECT_FALSE(s.Exists("受信\\acc\\0m1@x9.txt"));
  EXPECT_TRUE(s.Exists("受信\\two\\inbox\\0m1@x9.txt"));
  EXPECT_TRUE(s.Exists("受信\\two\\inbox\\Attachment\\0m1@x9\\a.txt"));
  EXPECT_EQ(s.Lines("受信\\acc\\MsgID.ini"), std::vector<std::string>{Rec("<m2@x>", "two", "2")});
  EXPECT_EQ(s.Lines("受信\\two\\inbox\\MsgID.ini"),
            std::vector<std::string>{Rec("<m1@x>", "one", "1")});
  EXPECT_EQ(s.Lines("受信\\acc\\AlreadMsgID.ini"), std::vector<std::string>{"<m2@x>"});
  EXPECT_EQ(s.Lines("受信\\two\\AlreadMsgID.ini"), std::vector<std::string>{"<m1@x>"});
}

TEST_F(FolderMoveTest, MoveWithinAnAccountKeepsTheKeysAndAppendsToTheTarget) {
  s.WriteLines("受信\\acc\\sub\\MsgID.ini", {Rec("<z@x>", "zz", "2")});
  MoveRecords(state, {Rec("<m2@x>", "two", "2")}, P("受信\\acc\\sub\\"));
  EXPECT_EQ(s.Lines("受信\\acc\\AlreadMsgID.ini"), (std::vector<std::string>{"<m1@x>", "<m2@x>"}));
  // The target is read as it is and the moved record appended.
  EXPECT_EQ(s.Lines("受信\\acc\\sub\\MsgID.ini"),
            (std::vector<std::string>{Rec("<z@x>", "zz", "2"), Rec("<m2@x>", "two", "2")}));
  EXPECT_TRUE(s.Exists("受信\\acc\\sub\\0m2@x9.txt"));
}

TEST_F(FolderMoveTest, MoveOntoAFileOfTheSameStemReplacesItAndItsAttachments) {
  // "<m1@x>" and "< m1@x>" share a stem: the target already holds the other key's files.
  s.WriteLines("受信\\acc\\sub\\MsgID.ini", {Rec("< m1@x>", "old", "2")});
  s.Write("受信\\acc\\sub\\0m1@x9.txt", "old body");
  s.Write("受信\\acc\\sub\\Attachment\\0m1@x9\\old.bin", "old");
  MoveRecords(state, {Rec("<m1@x>", "one", "1")}, P("受信\\acc\\sub\\"));
  EXPECT_FALSE(s.Exists("受信\\acc\\0m1@x9.txt"));  // nothing left behind in the source
  EXPECT_EQ(*s.fs().ReadFile(P("受信\\acc\\sub\\0m1@x9.txt")), "body1");
  EXPECT_FALSE(s.DirExists("受信\\acc\\Attachment\\0m1@x9\\"));
  EXPECT_TRUE(s.Exists("受信\\acc\\sub\\Attachment\\0m1@x9\\a.txt"));
  EXPECT_FALSE(s.Exists("受信\\acc\\sub\\Attachment\\0m1@x9\\old.bin"));
}

TEST_F(FolderMoveTest, EmptyingAFolderForgetsItsKeysAndItsSubfolders) {
  s.WriteLines("受信\\acc\\sub\\MsgID.ini", {Rec("<s@x>", "s", "2")});
  s.WriteLines("受信\\acc\\AlreadMsgID.ini", {"<m1@x>", "<m2@x>", "<s@x>", "<keep@x>"});
  state.received_keys.Load(state.fs, KeysPath(state.account_dir));
  s.Write("受信\\acc\\syomei.txt", "sig");
  EmptyFolder(state, state.current_folder);
  EXPECT_EQ(state.received_keys.lines(), std::vector<std::string>{"<keep@x>"});
  EXPECT_TRUE(state.folder_index.empty());
  EXPECT_TRUE(s.Lines("受信\\acc\\MsgID.ini").empty());
  EXPECT_TRUE(s.Exists("受信\\acc\\MsgID.ini"));
  EXPECT_FALSE(s.Exists("受信\\acc\\0m1@x9.txt"));
  EXPECT_FALSE(s.DirExists("受信\\acc\\sub\\"));
  // The account's own files outlive the emptying; the key list no longer has the keys.
  EXPECT_EQ(*s.fs().ReadFile(P("受信\\acc\\syomei.txt")), "sig");
  EXPECT_EQ(s.Lines("受信\\acc\\AlreadMsgID.ini"), std::vector<std::string>{"<keep@x>"});
}

TEST_F(FolderMoveTest, EmptyingTheFolderAboveTheListedOneLetsTheListedIndexGo) {
  s.WriteLines("受信\\acc\\sub\\MsgID.ini", {Rec("<s@x>", "s", "1")});
  s.Write("受信\\acc\\sub\\0s@x9.txt", "s");
  state.current_folder = P("受信\\acc\\sub\\");
  state.folder_index.Load(state.fs, IndexPath(state.current_folder));
  EmptyFolder(state, P("受信\\acc\\"));
  EXPECT_EQ(state.current_folder, P("受信\\acc\\"));
  EXPECT_TRUE(state.folder_index.empty());
  // A later save of the loaded index must not bring the removed subfolder back.
  state.folder_index.Save(state.fs, IndexPath(state.current_folder));
  EXPECT_FALSE(s.DirExists("受信\\acc\\sub\\"));
  EXPECT_TRUE(s.Lines("受信\\acc\\MsgID.ini").empty());
}

TEST_F(FolderMoveTest, EmptyingASubfolderOfTheLoadedAccountSavesTheForgottenKeys) {
  s.WriteLines("受信\\acc\\sub\\MsgID.ini", {Rec("<s@x>", "s", "2")});
  s.WriteLines("受信\\acc\\AlreadMsgID.ini", {"<m1@x>", "<m2@x>", "<s@x>"});
  state.received_keys.Load(state.fs, KeysPath(state.account_dir));
  EmptyFolder(state, P("受信\\acc\\sub\\"));
  EXPECT_EQ(state.received_keys.size(), 2);
  // On disk too: nothing would save the list before the program ends.
  EXPECT_EQ(s.Lines("受信\\acc\\AlreadMsgID.ini"), (std::vector<std::string>{"<m1@x>", "<m2@x>"}));
  EXPECT_EQ(state.folder_index.size(), 2);  // the listed account folder is untouched
}

TEST_F(FolderMoveTest, EmptyingAFolderOfAnotherAccountLeavesTheListedOneAlone) {
  s.WriteLines("受信\\two\\MsgID.ini", {Rec("<t@x>", "t", "1")});
  s.WriteLines("受信\\two\\AlreadMsgID.ini", {"<t@x>", "<u@x>"});
  s.Write("受信\\two\\0t@x9.txt", "t");
  EmptyFolder(state, P("受信\\two\\"));
  EXPECT_EQ(state.folder_index.size(), 2);  // the listed folder's index is untouched
  EXPECT_EQ(state.received_keys.size(), 2);
  EXPECT_FALSE(s.Exists("受信\\two\\0t@x9.txt"));
  EXPECT_EQ(s.Lines("受信\\two\\AlreadMsgID.ini"), std::vector<std::string>{"<u@x>"});
  EXPECT_TRUE(s.Lines("受信\\two\\MsgID.ini").empty());
}

}  // namespace
}  // namespace app
