// The settings window offscreen over the real main window: the rule editor driven through its
// widgets while it is shown modally, the rule run behind "現在のフォルダに適用", and the
// "新着チェック" tab handing its run flag and interval to the new-mail check.
#include "rules/rules_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/main_window.h"
#include "app/message_model.h"
#include "app/test_store.h"
#include "platform/testing/scripted_ui_services.h"
#include "receive/receive_test_support.h"
#include "receive/receive_window.h"
#include "store/paths.h"

namespace rules {
namespace {

using app::testing::P;
using app::testing::Rec;

std::string U(const QString& s) { return s.toStdString(); }

class RulesWindowTest : public ::testing::Test {
 protected:
  // Account "acct" with two messages in its folder, a subfolder "sub" holding one unread
  // message (so its node reads "sub\t(1)") and a second account "other".
  void WriteStore() {
    s.WriteLines("Account.ini", {"acct\tpop\talice\tpw\tsmtp\tme@x\t110\t25\t0",
                                 "other\tpop\tbob\tpw\tsmtp\tbob@x\t110\t25\t0"});
    s.WriteLines("Yubinko.ini", {"acct"});
    s.WriteLines("受信\\acct\\MsgID.ini",
                 {Rec("<a@x>", "Hello", "2", "2024/03/02_09:00:00", "100", "2", "taro@x"),
                  Rec("<b@x>", "会議", "2", "2024/03/01_09:00:00", "100", "2", "hanako@x")});
    s.Write("受信\\acct\\0a@x9.txt", "body a");
    s.Write("受信\\acct\\Attachment\\0a@x9\\f.txt", "attached");
    s.Write("受信\\acct\\0b@x9.txt", "body b");
    s.WriteLines("受信\\acct\\sub\\MsgID.ini", {Rec("<s@x>", "old", "1")});
    s.WriteLines("受信\\other\\MsgID.ini", {});
  }
  void Open() {
    form1 = std::make_unique<app::TForm1>(s.path(), ui);
    form7 = CreateRulesWindow(*form1);
  }
  // With the new-mail window created after the settings window, as at start-up, and the
  // POP3 client pointed at `server`.
  void OpenWithCheck(const transport::testing::ScriptedServer& server) {
    WriteStore();
    Open();
    receive::CreateReceiveWindow(*form1);
    state::MainState& st = form1->state();
    st.POP.Host = "127.0.0.1";
    st.POP.Port = server.Port();
    st.POP.Username = "alice";
    st.POP.Password = "pw";
  }

  // Runs `inside` while the window is shown modally by the command `action`. A step that
  // leaves the window open gets it closed afterwards, so a failing test cannot hang.
  void WhileShown(const char* action, std::function<void()> inside) {
    bool ran = false;
    QTimer::singleShot(0, form7, [&] {
      ran = true;
      EXPECT_TRUE(form7->isVisible());
      EXPECT_TRUE(form7->isModal());
      inside();
      open_after = form7->isVisible();
      if (open_after) form7->reject();
    });
    form1->action(QString::fromLatin1(action))->trigger();
    EXPECT_TRUE(ran) << action << " did not show the window";
  }

  template <typename W>
  W* Child(const char* name) {
    W* w = form7->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  void Click(const char* button) { Child<QPushButton>(button)->click(); }
  QListWidget* Rules() { return Child<QListWidget>("ListBoxRule"); }
  QTreeWidget* Tree() { return Child<QTreeWidget>("TreeView1"); }
  QTreeWidgetItem* Node(const char* utf8_text) {
    const auto found = Tree()->findItems(QString::fromUtf8(utf8_text),
                                         Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.front();
  }
  std::vector<std::string> ListTexts() {
    std::vector<std::string> out;
    for (int i = 0; i < Rules()->count(); ++i) out.push_back(U(Rules()->item(i)->text()));
    return out;
  }
  void ClickRule(int row) {
    QListWidgetItem* item = Rules()->item(row);
    QTest::mouseClick(Rules()->viewport(), Qt::LeftButton, {},
                      Rules()->visualItemRect(item).center());
  }
  void SelectMessage(int row) {
    auto* list = form1->findChild<QTableView*>(QStringLiteral("ListView1"));
    list->selectionModel()->select(form1->model().index(row, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }

  app::testing::TestStore s;
  platform::testing::ScriptedUiServices ui;
  std::unique_ptr<app::TForm1> form1;
  TForm7* form7 = nullptr;
  bool open_after = false;
};

TEST_F(RulesWindowTest, CreationLoadsRulesCopiesTheTreeAndSetsDefaults) {
  WriteStore();
  s.WriteLines("rule.ini", {P("件名\tx\tacct"), P("差出人\ty\t削除")});
  Open();
  EXPECT_EQ(ListTexts(), (std::vector<std::string>{"件名\tx\tacct", "差出人\ty\t削除"}));
  EXPECT_EQ(U(Child<QComboBox>("ComboBox1")->currentText()), "差出人");
  EXPECT_FALSE(Child<QRadioButton>("RadioButton1")->isChecked());
  EXPECT_FALSE(Child<QRadioButton>("RadioButton2")->isChecked());
  EXPECT_EQ(U(Child<QComboBox>("ComboBox3")->currentText()), "2");

  // The copy carries the node texts with their unread counts, every node expanded, and is
  // not refreshed when the main window's tree changes.
  auto* main_tree = form1->findChild<QTreeWidget*>(QStringLiteral("TreeView1"));
  ASSERT_EQ(Tree()->topLevelItemCount(), main_tree->topLevelItemCount());
  QTreeWidgetItem* sub = Node("sub\t(1)");
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(U(sub->parent()->text(0)), U(form1->FindNode({P("acct")})->text(0)));
  EXPECT_TRUE(sub->parent()->isExpanded());
  EXPECT_FALSE(sub->icon(0).isNull());
  EXPECT_TRUE(Tree()->topLevelItem(0)->isExpanded());
  new QTreeWidgetItem(main_tree->topLevelItem(0), QStringList{QStringLiteral("later")});
  EXPECT_EQ(Node("later"), nullptr);
}

TEST_F(RulesWindowTest, EditorAddsEditsRemovesAndOnlySaveWrites) {
  WriteStore();
  Open();
  SelectMessage(0);  // newest first: "Hello" from taro@x
  WhileShown("mnuRule", [&] {
    EXPECT_EQ(Child<QTabWidget>("PageControl1")->currentIndex(), 0);
    auto* keyword = Child<QComboBox>("ComboBox2");
    ASSERT_EQ(keyword->count(), 2);
    EXPECT_EQ(U(keyword->itemText(1)), "taro@x");
    EXPECT_EQ(U(keyword->currentText()), "Hello");
    Child<QComboBox>("ComboBox1")->setCurrentIndex(1);  // 件名

    Click("Button1");  // neither radio button: a delete rule
    Child<QRadioButton>("RadioButton1")->click();
    Click("Button1");  // へ移動 without a folder: ignored
    Tree()->setCurrentItem(Node("sub\t(1)"));
    Click("Button1");
    keyword->setEditText(QString());
    Click("Button1");  // no keyword: ignored
    EXPECT_EQ(ListTexts(), (std::vector<std::string>{"件名\tHello\t削除", "件名\tHello\tacct\\sub"}));

    // 編集 with nothing selected appends; with a selected line replaces it.
    keyword->setEditText(QStringLiteral("a\tb"));  // the TAB becomes a space
    Click("Button5");
    ASSERT_EQ(Rules()->count(), 3);
    EXPECT_EQ(U(Rules()->item(2)->text()), "件名\ta b\tacct\\sub");
    ClickRule(0);
    keyword->setEditText(QStringLiteral("spam"));
    Child<QRadioButton>("RadioButton2")->click();
    Click("Button5");
    ClickRule(2);
    Click("Button2");
    EXPECT_EQ(ListTexts(), (std::vector<std::string>{"件名\tspam\t削除", "件名\tHello\tacct\\sub"}));
    Click("Button3");  // 閉じる: nothing written
    EXPECT_FALSE(form7->isVisible());
  });
  EXPECT_FALSE(open_after);
  EXPECT_FALSE(s.Exists("rule.ini"));

  // The list keeps its unsaved lines for the next opening; 登録 writes them and closes.
  form1->findChild<QTableView*>(QStringLiteral("ListView1"))->clearSelection();
  WhileShown("mnuRule", [&] {
    EXPECT_EQ(Child<QComboBox>("ComboBox2")->count(), 0);
    EXPECT_EQ(U(Child<QComboBox>("ComboBox2")->currentText()), "");
    EXPECT_EQ(Rules()->count(), 2);
    Click("Button4");
  });
  EXPECT_FALSE(open_after);
  EXPECT_EQ(*s.fs().ReadFile("rule.ini"),
            P("件名\tspam\t削除\r\n件名\tHello\tacct\\sub\r\n"));
}

TEST_F(RulesWindowTest, RuleFileThatIsNoFileIsReportedAtStartAndOnSave) {
  WriteStore();
  s.Write("rule.ini\\x", "");  // a folder where the file should be
  std::filesystem::remove(s.path() / "rule.ini" / "x");
  Open();  // the program still starts
  ASSERT_EQ(ui.shown.size(), 1u);
  EXPECT_EQ(ui.shown[0].kind, "error");
  EXPECT_EQ(Rules()->count(), 0);
  WhileShown("mnuRule", [&] {
    Child<QComboBox>("ComboBox2")->setEditText(QStringLiteral("kw"));
    Click("Button1");
    Click("Button4");
    EXPECT_TRUE(form7->isVisible());
    ASSERT_FALSE(ui.shown.empty());
    EXPECT_EQ(ui.shown.back().kind, "error");
    EXPECT_EQ(Rules()->count(), 1);  // nothing typed is lost
  });
  EXPECT_TRUE(open_after);
}

TEST_F(RulesWindowTest, BytesThatUnicodeWouldChangeAreKeptInLinesAndOfferedKeywords) {
  // FA 58 reads as U+3231, which converts back to 87 8A: a round trip would rewrite it.
  const std::string ibm = "\xFA\x58";
  const std::string kept = P("件名\t") + ibm + P("\t削除");
  WriteStore();
  s.fs().WriteFileAtomic(P("受信\\acct\\MsgID.ini"),
                         "<k@x>\t" + ibm + "\tx@y\t2024/03/09_09:00:00\t1\t2\t2\r\n");
  s.Write("rule.ini", kept + "\r\n");
  Open();
  SelectMessage(0);
  WhileShown("mnuRule", [&] {
    Child<QComboBox>("ComboBox1")->setCurrentIndex(1);
    Click("Button1");  // the offered subject, unchanged, as a delete rule
    Click("Button4");
  });
  EXPECT_EQ(*s.fs().ReadFile("rule.ini"), kept + "\r\n" + kept + "\r\n");
  // Nothing offered this time: a selected rule rebuilt from the controls it loaded.
  form1->findChild<QTableView*>(QStringLiteral("ListView1"))->clearSelection();
  WhileShown("mnuRule", [&] {
    ClickRule(1);
    Click("Button5");
    Click("Button4");
  });
  EXPECT_EQ(*s.fs().ReadFile("rule.ini"), kept + "\r\n" + kept + "\r\n");
}

TEST_F(RulesWindowTest, SelectingARuleLoadsItsFieldsAndItsFolderNode) {
  WriteStore();
  s.WriteLines("rule.ini", {P("件名\tkw\tacct\\sub"), P("差出人\tz\t削除"), P("件名\tonly two")});
  Open();
  WhileShown("mnuRule", [&] {
    ClickRule(0);
    EXPECT_EQ(U(Child<QComboBox>("ComboBox1")->currentText()), "件名");
    EXPECT_EQ(U(Child<QComboBox>("ComboBox2")->currentText()), "kw");
    ASSERT_NE(Tree()->currentItem(), nullptr);
    EXPECT_EQ(U(Tree()->currentItem()->text(0)), "sub\t(1)");
    // A line without three fields loads nothing.
    ClickRule(2);
    EXPECT_EQ(U(Child<QComboBox>("ComboBox2")->currentText()), "kw");
    // The arrow keys load the rule they move to.
    form7->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form7));
    Rules()->setFocus();
    QTest::keyClick(Rules(), Qt::Key_Up);
    EXPECT_EQ(U(Child<QComboBox>("ComboBox1")->currentText()), "差出人");
    EXPECT_EQ(U(Child<QComboBox>("ComboBox2")->currentText()), "z");
    Click("Button3");
  });
}

TEST_F(RulesWindowTest, ApplyAsksThenMovesTheCurrentFolderAndCloses) {
  WriteStore();
  s.WriteLines("rule.ini", {P("差出人\ttaro\tother"), P("件名\t会議\t削除")});
  Open();
  ASSERT_EQ(form1->model().rowCount(), 2);
  ui.answers = {platform::Answer::kNo, platform::Answer::kYes};
  WhileShown("mnuRule", [&] {
    // The first rule, unsaved, made to delete Hello: the run uses only what rule.ini holds.
    ClickRule(0);
    Child<QComboBox>("ComboBox1")->setCurrentIndex(1);
    Child<QComboBox>("ComboBox2")->setEditText(QStringLiteral("Hello"));
    Child<QRadioButton>("RadioButton2")->click();
    Click("Button5");
    ASSERT_EQ(U(Rules()->item(0)->text()), "件名\tHello\t削除");
    Click("Button6");  // No: nothing happens, the window stays
    EXPECT_TRUE(form7->isVisible());
    EXPECT_TRUE(s.Exists("受信\\acct\\0a@x9.txt"));
    Click("Button6");
  });
  EXPECT_FALSE(open_after);
  ASSERT_GE(ui.shown.size(), 3u);
  EXPECT_EQ(ui.shown[0].kind, "warning");
  EXPECT_EQ(ui.shown[0].text,
            P("現在のフォルダ【受信\\acct\\】\r\n内のメールをルールにしたがって\r\n"
              "指定したフォルダへ移動します。\r\n\r\n   よろしいですか？"));
  EXPECT_EQ(ui.shown.back().kind, "info");
  EXPECT_EQ(ui.shown.back().text, P("完了"));
  // Hello from taro went to "other" with its attachment directory; 会議 was deleted.
  EXPECT_EQ(form1->model().rowCount(), 0);
  EXPECT_TRUE(s.Lines("受信\\acct\\MsgID.ini").empty());
  ASSERT_EQ(s.Lines("受信\\other\\MsgID.ini").size(), 1u);
  EXPECT_TRUE(s.Exists("受信\\other\\0a@x9.txt"));
  EXPECT_TRUE(s.Exists("受信\\other\\Attachment\\0a@x9\\f.txt"));
  EXPECT_FALSE(s.Exists("受信\\acct\\0a@x9.txt"));
  EXPECT_FALSE(s.Exists("受信\\acct\\0b@x9.txt"));
}

TEST_F(RulesWindowTest, CheckTabRunStartsTheNewMailTimerAndStopLeavesItRunning) {
  using receive::testing::Script;
  transport::testing::ScriptedServer server(Script().Stat(0).Quit().steps);
  OpenWithCheck(server);
  state::MainState& st = form1->state();

  // Closing with a rules-tab button leaves the flag clear: no check runs.
  WhileShown("mnuNewCheck", [&] {
    EXPECT_EQ(Child<QTabWidget>("PageControl1")->currentIndex(), 1);
    Click("Button3");
  });
  EXPECT_FALSE(ui.timer_enabled);

  WhileShown("mnuNewCheck", [&] {
    Child<QComboBox>("ComboBox3")->setCurrentIndex(5);  // "10"
    Click("Button7");
  });
  EXPECT_FALSE(open_after);
  EXPECT_EQ(server.Finish(), "");  // the first check ran at once
  EXPECT_TRUE(ui.timer_enabled);
  EXPECT_EQ(ui.timer_interval, 600000);
  EXPECT_EQ(U(form1->StatusText(1)), "タイマー起動中（10分間隔）");

  WhileShown("mnuNewCheck", [&] { Click("Button8"); });
  EXPECT_FALSE(st.new_check_run);
  EXPECT_TRUE(ui.timer_enabled);
  EXPECT_EQ(ui.timer_interval, 600000);
}

TEST_F(RulesWindowTest, CheckTabTypedIntervalThatIsNoNumberLeavesTheTimerOff) {
  using receive::testing::Script;
  transport::testing::ScriptedServer server(Script().Stat(0).Quit().steps);
  OpenWithCheck(server);
  WhileShown("mnuNewCheck", [&] {
    Child<QComboBox>("ComboBox3")->setEditText(QStringLiteral("x5"));
    Click("Button7");
  });
  EXPECT_EQ(server.Finish(), "");
  EXPECT_FALSE(ui.timer_enabled);
  ASSERT_FALSE(ui.shown.empty());
  EXPECT_EQ(ui.shown.back().kind, "error");
}

}  // namespace
}  // namespace rules

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();  // listing needs no display
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
