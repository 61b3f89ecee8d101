// The accounts window over the real main window, offscreen, with the scripted services.
#include "accounts/accounts_window.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <memory>

#include "app/main_window.h"
#include "platform/codepage.h"
#include "platform/testing/scripted_ui_services.h"
#include "platform/testing/temp_app_dir.h"

namespace accounts {
namespace {

using platform::Sjis;

std::string U(const QString& s) { return s.toStdString(); }

class AccountsWindowTest : public ::testing::Test {
 protected:
  void Open() {
    form1 = std::make_unique<app::TForm1>(dir.path(), ui);
    form2 = CreateAccountsWindow(*form1);
  }
  template <typename T>
  T* Find(const char* name) {
    T* w = form2->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  void Type(const char* name, const char* utf8) {
    QLineEdit* e = Find<QLineEdit>(name);
    e->clear();
    // Key clicks carry Latin-1 keys only; Japanese text arrives as an input method would
    // commit it.
    const QString text = QString::fromUtf8(utf8);
    bool ascii = true;
    for (QChar c : text) ascii = ascii && c.unicode() < 0x80;
    if (ascii) {
      QTest::keyClicks(e, text);
    } else {
      e->insert(text);
    }
  }
  void Click(const char* name) { QTest::mouseClick(Find<QPushButton>(name), Qt::LeftButton); }
  // Runs `steps` inside the modal window opened by the menu item; a window left open after
  // them is closed so a failing test cannot hang.
  void WithModalWindow(const char* action_name, std::function<void()> steps) {
    QTimer::singleShot(0, form2, [this, steps] {
      steps();
      if (form2->isVisible()) {
        ADD_FAILURE() << "the window stayed open";
        form2->reject();
      }
    });
    QAction* a = form1->action(QString::fromLatin1(action_name));
    ASSERT_NE(a, nullptr);
    ASSERT_TRUE(a->isEnabled());
    a->trigger();
  }
  std::string Read(const char* utf8_path) {
    return platform::FileSystem(dir.path()).ReadFile(Sjis(utf8_path)).value_or("<missing>");
  }
  QTreeWidget* Tree() { return form1->findChild<QTreeWidget*>("TreeView1"); }

  platform::testing::TempAppDir dir;
  platform::testing::ScriptedUiServices ui;
  std::unique_ptr<app::TForm1> form1;
  TForm2* form2 = nullptr;
};

TEST_F(AccountsWindowTest, FirstRunFromTheMessageToAListedAccount) {
  Open();
  EXPECT_EQ(ui.Texts("info"), std::vector<std::string>{Sjis(
                                  "アカウントが設定されていません。\r\n\r\n"
                                  "メニューバーの「設定」－「アカウント」で設定してください。")});
  EXPECT_EQ(U(form2->windowTitle()), "アカウント設定");
  EXPECT_EQ(U(Find<QLabel>("LblRecPos")->text()), "0");
  EXPECT_EQ(U(Find<QLineEdit>("EdtPOP")->text()), "110");
  EXPECT_EQ(U(Find<QLineEdit>("EdtSMTP")->text()), "25");
  EXPECT_EQ(U(Find<QPushButton>("Button2")->text()), "追加");

  WithModalWindow("mnuAccount", [this] {
    EXPECT_TRUE(form2->isModal());
    Type("Edit1", "仕事");
    Type("Edit2", "127.0.0.1");
    Type("Edit3", "alice");
    Type("Edit4", "alicepw");
    Type("Edit5", "127.0.0.1");
    Type("Edit6", "alice@example.test");
    Type("EdtPOP", "11110");
    QPlainTextEdit* memo = Find<QPlainTextEdit>("Memo1");
    QTest::keyClicks(memo, QStringLiteral("Alice"));
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, QStringLiteral("-- "));
    Click("Button4");
    EXPECT_EQ(ui.Texts("info").back(), Sjis("保存しました。"));
    EXPECT_EQ(U(Find<QLabel>("LblRecPos")->text()), "1");
    Click("Button1");
  });

  EXPECT_FALSE(form2->isVisible());
  ASSERT_EQ(Tree()->topLevelItem(0)->childCount(), 1);
  EXPECT_EQ(U(Tree()->topLevelItem(0)->child(0)->text(0)), "仕事");
  EXPECT_EQ(Tree()->currentItem(), Tree()->topLevelItem(0)->child(0));
  EXPECT_EQ(U(form1->findChild<QLabel*>("LblAccount")->text()), "ｱｶｳﾝﾄ:仕事");
  const std::string line =
      Sjis("仕事") + "\t127.0.0.1\talice\talicepw\t127.0.0.1\talice@example.test\t11110\t25\t0";
  EXPECT_EQ(Read("Account.ini"), line + "\r\n");
  struct stat st {};
  ASSERT_EQ(::stat((dir.path() / "Account.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(Read("Yubinko.ini"), Sjis("仕事\r\n"));
  EXPECT_EQ(Read("受信\\仕事\\syomei.txt"), "Alice\r\n-- \r\n");
  EXPECT_EQ(form1->state().POP.Host, "127.0.0.1");
  EXPECT_EQ(form1->state().POP.Port, 11110);
  EXPECT_EQ(form1->state().current_folder, Sjis("受信\\仕事\\"));

  // A new start finds the account and applies it while the windows are created.
  form2 = nullptr;
  form1.reset();
  ui.shown.clear();
  Open();
  EXPECT_TRUE(ui.Texts("info").empty());
  EXPECT_EQ(U(Find<QLineEdit>("Edit1")->text()), "仕事");
  EXPECT_EQ(U(Find<QPlainTextEdit>("Memo1")->toPlainText()), "Alice\n-- ");
  EXPECT_EQ(form1->state().POP.Username, "alice");
  EXPECT_EQ(form1->state().POP.Port, 11110);
}

TEST_F(AccountsWindowTest, AddModeFromTheToolButtonAndTheEscapeKey) {
  platform::FileSystem(dir.path())
      .WriteFileAtomic("Account.ini", "a\tpop\tu\tp\tsmtp\ta@x\t110\t25\t-1\r\n");
  Open();
  EXPECT_TRUE(Find<QCheckBox>("CheckBox1")->isChecked());
  WithModalWindow("tbAccount", [this] {
    Click("Button2");
    EXPECT_EQ(U(Find<QPushButton>("Button2")->text()), "中止");
    EXPECT_TRUE(Find<QLineEdit>("Edit1")->text().isEmpty());
    EXPECT_FALSE(Find<QCheckBox>("CheckBox1")->isChecked());
    EXPECT_EQ(U(Find<QLabel>("LblRecPos")->text()), "2");
    QTest::keyClick(Find<QLineEdit>("Edit1"), Qt::Key_Escape);  // refused while adding
    EXPECT_TRUE(form2->isVisible());
    EXPECT_EQ(ui.Texts("info").back(), Sjis("保存、中止のどちらかを選択してください。"));
    Click("Button2");  // cancel
    EXPECT_EQ(U(Find<QLineEdit>("Edit1")->text()), "a");
    EXPECT_EQ(U(Find<QPushButton>("Button2")->text()), "追加");
    QTest::keyClick(Find<QLineEdit>("Edit1"), Qt::Key_Escape);
  });
  EXPECT_FALSE(form2->isVisible());
  EXPECT_EQ(U(form1->findChild<QLabel*>("LblAccount")->text()), "ｱｶｳﾝﾄ:a");
  EXPECT_EQ(Read("Yubinko.ini"), "a\r\n");
}

TEST_F(AccountsWindowTest, TabsTypedIntoTheWindowNeverReachTheRecordOrTheSignature) {
  platform::FileSystem(dir.path())
      .WriteFileAtomic("Account.ini", "a\tpop\tu\tp\tsmtp\ta@x\t110\t25\t0\r\n");
  Open();
  WithModalWindow("mnuAccount", [this] {
    // A pasted TAB in a field; the Tab key in the signature types a TAB as well.
    Find<QLineEdit>("Edit3")->setText(QStringLiteral("first\tlast"));
    QPlainTextEdit* memo = Find<QPlainTextEdit>("Memo1");
    QTest::keyClicks(memo, QStringLiteral("name"));
    QTest::keyClick(memo, Qt::Key_Tab);
    QTest::keyClicks(memo, QStringLiteral("team"));
    Click("Button4");
    EXPECT_EQ(U(Find<QLineEdit>("Edit3")->text()), "first last");  // shown as stored
    Click("Button1");
  });
  EXPECT_EQ(Read("Account.ini"), "a\tpop\tfirst last\tp\tsmtp\ta@x\t110\t25\t0\r\n");
  EXPECT_EQ(Read("受信\\a\\syomei.txt"), "name team\r\n");
  EXPECT_EQ(form1->state().POP.Username, "first last");
}

TEST_F(AccountsWindowTest, RenameOntoAnotherAccountIsRefusedAndDeletedAccountsStayDeleted) {
  platform::FileSystem fs(dir.path());
  fs.WriteFileAtomic("Account.ini",
                     "a\tpop\tu\tp\tsmtp\ta@x\t110\t25\t0\r\n"
                     "b\tpop\tu\tp\tsmtp\tb@x\t110\t25\t0\r\n");
  fs.ForceDirectories(Sjis("受信\\b\\"));
  fs.WriteFileAtomic(Sjis("受信\\b\\0m@x9.txt"), "mail of b");
  Open();
  WithModalWindow("mnuAccount", [this] {
    EXPECT_EQ(U(Find<QLineEdit>("Edit1")->text()), "a");
    Type("Edit1", "B");  // b's name in another case, while browsing
    Click("Button4");
    EXPECT_EQ(ui.Texts("info").back(),
              Sjis("同一のアカウント名が存在します。アカウント名を変えてください。"));
    ui.answers = {platform::Answer::kYes, platform::Answer::kYes};
    Click("Button3");  // a, as stored, not the name typed over it
    EXPECT_EQ(U(Find<QLineEdit>("Edit1")->text()), "b");
    EXPECT_EQ(Read("受信\\b\\0m@x9.txt"), "mail of b");
    Click("Button3");  // the last one
    QTest::keyClick(Find<QLineEdit>("Edit1"), Qt::Key_Escape);
  });
  EXPECT_EQ(Read("Account.ini"), "");
  EXPECT_FALSE(fs.DirectoryExists(Sjis("受信\\b\\")));
  EXPECT_EQ(Tree()->topLevelItem(0)->childCount(), 0);

  // The next start finds no account: the deleted ones do not come back.
  form2 = nullptr;
  form1.reset();
  ui.shown.clear();
  Open();
  EXPECT_EQ(ui.Texts("info").size(), 1u);  // "アカウントが設定されていません。" ...
  EXPECT_TRUE(form1->state().AccountList.empty());
  EXPECT_EQ(Tree()->topLevelItem(0)->childCount(), 0);
}

}  // namespace
}  // namespace accounts

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();  // listing needs no display
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
