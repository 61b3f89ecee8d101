#include "store/paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/codepage.h"
#include "platform/filesystem.h"
#include "store/message_key.h"

namespace store {
namespace {

using platform::Sjis;

TEST(PathsTest, FolderDirectoryUsesNodeNamesBeforeTheTab) {
  EXPECT_EQ(FolderDirectory({Sjis("受信"), Sjis("表計算\t(3)"), "sub\t(12)"}),
            Sjis("受信\\表計算\\sub\\"));
  EXPECT_EQ(NodeName("name\t(1)\tmore"), "name");
  EXPECT_EQ(NodeName("plain"), "plain");
  EXPECT_EQ(AccountFolder(Sjis("ソフト")), Sjis("受信\\ソフト\\"));
}

TEST(PathsTest, AccountDirectoryNeverSplitsAtATrailByte) {
  // 表, ソ and 能 end in the byte 0x5C; only real separators count.
  for (const char* account : {"表", "ソフト", "能力", "plain"}) {
    std::string acct = AccountFolder(Sjis(account));
    EXPECT_EQ(AccountDirectory(acct + Sjis("表\\ソ\\")), acct) << account;
    EXPECT_EQ(AccountDirectory(acct), acct) << account;
  }
  EXPECT_EQ(AccountDirectory(Sjis("受信\\")), Sjis("受信\\"));
  EXPECT_EQ(ParentDirectory(Sjis("受信\\能\\MsgID.ini")), Sjis("受信\\能\\"));
  EXPECT_EQ(ParentDirectory(Sjis("表")), "");
}

TEST(PathsTest, MessagePathsFollowTheStem) {
  const std::string folder = Sjis("受信\\能\\");
  EXPECT_EQ(MessageFilePath(folder, "<a b@c>"), folder + "0ab@c9.txt");
  EXPECT_EQ(AttachmentDirectory(folder, "<a:b@c>"), folder + "Attachment\\0a_b@c9\\");
  EXPECT_EQ(AttachmentFilePath(folder, "<k>", "../a b.txt"), folder + "Attachment\\0k9\\.._ab.txt");
  EXPECT_EQ(AttachmentFilePath(folder, "<k>", ""), folder + "Attachment\\0k9\\attachment.dat");
  EXPECT_EQ(FolderIndexPath(folder), folder + "MsgID.ini");
  EXPECT_EQ(ReceivedKeysPath(folder), folder + "AlreadMsgID.ini");
  EXPECT_EQ(SentIndexPath(), Sjis("送信\\Send.ini"));
}

TEST(PathsTest, HostileKeysStayOneDirectoryBelowAttachment) {
  const std::string folder = Sjis("受信\\表\\");
  for (std::string key : {std::string("../../x"), std::string(".."), std::string("<..>"),
                          "<" + std::string(48, 'a') + Sjis("表") + ">", Sjis("<表ソ>"),
                          std::string("a\0/b", 5), std::string("\x81")}) {
    std::filesystem::path file =
        platform::NativePath("/app", AttachmentDirectory(folder, key) + "f.txt");
    EXPECT_EQ(file.parent_path().parent_path(), "/app/受信/表/Attachment") << key;
    EXPECT_EQ(platform::NativePath("/app", MessageFilePath(folder, key)).parent_path(),
              "/app/受信/表")
        << key;
  }
}

TEST(PathsTest, AttachmentDirectoriesAreNoFolders) {
  EXPECT_FALSE(IsFolderName("Attachment"));
  EXPECT_FALSE(IsFolderName("."));
  EXPECT_FALSE(IsFolderName(".."));
  EXPECT_TRUE(IsFolderName("attachment"));
  EXPECT_TRUE(IsFolderName(Sjis("表")));
}

}  // namespace
}  // namespace store
