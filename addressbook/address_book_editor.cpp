// The address book window's handlers.
#include "addressbook/address_book_editor.h"

#include <algorithm>
#include <set>

#include "platform/codepage.h"

namespace addressbook {
namespace {

const std::string& ThreeFieldsMessage() {
  static const std::string text = platform::Sjis("アカウントは３項目とも記入してください。");
  return text;
}
const std::string& NoBookMessage() {
  static const std::string text =
      platform::Sjis("アドレス帳が選択されていません。左の一覧からアドレス帳を選んでください。");
  return text;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) {
    if (!out.empty()) out += ',';
    out += line;
  }
  return out;
}

}  // namespace

AddressBookEditor::AddressBookEditor(const platform::FileSystem& fs, platform::UiServices& ui)
    : fs_(fs), ui_(ui) {}

const std::vector<std::string>& AddressBookEditor::recipients(RecipientList list) const {
  return list == RecipientList::kTo ? to_ : list == RecipientList::kCc ? cc_ : bcc_;
}

std::vector<std::string>& AddressBookEditor::List(RecipientList list) {
  return list == RecipientList::kTo ? to_ : list == RecipientList::kCc ? cc_ : bcc_;
}

void AddressBookEditor::Start() {
  books_ = ListBooks(fs_);
  if (!books_.empty()) TreeView1Click(0);
}

void AddressBookEditor::TreeView1Click(int book) {
  if (book < 0 || book >= static_cast<int>(books_.size())) return;
  selected_book_ = book;
  book_path_ = BookPath(books_[static_cast<size_t>(book)]);
  entries_ = LoadBook(fs_, book_path_);
  count_ = static_cast<int>(entries_.size());
  position_ = 0;
  add_mode_ = false;  // another book's entries: a half-typed new entry has no place there
  ShowEntry(0);
  Refill();
}

void AddressBookEditor::ShowEntry(int p) {
  fields = Entry();
  if (p >= 0 && p < static_cast<int>(entries_.size())) {
    fields = ParseEntry(entries_[static_cast<size_t>(p)]);
  }
}

void AddressBookEditor::Refill() {
  rows_.resize(entries_.size());
  for (size_t i = 0; i < rows_.size(); ++i) rows_[i] = static_cast<int>(i);
}

void AddressBookEditor::Save() const { SaveBook(fs_, book_path_, entries_); }

void AddressBookEditor::ListView1Click(int entry_position) {
  if (entries_.empty() || entry_position < 0 || entry_position >= count_) return;
  position_ = entry_position;
  ShowEntry(position_);
}

void AddressBookEditor::ListView1ColumnClick(int column) {
  sort_key_ = (column + 1 == std::abs(sort_key_)) ? -sort_key_ : column + 1;
  const int c = std::abs(sort_key_) - 1;
  const bool descending = sort_key_ < 0;
  auto text = [this, c](int entry) {
    const Entry e = ParseEntry(entries_[static_cast<size_t>(entry)]);
    switch (c) {
      case 0:
        return e.name;
      case 1:
        return e.address;
      case 2:
        return e.note;
      default:
        return std::to_string(entry);
    }
  };
  std::stable_sort(rows_.begin(), rows_.end(), [&](int a, int b) {
    int r = CompareColumn(c, text(a), text(b));
    return descending ? r > 0 : r < 0;
  });
}

void AddressBookEditor::Button1Click() {
  const std::string name =
      ui_.InputBox(platform::Sjis("新しいアドレス帳の作成"),
                   platform::Sjis("新しいアドレス帳の名前を入力してください。"), "");
  if (name.empty()) return;
  // A name that would put the file outside the book directory is not taken.
  if (!IsUsableBookName(name)) return;
  if (fs_.FileExists(BookPath(name))) {
    ui_.ShowInformation(platform::Sjis("同一名称のアドレス帳が既に存在します"));
    return;
  }
  books_.push_back(name);  // the file is made when the book is first clicked
}

void AddressBookEditor::Button3Click() {
  if (!add_mode_) {
    if (!HasBook()) {
      ui_.ShowInformation(NoBookMessage());
      return;
    }
    if (fields.name.empty() || fields.address.empty()) {
      ui_.ShowInformation(ThreeFieldsMessage());
      return;
    }
    add_mode_ = true;
    fields = Entry();
    count_ = static_cast<int>(entries_.size());
    position_ = count_;
    return;
  }
  if (entries_.empty()) {
    // Nothing to go back to: the empty fields stay and the window returns to browsing.
    add_mode_ = false;
    return;
  }
  if (position_ == count_) --position_;
  ShowEntry(position_);
  add_mode_ = false;
}

bool AddressBookEditor::Button4Click() {
  if (!HasBook()) {
    ui_.ShowInformation(NoBookMessage());
    return false;
  }
  if (fields.name.empty() || fields.address.empty()) {
    ui_.ShowInformation(ThreeFieldsMessage());
    return false;
  }
  const std::string line = EntryLine(fields);
  fields = ParseEntry(line);  // what was stored, TABs turned into spaces
  if (position_ >= count_) {
    entries_.push_back(line);
    count_ = static_cast<int>(entries_.size());
    position_ = count_ - 1;
  } else {
    entries_[static_cast<size_t>(position_)] = line;
  }
  Save();  // a new entry stays last until the book is loaded again
  Refill();
  add_mode_ = false;
  return true;
}

void AddressBookEditor::Button5Click() {
  if (!HasBook()) return;
  if (position_ < count_) {
    const std::string& address = ParseEntry(entries_[static_cast<size_t>(position_)]).address;
    if (ui_.AskWarning(address + platform::Sjis("を削除します。\r\n\r\n... よろしいですか？")) !=
        platform::Answer::kYes) {
      return;
    }
    entries_.erase(entries_.begin() + position_);
    Save();
    entries_ = LoadBook(fs_, book_path_);
    count_ = static_cast<int>(entries_.size());
    position_ = 0;
    ShowEntry(0);
    Refill();
    return;
  }
  if (ui_.AskWarning(
          platform::Sjis("メールアドレスの追加をキャンセルします。\r\n\r\n... よろしいですか？")) !=
      platform::Answer::kYes) {
    return;
  }
  if (!entries_.empty()) {
    --position_;
    ShowEntry(position_);
  }
  add_mode_ = false;
}

bool AddressBookEditor::Button2Click() {
  if (add_mode_) {
    ui_.ShowInformation(platform::Sjis("保存、中止のどちらかを選択してください。"));
    return false;
  }
  if (HasBook() && fs_.FileExists(book_path_)) Save();
  return true;
}

void AddressBookEditor::AddRecipients(RecipientList list, const std::vector<int>& entry_positions) {
  for (int p : entry_positions) {
    if (p < 0 || p >= static_cast<int>(entries_.size())) continue;
    List(list).push_back(RecipientForm(ParseEntry(entries_[static_cast<size_t>(p)])));
  }
}

void AddressBookEditor::RemoveRecipients(RecipientList list, const std::vector<int>& line_indexes) {
  std::vector<std::string>& lines = List(list);
  std::set<int> gone(line_indexes.begin(), line_indexes.end());
  std::vector<std::string> kept;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!gone.contains(static_cast<int>(i))) kept.push_back(std::move(lines[i]));
  }
  lines = std::move(kept);
}

void AddressBookEditor::Button13Click() {
  to_.clear();
  cc_.clear();
  bcc_.clear();
}

PickedRecipients AddressBookEditor::Button9Click() {
  PickedRecipients picked;
  auto joined = [](const std::vector<std::string>& lines) -> std::optional<std::string> {
    std::string text = Join(lines);
    if (text.empty()) return std::nullopt;
    return text;
  };
  picked.to = joined(to_);
  picked.cc = joined(cc_);
  picked.bcc = joined(bcc_);
  if (own_address) picked.sender = own_address();
  for (const RecipientsListener& listener : listeners_) listener(picked);
  return picked;
}

}  // namespace addressbook
