#include "platform/filesystem.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "platform/codepage.h"
#include "platform/testing/temp_app_dir.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

TEST(FileSystemTest, TrailByte5CIsNeverASeparator) {
  testing::TempAppDir dir;
  FileSystem files(dir.path());
  // 表 and ソ end in 0x5C; decoded first, they stay inside one name.
  std::string folder = Sjis("受信\\表ソ能\\");
  files.ForceDirectories(folder);
  EXPECT_TRUE(fs::is_directory(dir.path() / "受信" / "表ソ能"));
  files.WriteFileAtomic(folder + "MsgID.ini", "x\r\n");
  EXPECT_TRUE(files.FileExists(folder + "MsgID.ini"));
  EXPECT_EQ(files.ListSubdirectories(Sjis("受信\\")), std::vector<std::string>{Sjis("表ソ能")});
  EXPECT_EQ(*files.ReadFile(folder + "MsgID.ini"), "x\r\n");
}

TEST(FileSystemTest, AtomicWriteReplacesWholeOrLeavesOldFile) {
  testing::TempAppDir dir;
  FileSystem files(dir.path());
  files.WriteFileAtomic("a.ini", "old");
  files.WriteFileAtomic("a.ini", "new", 0600);
  EXPECT_EQ(*files.ReadFile("a.ini"), "new");
  struct stat st {};
  ASSERT_EQ(::stat((dir.path() / "a.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  // The rename cannot replace a non-empty directory: the save fails, nothing is left behind.
  fs::create_directories(dir.path() / "busy" / "inner");
  EXPECT_THROW(files.WriteFileAtomic("busy", "data"), FileError);
  EXPECT_TRUE(fs::is_directory(dir.path() / "busy" / "inner"));
  for (const auto& e : fs::directory_iterator(dir.path())) {
    EXPECT_EQ(e.path().filename().string().find(".yubinko-save"), std::string::npos);
  }
  EXPECT_THROW(files.WriteFileAtomic("missing-dir\\a.ini", "x"), FileError);
  EXPECT_FALSE(files.ReadFile("nothing.ini").has_value());
}

TEST(FileSystemTest, TreeOperations) {
  testing::TempAppDir dir;
  FileSystem files(dir.path());
  files.ForceDirectories("a\\b\\c\\");
  files.WriteFileAtomic("a\\b\\c\\f.txt", "1");
  EXPECT_TRUE(files.MoveDirectory("a\\b\\", "x\\y\\b\\"));
  EXPECT_TRUE(files.FileExists("x\\y\\b\\c\\f.txt"));
  EXPECT_FALSE(files.DirectoryExists("a\\b\\"));
  EXPECT_FALSE(files.MoveDirectory("a\\b\\", "z\\"));  // missing source
  EXPECT_TRUE(files.DeleteTree("x\\"));
  EXPECT_FALSE(files.DirectoryExists("x\\"));
  EXPECT_FALSE(files.DeleteTree("x\\"));

  files.WriteFileAtomic("m.txt", "m");
  files.CopyFile("m.txt", "n.txt");
  files.CopyFile("m.txt", "n.txt");  // overwrites
  EXPECT_TRUE(files.RenameFile("n.txt", "o.txt"));
  EXPECT_FALSE(files.RenameFile("m.txt", "o.txt"));  // never replaces another file
  EXPECT_TRUE(files.DeleteFile("o.txt"));
  EXPECT_FALSE(files.DeleteFile("o.txt"));
  EXPECT_TRUE(files.FileAge("m.txt").has_value());
  EXPECT_EQ(files.ListEntries(""), (std::vector<std::string>{"a", "m.txt"}));
}

}  // namespace
}  // namespace platform
