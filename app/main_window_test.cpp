// The main window over temporary stores, driven offscreen with the scripted services.
#include "app/main_window.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPrinter>
#include <QProcess>
#include <QTableView>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolBar>
#include <QTreeWidget>

#include "app/folder_logic.h"
#include "app/main_window_fixture.h"
#include "app/message_model.h"
#include "app/qt_text.h"
#include "app/qt_ui_services.h"
#include "app/test_store.h"
#include "platform/testing/scripted_ui_services.h"

namespace app {
namespace {

using platform::Answer;
using platform::testing::ScriptedUiServices;
using testing::MainWindowTest;
using testing::P;
using testing::Rec;
using testing::TestStore;
using testing::U;

TEST_F(MainWindowTest, StartWithoutAccountsShowsTheMessageOnceAndAnEmptyList) {
  s.WriteLines("受信\\old\\MsgID.ini", {Rec("<1>", "x", "1")});
  Open();
  EXPECT_EQ(ui.Texts("info"), std::vector<std::string>{
                                  P("アカウントが設定されていません。\r\n\r\n"
                                    "メニューバーの「設定」－「アカウント」で設定してください。")});
  EXPECT_EQ(form->windowTitle(), "Yubinko");
  ASSERT_EQ(Tree()->topLevelItemCount(), 1);
  EXPECT_EQ(U(Tree()->topLevelItem(0)->text(0)), "受信");
  EXPECT_EQ(U(Tree()->topLevelItem(0)->child(0)->text(0)), "old\t(1)");
  EXPECT_EQ(form->model().rowCount(), 0);
  EXPECT_EQ(U(form->ModeText()), "通常");
  EXPECT_EQ(U(form->findChild<QTreeWidget*>("TreeView2")->topLevelItem(0)->text(0)), "送信");
  form.reset();
  EXPECT_FALSE(s.Exists("Account.ini"));  // nothing to write
}

TEST_F(MainWindowTest, StartListsTheSettingsAccountNewestFirstAndShutdownWritesBack) {
  WriteStandardStore();
  Open();
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(U(form->findChild<QLabel*>("LblAccount")->text()), "ｱｶｳﾝﾄ:acc");
  EXPECT_EQ(U(Tree()->currentItem()->text(0)), "acc\t(2)");
  EXPECT_EQ(Subjects(), (std::vector<std::string>{"Re: 見積もり", "お知らせ", "会議の案内",
                                                  "NEWS letter", "予定表"}));
  EXPECT_EQ(U(form->StatusText(0)), "5件");
  // The account node shows its count; the subfolder its own; Attachment is no node.
  QTreeWidgetItem* acc = Node({"acc"});
  ASSERT_EQ(acc->childCount(), 1);
  EXPECT_EQ(U(acc->child(0)->text(0)), "仕事\t(1)");
  for (int c = 4; c < 7; ++c) EXPECT_TRUE(List()->isColumnHidden(c));
  EXPECT_EQ(List()->columnWidth(0), 300);
  EXPECT_EQ(form->size(), QSize(602, 580));
  form.reset();
  struct stat st {};
  ASSERT_EQ(::stat(s.fs().Native("Account.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(s.Lines("Yubinko.ini"), std::vector<std::string>{"acc"});
}

TEST_F(MainWindowTest, UnknownOrDifferentlyCasedSettingsNameSelectsTheFirstAccount) {
  WriteStandardStore();
  s.WriteLines("Yubinko.ini", {"TWO"});
  Open();
  EXPECT_EQ(form->state().AccountPosition, 1);
  EXPECT_EQ(U(form->findChild<QLabel*>("LblAccount")->text()), "ｱｶｳﾝﾄ:acc");
  form.reset();
  EXPECT_EQ(s.Lines("Yubinko.ini"), std::vector<std::string>{"TWO"});  // name kept as read
}

TEST_F(MainWindowTest, BlankAccountLinesNameNoAccount) {
  WriteStandardStore();
  // No settings file: the empty name must not match the blank lines.
  s.WriteLines("Account.ini", {"", "acc\tpop\tuser\tpw\tsmtp\tme@x\t110\t25\t0", ""});
  s.fs().DeleteFile("Yubinko.ini");
  Open();
  EXPECT_EQ(form->state().AccountPosition, 2);
  EXPECT_EQ(U(form->findChild<QLabel*>("LblAccount")->text()), "ｱｶｳﾝﾄ:acc");
  EXPECT_EQ(form->state().current_folder, P("受信\\acc\\"));
  EXPECT_EQ(form->model().rowCount(), 5);
  form.reset();
  // Only blank lines: no account, as with no list at all; nothing lands in the root.
  s.WriteLines("Account.ini", {"", ""});
  Open();
  EXPECT_EQ(ui.Texts("info").size(), 1u);
  EXPECT_TRUE(form->state().current_folder.empty());
  EXPECT_FALSE(s.Exists("受信\\MsgID.ini"));
  EXPECT_FALSE(s.Exists("受信\\AlreadMsgID.ini"));
}

TEST_F(MainWindowTest, FolderClicksListFoldersAndReloadKeysOnAccountChange) {
  WriteStandardStore();
  s.WriteLines("受信\\two\\AlreadMsgID.ini", {"<t@x>"});
  Open();
  ClickNode(Node({"acc", P("仕事")}));
  EXPECT_EQ(Subjects(), std::vector<std::string>{"週報"});
  EXPECT_EQ(form->state().current_folder, P("受信\\acc\\仕事\\"));
  EXPECT_EQ(form->state().received_keys.size(), 5);  // same account: list kept
  ClickNode(Node({"two"}));
  EXPECT_EQ(form->model().rowCount(), 0);
  EXPECT_EQ(form->state().received_keys.lines(), std::vector<std::string>{"<t@x>"});
  ClickNode(Tree()->topLevelItem(0));
  EXPECT_EQ(form->model().rowCount(), 0);
  EXPECT_TRUE(form->StatusText(0).isEmpty());
  // The sent tree lists the sent index.
  auto* sent = form->findChild<QTreeWidget*>("TreeView2");
  sent->setCurrentItem(sent->topLevelItem(0));
  form->TreeView2Click();
  EXPECT_EQ(Subjects(), std::vector<std::string>{"送った"});
  EXPECT_TRUE(form->state().sent_view);
}

TEST_F(MainWindowTest, HeaderClicksAndSortChoicesOrderTheList) {
  WriteStandardStore();
  Open();
  form->ListView1ColumnClick(3);  // size as text, ascending
  std::vector<std::string> sizes;
  for (const Row& r : form->model().rows()) sizes.push_back(r.col[3]);
  EXPECT_EQ(sizes, (std::vector<std::string>{"1000", "20", "5", "7", "999"}));
  form->ListView1ColumnClick(3);
  EXPECT_EQ(form->state().sort_state, -4);
  form->ListView1ColumnClick(2);
  EXPECT_EQ(Subjects().front(), "予定表");  // date ascending: oldest first

  form->action("mnuSortUnread")->trigger();
  EXPECT_EQ(form->model().rows()[0].state(), "1");
  EXPECT_EQ(form->model().rows()[1].state(), "1");
  EXPECT_TRUE(form->action("mnuSortUnread")->isChecked());
  EXPECT_FALSE(form->action("mnuSortNew")->isChecked());
  form->action("mnuSortAttach")->trigger();
  EXPECT_EQ(Subjects().front(), "Re: 見積もり");  // the one with attachments
  form->action("mnuSortNew")->trigger();
  EXPECT_EQ(Subjects().front(), "Re: 見積もり");  // newest first again
  EXPECT_EQ(form->state().sort_state, -3);

  // A real click on the header of the subject column sorts by subject ascending.
  QHeaderView* header = List()->horizontalHeader();
  form->show();
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
  EXPECT_EQ(form->state().sort_state, 1);
}

TEST_F(MainWindowTest, RowsAreBoldWhenUnreadAndColouredByState) {
  WriteStandardStore();
  Open();
  const MessageModel& m = form->model();
  auto font = m.data(m.index(RowOf("<a@x>"), 0), Qt::FontRole);
  ASSERT_TRUE(font.isValid());
  EXPECT_TRUE(font.value<QFont>().bold());
  auto red = m.data(m.index(RowOf("<c@x>"), 1), Qt::ForegroundRole).value<QBrush>().color();
  EXPECT_EQ(red, QColor(255, 0, 0));
  auto blue = m.data(m.index(RowOf("<e@x>"), 0), Qt::ForegroundRole).value<QBrush>().color();
  EXPECT_EQ(blue, QColor(0, 0, 255));
  EXPECT_FALSE(m.data(m.index(RowOf("<c@x>"), 0), Qt::FontRole).isValid());
  EXPECT_FALSE(m.data(m.index(RowOf("<b@x>"), 0), Qt::DecorationRole).isNull());
}

TEST_F(MainWindowTest, ShowingAMessageMarksItReadUnderlinesLinksAndListsAttachments) {
  WriteStandardStore();
  Open();
  Select({"<a@x>"});
  form->ListView1Click();
  const QString text = Body()->toPlainText();
  ASSERT_TRUE(text.contains(QU("会議の案内")));
  EXPECT_EQ(U(Tree()->currentItem()->text(0)), "acc\t(1)");
  EXPECT_EQ(form->model().rows()[static_cast<size_t>(RowOf("<a@x>"))].state(), "2");
  auto attachments = form->findChild<QListWidget*>("ListBox1");
  ASSERT_EQ(attachments->count(), 2);

  auto format_at = [&](const QString& needle) {
    QTextCursor c(Body()->document());
    c.setPosition(static_cast<int>(text.indexOf(needle)) + 1);
    return c.charFormat();
  };
  // The https link comes before an http one, so only the http line is marked, to its end.
  EXPECT_FALSE(format_at(QStringLiteral("https://")).fontUnderline());
  EXPECT_TRUE(format_at(QStringLiteral("http://example.com")).fontUnderline());
  EXPECT_EQ(format_at(QStringLiteral("http://example.com")).foreground().color(),
            QColor(0, 128, 0));
  EXPECT_TRUE(format_at(QU("です")).fontUnderline());
  EXPECT_TRUE(format_at(QStringLiteral("http://angle")).fontUnderline());

  // Showing it again changes nothing.
  form->ListView1Click();
  EXPECT_EQ(U(Tree()->currentItem()->text(0)), "acc\t(1)");
  EXPECT_EQ(UnreadCount(s.Lines("受信\\acc\\MsgID.ini")), 1);
}

TEST_F(MainWindowTest, MouseAndKeysDriveTheRealWidgets) {
  WriteStandardStore();
  Open();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  // Click the row of the unread meeting notice.
  const int row = RowOf("<a@x>");
  QRect rect = List()->visualRect(form->model().index(row, 0));
  QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, rect.center());
  ASSERT_TRUE(Body()->toPlainText().contains(QU("会議の案内")));

  // The pointer over the bracketed link shows the hand; a press opens the link.
  const QString text = Body()->toPlainText();
  QTextCursor c(Body()->document());
  c.setPosition(static_cast<int>(text.indexOf(QStringLiteral("angle"))) + 2);
  QPoint over_link = Body()->cursorRect(c).center();
  QTest::mouseMove(Body()->viewport(), over_link);
  EXPECT_EQ(U(form->LinkUnderPointer()), "http://angle.example/x");
  EXPECT_EQ(Body()->viewport()->cursor().shape(), Qt::PointingHandCursor);
  QTest::mousePress(Body()->viewport(), Qt::LeftButton, {}, over_link);
  QTest::mouseRelease(Body()->viewport(), Qt::LeftButton, {}, over_link);
  EXPECT_EQ(ui.opened, std::vector<std::string>{"http://angle.example/x"});
  c.setPosition(static_cast<int>(text.indexOf(QStringLiteral("To="))) + 1);
  QTest::mouseMove(Body()->viewport(), Body()->cursorRect(c).center());
  EXPECT_TRUE(form->LinkUnderPointer().isEmpty());
  EXPECT_NE(Body()->viewport()->cursor().shape(), Qt::PointingHandCursor);

  // Escape stops: mode back to normal, list refilled from the folder index, panel cleared.
  form->state().extraction_view = true;
  form->SetMode(platform::Sjis("抽出"), 255, 255, 0);
  form->SetStatusText(1, QStringLiteral("x"));
  QTest::keyClick(List(), Qt::Key_Escape);
  EXPECT_EQ(U(form->ModeText()), "通常");
  EXPECT_FALSE(form->state().extraction_view);
  EXPECT_TRUE(form->StatusText(1).isEmpty());
  EXPECT_EQ(form->model().rowCount(), 5);
}

TEST_F(MainWindowTest, UnreadAndColourMarks) {
  WriteStandardStore();
  Open();
  Select({"<b@x>", "<c@x>"});
  form->mnuToMidokuClick();
  EXPECT_EQ(U(Tree()->currentItem()->text(0)), "acc\t(3)");  // only the read one turned
  EXPECT_EQ(form->model().rows()[static_cast<size_t>(RowOf("<c@x>"))].state(), "3");
  Select({"<d@x>", "<b@x>"});
  form->action("mnuColorGreen")->trigger();
  EXPECT_EQ(form->model().rows()[static_cast<size_t>(RowOf("<d@x>"))].state(), "5");
  EXPECT_EQ(form->model().rows()[static_cast<size_t>(RowOf("<b@x>"))].state(), "1");
}

TEST_F(MainWindowTest, LocalDeleteAsksOnceForReceivedMailAndNeverForSentMail) {
  WriteStandardStore();
  Open();
  Select({"<a@x>", "<c@x>"});
  ui.answers = {Answer::kNo};
  form->mnuLocalMailDelClick();
  EXPECT_EQ(form->model().rowCount(), 5);
  ui.answers = {Answer::kYes};
  Select({"<a@x>", "<c@x>"});
  form->mnuLocalMailDelClick();
  EXPECT_EQ(ui.Texts("warning").size(), 2u);
  EXPECT_EQ(ui.Texts("warning")[1],
            P("選択中のメールをパソコン内から削除します。\r\n\r\n　　　よろしいですか？"));
  EXPECT_EQ(form->model().rowCount(), 3);
  EXPECT_EQ(U(form->StatusText(0)), "3件");
  EXPECT_FALSE(s.Exists("受信\\acc\\0a@x9.txt"));
  EXPECT_EQ(s.Lines("受信\\acc\\AlreadMsgID.ini").size(), 3u);
  EXPECT_EQ(U(Tree()->currentItem()->text(0)), "acc\t(1)");

  // Sent mail: no question. The selected tree node is still the account (depth 1).
  auto* sent = form->findChild<QTreeWidget*>("TreeView2");
  sent->setCurrentItem(sent->topLevelItem(0));
  form->TreeView2Click();
  Select({"<s1@x>"});
  form->mnuLocalMailDelClick();
  EXPECT_EQ(ui.Texts("warning").size(), 2u);
  EXPECT_FALSE(s.Exists("送信\\0s1@x9.txt"));
  EXPECT_TRUE(s.Lines("送信\\Send.ini").empty());
}

TEST_F(MainWindowTest, LocalDeleteThreeLevelsDeepDoesNothing) {
  WriteStandardStore();
  s.WriteLines("受信\\acc\\仕事\\深い\\MsgID.ini", {Rec("<deep@x>", "深", "1")});
  Open();
  ClickNode(Node({"acc", P("仕事"), P("深い")}));
  Select({"<deep@x>"});
  form->mnuLocalMailDelClick();
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(form->model().rowCount(), 1);
}

TEST_F(MainWindowTest, ARightClickedNodeTakesNoCountOrDepthOfTheListedFolder) {
  WriteStandardStore();
  s.WriteLines("受信\\acc\\仕事\\深い\\MsgID.ini", {Rec("<deep@x>", "深", "1")});
  Open();
  ClickNode(Node({"acc", P("仕事"), P("深い")}));
  // A right click (its menu kept closed here) moves the tree's current node to "two"
  // without listing it.
  form->show();
  Tree()->setContextMenuPolicy(Qt::NoContextMenu);
  QTreeWidgetItem* two = Node({"two"});
  QTest::mousePress(Tree()->viewport(), Qt::RightButton, {}, Tree()->visualItemRect(two).center());
  ASSERT_EQ(Tree()->currentItem(), two);
  Select({"<deep@x>"});
  form->ListView1Click();
  EXPECT_EQ(U(two->text(0)), "two");
  EXPECT_EQ(U(Node({"acc", P("仕事"), P("深い")})->text(0)), "深い");
  // The listed folder is three levels deep: local delete still does nothing.
  form->mnuLocalMailDelClick();
  EXPECT_TRUE(ui.shown.empty());
  EXPECT_EQ(form->model().rowCount(), 1);
  // Escape after a click on the root refills the last listed folder: the root keeps its text.
  ClickNode(Tree()->topLevelItem(0));
  form->StopCommand();
  EXPECT_EQ(U(Tree()->topLevelItem(0)->text(0)), "受信");
}

TEST_F(MainWindowTest, DropAcrossAccountsMovesKeysAndRefusesRootAndListedFolder) {
  WriteStandardStore();
  Open();
  EXPECT_FALSE(form->AcceptsDropOn(Tree()->topLevelItem(0)));
  EXPECT_FALSE(form->AcceptsDropOn(Node({"acc"})));
  Select({"<a@x>", "<d@x>"});
  form->TreeView1DragDrop(Node({"two"}));
  EXPECT_EQ(form->model().rowCount(), 3);
  EXPECT_EQ(U(form->StatusText(0)), "3件");
  EXPECT_EQ(U(Node({"two"})->text(0)), "two\t(2)");
  EXPECT_EQ(U(Node({"acc"})->text(0)), "acc");
  EXPECT_EQ(s.Lines("受信\\two\\AlreadMsgID.ini"), (std::vector<std::string>{"<a@x>", "<d@x>"}));
  EXPECT_EQ(s.Lines("受信\\acc\\AlreadMsgID.ini").size(), 3u);
  EXPECT_TRUE(s.Exists("受信\\two\\0a@x9.txt"));
  EXPECT_TRUE(s.Exists("受信\\two\\Attachment\\0a@x9\\資料.pdf"));
  EXPECT_TRUE(ui.shown.empty());  // no question
}

TEST_F(MainWindowTest, FolderNamesEndingInByte5CWorkEndToEnd) {
  WriteStandardStore();
  Open();
  ClickNode(Node({"acc"}));
  ui.inputs = {P("ソフト表")};  // ソ and 表 both end with the byte 0x5C
  form->N23Click();
  QTreeWidgetItem* target = Node({"acc", P("ソフト表")});
  ASSERT_NE(target, nullptr);
  EXPECT_TRUE(std::filesystem::is_directory(s.path() / "受信" / "acc" / "ソフト表"));
  Select({"<a@x>"});
  form->TreeView1DragDrop(target);
  EXPECT_TRUE(std::filesystem::exists(s.path() / "受信" / "acc" / "ソフト表" / "0a@x9.txt"));
  EXPECT_TRUE(std::filesystem::exists(s.path() / "受信" / "acc" / "ソフト表" / "Attachment" /
                                      "0a@x9" / "資料.pdf"));
  ClickNode(target);
  EXPECT_EQ(Subjects(), std::vector<std::string>{"会議の案内"});
  EXPECT_EQ(U(target->text(0)), "ソフト表\t(1)");
}

TEST_F(MainWindowTest, FolderCommandsAskAndKeepTheTreeTrue) {
  WriteStandardStore();
  Open();
  ClickNode(Tree()->topLevelItem(0));
  form->N23Click();  // refused on the root: no question
  EXPECT_TRUE(ui.shown.empty());

  ClickNode(Node({"two"}));
  ui.inputs = {P("新規")};
  form->N23Click();
  EXPECT_EQ(ui.Texts("input"),
            std::vector<std::string>{P("フォルダ追加|新しいフォルダ名を入力してください。")});
  EXPECT_TRUE(s.DirExists("受信\\two\\新規\\"));
  ASSERT_NE(Node({"two", P("新規")}), nullptr);

  ClickNode(Node({"two", P("新規")}));
  ui.answers = {Answer::kYes};
  form->N21Click();
  EXPECT_EQ(ui.Texts("warning").back(),
            P("選択中のフォルダを削除します。\r\n\r\n　　　よろしいですか？"));
  EXPECT_FALSE(s.DirExists("受信\\two\\新規\\"));
  EXPECT_EQ(Node({"two", P("新規")}), nullptr);

  // Deleting the listed folder lets its list go; nothing brings the directory back.
  ClickNode(Node({"acc", P("仕事")}));
  Select({"<w@x>"});
  ui.answers = {Answer::kYes};
  form->N21Click();
  EXPECT_EQ(form->model().rowCount(), 0);
  form->ListView1Click();
  form->mnuToMidokuClick();
  EXPECT_FALSE(s.DirExists("受信\\acc\\仕事\\"));

  EXPECT_FALSE(s.Exists("MsgID.ini"));

  ClickNode(Node({"acc"}));
  ui.inputs = {P("箱")};
  form->N23Click();
  ASSERT_EQ(Node({"acc"})->childCount(), 1);
  ui.answers = {Answer::kYes};
  form->N46Click();
  EXPECT_EQ(ui.Texts("warning").back(),
            P("選択中のフォルダ内の全メールを削除します。\r\n\r\n　　　よろしいですか？"));
  EXPECT_EQ(form->model().rowCount(), 0);
  EXPECT_EQ(U(Node({"acc"})->text(0)), "acc");
  EXPECT_EQ(Node({"acc"})->childCount(), 0);  // the subfolder went with the directory
  EXPECT_FALSE(s.DirExists("受信\\acc\\箱\\"));
  EXPECT_TRUE(form->state().received_keys.empty());
}

TEST_F(MainWindowTest, ExtractionAndRelatedViewFromTheSentViewActOnTheFolder) {
  WriteStandardStore();
  Open();
  auto* sent = form->findChild<QTreeWidget*>("TreeView2");
  sent->setCurrentItem(sent->topLevelItem(0));
  form->TreeView2Click();
  ui.inputs = {P("会議")};
  form->mnuFilterClick();
  ASSERT_EQ(Subjects(), std::vector<std::string>{"会議の案内"});
  Select({"<a@x>"});
  form->ListView1Click();
  EXPECT_TRUE(Body()->toPlainText().contains(QU("会議の案内")));  // the folder's file
  form->mnuColorClick(3);
  EXPECT_EQ(store::GetField(s.Lines("受信\\acc\\MsgID.ini")[0], 6), "3");
  EXPECT_EQ(s.Lines("送信\\Send.ini").size(), 1u);

  form->TreeView2Click();
  form->N34Click();
  ASSERT_EQ(form->model().rowCount(), 1);
  Select({"<a@x>"});
  form->mnuColorClick(4);
  EXPECT_EQ(store::GetField(s.Lines("受信\\acc\\MsgID.ini")[0], 6), "4");
}

TEST_F(MainWindowTest, SubjectSearchAndSearchNextWording) {
  WriteStandardStore();
  Open();
  ui.inputs = {"news"};
  form->mnuSearchrClick();
  EXPECT_EQ(ui.Texts("input"), std::vector<std::string>{P("メール検索|件名を入力してください")});
  std::vector<int> sel = form->SelectedRows();
  ASSERT_EQ(sel.size(), 1u);
  EXPECT_EQ(form->model().rows()[static_cast<size_t>(sel[0])].key(), "<d@x>");
  // Next: nothing after it; the question; Yes starts over and finds it again.
  ui.answers = {Answer::kYes};
  form->mnuSearchNextClick();
  EXPECT_EQ(ui.Texts("warning"),
            std::vector<std::string>{
                P("最後まで検索しましたが、見つかりません。\r\n\r\n  ..最初から検索しますか？")});
  sel = form->SelectedRows();
  ASSERT_EQ(sel.size(), 1u);
  EXPECT_EQ(form->model().rows()[static_cast<size_t>(sel[0])].key(), "<d@x>");

  ui.inputs = {P("ない")};
  ui.answers = {Answer::kCancel};
  form->mnuSearchrClick();
  EXPECT_EQ(ui.Texts("warning").size(), 2u);
}

TEST_F(MainWindowTest, ExtractionAndRelatedViewSetModesAndLists) {
  WriteStandardStore();
  Open();
  ui.inputs = {"2024/03"};
  form->mnuFilterClick();
  EXPECT_EQ(form->model().rowCount(), 3);
  EXPECT_EQ(U(form->ModeText()), "抽出");
  EXPECT_EQ(U(form->StatusText(1)), "抽出中です。");
  EXPECT_TRUE(form->state().extraction_view);
  EXPECT_EQ(U(Tree()->currentItem()->text(0)), "acc\t(2)");  // the folder count stands

  form->N34Click();
  EXPECT_EQ(U(form->ModeText()), "関連");
  EXPECT_EQ(Subjects(), std::vector<std::string>{"会議の案内"});
  EXPECT_EQ(ui.Texts("info").back(), P("完了"));
  EXPECT_EQ(s.Lines("受信\\acc\\Ref.txt").size(), 1u);
  ClickNode(Node({"acc"}));
  EXPECT_EQ(U(form->ModeText()), "通常");
}

TEST_F(MainWindowTest, BodySearchPrintAndSave) {
  WriteStandardStore();
  Open();
  form->mnuBodySearchClick();
  EXPECT_EQ(ui.Texts("info").back(), P("メール本文が表示されていません"));
  Select({"<a@x>"});
  form->ListView1Click();
  // The caret elsewhere does not matter without a selection: the find starts at the top.
  QTextCursor end(Body()->document());
  end.movePosition(QTextCursor::End);
  Body()->setTextCursor(end);
  form->mnuBodySearchClick();
  ASSERT_TRUE(ui.on_find);
  platform::FindRequest req;
  req.text = "http";
  ui.on_find(req);
  EXPECT_EQ(U(Body()->textCursor().selectedText()), "http");
  const int first = Body()->textCursor().selectionStart();
  ui.on_find(req);
  EXPECT_GT(Body()->textCursor().selectionStart(), first);
  req.text = "nothing-like-this";
  ui.answers = {Answer::kCancel};
  ui.on_find(req);
  EXPECT_EQ(ui.Texts("confirm"),
            std::vector<std::string>{P("検索文字は見つかりません。\r\n最初から検索しますか？")});

  ui.print_succeeds = false;
  form->mnuPrintClick();
  ASSERT_EQ(ui.printed.size(), 1u);
  EXPECT_EQ(ui.printed[0][0], "To=me@x");
  EXPECT_EQ(ui.Texts("error"), std::vector<std::string>{P("印刷エラー")});
  EXPECT_EQ(ui.Texts("info").back(), P("終了しました"));

  const std::string out = (s.path() / "saved.txt").string();
  ui.save_results = {out};
  form->N10Click();
  auto saved = platform::ReadWholeFile(out);
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->substr(0, 9), "To=me@x\r\n");
  EXPECT_NE(saved->find(P("会議の案内")), std::string::npos);  // Shift_JIS on disk
}

TEST_F(MainWindowTest, HtmlViewWritesTheScratchPage) {
  WriteStandardStore();
  Open();
  Select({"<b@x>"});
  form->ListView1Click();
  form->HTML1Click();
  auto page = s.fs().ReadFile("test.htm");
  ASSERT_TRUE(page);
  EXPECT_EQ(*page, "\xEF\xBB\xBF<HTML><body>hi</body></html>\r\n");  // UTF-8, marked
  form->N15Click();
  ASSERT_EQ(ui.opened.size(), 1u);
  EXPECT_EQ(ui.opened[0], (s.path() / "Yubinko.html").string());
  form->N32Click();
  EXPECT_EQ(ui.Texts("info").back(), "Yubinko Ver1.1");
}

TEST_F(MainWindowTest, NodeCountsGrowByPathAndStopKeepsTheSentView) {
  WriteStandardStore();
  s.WriteLines("受信\\acc\\表\\MsgID.ini", {Rec("<h@x>", "x", "1")});
  Open();
  form->AddToNodeCount("acc\\" + P("仕事") + "\\", 2);
  EXPECT_EQ(U(Node({"acc", P("仕事")})->text(0)), "仕事\t(3)");
  form->AddToNodeCount("acc\\" + P("表") + "\\", 1);  // 表 ends with the byte 0x5C
  EXPECT_EQ(U(Node({"acc", P("表")})->text(0)), "表\t(2)");
  form->AddToNodeCount("acc\\none\\", 5);  // no such node: nothing changes
  EXPECT_EQ(U(Node({"acc"})->text(0)), "acc\t(2)");

  auto* sent = form->findChild<QTreeWidget*>("TreeView2");
  sent->setCurrentItem(sent->topLevelItem(0));
  form->TreeView2Click();
  form->action("tbStop")->trigger();
  EXPECT_EQ(Subjects(), std::vector<std::string>{"送った"});
}

TEST_F(MainWindowTest, AttachmentsAreSavedWithAnOverwriteQuestionAndOpened) {
  WriteStandardStore();
  Open();
  Select({"<a@x>"});
  form->ListView1Click();
  auto* attachments = form->findChild<QListWidget*>("ListBox1");
  QListWidgetItem* pdf = attachments->findItems(QU("資料.pdf"), Qt::MatchExactly).value(0);
  ASSERT_NE(pdf, nullptr);
  attachments->setCurrentItem(pdf);
  const std::filesystem::path target = s.path() / "out.pdf";
  ui.save_results = {target.string()};
  form->N11Click();
  EXPECT_EQ(ui.Texts("save").back(),
            P("テキストファイル(*.txt)|*.txt|すべてのファイル(*.*)|*.*|資料.pdf"));
  EXPECT_EQ(ui.save_filters.back(), 1);  // "all files" is chosen when the dialog opens
  EXPECT_EQ(platform::ReadWholeFile(target).value_or(""), "%PDF");
  EXPECT_TRUE(ui.Texts("warning").empty());  // a new file: no question

  platform::WriteFileAtomic(target, "mine");
  ui.save_results = {target.string()};
  ui.answers = {Answer::kNo};
  form->N11Click();
  EXPECT_EQ(ui.Texts("warning"),
            std::vector<std::string>{P("同一ﾌｧｲﾙが存在します。上書きしますか？")});
  EXPECT_EQ(platform::ReadWholeFile(target).value_or(""), "mine");
  ui.save_results = {target.string()};
  ui.answers = {Answer::kYes};
  form->N11Click();
  EXPECT_EQ(platform::ReadWholeFile(target).value_or(""), "%PDF");

  form->mnuDirectExeClick();
  ASSERT_EQ(ui.opened.size(), 1u);
  EXPECT_EQ(ui.opened[0], s.fs().Native(P("受信\\acc\\Attachment\\0a@x9\\資料.pdf")).string());
}

TEST_F(MainWindowTest, StandardSizeRestoresTheHeightsAndKeepsTheWidth) {
  WriteStandardStore();
  Open();
  form->show();
  form->resize(800, 700);
  form->N17Click();
  EXPECT_EQ(form->height(), 580);
  EXPECT_EQ(form->width(), 800);
  EXPECT_EQ(form->findChild<QWidget*>("Panel1")->height(), 240);
  EXPECT_EQ(form->findChild<QWidget*>("Panel3")->height(), 89);
}

TEST_F(MainWindowTest, ToolBarAndMenusCarryTheCommandsInOrder) {
  WriteStandardStore();
  Open();
  auto* bar = form->findChild<QToolBar*>("ToolBar1");
  ASSERT_NE(bar, nullptr);
  std::vector<std::string> tools;
  for (QAction* a : bar->actions()) {
    if (a->isSeparator()) {
      tools.push_back("|");
    } else if (!a->toolTip().isEmpty() && !a->icon().isNull()) {
      tools.push_back(U(a->toolTip()));
    }
  }
  EXPECT_EQ(tools,
            (std::vector<std::string>{"終了", "|", "ﾒｰﾙの件名で検索", "受信", "新規作成", "返信",
                                      "転送", "|", "メール削除モード", "中止", "メール削除",
                                      "アカウント設定", "アドレス帳編集", "|"}));
  std::vector<std::string> menus;
  for (QAction* a : form->menuBar()->actions()) menus.push_back(U(a->text()));
  EXPECT_EQ(menus, (std::vector<std::string>{"ファイル", "編集", "検索", "表示", "送受信", "設定",
                                             "ヘルプ"}));
  EXPECT_EQ(form->action("mnuSearchr")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
  EXPECT_EQ(form->action("mnuSearchNext")->shortcut(), QKeySequence(Qt::Key_F3));
  // Commands of later parts stand in the menus but do nothing yet.
  EXPECT_FALSE(form->action("mnuRecieve")->isEnabled());
  EXPECT_TRUE(form->action("mnuCut")->isEnabled());
}

TEST_F(MainWindowTest, PrintingWritesEveryLineAndBreaksPages) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  const QString pdf = QString::fromStdString((s.path() / "out.pdf").string());
  printer.setOutputFileName(pdf);
  std::vector<std::string> lines;
  for (int i = 1; i <= 150; ++i) lines.push_back("line " + std::to_string(i));
  lines.push_back(P("かなの行"));
  ASSERT_TRUE(PrintLinesOn(printer, lines));
  QProcess text;
  text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
  ASSERT_TRUE(text.waitForFinished(30000));
  const QString out = QString::fromUtf8(text.readAllStandardOutput());
  EXPECT_TRUE(out.contains(QStringLiteral("line 1\n")));
  EXPECT_TRUE(out.contains(QStringLiteral("line 150")));
  EXPECT_TRUE(out.contains(QU("かなの行")));
  EXPECT_GE(out.count(QLatin1Char('\f')), 2);  // more than one page
}

TEST_F(MainWindowTest, FileFiltersTakeQtForm) {
  EXPECT_EQ(U(QtFileFilter(P("テキストファイル(*.txt)|*.txt|すべてのファイル(*.*)|*.*"))),
            "テキストファイル(*.txt) (*.txt);;すべてのファイル(*.*) (*.*)");
  EXPECT_EQ(U(QtFileFilter(P("メール(*.eml)|*.eml|すべてのファイル|*.*"))),
            "メール(*.eml) (*.eml);;すべてのファイル (*.*)");
  EXPECT_EQ(U(QtFileFilter("Text (*.txt)")), "Text (*.txt)");
}

TEST_F(MainWindowTest, AFailingCommandShowsTheErrorAndTheWindowGoesOn) {
  WriteStandardStore();
  Open();
  // The folder's index became a directory: saving it fails inside the command.
  std::filesystem::remove(s.fs().Native(P("受信\\acc\\MsgID.ini")));
  std::filesystem::create_directory(s.fs().Native(P("受信\\acc\\MsgID.ini")));
  Select({"<d@x>"});
  form->action("mnuColorRed")->trigger();
  ASSERT_EQ(ui.Texts("error").size(), 1u);
  EXPECT_FALSE(ui.Texts("error")[0].empty());
  form->action("N32")->trigger();  // still answering
  EXPECT_EQ(ui.Texts("info").back(), "Yubinko Ver1.1");
}

#ifdef YUBINKO_HAVE_EML_VIEW
TEST_F(MainWindowTest, OpeningAMessageFileShowsItsHeaderBlockAndBody) {
  WriteStandardStore();
  Open();
  const std::string eml = (s.path() / "in.eml").string();
  platform::WriteFileAtomic(eml,
                            "From: Taro <taro@example.com>\r\nCc: c@example.com\r\n"
                            "Subject: hello there\r\nDate: Fri, 1 Mar 2024 09:00:00 +0900\r\n"
                            "\r\nplain body\r\n");
  ui.open_results = {{eml}};
  form->N9Click();
  EXPECT_EQ(ui.Texts("open"),
            std::vector<std::string>{P("メール(*.eml)|*.eml|すべてのファイル|*.*")});
  const QStringList lines = Body()->toPlainText().split(QLatin1Char('\n'));
  ASSERT_GE(lines.size(), 8);
  EXPECT_EQ(U(lines[0]), "ReplyTo=");  // no Reply-To header
  EXPECT_EQ(U(lines[1]), "CCList=c@example.com");
  EXPECT_EQ(U(lines[4]), "件名：hellothere");
  EXPECT_TRUE(Body()->toPlainText().contains(QStringLiteral("plain body")));
  EXPECT_EQ(form->model().rowCount(), 5);  // the list is untouched

  ui.open_results = {{(s.path() / "missing.eml").string()}};
  form->N9Click();
  EXPECT_EQ(ui.Texts("info").back(), P("EMLファイルの読み込みに失敗しました。"));
  EXPECT_TRUE(Body()->toPlainText().contains(QStringLiteral("plain body")));
}
#endif

}  // namespace
}  // namespace app

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();  // listing needs no display
  // The application lives on main's stack so it goes before the statics it uses.
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
