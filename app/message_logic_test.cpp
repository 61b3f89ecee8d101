// Showing, marking, colouring and deleting messages; extraction, related view, subject search
// and the window's index lists.
#include "app/message_logic.h"

#include <gtest/gtest.h>

#include "app/folder_logic.h"
#include "app/test_store.h"

namespace app {
namespace {

using testing::P;
using testing::Rec;
using testing::TestStore;

class MessageLogicTest : public ::testing::Test {
 protected:
  MessageLogicTest() : state(s.path()) {
    s.WriteLines("受信\\acc\\MsgID.ini", {Rec("<b@x>", "second", "2"), Rec("<a@x>", "first", "1"),
                                          Rec("<c@x>", "third", "3")});
    s.WriteLines("受信\\acc\\AlreadMsgID.ini", {"<a@x>", "<b@x>", "<c@x>"});
    s.Write("受信\\acc\\0a@x9.txt", "To=\r\nReferences=<r@x>\r\n-------------------\r\nhi\r\n");
    s.Write("受信\\acc\\Attachment\\0a@x9\\file one.pdf", "%PDF");
    s.Write("受信\\acc\\0b@x9.txt", "To=\r\nReferences=\r\nbody\r\n");
    state.current_folder = P("受信\\acc\\");
    state.account_dir = state.current_folder;
    state.folder_index.Load(state.fs, IndexPath(state.current_folder));
    state.received_keys.Load(state.fs, KeysPath(state.account_dir));
  }
  Row RowOf(const char* key) {
    return RowFromRecord(state.folder_index.lines()[state.folder_index.Find(key)]);
  }
  TestStore s;
  MainState state;
};

TEST_F(MessageLogicTest, IndexIsLoadedSortedByKeyAndFoundIgnoringCase) {
  ASSERT_EQ(state.folder_index.size(), 3);
  EXPECT_EQ(SplitRecord(state.folder_index.lines()[0])[0], "<a@x>");
  EXPECT_EQ(state.folder_index.Find("<B@X>"), 1);
  EXPECT_EQ(state.folder_index.Find("<none>"), -1);
  SortedList keys;
  keys.Assign({"<K>", "<k>", "<j>"});
  EXPECT_EQ(keys.size(), 2);  // equal apart from case: one line
}

TEST_F(MessageLogicTest, ShowingAnUnreadMessageMarksItReadOnce) {
  Row row = RowOf("<a@x>");
  ShownMessage shown = ShowMessage(state, row);
  ASSERT_TRUE(shown.found);
  EXPECT_NE(shown.text.find("hi"), std::string::npos);
  EXPECT_EQ(shown.attachments, std::vector<std::string>{"file one.pdf"});
  EXPECT_TRUE(shown.became_read);
  EXPECT_EQ(row.state(), "2");
  EXPECT_EQ(s.Lines("受信\\acc\\MsgID.ini")[0], Rec("<a@x>", "first", "2"));
  EXPECT_FALSE(ShowMessage(state, row).became_read);

  // A stale row (as the related view keeps them) whose record is already read.
  Row stale = RowFromRecord(Rec("<b@x>", "second", "1"));
  EXPECT_FALSE(ShowMessage(state, stale).became_read);
  EXPECT_EQ(UnreadCount(s.Lines("受信\\acc\\MsgID.ini")), 0);

  Row missing = RowFromRecord(Rec("<zz>", "gone", "2"));
  ShownMessage none = ShowMessage(state, missing);
  EXPECT_FALSE(none.found);
  EXPECT_TRUE(none.attachments.empty());
}

TEST_F(MessageLogicTest, UnreadMarkOnlyTurnsReadRowsAndColourReplacesAnyState) {
  Row read = RowOf("<b@x>");
  Row red = RowOf("<c@x>");
  EXPECT_EQ(MarkUnread(state, {&read, &red}), 2);
  EXPECT_EQ(read.state(), "1");
  EXPECT_EQ(red.state(), "3");  // a coloured row stays as it is
  EXPECT_EQ(UnreadCount(s.Lines("受信\\acc\\MsgID.ini")), 2);

  Row unread = RowOf("<a@x>");
  ColourRow(state, unread, 4);
  EXPECT_EQ(unread.state(), "4");
  EXPECT_EQ(s.Lines("受信\\acc\\MsgID.ini")[0], Rec("<a@x>", "first", "4"));

  state.sent_view = true;
  Row r2 = RowOf("<b@x>");
  EXPECT_EQ(MarkUnread(state, {&r2}), state.unread_count);  // the sent view changes nothing
  EXPECT_EQ(r2.state(), "1");
}

TEST_F(MessageLogicTest, LocalDeleteRemovesFilesRecordsAndKeys) {
  int unread = DeleteReceived(state, {RowOf("<a@x>"), RowOf("<c@x>")});
  EXPECT_EQ(unread, 0);
  EXPECT_FALSE(s.Exists("受信\\acc\\0a@x9.txt"));
  EXPECT_FALSE(s.DirExists("受信\\acc\\Attachment\\0a@x9\\"));
  EXPECT_EQ(s.Lines("受信\\acc\\MsgID.ini"), std::vector<std::string>{Rec("<b@x>", "second", "2")});
  EXPECT_EQ(s.Lines("受信\\acc\\AlreadMsgID.ini"), std::vector<std::string>{"<b@x>"});

  s.WriteLines("送信\\Send.ini", {Rec("<s@x>", "sent", "#")});
  s.Write("送信\\0s@x9.txt", "sent body");
  state.sent_index.Load(state.fs, SentIndexPath());
  DeleteSent(state, {RowFromRecord(Rec("<s@x>", "sent", "#"))});
  EXPECT_FALSE(s.Exists("送信\\0s@x9.txt"));
  EXPECT_TRUE(s.Lines("送信\\Send.ini").empty());
}

TEST_F(MessageLogicTest, ExtractionSearchesWholeLinesCaseSensitively) {
  auto by_year = Extract(state.folder_index.lines(), "2024");
  EXPECT_EQ(by_year.size(), 3u);                                     // found in the date field
  EXPECT_EQ(Extract(state.folder_index.lines(), "<b@").size(), 1u);  // in the key
  EXPECT_TRUE(Extract(state.folder_index.lines(), "SECOND").empty());
}

TEST_F(MessageLogicTest, RelatedViewGrowsRefTxtWithoutDuplicates) {
  auto first = RelatedView(state);
  ASSERT_EQ(first.size(), 1u);  // only <a@x> has references
  EXPECT_EQ(first[0], Rec("<a@x>", "first", "1") + "\t<r@x>");
  EXPECT_EQ(RelatedView(state).size(), 1u);
  EXPECT_EQ(s.Lines("受信\\acc\\Ref.txt").size(), 1u);
  Row row = RowOf("<a@x>");
  ShowMessage(state, row);  // now read: the line differs and joins the list
  auto third = RelatedView(state);
  ASSERT_EQ(third.size(), 2u);
  EXPECT_EQ(third[1], Rec("<a@x>", "first", "2") + "\t<r@x>");
}

TEST_F(MessageLogicTest, RelatedViewOfAFolderWithoutRepliesWritesAnEmptyList) {
  state.current_folder = P("受信\\acc\\empty\\");
  state.folder_index.Clear();
  EXPECT_TRUE(RelatedView(state).empty());
  EXPECT_TRUE(s.Exists("受信\\acc\\empty\\Ref.txt"));
}

TEST(SubjectSearchTest, AsciiLettersIgnoreCaseOtherBytesDoNot) {
  EXPECT_TRUE(SubjectContains("Meeting NOTES", "notes"));
  EXPECT_TRUE(SubjectContains("abc", "ABC"));
  EXPECT_FALSE(SubjectContains(platform::Sjis("ＡＢＣ"), platform::Sjis("ａｂｃ")));
  // ソ ends with the byte 0x5C, and 表 with 0x5C too; trail bytes are no letters.
  EXPECT_TRUE(SubjectContains(platform::Sjis("ソフト"), platform::Sjis("ソ")));
  EXPECT_FALSE(SubjectContains("abc", "abd"));
}

TEST(AppIndexListTest, UnreadCountReadsTheSeventhFieldOnly) {
  EXPECT_EQ(UnreadCount({Rec("<1>", "1", "1"), Rec("<2>", "x", "2"), "<3>\t1\t1\t1",
                         Rec("<4>", "y", "1") + "\t<ref>", ""}),
            2);
  EXPECT_EQ(JoinLines({"a", ""}), "a\r\n\r\n");
  EXPECT_EQ(DirectoryOf(P("受信\\表")), P("受信\\"));
}

}  // namespace
}  // namespace app
