// The main window as host of the other windows' commands (wiring, the state::MainView
// operations, the stop command) and its behaviour when the store fails under it.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QTableView>
#include <QTextEdit>
#include <QTreeWidget>
#include <filesystem>
#include <stdexcept>

#include "app/main_window_fixture.h"
#include "app/qt_text.h"
#include "app/qt_ui_services.h"
#include "transport/testing/scripted_server.h"

namespace app {
namespace {

using platform::Answer;
using testing::MainWindowTest;
using testing::P;
using testing::Rec;
using testing::U;

using MainWindowHostTest = MainWindowTest;

std::vector<std::string> Keys(const MessageModel& model, const std::vector<int>& rows) {
  std::vector<std::string> keys;
  for (int r : rows) keys.push_back(model.rows()[static_cast<size_t>(r)].key());
  return keys;
}

// Replaces a store file by a directory of the same name: reading or replacing it then fails.
void Obstruct(const testing::TestStore& s, const char* utf8_path) {
  const std::filesystem::path native = s.fs().Native(P(utf8_path));
  std::filesystem::remove(native);
  std::filesystem::create_directories(native);
}

// Makes a store file one that exists but fails to read (even for root): a link to this
// process's memory file, whose first page is never mapped.
void MakeUnreadable(const testing::TestStore& s, const char* utf8_path) {
  const std::filesystem::path native = s.fs().Native(P(utf8_path));
  std::filesystem::remove(native);
  std::filesystem::create_symlink("/proc/self/mem", native);
}

TEST_F(MainWindowHostTest, WiredCommandsEnableMenuItemAndToolButtonAndRunGuarded) {
  WriteStandardStore();
  Open();
  EXPECT_FALSE(form->action("mnuRecieve")->isEnabled());
  EXPECT_FALSE(form->action("tbRecieve")->isEnabled());
  int runs = 0;
  // Error texts arrive as Shift_JIS messages of the mail code or with UTF-8 file names.
  const std::string certificate = platform::Sjis("証明書の有効期限が切れています。");
  form->WireCommand({"mnuRecieve", "tbRecieve"}, [&] {
    if (++runs == 2) throw std::runtime_error("connection refused");
    if (runs == 3) throw std::runtime_error(certificate);
    if (runs == 4) throw std::runtime_error("cannot write /tmp/受信/MsgID.ini");
  });
  EXPECT_TRUE(form->action("mnuRecieve")->isEnabled());
  EXPECT_TRUE(form->action("tbRecieve")->isEnabled());
  form->action("mnuRecieve")->trigger();
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(ui.Texts("error").empty());
  // The second run throws: the default error box shows its text and the window goes on.
  form->action("tbRecieve")->trigger();
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(ui.Texts("error"), std::vector<std::string>{"connection refused"});
  form->action("tbRecieve")->trigger();
  form->action("tbRecieve")->trigger();
  EXPECT_EQ(runs, 4);
  EXPECT_EQ(ui.Texts("error"),
            (std::vector<std::string>{"connection refused", certificate,
                                      platform::Sjis("cannot write /tmp/受信/MsgID.ini")}));
  form->action("tbRecieve")->trigger();
  EXPECT_EQ(runs, 5);
  form->action("N32")->trigger();
  EXPECT_EQ(ui.Texts("info").back(), "Yubinko Ver1.1");
  // A misspelt name is a programming error caught at wiring time.
  EXPECT_THROW(form->WireCommand({"mnuNoSuchThing"}, [] {}), std::logic_error);
}

TEST_F(MainWindowHostTest, ListOperationsOfTheMainView) {
  WriteStandardStore();
  Open();
  state::MainView& view = *form;
  view.InsertRowAtTop(Rec("<new@x>", "新着", "1", "2024/03/04_09:00:00"));
  view.AppendRow("<tail@x>\t" + P("末尾"));  // later fields may be missing
  ASSERT_EQ(form->model().rowCount(), 7);
  EXPECT_EQ(form->model().rows().front().key(), "<new@x>");
  EXPECT_EQ(form->model().rows().back().key(), "<tail@x>");
  EXPECT_EQ(form->model().rows().back().col[0], P("末尾"));
  EXPECT_EQ(form->model().rows().back().state(), "");

  Select({"<c@x>", "<new@x>"});
  EXPECT_EQ(Keys(form->model(), view.SelectedRowPositions()),
            (std::vector<std::string>{"<new@x>", "<c@x>"}));

  // Sorted oldest first, then newest first again through the view.
  form->ListView1ColumnClick(2);
  EXPECT_EQ(form->model().rows().front().key(), "<tail@x>");  // no date sorts first
  view.SortNewestFirst();
  EXPECT_EQ(form->state().sort_state, -3);
  EXPECT_EQ(form->model().rows().front().key(), "<new@x>");

  view.SetAccountLabel("two");
  EXPECT_EQ(U(form->findChild<QLabel*>("LblAccount")->text()), "ｱｶｳﾝﾄ:two");
  view.SetMode(P("受信"), 0, 255, 0);
  EXPECT_EQ(U(form->ModeText()), "受信");
  view.SetStatus(1, P("受信中"));
  EXPECT_EQ(U(form->StatusText(1)), "受信中");

  view.ClearList();
  EXPECT_EQ(form->model().rowCount(), 0);
  view.FillList({Rec("<x@x>", "x", "1"), Rec("<y@x>", "y", "1")});
  EXPECT_EQ(form->model().rowCount(), 2);
  EXPECT_EQ(U(Node({"acc"})->text(0)), "acc\t(2)");  // the listed folder's count
}

TEST_F(MainWindowHostTest, FolderOperationsOfTheMainView) {
  WriteStandardStore();
  Open();
  state::MainView& view = *form;
  EXPECT_TRUE(view.SelectFolder(P("受信\\acc\\仕事\\")));
  EXPECT_EQ(Tree()->currentItem(), Node({"acc", P("仕事")}));
  EXPECT_EQ(form->model().rowCount(), 5);  // selected, not listed
  EXPECT_FALSE(view.SelectFolder(P("受信\\acc\\none\\")));
  EXPECT_FALSE(view.SelectFolder(P("送信\\")));
  EXPECT_EQ(Tree()->currentItem(), Node({"acc", P("仕事")}));

  // Counts go to the listed folder's node, even with another node highlighted.
  view.RefreshListedNodeCount(7);
  EXPECT_EQ(U(Node({"acc"})->text(0)), "acc\t(7)");
  EXPECT_EQ(U(Node({"acc", P("仕事")})->text(0)), "仕事\t(1)");
  view.RefreshListedNodeCount(0);
  EXPECT_EQ(U(Node({"acc"})->text(0)), "acc");
  view.AddToNodeCount("two\\", 3);
  EXPECT_EQ(U(Node({"two"})->text(0)), "two\t(3)");

  // A folder made on disk by another window appears when the tree is rebuilt, and the
  // listed folder's node is selected again.
  s.WriteLines("受信\\three\\MsgID.ini", {Rec("<t@x>", "t", "1")});
  view.RebuildFolderTree();
  ASSERT_NE(Node({"three"}), nullptr);
  EXPECT_EQ(U(Node({"three"})->text(0)), "three\t(1)");
  EXPECT_EQ(Tree()->currentItem(), Node({"acc"}));
}

TEST_F(MainWindowHostTest, StopCommandDisconnectsPopAndRunsTheStopHandlers) {
  WriteStandardStore();
  Open();
  // Only the connection matters here, not the login: the socket is opened as it is.
  transport::testing::ScriptedServer server("C: QUIT\\r\\n\n");
  transport::TIdPOP3& pop = form->state().POP;
  pop.Host = "127.0.0.1";
  pop.Port = server.Port();
  pop.TIdTCPClient::Connect();
  ASSERT_TRUE(pop.IsConnected());
  int stops = 0;
  form->AddStopHandler([&] { ++stops; });
  ui.timer_enabled = true;
  form->state().deletion_mode = true;
  form->action("mnuRecieveStop")->trigger();
  EXPECT_FALSE(pop.IsConnected());
  EXPECT_EQ(server.Finish(), "");
  EXPECT_TRUE(form->state().abort);
  EXPECT_FALSE(form->state().deletion_mode);
  EXPECT_FALSE(ui.timer_enabled);
  EXPECT_EQ(stops, 1);
  form->action("tbStop")->trigger();  // nothing connected: still fine
  EXPECT_EQ(stops, 2);
  EXPECT_TRUE(ui.Texts("error").empty());
}

TEST_F(MainWindowHostTest, SelectionFollowsItsMessagesThroughEverySort) {
  WriteStandardStore();
  Open();
  Select({"<a@x>", "<e@x>"});
  form->ListView1Click();  // shows <a@x>, the current row
  auto selected_keys = [&] {
    std::vector<std::string> keys = Keys(form->model(), form->SelectedRows());
    std::sort(keys.begin(), keys.end());
    return keys;
  };
  const std::vector<std::string> wanted = {"<a@x>", "<e@x>"};
  for (int column : {0, 1, 3, 0, 5, 6}) {
    form->ListView1ColumnClick(column);
    EXPECT_EQ(selected_keys(), wanted) << "after a click on column " << column;
    EXPECT_EQ(form->model().rows()[static_cast<size_t>(form->FirstSelectedRow())].key(), "<a@x>");
  }
  for (const char* choice : {"mnuSortUnread", "mnuSortSubject", "mnuSortNew"}) {
    form->action(choice)->trigger();
    EXPECT_EQ(selected_keys(), wanted) << choice;
  }
  form->SortNewestFirst();
  EXPECT_EQ(selected_keys(), wanted);
  // Commands on the selection act on the same messages: colour goes to the shown one.
  form->mnuColorClick(4);
  EXPECT_EQ(form->model().rows()[static_cast<size_t>(RowOf("<a@x>"))].state(), "4");
  EXPECT_EQ(form->model().rows()[static_cast<size_t>(RowOf("<b@x>"))].state(), "2");
}

TEST_F(MainWindowHostTest, StartUpFailuresAreShownAndTheWindowOpens) {
  WriteStandardStore();
  MakeUnreadable(s, "送信\\Send.ini");
  Open();
  ASSERT_EQ(ui.Texts("error").size(), 1u);
  EXPECT_NE(ui.Texts("error")[0].find("Send.ini"), std::string::npos);
  // The rest of the start-up went on: the account is listed and both trees are there.
  EXPECT_EQ(form->model().rowCount(), 5);
  EXPECT_EQ(form->findChild<QTreeWidget*>("TreeView2")->topLevelItemCount(), 1);
  form.reset();
  EXPECT_EQ(s.Lines("Yubinko.ini"), std::vector<std::string>{"acc"});

  // An unreadable account list: its error, no claim that there is no account, the tree.
  ui.shown.clear();
  std::filesystem::remove(s.fs().Native(P("送信\\Send.ini")));
  Obstruct(s, "Account.ini");
  Open();
  EXPECT_EQ(ui.Texts("error").size(), 1u);
  EXPECT_TRUE(ui.Texts("info").empty());
  EXPECT_NE(Node({"acc"}), nullptr);
  EXPECT_EQ(form->model().rowCount(), 0);
  form.reset();
  EXPECT_TRUE(s.DirExists("Account.ini"));  // nothing written over it
}

TEST_F(MainWindowHostTest, AnUnwritableReceivedRootStillOpensTheWindow) {
  s.WriteLines("Account.ini", {"new\tpop\tu\tpw\tsmtp\tme@x\t110\t25\t0"});
  s.Write("受信", "not a directory");
  Open();
  ASSERT_EQ(ui.Texts("error").size(), 1u);
  EXPECT_EQ(U(form->findChild<QLabel*>("LblAccount")->text()), "ｱｶｳﾝﾄ:new");
  ASSERT_EQ(Tree()->topLevelItemCount(), 1);  // the root, with nothing below
  EXPECT_EQ(Tree()->topLevelItem(0)->childCount(), 0);
  EXPECT_EQ(form->findChild<QTreeWidget*>("TreeView2")->topLevelItemCount(), 1);
  EXPECT_TRUE(form->state().current_folder.empty());  // nothing will be written there
  form->action("N32")->trigger();
  EXPECT_EQ(ui.Texts("info").back(), "Yubinko Ver1.1");
}

TEST_F(MainWindowHostTest, ShutdownFailuresAreShownAndEverythingElseIsSaved) {
  WriteStandardStore();
  Open();
  form->state().CurrentAccountName = "two";
  Obstruct(s, "Account.ini");  // a save that fails like a full disk
  QCloseEvent close;
  QApplication::sendEvent(form.get(), &close);
  EXPECT_TRUE(close.isAccepted());
  ASSERT_EQ(ui.Texts("error").size(), 1u);
  EXPECT_NE(ui.Texts("error")[0].find("Account.ini"), std::string::npos);
  EXPECT_EQ(s.Lines("Yubinko.ini"), std::vector<std::string>{"two"});
  form.reset();  // shutdown ran once: no second error
  EXPECT_EQ(ui.Texts("error").size(), 1u);
}

TEST_F(MainWindowHostTest, ANewAccountsFolderHasItsNodeFromTheStart) {
  WriteStandardStore();
  s.WriteLines("Account.ini", {"acc\tpop\tuser\tpw\tsmtp\tme@x\t110\t25\t0",
                               "fresh\tpop\tu\tpw\tsmtp\tme@x\t110\t25\t0"});
  s.WriteLines("Yubinko.ini", {"fresh"});
  Open();
  QTreeWidgetItem* fresh = Node({"fresh"});
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(Tree()->currentItem(), fresh);
  EXPECT_TRUE(s.Exists("受信\\fresh\\MsgID.ini"));
  EXPECT_TRUE(s.Exists("受信\\fresh\\AlreadMsgID.ini"));
  // Mail received into it shows a count on its node and can be deleted locally.
  form->InsertRowAtTop(Rec("<n@x>", "n", "1"));
  form->state().folder_index.Add(Rec("<n@x>", "n", "1"));
  form->RefreshListedNodeCount(1);
  EXPECT_EQ(U(fresh->text(0)), "fresh\t(1)");
  Select({"<n@x>"});
  ui.answers = {Answer::kYes};
  form->mnuLocalMailDelClick();
  EXPECT_EQ(ui.Texts("warning").size(), 1u);
  EXPECT_EQ(form->model().rowCount(), 0);
  EXPECT_EQ(U(fresh->text(0)), "fresh");
}

TEST_F(MainWindowHostTest, EmptyingASubfolderSavesTheForgottenKeysAtOnce) {
  WriteStandardStore();
  s.WriteLines("受信\\acc\\AlreadMsgID.ini", {"<a@x>", "<b@x>", "<w@x>"});
  Open();
  Tree()->setCurrentItem(Node({"acc", P("仕事")}));  // highlighted, "acc" still listed
  ui.answers = {Answer::kYes};
  form->N46Click();
  EXPECT_EQ(s.Lines("受信\\acc\\AlreadMsgID.ini"), (std::vector<std::string>{"<a@x>", "<b@x>"}));
}

TEST_F(MainWindowHostTest, TheHtmlScratchPageIsUtf8WithAByteOrderMark) {
  WriteStandardStore();
  // The HTML names a charset the stored (Shift_JIS) text no longer has.
  s.Write("受信\\acc\\0e@x9.txt",
          P("To=me@x\r\n-------------------\r\n<html><head><meta charset=\"iso-2022-jp\">"
            "<title>予定表</title></head><body>週報　①</body></html>\r\n"));
  Open();
  Select({"<e@x>"});
  form->ListView1Click();
  form->HTML1Click();
  const std::optional<std::string> page = s.fs().ReadFile("test.htm");
  ASSERT_TRUE(page);
  ASSERT_GE(page->size(), 3u);
  EXPECT_EQ(page->substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_EQ(QString::fromUtf8(page->substr(3)),
            QU("<html><head><meta charset=\"iso-2022-jp\"><title>予定表</title></head>"
               "<body>週報　①</body></html>\r\n"));
}

TEST_F(MainWindowHostTest, PrintingWrapsLinesWiderThanThePage) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  const QString pdf = QString::fromStdString((s.path() / "wide.pdf").string());
  printer.setOutputFileName(pdf);
  std::string wide = "START";
  for (int i = 0; i < 60; ++i) wide += " word" + std::to_string(i);
  wide += " FINISH";
  std::string kana;
  for (int i = 0; i < 80; ++i) kana += P("あ");
  kana += "TAIL";
  ASSERT_TRUE(PrintLinesOn(printer, {wide, kana, "short"}));
  QProcess text;
  text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
  ASSERT_TRUE(text.waitForFinished(30000));
  const QString out = QString::fromUtf8(text.readAllStandardOutput());
  EXPECT_TRUE(out.contains(QStringLiteral("START")));
  EXPECT_TRUE(out.contains(QStringLiteral("FINISH")));  // past the right margin
  // On a printed line of its own, not drawn off the page beside the start.
  for (const QString& printed : out.split(QLatin1Char('\n'))) {
    EXPECT_FALSE(printed.contains(QStringLiteral("START")) &&
                 printed.contains(QStringLiteral("FINISH")));
  }
  EXPECT_TRUE(out.contains(QStringLiteral("TAIL")));
  EXPECT_TRUE(out.contains(QStringLiteral("short")));
}

}  // namespace
}  // namespace app
