// The address book window without widgets: the book list, the selected book's entries with
// the edit fields and the add mode, the list view's row order and column sorting, and the
// picker's To, CC and BCC lists handed to the composer.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "addressbook/address_book.h"
#include "platform/filesystem.h"
#include "platform/ui_services.h"

namespace addressbook {

// What the picker's "閉じる" hands to the composer. A list left empty leaves that field of
// the composer alone (nullopt); the sender is the own address shown in the accounts window.
struct PickedRecipients {
  std::optional<std::string> to;
  std::optional<std::string> cc;
  std::optional<std::string> bcc;
  std::string sender;
};

enum class RecipientList { kTo, kCc, kBcc };

class AddressBookEditor {
 public:
  AddressBookEditor(const platform::FileSystem& fs, platform::UiServices& ui);

  Entry fields;  // Edit1 (宛名), Edit2 (アドレス), Edit3 (備考)

  const std::vector<std::string>& books() const { return books_; }  // nodes below "Adress"
  int selected_book() const { return selected_book_; }              // -1: none (or the root)
  const std::vector<std::string>& entries() const { return entries_; }
  int count() const { return count_; }
  int position() const { return position_; }
  bool add_mode() const { return add_mode_; }  // Button3 reads "中止"
  // The list view's rows in display order, as entry positions (the hidden column).
  const std::vector<int>& rows() const { return rows_; }
  int sort_key() const { return sort_key_; }  // column + 1, negative when descending
  const std::vector<std::string>& recipients(RecipientList list) const;

  // The window's creation: the book directory (created when missing), the books, and the
  // first book loaded.
  void Start();
  // Click in the book tree: index into books(), or -1 for the root (nothing happens).
  void TreeView1Click(int book);
  // Click in the entry list: the entry position of the clicked row.
  void ListView1Click(int entry_position);
  void ListView1ColumnClick(int column);

  void Button1Click();  // アドレス帳の新規作成
  void Button3Click();  // 追加 / 中止
  bool Button4Click();  // 更新/保存; false when refused
  void Button5Click();  // 削除
  bool Button2Click();  // 閉じる on the edit page; false when the window stays open

  // Picker page. `entry_positions`: the selected rows' entries in list order.
  void AddRecipients(RecipientList list, const std::vector<int>& entry_positions);
  // 消去: removes the lines at these indexes of one list.
  void RemoveRecipients(RecipientList list, const std::vector<int>& line_indexes);
  void Button13Click();  // 全消去
  // 閉じる on the picker page: joins the lists and hands them to every listener.
  PickedRecipients Button9Click();

  // Where the picker finds the own address of the accounts window.
  std::function<std::string()> own_address;
  using RecipientsListener = std::function<void(const PickedRecipients&)>;
  void AddRecipientsListener(RecipientsListener listener) {
    listeners_.push_back(std::move(listener));
  }

 private:
  bool HasBook() const { return !book_path_.empty(); }
  void ShowEntry(int p);
  void Refill();
  void Save() const;
  std::vector<std::string>& List(RecipientList list);

  const platform::FileSystem& fs_;
  platform::UiServices& ui_;
  std::vector<std::string> books_;
  int selected_book_ = -1;
  std::string book_path_;
  std::vector<std::string> entries_;
  int count_ = 0;
  int position_ = 0;
  bool add_mode_ = false;
  std::vector<int> rows_;
  int sort_key_ = 0;
  std::vector<std::string> to_, cc_, bcc_;
  std::vector<RecipientsListener> listeners_;
};

}  // namespace addressbook
