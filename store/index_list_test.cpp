#include "store/index_list.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/collation.h"
#include "platform/testing/temp_app_dir.h"
#include "store/record.h"

namespace store {
namespace {

using platform::Sjis;

// The reference lookup: scan from the top, stop at the first field 0 sorting after key.
int LinearFind(const IndexList& list, std::string_view key) {
  for (size_t i = 0; i < list.size(); ++i) {
    std::string f0 = GetField(list[i], 0);
    if (platform::SameIgnoringCase(f0, key)) return static_cast<int>(i);
    if (platform::CompareText(f0, key, true) > 0) return -1;
  }
  return -1;
}

std::string Record(std::string key, std::string state, std::string subject = "s") {
  return JoinRecord({std::move(key), std::move(subject), "from", "2005/09/01_09:30:05", "100", "2",
                     std::move(state)});
}

class IndexListTest : public ::testing::Test {
 protected:
  platform::testing::TempAppDir dir_;
  platform::FileSystem fs_{dir_.path()};
};

TEST_F(IndexListTest, LoadSortsAnyOrderAndAcceptsEveryLineEnd) {
  fs_.WriteFileAtomic("a.ini", "<c@x>\r\n<A@x>\n<b@x>\r<d@x>");
  IndexList list;
  list.Load(fs_, "a.ini");
  EXPECT_EQ(list.lines(), (std::vector<std::string>{"<A@x>", "<b@x>", "<c@x>", "<d@x>"}));

  fs_.WriteFileAtomic("b.ini", "<d@x>\r\n<b@x>\r\n<A@x>\r\n<c@x>\r\n");
  IndexList other;
  other.Load(fs_, "b.ini");
  EXPECT_EQ(other.lines(), list.lines());
  EXPECT_EQ(other.Text(), "<A@x>\r\n<b@x>\r\n<c@x>\r\n<d@x>\r\n");

  IndexList missing;
  missing.Add("<stale@x>");
  missing.Load(fs_, "none.ini");
  EXPECT_TRUE(missing.empty());
}

TEST_F(IndexListTest, DropsDuplicatesIgnoringCaseButKeepsKanaAndWidthVariants) {
  IndexList list;
  list.SetText(Sjis("<Key@X>\r\n<key@x>\r\nＡＢ\r\nａｂ\r\nあ\r\nア\r\nｱ\r\n<KEY@x>\r\n"));
  std::vector<std::string> lines = list.lines();
  EXPECT_EQ(lines.size(), 5u);
  // The first of the case variants in the file is the one kept.
  EXPECT_NE(std::find(lines.begin(), lines.end(), "<Key@X>"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), Sjis("ＡＢ")), lines.end());
  for (const char* kana : {"あ", "ア", "ｱ"}) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), Sjis(kana)), lines.end()) << kana;
  }
  // Adding a case variant of a present line finds it instead of adding it.
  size_t at = list.Add("<KEY@X>");
  EXPECT_EQ(list[at], "<Key@X>");
  EXPECT_EQ(list.size(), 5u);
}

TEST_F(IndexListTest, OrderMatchesTheCollatorOnMixedText) {
  std::mt19937 rng(42);
  const std::vector<std::string> parts = {"<",
                                          ">",
                                          "@",
                                          ".",
                                          "a",
                                          "B",
                                          "z",
                                          "0",
                                          "9",
                                          " ",
                                          "\t",
                                          Sjis("あ"),
                                          Sjis("ア"),
                                          Sjis("ｱ"),
                                          Sjis("表"),
                                          Sjis("ソ"),
                                          Sjis("能"),
                                          Sjis("ー"),
                                          Sjis("Ａ"),
                                          Sjis("ａ"),
                                          "_",
                                          "/",
                                          "tegamin_TKWorld",
                                          "2005/09/01_0930"};
  std::string text;
  std::vector<std::string> input;
  for (int i = 0; i < 600; ++i) {
    std::string line;
    int n = 1 + static_cast<int>(rng() % 12);
    for (int j = 0; j < n; ++j) line += parts[rng() % parts.size()];
    input.push_back(line);
    text += line + "\r\n";
  }
  IndexList list;
  list.SetText(text);
  for (size_t i = 1; i < list.size(); ++i) {
    EXPECT_LT(platform::CompareText(list[i - 1], list[i], true), 0)
        << "at " << i << ": " << list[i - 1] << " / " << list[i];
  }
  // Every input line is present or has a case twin present.
  for (const std::string& line : input) {
    EXPECT_TRUE(std::any_of(list.lines().begin(), list.lines().end(), [&](const std::string& l) {
      return platform::SameIgnoringCase(l, line);
    })) << line;
  }
  // Adding lines one by one gives the same list as loading them.
  IndexList added;
  for (const std::string& line : input) added.Add(line);
  EXPECT_EQ(added.lines(), list.lines());
}

TEST_F(IndexListTest, FindAgreesWithTheTopDownScan) {
  std::mt19937 rng(7);
  // Keys that differ only in kana kind or width make field 0 run out of step with the
  // line order; the lookup must still give what the scan gives.
  const std::vector<std::string> key_parts = {Sjis("あ"), Sjis("ア"), Sjis("ｱ"), "a", "A",
                                              Sjis("Ａ"), "b",        "<",       ">"};
  const std::vector<std::string> rest = {"a", "z", "m", Sjis("表"), ""};
  IndexList list;
  std::vector<std::string> keys;
  for (int i = 0; i < 400; ++i) {
    std::string key;
    int n = 1 + static_cast<int>(rng() % 3);
    for (int j = 0; j < n; ++j) key += key_parts[rng() % key_parts.size()];
    keys.push_back(key);
    list.Add(key + "\t" + rest[rng() % rest.size()] + "\t1");
  }
  int out_of_step = 0;
  for (size_t i = 1; i < list.size(); ++i) {
    out_of_step += platform::CompareText(GetField(list[i - 1], 0), GetField(list[i], 0), true) > 0;
  }
  ASSERT_GT(out_of_step, 0) << "the data no longer exercises the out-of-step case";
  keys.push_back("zzz");
  keys.push_back("");
  keys.push_back("B");
  for (const std::string& key : keys) {
    EXPECT_EQ(list.Find(key), LinearFind(list, key)) << key;
  }
  // After changes too.
  for (int i = 0; i < 50; ++i) list.Delete(rng() % list.size());
  list.Add(Sjis("ア\tz"));
  list.Add(Sjis("あ\ta"));
  for (const std::string& key : keys) {
    EXPECT_EQ(list.Find(key), LinearFind(list, key)) << key;
  }
}

TEST_F(IndexListTest, FindIgnoresCaseAndReadsFieldZeroOnly) {
  IndexList list;
  list.Add(Record("<Abc@Example.com>", "1"));
  list.Add(Record("<x@y>", "2", "<abc@example.com>"));
  list.Add("<bare@key>");
  EXPECT_EQ(GetField(list[static_cast<size_t>(list.Find("<ABC@EXAMPLE.COM>"))], 0),
            "<Abc@Example.com>");
  EXPECT_EQ(list[static_cast<size_t>(list.Find("<BARE@key>"))], "<bare@key>");
  EXPECT_EQ(list.Find("<abc@example.co>"), -1);
  EXPECT_EQ(list.Find("<abc"), -1);
  EXPECT_TRUE(list.Remove("<X@Y>"));
  EXPECT_FALSE(list.Remove("<X@Y>"));
  EXPECT_EQ(list.size(), 2u);

  IndexList as_loaded(IndexList::Order::kAsLoaded);
  as_loaded.SetText("<z@z>\r\n<A@a>\r\n<a@A>\r\n");
  EXPECT_EQ(as_loaded.size(), 3u);  // appenders keep the file as it is
  EXPECT_EQ(as_loaded.Find("<a@a>"), 1);
  EXPECT_EQ(as_loaded.Add("<b@b>"), 3u);
}

TEST_F(IndexListTest, SetStateRewritesTheRecordAndSavesSorted) {
  fs_.WriteFileAtomic("MsgID.ini", Record("<b@x>", "1") + "\n" + Record("<a@x>", "1") + "\n");
  IndexList list;
  list.Load(fs_, "MsgID.ini");
  EXPECT_EQ(list.UnreadCount(), 2);
  EXPECT_TRUE(SetState(list, "<B@X>", "2", fs_, "MsgID.ini"));
  EXPECT_EQ(list.UnreadCount(), 1);
  EXPECT_EQ(*fs_.ReadFile("MsgID.ini"),
            Record("<a@x>", "1") + "\r\n" + Record("<b@x>", "2") + "\r\n");

  // A missing record leaves list and file untouched.
  fs_.WriteFileAtomic("MsgID.ini", "sentinel");
  EXPECT_FALSE(SetState(list, "<c@x>", "2", fs_, "MsgID.ini"));
  EXPECT_EQ(*fs_.ReadFile("MsgID.ini"), "sentinel");

  // A short record is filled up to seven fields when its state is written.
  IndexList short_list;
  short_list.Add("<k@x>\tsubject");
  short_list.ReplaceState(0, "3");
  EXPECT_EQ(SplitRecord(short_list[0]).size(), 7u);
  EXPECT_EQ(GetField(short_list[0], kStateField), "3");
}

TEST_F(IndexListTest, UnreadCountReadsOnlyTheStateField) {
  std::vector<std::string> records = {Record("<a>", "1"),
                                      Record("<b>", "2"),
                                      Record("<c>", "1", "1"),
                                      "<d>\t1",
                                      Record("<e>", "11"),
                                      Record("<f>", "1") + "\textra",
                                      ""};
  EXPECT_EQ(UnreadCount(records), 3);
}

TEST_F(IndexListTest, SaveCreatesTheDirectoryAndWritesCrLf) {
  IndexList list;
  list.Add("b");
  list.Add("a");
  const std::string path = Sjis("受信\\表ソ能\\AlreadMsgID.ini");
  list.Save(fs_, path);
  EXPECT_EQ(*fs_.ReadFile(path), "a\r\nb\r\n");
  EXPECT_TRUE(std::filesystem::exists(dir_.path() / "受信" / "表ソ能" / "AlreadMsgID.ini"));
}

TEST_F(IndexListTest, FailedSaveLeavesTheOldFile) {
  IndexList list;
  list.Add("old");
  list.Save(fs_, "MsgID.ini");
  // A directory in the way of the temporary file's rename makes the save fail.
  std::filesystem::create_directory(dir_.path() / "blocked");
  std::filesystem::create_directory(dir_.path() / "blocked" / "MsgID.ini");
  list.Add("new");
  EXPECT_THROW(list.Save(fs_, "blocked\\MsgID.ini"), platform::FileError);
  EXPECT_EQ(*fs_.ReadFile("MsgID.ini"), "old\r\n");
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path() / "blocked")) {
    EXPECT_EQ(entry.path().filename(), "MsgID.ini") << "left a temporary file behind";
  }
}

TEST_F(IndexListTest, KilledSaveLeavesOldOrNewFileWhole) {
  std::string big;
  for (int i = 0; i < 40000; ++i) big += Record("<k" + std::to_string(i) + "@x>", "2") + "\r\n";
  IndexList list;
  list.SetText(big);
  const std::string old_text = "<old@x>\r\n";
  std::mt19937 rng(3);
  for (int round = 0; round < 6; ++round) {
    fs_.WriteFileAtomic("MsgID.ini", old_text);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0; i < 1000; ++i) list.Save(fs_, "MsgID.ini");  // bounded
      _exit(0);
    }
    usleep(static_cast<useconds_t>(1000 + rng() % 20000));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    std::string now = *fs_.ReadFile("MsgID.ini");
    EXPECT_TRUE(now == old_text || now == list.Text()) << "partial file of " << now.size();
  }
}

}  // namespace
}  // namespace store
