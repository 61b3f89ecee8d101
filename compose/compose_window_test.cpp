// The composer and merge windows offscreen over the main window's test store: wiring of the
// main window's commands, New/Reply/Forward into the controls, key and label rules, sending
// through a scripted server and choosing and saving a merge file.
#include "compose/compose_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "app/main_window_fixture.h"
#include "app/qt_text.h"
#ifdef YUBINKO_HAVE_ACCOUNTS_WINDOW
#include "accounts/accounts_window.h"
#endif
#include "compose/merge_file.h"
#include "compose/merge_window.h"
#include "store/account_file.h"
#include "transport/testing/scripted_server.h"

namespace compose {
namespace {

using app::QU;

class ComposeWindowTest : public app::testing::MainWindowTest {
 protected:
  void SetUp() override {
    WriteStandardStore();
    Open();
    form3 = CreateComposeWindow(
        *form, {nullptr, [] { return std::string("SIG"); }, [this] { ++picker_opened; }});
  }
  template <typename T>
  T* Control(const char* name) {
    T* w = form3->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  std::string Text(const char* name) { return app::S(Control<QLineEdit>(name)->text()); }
  std::string Memo() { return app::S(Control<QPlainTextEdit>("Memo1")->toPlainText()); }
  void Trigger(const char* name) {
    QAction* a = form3->findChild<QAction*>(QString::fromLatin1(name));
    ASSERT_NE(a, nullptr) << name;
    a->trigger();
  }

  TForm3* form3 = nullptr;
  int picker_opened = 0;
};

TEST_F(ComposeWindowTest, MainWindowCommandsAreWiredAndTheSenderBoxListsAccounts) {
  for (const char* name :
       {"mnuSend", "mnuNewMail", "tbNew", "mnuReply", "tbReply", "mnuForward", "tbForward"}) {
    ASSERT_NE(form->action(name), nullptr) << name;
    EXPECT_TRUE(form->action(name)->isEnabled()) << name;
  }
  EXPECT_EQ(form3->windowTitle(), QU("メール作成"));
  auto* combo = Control<QComboBox>("ComboBox1");
  ASSERT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->itemText(1), QU("me2@x"));
  EXPECT_EQ(combo->currentIndex(), 0);
  for (const char* name : {"edtTo", "edtCC", "edtBCC", "edtSubject"}) Control<QLineEdit>(name);
  Control<QCheckBox>("CheckBox1");
  Control<QListWidget>("ListBox1");

  form->action("mnuNewMail")->trigger();
  EXPECT_TRUE(form3->isVisible());
  EXPECT_EQ(Memo(), "\n\nSIG");
  EXPECT_EQ(app::S(combo->currentText()), "me@x");
}

TEST_F(ComposeWindowTest, NewTakesOwnAddressAndSignatureFromTheAccountsWindow) {
  // Stands in for the accounts window: a dialog of the main window with its documented names.
  auto* form2 = new QDialog(form.get());
  form2->setObjectName("Form2");
  auto* edit6 = new QLineEdit(QStringLiteral("me2@x"), form2);
  edit6->setObjectName("Edit6");
  auto* memo = new QPlainTextEdit(QU("--\n署名"), form2);
  memo->setObjectName("Memo1");
  TForm6 form6(ui);
  TForm3 composer(*form, form6, {});
  composer.FormCreate();
  composer.NewMailClick();
  const ComposerFields f = composer.Fields();
  EXPECT_EQ(f.sender_text, "me2@x");
  EXPECT_EQ(f.sender_index, 1);  // the account used for sending follows the text
  EXPECT_EQ(platform::Cp932ToUtf8(f.body), "\r\n\r\n--\r\n署名");
}

#ifdef YUBINKO_HAVE_ACCOUNTS_WINDOW
class ComposeWithAccountsTest : public app::testing::MainWindowTest {};

TEST_F(ComposeWithAccountsTest, SenderBoxFollowsTheAccountTheAccountsWindowMakesCurrent) {
  WriteStandardStore();
  Open();
  accounts::TForm2* form2 = accounts::CreateAccountsWindow(*form);
  TForm3* form3 = CreateComposeWindow(*form);
  form2->settings().SpeedButton2Click();  // the second account
  ASSERT_TRUE(form2->settings().Button1Click());
  EXPECT_EQ(form3->Fields().sender_text, "me2@x");
  EXPECT_EQ(form3->Fields().sender_index, 1);
  form3->NewMailClick();  // New reads the accounts window too
  EXPECT_EQ(form3->Fields().sender_text, "me2@x");
}
#endif

TEST_F(ComposeWindowTest, ReplyAndForwardFillTheComposerFromTheSelectedMessage) {
  Select({"<a@x>"});
  form->ListView1Click();
  form->action("mnuReply")->trigger();
  EXPECT_EQ(form->state().ReplyReference, "<a@x>");
  EXPECT_EQ(platform::Cp932ToUtf8(Text("edtSubject")), "返信:会議の案内");
  // The stored file has no ReplyTo line, so the listed sender is used.
  EXPECT_EQ(Text("edtTo"), form->model().row(RowOf("<a@x>")).col[1]);
  const std::string memo = platform::Cp932ToUtf8(Memo());
  EXPECT_NE(memo.find("\n\n-------------------\n>  詳細は"), std::string::npos) << memo;
  EXPECT_EQ(memo.substr(memo.size() - 7), "\n\n\n\nSIG");

  form->action("tbForward")->trigger();
  EXPECT_EQ(platform::Cp932ToUtf8(Text("edtSubject")), "転送:会議の案内");
  EXPECT_TRUE(Text("edtTo").empty());
  auto* list = Control<QListWidget>("ListBox1");
  ASSERT_GE(list->count(), 1);
  EXPECT_TRUE(std::filesystem::exists(list->item(0)->text().toStdString()));
}

TEST_F(ComposeWindowTest, SubjectTabGoesToTheBodyAndLabelsOpenThePicker) {
  form3->show();
  auto* subject = Control<QLineEdit>("edtSubject");
  subject->setFocus();
  subject->setText("abc");
  QTest::keyClick(subject, Qt::Key_Tab);
  QTest::keyClick(subject, Qt::Key_Return);
  EXPECT_EQ(subject->text(), QStringLiteral("abc"));
  EXPECT_EQ(form3->focusWidget(), Control<QPlainTextEdit>("Memo1"));

  for (const char* name : {"Label2", "Label3", "Label4"}) {
    QTest::mouseClick(Control<QLabel>(name), Qt::LeftButton);
  }
  EXPECT_EQ(picker_opened, 3);
}

TEST_F(ComposeWindowTest, SendClosesOnSuccessAndStaysOpenOnFailure) {
  transport::testing::ScriptedServer refused(R"(
    S: 220 x\r\n
    C: EHLO client.test\r\n
    S: 250 x\r\n
    C: RSET\r\n
    S: 250 ok\r\n
    C: MAIL FROM:<me@x>\r\n
    S: 550 sender refused\r\n
    C: QUIT\r\n
  )");
  store::AccountRecord a = store::AccountRecord::FromLine(form->state().AccountList[0]);
  a.SmtpServer = "127.0.0.1";
  a.SmtpPort = std::to_string(refused.Port());
  form->state().AccountList[0] = a.Line();
  form3->IdSMTP1().HeloName = "client.test";
  ComposerFields f = form3->Fields();
  f.to = "bob@example.test";
  f.subject = "s";
  f.body = "b";
  f.attachments = {(s.path() / "Account.ini").string()};
  form3->SetFields(f);
  form3->show();
  Trigger("mnuSendMail");
  EXPECT_EQ(refused.Finish(), "");
  EXPECT_TRUE(form3->isVisible());
  ASSERT_FALSE(ui.shown.empty());
  EXPECT_EQ(ui.shown.back().kind, "error");
  EXPECT_EQ(ui.shown.back().text, "sender refused\r\n");
  EXPECT_EQ(Control<QListWidget>("ListBox1")->count(), 1);

  transport::testing::ScriptedServer accepted(R"(
    S: 220 x\r\n
    C: EHLO client.test\r\n
    S: 250 x\r\n
    C: RSET\r\n
    S: 250 ok\r\n
    C: MAIL FROM:<me@x>\r\n
    S: 250 ok\r\n
    C: RCPT TO:<bob@example.test>\r\n
    S: 250 ok\r\n
    C: DATA\r\n
    S: 354 go\r\n
    C: <DATA>
    S: 250 queued\r\n
    C: QUIT\r\n
  )");
  a.SmtpPort = std::to_string(accepted.Port());
  form->state().AccountList[0] = a.Line();
  const int sent_before = form->state().sent_index.size();
  Trigger("mnuSendMail");
  EXPECT_EQ(accepted.Finish(), "");
  EXPECT_FALSE(form3->isVisible());
  EXPECT_EQ(Control<QListWidget>("ListBox1")->count(), 0);
  EXPECT_EQ(form->state().sent_index.size(), sent_before + 1);
  EXPECT_EQ(Text("edtTo"), "bob@example.test");  // other fields stay until New
}

TEST_F(ComposeWindowTest, MergeFileIsCheckedShownAndSavedBack) {
  const std::string csv = (s.path() / "list.csv").string();
  std::ofstream(csv, std::ios::binary) << platform::Sjis("a@x,\"山田 太郎\",1\r\nb@x,花子\r\n");
  TForm6* form6 = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* f = qobject_cast<TForm6*>(w)) form6 = f;
  }
  ASSERT_NE(form6, nullptr);
  ui.open_results.push_back({csv});
  QTimer::singleShot(0, form6, [form6] { form6->Button2Click(); });
  Trigger("mnuMergeFile");
  EXPECT_TRUE(form3->findChild<QCheckBox*>("CheckBox1")->isChecked());
  EXPECT_EQ(form3->Fields().merge_rows.size(), 2u);
  auto* grid = form6->findChild<QTableWidget*>("StringGrid1");
  ASSERT_EQ(grid->rowCount(), 2);
  EXPECT_EQ(grid->item(0, 1)->text(), QU("山田 太郎"));
  EXPECT_EQ(grid->item(1, 2)->text(), QString());

  grid->item(1, 1)->setText(QU("花子 様"));
  form6->Button1Click();
  EXPECT_EQ(platform::Cp932ToUtf8(platform::ReadWholeFile(csv).value_or("")),
            "a@x,\"山田 太郎\",1\r\nb@x,\"花子 様\",\r\n");
  EXPECT_EQ(ui.shown.back().text, platform::Sjis("保存しました。"));
  // The composer keeps sending the rows read when the file was chosen.
  EXPECT_EQ(form3->Fields().merge_rows[1], platform::Sjis("b@x,花子"));

  // A first line of four fields is refused and leaves the switch as it was.
  std::ofstream(csv, std::ios::binary) << "a@x Taro Yamada note\r\n";
  form3->findChild<QCheckBox*>("CheckBox1")->setChecked(false);
  ui.open_results.push_back({csv});
  Trigger("mnuMergeFile");
  EXPECT_EQ(ui.shown.back().text, MergeFileErrorText());
  EXPECT_FALSE(form3->findChild<QCheckBox*>("CheckBox1")->isChecked());

  Trigger("mnuMerge2");
  EXPECT_NE(Memo().find("%TK2"), std::string::npos);
}

}  // namespace
}  // namespace compose

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();  // listing needs no display
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
