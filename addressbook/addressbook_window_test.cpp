// The address book window over the real main window, offscreen, with the scripted services.
#include "addressbook/addressbook_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <memory>

#include "app/main_window.h"
#include "platform/codepage.h"
#include "platform/testing/scripted_ui_services.h"
#include "platform/testing/temp_app_dir.h"

namespace addressbook {
namespace {

using platform::Sjis;

std::string U(const QString& s) { return s.toStdString(); }

class AddressBookWindowTest : public ::testing::Test {
 protected:
  void Open() {
    form1 = std::make_unique<app::TForm1>(dir.path(), ui);
    form4 = CreateAddressBookWindow(*form1, [] { return std::string("me@example.test"); });
  }
  template <typename T>
  T* Find(const char* name) {
    T* w = form4->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  void Click(const char* name) { QTest::mouseClick(Find<QPushButton>(name), Qt::LeftButton); }
  QTreeWidget* Tree() { return Find<QTreeWidget>("TreeView1"); }
  QTreeWidget* List() { return Find<QTreeWidget>("ListView1"); }
  std::vector<std::string> Column(int c) {
    std::vector<std::string> out;
    for (int r = 0; r < List()->topLevelItemCount(); ++r) {
      out.push_back(U(List()->topLevelItem(r)->text(c)));
    }
    return out;
  }
  void ClickRow(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTreeWidgetItem* item = List()->topLevelItem(row);
    const QRect rect = List()->visualItemRect(item);
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, modifiers, rect.center());
  }
  void WriteBook(const char* utf8_name, const char* utf8_text) {
    platform::FileSystem fs(dir.path());
    fs.ForceDirectories("Adress\\");
    fs.WriteFileAtomic(BookPath(Sjis(utf8_name)), Sjis(utf8_text));
  }

  platform::testing::TempAppDir dir;
  platform::testing::ScriptedUiServices ui;
  std::unique_ptr<app::TForm1> form1;
  TForm4* form4 = nullptr;
};

TEST_F(AddressBookWindowTest, FirstStartNewBookAndFirstEntryThroughTheMenu) {
  Open();
  EXPECT_EQ(U(form4->windowTitle()), "アドレス帳設定");
  ASSERT_EQ(Tree()->topLevelItemCount(), 1);
  EXPECT_EQ(U(Tree()->topLevelItem(0)->text(0)), "Adress");
  EXPECT_EQ(Tree()->topLevelItem(0)->childCount(), 0);
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "Adress"));

  QTimer::singleShot(0, form4, [this] {
    EXPECT_EQ(Find<QTabWidget>("PageControl1")->currentIndex(), 0);
    // No book yet: an entry typed now has no file to go to and is refused with a message.
    QTest::keyClicks(Find<QLineEdit>("Edit1"), QStringLiteral("early"));
    QTest::keyClicks(Find<QLineEdit>("Edit2"), QStringLiteral("early@example.test"));
    Click("Button4");
    EXPECT_EQ(ui.Texts("info").back(),
              Sjis("アドレス帳が選択されていません。左の一覧からアドレス帳を選んでください。"));
    Click("Button3");
    EXPECT_EQ(U(Find<QPushButton>("Button3")->text()), "追加");
    EXPECT_EQ(List()->topLevelItemCount(), 0);
    ui.inputs = {Sjis("友人")};
    Click("Button1");
    QTreeWidgetItem* book = Tree()->topLevelItem(0)->child(0);
    ASSERT_NE(book, nullptr);
    EXPECT_EQ(U(book->text(0)), "友人");
    QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, Qt::NoModifier,
                      Tree()->visualItemRect(book).center());
    Find<QLineEdit>("Edit1")->insert(QStringLiteral("山田"));
    QTest::keyClicks(Find<QLineEdit>("Edit2"), QStringLiteral("y@example.test"));
    Click("Button4");
    EXPECT_EQ(Column(0), std::vector<std::string>{"山田"});
    Click("Button3");
    EXPECT_EQ(U(Find<QPushButton>("Button3")->text()), "中止");
    QTest::keyClick(Find<QLineEdit>("Edit1"), Qt::Key_Escape);  // refused while adding
    EXPECT_TRUE(form4->isVisible());
    EXPECT_EQ(ui.Texts("info").back(), Sjis("保存、中止のどちらかを選択してください。"));
    Click("Button3");
    QTest::keyClick(Find<QLineEdit>("Edit1"), Qt::Key_Escape);
    if (form4->isVisible()) {
      ADD_FAILURE() << "the window stayed open";
      form4->reject();
    }
  });
  form1->action(QStringLiteral("mnuAddress"))->trigger();
  EXPECT_FALSE(form4->isVisible());
  EXPECT_EQ(platform::FileSystem(dir.path()).ReadFile(BookPath(Sjis("友人"))),
            Sjis("山田\ty@example.test\t\r\n"));
}

TEST_F(AddressBookWindowTest, PickerSortsByColumnAndHandsTheJoinedRecipientsOn) {
  WriteBook("社内", "b\tZ@x\t2\r\nC\ty@x\t1\r\na\tX@x\t3\r\n");
  Open();
  EXPECT_EQ(Tree()->currentItem(), Tree()->topLevelItem(0)->child(0));  // first book loaded
  EXPECT_EQ(Column(0), (std::vector<std::string>{"a", "b", "C"}));
  EXPECT_TRUE(List()->isColumnHidden(3));

  std::vector<PickedRecipients> picked;
  form4->editor().AddRecipientsListener(
      [&picked](const PickedRecipients& p) { picked.push_back(p); });
  form4->OpenForPicking();
  EXPECT_TRUE(form4->isVisible());
  EXPECT_FALSE(form4->isModal());
  EXPECT_EQ(Find<QTabWidget>("PageControl1")->currentIndex(), 1);

  QHeaderView* header = List()->header();
  const QPoint address_header(header->sectionViewportPosition(1) + 5, header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, address_header);
  EXPECT_EQ(Column(1), (std::vector<std::string>{"X@x", "y@x", "Z@x"}));
  QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, address_header);
  EXPECT_EQ(Column(1), (std::vector<std::string>{"Z@x", "y@x", "X@x"}));

  ClickRow(0);
  ClickRow(2, Qt::ControlModifier);
  Click("Button6");  // TO: Z then X, in list order
  ClickRow(1);
  Click("Button8");
  QListWidget* to = Find<QListWidget>("ListBox1");
  ASSERT_EQ(to->count(), 2);
  EXPECT_EQ(U(to->item(0)->text()), "\"b\" <Z@x>");
  QTest::keyClick(List(), Qt::Key_Escape);  // the picker's 閉じる
  EXPECT_FALSE(form4->isVisible());
  ASSERT_EQ(picked.size(), 1u);
  EXPECT_EQ(picked[0].to, "\"b\" <Z@x>,\"a\" <X@x>");
  EXPECT_FALSE(picked[0].cc.has_value());
  EXPECT_EQ(picked[0].bcc, "\"C\" <y@x>");
  EXPECT_EQ(picked[0].sender, "me@example.test");
  EXPECT_EQ(to->count(), 2);  // kept for the next opening
}

TEST_F(AddressBookWindowTest, SelectedEntriesStayVisibleWhenTheListLosesTheFocus) {
  WriteBook("社内", "a\tx@x\t\r\nb\ty@x\t\r\n");
  Open();
  form4->show();
  ClickRow(1);
  Find<QLineEdit>("Edit3")->setFocus();  // the user goes on to a field or a button
  ASSERT_FALSE(List()->hasFocus());
  const QImage image = List()->viewport()->grab().toImage();
  const QRect row = List()->visualItemRect(List()->topLevelItem(1));
  // Whether the window counts as active decides which of the two the style paints.
  const QColor active = List()->palette().color(QPalette::Active, QPalette::Highlight);
  const QColor inactive = List()->palette().color(QPalette::Inactive, QPalette::Highlight);
  int highlighted = 0;
  for (int x = row.left(); x <= row.right(); ++x) {
    const QColor pixel = image.pixelColor(x, row.center().y());
    if (pixel == active || pixel == inactive) ++highlighted;
  }
  EXPECT_GT(highlighted, row.width() / 2);
  form4->hide();
}

}  // namespace
}  // namespace addressbook

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();  // listing needs no display
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
