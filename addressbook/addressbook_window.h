// TForm4 ("アドレス帳設定"): the book tree, the entry list and two pages, "アドレス帳の編集"
// (edit the selected entry) and "あて名挿入" (collect To, CC and BCC for the composer).
// The widgets mirror addressbook::AddressBookEditor, which does the work.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "addressbook/address_book_editor.h"

class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTreeWidget;

namespace app {
class TForm1;
}
namespace compose {
class TForm3;
}

namespace addressbook {

class TForm4 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm4(app::TForm1& form1);

  // The composer subscribes here (AddRecipientsListener) to receive the picked To, CC and
  // BCC texts and the sender when the picker page closes.
  AddressBookEditor& editor() { return editor_; }

  void FormCreate();
  // 設定 → アドレス帳編集 and its tool button: the edit page, modal.
  void OpenForEditing();
  // The composer's "あて先", "CC" and "BCC" labels: the picker page, without waiting.
  void OpenForPicking();

  void TreeView1Click();
  void ListView1Click();
  void ListView1ColumnClick(int column);
  void Button1Click();   // アドレス帳の新規作成
  void Button2Click();   // 閉じる (edit page)
  void Button3Click();   // 追加 / 中止
  void Button4Click();   // 更新/保存
  void Button5Click();   // 削除
  void Button6Click();   // TO (also a double click in the list)
  void Button7Click();   // CC
  void Button8Click();   // BCC
  void Button9Click();   // 閉じる (picker page)
  void Button10Click();  // 消去 under TO
  void Button11Click();  // 消去 under CC
  void Button12Click();  // 消去 under BCC
  void Button13Click();  // 全消去

 protected:
  // Escape acts as the 閉じる button of the page shown.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildLayout();
  void Run(const std::function<void()>& handler);
  void Push();
  void FillList();
  std::vector<int> SelectedEntryPositions() const;
  void Pick(RecipientList list);
  void Remove(RecipientList list, QListWidget* box);

  app::TForm1& form1_;
  AddressBookEditor editor_;
  QTreeWidget* tree_ = nullptr;
  QTreeWidget* list_ = nullptr;
  QTabWidget* pages_ = nullptr;
  QLineEdit* edit_[3] = {};
  QPushButton* add_button_ = nullptr;
  QListWidget* boxes_[3] = {};
  std::vector<std::string> shown_entries_;  // what the list shows, to refill only on change
  std::vector<int> shown_rows_;
};

// Builds the address book window over the main window (which owns it), runs its creation
// step and wires 設定 → アドレス帳編集 ("mnuAddress") and its tool button ("tbAddress").
// own_address gives the own address shown in the accounts window.
TForm4* CreateAddressBookWindow(app::TForm1& form1, std::function<std::string()> own_address);

// The composer's "あて先", "CC" and "BCC" labels open the picker; its 閉じる puts the joined
// To, CC and BCC (those not left empty) and the own address into the composer and shows it.
void ConnectPicker(TForm4& form4, compose::TForm3& form3);

}  // namespace addressbook
