#include "store/message_ops.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/testing/temp_app_dir.h"
#include "store/message_key.h"
#include "store/paths.h"
#include "store/record.h"
#include "store/startup.h"

namespace store {
namespace {

using platform::Sjis;

std::string Record(const std::string& key, const std::string& state) {
  return JoinRecord({key, "subject", "from", "2005/09/01_09:30:05", "10", "1", state});
}

// Two accounts whose names end in the byte 0x5C, with a user folder in the first.
class MessageOpsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const std::string& folder : {acct1_, sub1_, acct2_}) fs_.ForceDirectories(folder);
    IndexList keys;
    keys.Add("<m1@x>");
    keys.Add("<m2@x>");
    keys.Save(fs_, ReceivedKeysPath(acct1_));
    IndexList index;
    index.Add(Record("<m1@x>", "1"));
    index.Add(Record("<m2@x>", "2"));
    index.Save(fs_, FolderIndexPath(acct1_));
    for (const char* key : {"<m1@x>", "<m2@x>"}) {
      fs_.WriteFileAtomic(MessageFilePath(acct1_, key), std::string("body of ") + key);
      fs_.ForceDirectories(AttachmentDirectory(acct1_, key));
      fs_.WriteFileAtomic(AttachmentDirectory(acct1_, key) + Sjis("表.txt"), "att");
    }
    source_index_.Load(fs_, FolderIndexPath(acct1_));
    source_keys_.Load(fs_, ReceivedKeysPath(acct1_));
  }

  IndexList LoadIndex(const std::string& path) {
    IndexList list;
    list.Load(fs_, path);
    return list;
  }

  platform::testing::TempAppDir dir_;
  platform::FileSystem fs_{dir_.path()};
  const std::string acct1_ = AccountFolder(Sjis("表ソ"));
  const std::string sub1_ = acct1_ + Sjis("能力\\");
  const std::string acct2_ = AccountFolder(Sjis("能"));
  IndexList source_index_;
  IndexList source_keys_;
};

TEST_F(MessageOpsTest, RemoveReceivedMessageRemovesFilesRecordAndKey) {
  EXPECT_TRUE(RemoveReceivedMessage(fs_, acct1_, acct1_, "<M1@X>", source_index_, source_keys_));
  EXPECT_FALSE(fs_.FileExists(MessageFilePath(acct1_, "<m1@x>")));
  EXPECT_FALSE(fs_.DirectoryExists(AttachmentDirectory(acct1_, "<m1@x>")));
  EXPECT_TRUE(fs_.FileExists(MessageFilePath(acct1_, "<m2@x>")));
  EXPECT_EQ(LoadIndex(FolderIndexPath(acct1_)).lines(), (std::vector{Record("<m2@x>", "2")}));
  EXPECT_EQ(LoadIndex(ReceivedKeysPath(acct1_)).lines(), (std::vector<std::string>{"<m2@x>"}));

  // A key that is nowhere still saves both lists and reports that nothing was listed.
  EXPECT_FALSE(RemoveReceivedMessage(fs_, acct1_, acct1_, "<gone@x>", source_index_, source_keys_));
  EXPECT_EQ(source_index_.size(), 1u);
}

TEST_F(MessageOpsTest, RemoveSentMessage) {
  IndexList sent;
  sent.Add(JoinRecord({"<s1@x>", "subj", "to", "2005/09/01_093005", "#", "2", "#"}));
  sent.Add(JoinRecord({"<s2@x>", "subj", "to", "2005/09/01_093006", "#", "2", "#"}));
  fs_.ForceDirectories(SentFolder());
  fs_.WriteFileAtomic(MessageFilePath(SentFolder(), "<s1@x>"), "x");
  EXPECT_TRUE(RemoveSentMessage(fs_, "<S1@x>", sent));
  EXPECT_FALSE(fs_.FileExists(MessageFilePath(SentFolder(), "<s1@x>")));
  EXPECT_EQ(LoadIndex(SentIndexPath()).size(), 1u);
  EXPECT_EQ(GetField(LoadIndex(SentIndexPath())[0], 0), "<s2@x>");
}

TEST_F(MessageOpsTest, MoveWithinAnAccountKeepsTheKeys) {
  MessageMover mover(fs_, acct1_, source_index_, source_keys_, sub1_);
  EXPECT_FALSE(mover.CrossesAccounts());
  EXPECT_TRUE(fs_.FileExists(FolderIndexPath(sub1_)));  // the missing index is written
  EXPECT_TRUE(mover.Move("<m1@x>"));
  EXPECT_FALSE(mover.Move("<m1@x>"));  // no longer in the source
  mover.SaveAll();

  EXPECT_EQ(LoadIndex(FolderIndexPath(sub1_)).lines(), (std::vector{Record("<m1@x>", "1")}));
  EXPECT_EQ(LoadIndex(FolderIndexPath(acct1_)).lines(), (std::vector{Record("<m2@x>", "2")}));
  EXPECT_EQ(*fs_.ReadFile(MessageFilePath(sub1_, "<m1@x>")), "body of <m1@x>");
  EXPECT_FALSE(fs_.FileExists(MessageFilePath(acct1_, "<m1@x>")));
  EXPECT_EQ(*fs_.ReadFile(AttachmentDirectory(sub1_, "<m1@x>") + Sjis("表.txt")), "att");
  EXPECT_FALSE(fs_.DirectoryExists(AttachmentDirectory(acct1_, "<m1@x>")));
  EXPECT_EQ(LoadIndex(ReceivedKeysPath(acct1_)).size(), 2u);
  EXPECT_FALSE(fs_.FileExists(ReceivedKeysPath(sub1_)));
}

TEST_F(MessageOpsTest, MoveAcrossAccountsMovesTheKey) {
  // The target account has a list already; the target folder's index is appended to as
  // it is on disk.
  fs_.WriteFileAtomic(ReceivedKeysPath(acct2_), "<other@x>\r\n");
  fs_.WriteFileAtomic(FolderIndexPath(acct2_), Record("<z@x>", "2") + "\r\n");
  MessageMover mover(fs_, acct1_, source_index_, source_keys_, acct2_);
  EXPECT_TRUE(mover.CrossesAccounts());
  EXPECT_TRUE(mover.Move("<m2@x>"));
  mover.SaveAll();

  EXPECT_EQ(*fs_.ReadFile(FolderIndexPath(acct2_)),
            Record("<z@x>", "2") + "\r\n" + Record("<m2@x>", "2") + "\r\n");
  EXPECT_EQ(LoadIndex(ReceivedKeysPath(acct1_)).lines(), (std::vector<std::string>{"<m1@x>"}));
  EXPECT_EQ(LoadIndex(ReceivedKeysPath(acct2_)).lines(),
            (std::vector<std::string>{"<m2@x>", "<other@x>"}));
  EXPECT_TRUE(fs_.FileExists(MessageFilePath(acct2_, "<m2@x>")));
  EXPECT_TRUE(fs_.DirectoryExists(AttachmentDirectory(acct2_, "<m2@x>")));
}

TEST_F(MessageOpsTest, MoveAcrossAccountsCreatesMissingLists) {
  MessageMover mover(fs_, acct1_, source_index_, source_keys_, acct2_);
  EXPECT_TRUE(fs_.FileExists(ReceivedKeysPath(acct2_)));
  EXPECT_TRUE(fs_.FileExists(FolderIndexPath(acct2_)));
  // The rule run moves records and files but leaves the key lists alone.
  EXPECT_TRUE(mover.Move("<m1@x>", /*move_keys=*/false));
  mover.SaveTargetIndex();
  mover.SaveSourceIndex();
  EXPECT_EQ(LoadIndex(ReceivedKeysPath(acct1_)).size(), 2u);
  EXPECT_TRUE(LoadIndex(ReceivedKeysPath(acct2_)).empty());
  EXPECT_EQ(LoadIndex(FolderIndexPath(acct2_)).size(), 1u);
}

TEST_F(MessageOpsTest, MoveReplacesFilesOfTheSameStemInTheTarget) {
  fs_.ForceDirectories(AttachmentDirectory(sub1_, "<m1@x>"));
  fs_.WriteFileAtomic(AttachmentDirectory(sub1_, "<m1@x>") + "old.txt", "old");
  fs_.WriteFileAtomic(MessageFilePath(sub1_, "<m1@x>"), "old body");
  MessageMover mover(fs_, acct1_, source_index_, source_keys_, sub1_);
  EXPECT_TRUE(mover.Move("<m1@x>"));
  EXPECT_EQ(*fs_.ReadFile(MessageFilePath(sub1_, "<m1@x>")), "body of <m1@x>");
  EXPECT_TRUE(fs_.FileExists(AttachmentDirectory(sub1_, "<m1@x>") + Sjis("表.txt")));
  EXPECT_FALSE(fs_.FileExists(AttachmentDirectory(sub1_, "<m1@x>") + "old.txt"));
  EXPECT_FALSE(fs_.DirectoryExists(AttachmentDirectory(acct1_, "<m1@x>")));
}

TEST_F(MessageOpsTest, MoveIntoAFolderListingTheKeyKeepsOneRecord) {
  // The target already lists the key (in another letter case) with its own state.
  IndexList target;
  target.Add(Record("<M1@X>", "3"));
  target.Add(Record("<other@x>", "1"));
  target.Save(fs_, FolderIndexPath(sub1_));
  fs_.WriteFileAtomic(MessageFilePath(sub1_, "<M1@X>"), "old body");
  MessageMover mover(fs_, acct1_, source_index_, source_keys_, sub1_);
  EXPECT_TRUE(mover.Move("<m1@x>"));
  mover.SaveAll();
  IndexList saved(IndexList::Order::kAsLoaded);
  saved.Load(fs_, FolderIndexPath(sub1_));
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved.Find("<m1@x>"), saved.Find("<M1@X>"));
  EXPECT_EQ(saved[static_cast<size_t>(saved.Find("<m1@x>"))], Record("<m1@x>", "1"));
  EXPECT_EQ(*fs_.ReadFile(MessageFilePath(sub1_, "<m1@x>")), "body of <m1@x>");
  EXPECT_FALSE(fs_.FileExists(MessageFilePath(sub1_, "<M1@X>")));  // no file without a record
  EXPECT_GE(saved.Find("<other@x>"), 0);
}

TEST_F(MessageOpsTest, MoveOntoTheSameFolderChangesNothing) {
  MessageMover mover(fs_, acct1_, source_index_, source_keys_, acct1_);
  EXPECT_FALSE(mover.Move("<m1@x>"));
  EXPECT_EQ(source_index_.size(), 2u);
  EXPECT_TRUE(fs_.FileExists(MessageFilePath(acct1_, "<m1@x>")));
}

TEST_F(MessageOpsTest, DirectoryTreeOperations) {
  EXPECT_TRUE(MoveDirectoryTree(fs_, sub1_, acct2_ + Sjis("移動\\深い\\")));
  EXPECT_FALSE(fs_.DirectoryExists(sub1_));
  EXPECT_TRUE(fs_.DirectoryExists(acct2_ + Sjis("移動\\深い\\")));
  EXPECT_FALSE(MoveDirectoryTree(fs_, sub1_, acct2_ + "x\\"));  // source gone

  EXPECT_TRUE(DeleteDirectoryTree(fs_, acct1_));
  EXPECT_FALSE(fs_.DirectoryExists(acct1_));
  EXPECT_FALSE(DeleteDirectoryTree(fs_, acct1_));
  EXPECT_FALSE(DeleteDirectoryTree(fs_, ""));  // never the application directory
  EXPECT_TRUE(fs_.DirectoryExists(ReceivedRoot()));
}

TEST_F(MessageOpsTest, FolderPreparationCountsUnreadAndWritesMissingIndexes) {
  EXPECT_EQ(PrepareFolderIndex(fs_, acct1_), 1);
  EXPECT_FALSE(fs_.FileExists(FolderIndexPath(sub1_)));
  EXPECT_EQ(PrepareFolderIndex(fs_, sub1_), 0);
  EXPECT_EQ(*fs_.ReadFile(FolderIndexPath(sub1_)), "");
  fs_.WriteFileAtomic(FolderIndexPath(acct2_), Record("<a>", "1") + "\n" + Record("<A>", "1") +
                                                   "\n" + Record("<b>", "3") + "\n");
  EXPECT_EQ(PrepareFolderIndex(fs_, acct2_), 1);  // the case twin is one message
}

}  // namespace
}  // namespace store
