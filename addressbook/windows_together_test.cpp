// The main window with the accounts window, the composer and the address book created in the
// start-up order and connected as the program connects them, offscreen: the commands open the
// right windows the right way, the account made current reaches the composer, and the picker
// fills the composer.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <functional>
#include <memory>

#include "accounts/accounts_window.h"
#include "addressbook/addressbook_window.h"
#include "app/main_window.h"
#include "compose/compose_window.h"
#include "platform/codepage.h"
#include "platform/testing/scripted_ui_services.h"
#include "platform/testing/temp_app_dir.h"

namespace addressbook {
namespace {

using platform::Sjis;

std::string U(const QString& s) { return s.toStdString(); }

// Counts the blocking and unblocking of a window by another one's modality.
class BlockWatch : public QObject {
 public:
  bool blocked = false;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::WindowBlocked) blocked = true;
    if (event->type() == QEvent::WindowUnblocked) blocked = false;
    return false;
  }
};

class WindowsTogetherTest : public ::testing::Test {
 protected:
  void Open() {
    form1 = std::make_unique<app::TForm1>(dir.path(), ui);
    form2 = accounts::CreateAccountsWindow(*form1);
    form3 = compose::CreateComposeWindow(*form1);
    form4 = CreateAddressBookWindow(*form1, [this] { return form2->settings().fields.OwnAddress; });
    ConnectPicker(*form4, *form3);
  }
  template <typename T>
  static T* In(QWidget* window, const char* name) {
    T* w = window->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  // The tool bar's own button for a command, clicked as a user would.
  void ClickToolButton(const char* action_name) {
    QAction* a = form1->action(QString::fromLatin1(action_name));
    ASSERT_NE(a, nullptr) << action_name;
    QWidget* button = form1->findChild<QToolBar*>()->widgetForAction(a);
    ASSERT_NE(button, nullptr) << action_name;
    ASSERT_TRUE(button->isEnabled()) << action_name;
    QTest::mouseClick(button, Qt::LeftButton);
  }
  // Runs `steps` once the event loop of a modal window has started; a window still open after
  // them is closed so a failing test cannot hang.
  void InsideModal(QDialog* window, std::function<void()> steps) {
    QTimer::singleShot(0, window, [window, steps] {
      steps();
      if (window->isVisible()) {
        ADD_FAILURE() << U(window->objectName()) << " stayed open";
        window->reject();
      }
    });
  }
  void WriteAccounts() {
    platform::FileSystem(dir.path())
        .WriteFileAtomic("Account.ini",
                         "acc\tpop.acc\tu\tp\tsmtp.acc\tme@acc.test\t110\t25\t0\r\n"
                         "two\tpop.two\tu2\tp2\tsmtp.two\tme@two.test\t110\t25\t0\r\n");
  }
  void WriteBook() {
    platform::FileSystem fs(dir.path());
    fs.ForceDirectories("Adress\\");
    fs.WriteFileAtomic(BookPath(Sjis("社内")),
                       Sjis("佐藤\tsato@x\t\r\n鈴木\tsuzuki@x\t営業\r\n高橋\ttakahashi@x\t\r\n"));
  }
  // The row of a name: the book is sorted in the user's locale, which orders kanji its own way.
  int RowOf(const char* utf8_name) {
    auto* list = In<QTreeWidget>(form4, "ListView1");
    for (int r = 0; r < list->topLevelItemCount(); ++r) {
      if (U(list->topLevelItem(r)->text(0)) == utf8_name) return r;
    }
    ADD_FAILURE() << utf8_name << " not listed";
    return 0;
  }
  void ClickRow(const char* utf8_name, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    auto* list = In<QTreeWidget>(form4, "ListView1");
    const QRect rect = list->visualItemRect(list->topLevelItem(RowOf(utf8_name)));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, rect.center());
  }
  std::string Composer(const char* name) { return U(In<QLineEdit>(form3, name)->text()); }
  // Types an account into the accounts window, saves it with 更新/保存 and closes the window.
  void SaveAndCloseAccount(const char* name, const char* server, const char* own_address) {
    const char* values[][2] = {{"Edit1", name}, {"Edit2", server}, {"Edit3", "user"},
                               {"Edit4", "pw"}, {"Edit5", server}, {"Edit6", own_address}};
    for (const auto& [field, value] : values) {
      QTest::keyClicks(In<QLineEdit>(form2, field), QString::fromLatin1(value));
    }
    QTest::mouseClick(In<QPushButton>(form2, "Button4"), Qt::LeftButton);
    QTest::mouseClick(In<QPushButton>(form2, "Button1"), Qt::LeftButton);
  }

  platform::testing::TempAppDir dir;
  platform::testing::ScriptedUiServices ui;
  std::unique_ptr<app::TForm1> form1;
  accounts::TForm2* form2 = nullptr;
  compose::TForm3* form3 = nullptr;
  TForm4* form4 = nullptr;
};

TEST_F(WindowsTogetherTest, FirstAccountFromTheToolButtonBecomesTheComposersSender) {
  Open();
  ASSERT_EQ(ui.Texts("info").size(), 1u);  // no account yet
  InsideModal(form2, [this] {
    EXPECT_EQ(QApplication::activeModalWidget(), form2);
    SaveAndCloseAccount("home", "127.0.0.1", "me@home.test");
  });
  ClickToolButton("tbAccount");
  EXPECT_FALSE(form2->isVisible());
  EXPECT_EQ(U(form1->findChild<QLabel*>("LblAccount")->text()), "ｱｶｳﾝﾄ:home");
  EXPECT_EQ(form1->state().POP.Host, "127.0.0.1");
  EXPECT_EQ(form1->state().current_folder, Sjis("受信\\home\\"));
  EXPECT_EQ(U(In<QComboBox>(form3, "ComboBox1")->currentText()), "me@home.test");
  // The sender box was empty at start-up; the new account can send at once.
  EXPECT_EQ(form3->Fields().sender_index, 0);

  // A second account, added later, becomes the sending account the same way; an own address
  // typed but not saved names no account and leaves the sending account as it was.
  InsideModal(form2, [this] {
    QTest::mouseClick(In<QPushButton>(form2, "Button2"), Qt::LeftButton);
    SaveAndCloseAccount("work", "127.0.0.2", "me@work.test");
  });
  form1->action(QStringLiteral("mnuAccount"))->trigger();
  EXPECT_EQ(form3->Fields().sender_text, "me@work.test");
  EXPECT_EQ(form3->Fields().sender_index, 1);
  InsideModal(form2, [this] {
    In<QLineEdit>(form2, "Edit6")->setText(QStringLiteral("typed@work.test"));
    QTest::mouseClick(In<QPushButton>(form2, "Button1"), Qt::LeftButton);
  });
  form1->action(QStringLiteral("mnuAccount"))->trigger();
  EXPECT_EQ(form3->Fields().sender_text, "typed@work.test");
  EXPECT_EQ(form3->Fields().sender_index, 1);
}

TEST_F(WindowsTogetherTest, AddressBookCommandsOpenTheEditPageModally) {
  WriteAccounts();
  WriteBook();
  Open();
  for (const char* command : {"mnuAddress", "tbAddress"}) {
    In<QTabWidget>(form4, "PageControl1")->setCurrentIndex(1);  // left on the picker before
    InsideModal(form4, [this] {
      EXPECT_EQ(QApplication::activeModalWidget(), form4);
      EXPECT_EQ(In<QTabWidget>(form4, "PageControl1")->currentIndex(), 0);
      EXPECT_EQ(In<QTreeWidget>(form4, "ListView1")->topLevelItemCount(), 3);
      QTest::keyClick(In<QTreeWidget>(form4, "ListView1"), Qt::Key_Escape);
    });
    if (command[0] == 't') {
      ClickToolButton(command);
    } else {
      form1->action(QString::fromLatin1(command))->trigger();
    }
    EXPECT_FALSE(form4->isVisible()) << command;
  }
}

TEST_F(WindowsTogetherTest, ComposerLabelsOpenThePickerAndItsCloseFillsTheComposer) {
  WriteAccounts();
  WriteBook();
  Open();
  form1->action(QStringLiteral("mnuNewMail"))->trigger();
  ASSERT_TRUE(form3->isVisible());
  In<QLineEdit>(form3, "edtCC")->setText(QStringLiteral("kept@x"));
  In<QLineEdit>(form3, "edtTo")->setText(QStringLiteral("replaced@x"));
  // The sender is the own address as the accounts window shows it, saved or not.
  In<QLineEdit>(form2, "Edit6")->setText(QStringLiteral("shown@acc.test"));

  QTest::mouseClick(In<QLabel>(form3, "Label2"), Qt::LeftButton);
  ASSERT_TRUE(form4->isVisible());
  EXPECT_FALSE(form4->isModal());  // the composer stays usable beside it
  EXPECT_EQ(In<QTabWidget>(form4, "PageControl1")->currentIndex(), 1);
  ClickRow("佐藤");
  ClickRow("高橋", Qt::ControlModifier);
  QTest::mouseClick(In<QPushButton>(form4, "Button6"), Qt::LeftButton);
  ClickRow("鈴木");
  QTest::mouseClick(In<QPushButton>(form4, "Button8"), Qt::LeftButton);
  QTest::mouseClick(In<QPushButton>(form4, "Button9"), Qt::LeftButton);

  EXPECT_FALSE(form4->isVisible());
  EXPECT_TRUE(form3->isVisible());
  // Both in list order, joined by a comma alone.
  const std::string to = RowOf("佐藤") < RowOf("高橋") ? "\"佐藤\" <sato@x>,\"高橋\" <takahashi@x>"
                                                       : "\"高橋\" <takahashi@x>,\"佐藤\" <sato@x>";
  EXPECT_EQ(Composer("edtTo"), to);
  EXPECT_EQ(Composer("edtCC"), "kept@x");  // an empty CC list leaves the field alone
  EXPECT_EQ(Composer("edtBCC"), "\"鈴木\" <suzuki@x>");
  EXPECT_EQ(U(In<QComboBox>(form3, "ComboBox1")->currentText()), "shown@acc.test");

  // The lists are kept: the CC label reopens them, and they replace To again.
  In<QLineEdit>(form3, "edtTo")->clear();
  QTest::mouseClick(In<QLabel>(form3, "Label3"), Qt::LeftButton);
  QTest::keyClick(In<QTreeWidget>(form4, "ListView1"), Qt::Key_Escape);
  EXPECT_FALSE(form4->isVisible());
  EXPECT_EQ(Composer("edtTo"), to);
}

TEST_F(WindowsTogetherTest, PickerOpenedFromTheModalComposerIsNotBlockedByIt) {
  WriteAccounts();
  WriteBook();
  Open();
  BlockWatch watch;
  form4->installEventFilter(&watch);
  InsideModal(form3, [this, &watch] {
    ASSERT_EQ(QApplication::activeModalWidget(), form3);
    QTest::mouseClick(In<QLabel>(form3, "Label3"), Qt::LeftButton);
    ASSERT_TRUE(form4->isVisible());
    EXPECT_FALSE(watch.blocked);
    EXPECT_EQ(QApplication::activeModalWidget(), form4);
    ClickRow("鈴木");
    QTest::mouseClick(In<QPushButton>(form4, "Button7"), Qt::LeftButton);
    QTest::mouseClick(In<QPushButton>(form4, "Button9"), Qt::LeftButton);
    EXPECT_FALSE(form4->isVisible());
    EXPECT_EQ(Composer("edtCC"), "\"鈴木\" <suzuki@x>");
    form3->reject();
  });
  form1->action(QStringLiteral("mnuSend"))->trigger();  // 送信 shows the composer modally
  EXPECT_FALSE(form3->isVisible());

  // Opened again beside a composer that is not modal, the picker is not modal either.
  form1->action(QStringLiteral("mnuNewMail"))->trigger();
  QTest::mouseClick(In<QLabel>(form3, "Label4"), Qt::LeftButton);
  EXPECT_FALSE(form4->isModal());
  EXPECT_FALSE(watch.blocked);
}

}  // namespace
}  // namespace addressbook
