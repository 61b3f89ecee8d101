// The accounts window's handlers on the main window's state.
#include "accounts/account_settings.h"

#include <charconv>

#include "platform/codepage.h"
#include "state/index_list.h"
#include "store/paths.h"
#include "store/settings.h"
#include "store/startup.h"
#include "transport/exceptions.h"

namespace accounts {
namespace {

constexpr unsigned kPrivateMode = 0600;  // Account.ini holds passwords

const std::string& RequiredMessage() {
  static const std::string text = platform::Sjis("タイトルと必須項目だけは入力してください。");
  return text;
}
const std::string& DuplicateMessage() {
  static const std::string text =
      platform::Sjis("同一のアカウント名が存在します。アカウント名を変えてください。");
  return text;
}
const std::string& UnusableNameMessage() {
  static const std::string text = platform::Sjis(
      "アカウント名には「\\」「/」を含む名前や「.」「..」「Attachment」は使えません。");
  return text;
}
const std::string& SaveOrCancelMessage() {
  static const std::string text = platform::Sjis("保存、中止のどちらかを選択してください。");
  return text;
}

// A port applied while stepping through records must not stop the step: only a number
// that fits a port reaches the client.
bool ParsePort(const std::string& text, int& port) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < 0 || value > 65535) {
    return false;
  }
  port = value;
  return true;
}

}  // namespace

AccountSettings::AccountSettings(state::MainState& state, state::MainView& view,
                                 platform::UiServices& ui)
    : state_(state), view_(view), ui_(ui) {}

void AccountSettings::Start() {
  if (!state_.AccountList.empty()) ShowRecord(state_.AccountPosition);
}

void AccountSettings::ShowRecord(int p) {
  if (!IsStoredPosition(p)) return;
  fields.FromRecord(store::AccountRecord::FromLine(state_.AccountList[static_cast<size_t>(p - 1)]));
  record_label_ = p;
  ApplyToPop3(/*with_port=*/true);
  fields.Signature.clear();
  // A hand-written line whose name cannot be a folder gets no directory of its own.
  if (!IsUsableAccountName(fields.AccountName)) return;
  const std::string dir = store::AccountFolder(fields.AccountName);
  LoadSignature(dir);
  store::LoadOrCreateReceivedKeys(state_.fs, dir, state_.received_keys.store_list());
  // The loaded key list now belongs to this account: whoever saves it next must write it
  // here, not into the folder that was listed before.
  state_.account_dir = dir;
}

void AccountSettings::SpeedButton1Click() {
  if (state_.AccountPosition >= 2) ShowRecord(--state_.AccountPosition);
}

void AccountSettings::SpeedButton2Click() {
  if (state_.AccountPosition < record_count()) ShowRecord(++state_.AccountPosition);
}

void AccountSettings::Button2Click() {
  if (!add_mode_) {
    if (!fields.RequiredFilled()) {
      ui_.ShowInformation(RequiredMessage());
      return;
    }
    add_mode_ = true;
    // Emptying the fields makes room for a new account beside the one shown. When no
    // stored account is shown (a first run: the user has just typed the new account and
    // takes 追加 for "add this"), there is nothing to make room beside, and emptying would
    // only throw away what was typed.
    if (IsStoredPosition(state_.AccountPosition)) {
      const std::string pop_port = fields.PopPort;
      const std::string smtp_port = fields.SmtpPort;
      fields = AccountFields();
      fields.PopPort = pop_port;  // the ports keep their text for the new account
      fields.SmtpPort = smtp_port;
    }
    state_.AccountPosition = record_count() + 1;
    record_label_ = state_.AccountPosition;
    return;
  }
  if (state_.AccountPosition == record_count() + 1) --state_.AccountPosition;
  ShowRecord(state_.AccountPosition);
  add_mode_ = false;
  record_label_ = state_.AccountPosition;
}

bool AccountSettings::Button4Click() {
  CleanFields(fields);
  if (!fields.AllFilled()) {
    ui_.ShowInformation(RequiredMessage());
    return false;
  }
  if (!IsUsableAccountName(fields.AccountName)) {
    ui_.ShowInformation(UnusableNameMessage());
    return false;
  }
  if (NameTakenByAnother(fields.AccountName)) {
    ui_.ShowInformation(DuplicateMessage());
    return false;
  }
  const std::string line = fields.ToRecord().Line();
  if (!IsStoredPosition(state_.AccountPosition)) {
    // A new record; after cancelling an add on an empty list the position is 0, and the
    // record is still appended rather than put in place of a line that does not exist.
    state_.AccountList.push_back(line);
    state_.AccountPosition = record_count();
    record_label_ = state_.AccountPosition;
  } else {
    std::string& stored = state_.AccountList[static_cast<size_t>(state_.AccountPosition - 1)];
    const std::string old_name = store::AccountRecord::FromLine(stored).AccountName;
    if (old_name != fields.AccountName) RenameAccountDirectory(old_name, fields.AccountName);
    stored = line;
  }
  const std::string dir = store::AccountFolder(fields.AccountName);
  state_.fs.ForceDirectories(dir);
  SaveSignature(dir);
  add_mode_ = false;
  RebuildTree();
  ui_.ShowInformation(platform::Sjis("保存しました。"));
  return true;
}

void AccountSettings::Button3Click() {
  // Only a stored record can be deleted: while a new one is being typed there is no account
  // (and no directory) to remove.
  if (state_.AccountList.empty() || !IsStoredPosition(state_.AccountPosition)) return;
  if (ui_.AskWarning(platform::Sjis("現在のアカウント及び\r\n"
                                    "同アカウントで受信したメール関係ファイル\r\n"
                                    "をすべて削除します。\r\n\r\n"
                                    "　　　よろしいですか？")) != platform::Answer::kYes) {
    return;
  }
  const size_t index = static_cast<size_t>(state_.AccountPosition - 1);
  // The stored name, not what Edit1 holds now: a name typed over it would otherwise take
  // another account's mail with it.
  const std::string name = store::AccountRecord::FromLine(state_.AccountList[index]).AccountName;
  state_.CurrentAccountName = name;
  if (IsUsableAccountName(name)) {
    const std::string dir = store::AccountFolder(name);
    state_.fs.DeleteTree(dir);
    ForgetFolderUnder(dir);
  }
  state_.AccountList.erase(state_.AccountList.begin() + static_cast<std::ptrdiff_t>(index));
  if (!state_.AccountList.empty()) state_.AccountPosition = 1;
  // The directory is gone for good, so the list must say so at once, even when it is now
  // empty: otherwise the account comes back at the next start without its mail.
  SaveAccountFileNow();
  RebuildTree();
  if (state_.AccountList.empty()) {
    ForgetLastAccount();
  } else {
    ShowRecord(state_.AccountPosition);
  }
}

void AccountSettings::ForgetLastAccount() {
  fields = AccountFields();
  state_.CurrentAccountName.clear();
  store::SaveCurrentAccountName(state_.fs, state_.CurrentAccountName);
  ApplyToPop3(/*with_port=*/false);
  for (const SenderListener& listener : sender_listeners_) listener(fields.OwnAddress);
  view_.SetAccountLabel(fields.AccountName);
}

bool AccountSettings::Button1Click() {
  if (add_mode_) {
    ui_.ShowInformation(SaveOrCancelMessage());
    return false;
  }
  CleanFields(fields);
  // A first look at the window before any account exists: nothing was typed and there is
  // nothing to make current, so it closes without touching the settings (making the empty
  // name current would only blank the account label and the POP3 client).
  if (state_.AccountList.empty() && fields.RequiredEmpty()) return true;
  if (!fields.RequiredFilled()) {
    ui_.ShowInformation(RequiredMessage());
    return false;
  }
  store::SaveAccountList(state_.fs, state_.AccountList);
  state_.CurrentAccountName = fields.AccountName;
  store::SaveCurrentAccountName(state_.fs, state_.CurrentAccountName);
  ApplyToPop3(/*with_port=*/false);
  state_.POP.Port = transport::StrToInt(fields.PopPort);
  ListAccountFolder(state_.CurrentAccountName);
  for (const SenderListener& listener : sender_listeners_) listener(fields.OwnAddress);
  view_.SetAccountLabel(fields.AccountName);
  return true;
}

void AccountSettings::ApplyToPop3(bool with_port) {
  state_.POP.Host = fields.PopServer;
  state_.POP.Username = fields.UserId;
  state_.POP.Password = fields.Password;
  int port = 0;
  if (with_port && ParsePort(fields.PopPort, port)) state_.POP.Port = port;
}

void AccountSettings::LoadSignature(const std::string& account_dir) {
  std::optional<std::string> text =
      state_.fs.ReadFile(account_dir + std::string(store::kSignatureFile));
  if (text) fields.Signature = store::SplitLines(*text);
}

void AccountSettings::SaveSignature(const std::string& account_dir) const {
  state_.fs.WriteFileAtomic(account_dir + std::string(store::kSignatureFile),
                            state::JoinLines(fields.Signature));
}

bool AccountSettings::NameTakenByAnother(const std::string& name) const {
  for (int i = 0; i < record_count(); ++i) {
    // While browsing, the shown record is being renamed: its own name is no conflict. In add
    // mode every stored record counts.
    if (!add_mode_ && i + 1 == state_.AccountPosition) continue;
    const std::string other =
        store::AccountRecord::FromLine(state_.AccountList[static_cast<size_t>(i)]).AccountName;
    if (SameAccountName(other, name)) return true;
  }
  return false;
}

void AccountSettings::RenameAccountDirectory(const std::string& old_name,
                                             const std::string& new_name) {
  if (!IsUsableAccountName(old_name)) return;
  const std::string from = store::AccountFolder(old_name);
  const std::string to = store::AccountFolder(new_name);
  // A target that exists already is never merged into; the move is then skipped and the
  // old directory keeps its mail.
  if (!state_.fs.MoveDirectory(from, to)) return;
  // The listed folder and the loaded key list moved with the directory: later saves of them
  // must go to the new place instead of bringing the old directory back.
  auto follow = [&](std::string& path) {
    if (path.starts_with(from)) path = to + path.substr(from.size());
  };
  follow(state_.current_folder);
  follow(state_.account_dir);
}

void AccountSettings::ForgetFolderUnder(const std::string& dir) {
  if (state_.current_folder.starts_with(dir)) {
    state_.current_folder.clear();
    state_.folder_index.Clear();
    view_.ClearList();
  }
  if (state_.account_dir.starts_with(dir)) {
    state_.account_dir.clear();
    state_.received_keys.Clear();
  }
}

void AccountSettings::RebuildTree() {
  view_.RebuildFolderTree();
  if (!state_.current_folder.empty()) view_.SelectFolder(state_.current_folder);
}

void AccountSettings::ListAccountFolder(const std::string& name) {
  static const std::string kNormal = platform::Sjis("通常");
  if (!IsUsableAccountName(name)) return;
  const std::string folder = store::AccountFolder(name);
  // An unsaved name has no directory and so no node: nothing is listed then.
  if (!state_.fs.DirectoryExists(folder) || !view_.SelectFolder(folder)) return;
  view_.SetStatus(1, "");
  view_.SetMode(kNormal, 0, 255, 255);
  if (state_.deletion_mode) {
    if (state_.POP.IsConnected()) state_.POP.Disconnect();
    state_.deletion_mode = false;
  }
  state_.sent_view = false;
  state_.extraction_view = false;
  view_.ClearList();
  state_.current_folder = folder;
  state_.folder_index.Load(state_.fs, store::FolderIndexPath(folder));
  view_.FillList(state_.folder_index.lines());
  if (state_.account_dir != folder) {
    state_.account_dir = folder;
    state_.received_keys.Load(state_.fs, store::ReceivedKeysPath(folder));
  }
}

void AccountSettings::SaveAccountFileNow() {
  state_.fs.WriteFileAtomic(std::string(store::kAccountFile), state::JoinLines(state_.AccountList),
                            kPrivateMode);
}

}  // namespace accounts
