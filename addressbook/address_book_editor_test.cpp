// The address book window's logic on a temporary application directory.
#include "addressbook/address_book_editor.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/testing/scripted_ui_services.h"
#include "platform/testing/temp_app_dir.h"

namespace addressbook {
namespace {

using platform::Answer;
using platform::Sjis;

class AddressBookEditorTest : public ::testing::Test {
 protected:
  void WriteBook(const char* name, const std::string& text) {
    fs.ForceDirectories("Adress\\");
    fs.WriteFileAtomic(BookPath(name), text);
  }
  std::string ReadBook(const char* name) { return fs.ReadFile(BookPath(name)).value_or("<none>"); }
  std::vector<std::string> RowNames() {
    std::vector<std::string> out;
    for (int p : ed.rows()) out.push_back(ParseEntry(ed.entries()[p]).name);
    return out;
  }
  std::string LastInfo() { return ui.Texts("info").empty() ? "" : ui.Texts("info").back(); }

  platform::testing::TempAppDir dir;
  platform::FileSystem fs{dir.path()};
  platform::testing::ScriptedUiServices ui;
  AddressBookEditor ed{fs, ui};
};

TEST_F(AddressBookEditorTest, FirstStartThenANewBookAndItsFirstEntry) {
  ed.Start();
  EXPECT_TRUE(ed.books().empty());
  EXPECT_TRUE(fs.DirectoryExists("Adress\\"));

  ed.fields = {"a", "a@x", ""};
  EXPECT_FALSE(ed.Button4Click());  // no book selected: refused, nothing written
  EXPECT_EQ(LastInfo(),
            Sjis("アドレス帳が選択されていません。左の一覧からアドレス帳を選んでください。"));

  ui.inputs = {Sjis("友人")};
  ed.Button1Click();
  EXPECT_EQ(ui.Texts("input").back(),
            Sjis("新しいアドレス帳の作成|新しいアドレス帳の名前を入力してください。"));
  ASSERT_EQ(ed.books(), std::vector<std::string>{Sjis("友人")});
  EXPECT_FALSE(fs.FileExists(BookPath(Sjis("友人"))));  // made on the first click

  ed.TreeView1Click(0);
  EXPECT_EQ(fs.ReadFile(BookPath(Sjis("友人"))), "");
  ed.fields = Entry();
  ed.Button3Click();  // 追加 with empty fields in an empty book
  EXPECT_EQ(LastInfo(), Sjis("アカウントは３項目とも記入してください。"));
  EXPECT_FALSE(ed.add_mode());
  ed.fields = {Sjis("山田"), "y@x", ""};
  ASSERT_TRUE(ed.Button4Click());
  EXPECT_EQ(fs.ReadFile(BookPath(Sjis("友人"))), Sjis("山田\ty@x\t\r\n"));
  EXPECT_EQ(ed.count(), 1);

  ui.inputs = {Sjis("友人")};  // its file exists now
  ed.Button1Click();
  EXPECT_EQ(LastInfo(), Sjis("同一名称のアドレス帳が既に存在します"));
  EXPECT_EQ(ed.books().size(), 1u);
  ui.inputs = {""};  // cancelled
  ed.Button1Click();
  ui.inputs = {"..\\..\\x"};
  ed.Button1Click();
  EXPECT_EQ(ed.books().size(), 1u);
}

TEST_F(AddressBookEditorTest, ANameWhoseFileWasNeverMadeCanBeAddedTwice) {
  ed.Start();
  ui.inputs = {"x", "x"};
  ed.Button1Click();
  ed.Button1Click();
  EXPECT_EQ(ed.books(), (std::vector<std::string>{"x", "x"}));
}

TEST_F(AddressBookEditorTest, LoadedSortedNewEntriesStayLastUntilTheNextLoad) {
  WriteBook("b", "carol\tc@x\t\r\nAlice\ta@x\tboss\r\nbob\tb@x\r\n");
  ed.Start();
  ASSERT_EQ(ed.selected_book(), 0);
  EXPECT_EQ(RowNames(), (std::vector<std::string>{"Alice", "bob", "carol"}));
  EXPECT_EQ(ed.fields.name, "Alice");
  EXPECT_EQ(ed.fields.note, "boss");

  ed.Button3Click();
  ASSERT_TRUE(ed.add_mode());
  EXPECT_EQ(ed.position(), 3);
  EXPECT_TRUE(ed.fields.name.empty());
  EXPECT_FALSE(ed.Button2Click());  // closing while adding
  EXPECT_EQ(LastInfo(), Sjis("保存、中止のどちらかを選択してください。"));
  ed.fields = {"aaron", "aa@x", "new"};
  ASSERT_TRUE(ed.Button4Click());
  EXPECT_FALSE(ed.add_mode());
  EXPECT_EQ(RowNames(), (std::vector<std::string>{"Alice", "bob", "carol", "aaron"}));
  EXPECT_EQ(ReadBook("b"), "Alice\ta@x\tboss\r\nbob\tb@x\r\ncarol\tc@x\t\r\naaron\taa@x\tnew\r\n");

  ed.ListView1Click(1);
  ed.fields.note = "friend";
  ASSERT_TRUE(ed.Button4Click());  // replaces entry 1 in place
  EXPECT_EQ(ParseEntry(ed.entries()[1]).note, "friend");
  EXPECT_EQ(ed.count(), 4);

  ed.TreeView1Click(0);  // loading again sorts
  EXPECT_EQ(RowNames(), (std::vector<std::string>{"aaron", "Alice", "bob", "carol"}));
}

TEST_F(AddressBookEditorTest, CancellingAnAddGoesBackToTheLastEntry) {
  WriteBook("b", "a\ta@x\t\r\nb\tb@x\t\r\n");
  ed.Start();
  ed.ListView1Click(0);
  ed.Button3Click();
  ed.fields = {"typed", "t@x", ""};
  ed.Button3Click();  // 中止
  EXPECT_FALSE(ed.add_mode());
  EXPECT_EQ(ed.position(), 1);
  EXPECT_EQ(ed.fields.name, "b");

  ed.Button3Click();
  ui.answers = {Answer::kNo};
  ed.Button5Click();  // the cancel question, declined
  EXPECT_TRUE(ed.add_mode());
  EXPECT_EQ(ui.Texts("warning").back(),
            Sjis("メールアドレスの追加をキャンセルします。\r\n\r\n... よろしいですか？"));
  ui.answers = {Answer::kYes};
  ed.Button5Click();
  EXPECT_FALSE(ed.add_mode());
  EXPECT_EQ(ed.fields.name, "b");
  EXPECT_EQ(ed.count(), 2);
}

TEST_F(AddressBookEditorTest, DeletingAsksWithTheAddressAndReloadsSorted) {
  WriteBook("b", "b\tb@x\t\r\na\ta@x\t\r\nc\tc@x\t\r\n");
  ed.Start();
  ed.ListView1Click(1);  // b
  ui.answers = {Answer::kCancel};
  ed.Button5Click();
  EXPECT_EQ(ed.count(), 3);
  EXPECT_EQ(ui.Texts("warning").back(), Sjis("b@xを削除します。\r\n\r\n... よろしいですか？"));
  ui.answers = {Answer::kYes};
  ed.Button5Click();
  EXPECT_EQ(ed.count(), 2);
  EXPECT_EQ(ed.position(), 0);
  EXPECT_EQ(ed.fields.name, "a");
  EXPECT_EQ(ReadBook("b"), "a\ta@x\t\r\nc\tc@x\t\r\n");
  EXPECT_EQ(RowNames(), (std::vector<std::string>{"a", "c"}));
}

TEST_F(AddressBookEditorTest, ColumnClicksSortAscendingThenDescending) {
  WriteBook("b", "b\tZ@x\t2\r\nC\ty@x\t1\r\na\tX@x\t3\r\n");
  ed.Start();
  ed.ListView1ColumnClick(1);
  EXPECT_EQ(RowNames(), (std::vector<std::string>{"a", "C", "b"}));  // X, y, Z
  EXPECT_EQ(ed.sort_key(), 2);
  ed.ListView1ColumnClick(1);
  EXPECT_EQ(RowNames(), (std::vector<std::string>{"b", "C", "a"}));
  EXPECT_EQ(ed.sort_key(), -2);
  ed.ListView1ColumnClick(2);
  EXPECT_EQ(RowNames(), (std::vector<std::string>{"C", "b", "a"}));
  EXPECT_EQ(ed.sort_key(), 3);
  ed.ListView1ColumnClick(0);
  EXPECT_EQ(RowNames(), (std::vector<std::string>{"a", "b", "C"}));
  // A row click takes the entry of the hidden position column, whatever the display order.
  ed.ListView1Click(ed.rows()[2]);
  EXPECT_EQ(ed.fields.name, "C");
}

TEST_F(AddressBookEditorTest, PickerJoinsRecipientsAndHandsThemToTheComposer) {
  WriteBook("b", Sjis("山田\ty@x\t\r\nab\tab@x\t\r\ncd\tcd@x\t\r\n"));
  ed.Start();
  ed.own_address = [] { return std::string("me@example.test"); };
  std::vector<PickedRecipients> got;
  ed.AddRecipientsListener([&got](const PickedRecipients& p) { got.push_back(p); });

  ASSERT_EQ(ed.entries()[2], Sjis("山田\ty@x\t"));  // Latin sorts before kanji
  ed.AddRecipients(RecipientList::kTo, {0, 1});
  ed.AddRecipients(RecipientList::kBcc, {2});
  ed.AddRecipients(RecipientList::kBcc, {2});  // duplicates are allowed
  PickedRecipients p = ed.Button9Click();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(p.to, "\"ab\" <ab@x>,\"cd\" <cd@x>");
  EXPECT_FALSE(p.cc.has_value());  // an empty list leaves the composer's field alone
  EXPECT_EQ(p.bcc, Sjis("\"山田\" <y@x>,\"山田\" <y@x>"));
  EXPECT_EQ(p.sender, "me@example.test");
  EXPECT_EQ(got[0].to, p.to);

  ed.RemoveRecipients(RecipientList::kTo, {0});
  EXPECT_EQ(ed.recipients(RecipientList::kTo), std::vector<std::string>{"\"cd\" <cd@x>"});
  ed.AddRecipients(RecipientList::kCc, {1});
  EXPECT_EQ(ed.Button9Click().cc, "\"cd\" <cd@x>");  // the lists keep their lines
  ed.Button13Click();
  EXPECT_TRUE(ed.recipients(RecipientList::kTo).empty());
  EXPECT_TRUE(ed.recipients(RecipientList::kBcc).empty());
  EXPECT_FALSE(ed.Button9Click().to.has_value());
}

}  // namespace
}  // namespace addressbook
