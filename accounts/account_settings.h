// The accounts window without widgets: shows one record of AccountList at a time, steps
// through them, adds, saves, renames and deletes accounts with their directories, and on
// closing makes the shown account current (settings file, folder tree, account label, POP3
// client, composer sender). Works on the main window's state and reports through its view.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "accounts/account_fields.h"
#include "platform/ui_services.h"
#include "state/main_state.h"
#include "state/main_view.h"

namespace accounts {

class AccountSettings {
 public:
  AccountSettings(state::MainState& state, state::MainView& view, platform::UiServices& ui);

  // The window's controls. The window keeps them in step with its widgets before each
  // handler and shows them again after it.
  AccountFields fields;

  // Button2 reads "中止" in add mode and "追加" in browse mode.
  bool add_mode() const { return add_mode_; }
  // LblRecPos.
  int record_label() const { return record_label_; }
  int record_count() const { return static_cast<int>(state_.AccountList.size()); }

  // The window's creation: applies the current account (AccountPosition) to the POP3 client
  // and loads its signature and already-received list.
  void Start();
  // Fills the fields from record p (1-based) and applies it: POP3 server, user, password and
  // port, signature, already-received list. Nothing happens when there is no record p.
  void ShowRecord(int p);

  void SpeedButton1Click();  // previous record
  void SpeedButton2Click();  // next record
  void Button2Click();       // add, or cancel the add
  bool Button4Click();       // update/save; false when refused
  void Button3Click();       // delete the shown account with its mail
  // Close (Button1 or Escape). False when the window must stay open. A port that is not a
  // number stops the step with the conversion error (thrown), as the port is applied.
  bool Button1Click();

  // Called with the own address when closing makes the shown account current; the composer
  // sets its sender box from it.
  using SenderListener = std::function<void(const std::string& own_address)>;
  void AddSenderListener(SenderListener listener) {
    sender_listeners_.push_back(std::move(listener));
  }

 private:
  bool IsStoredPosition(int p) const { return p >= 1 && p <= record_count(); }
  void ApplyToPop3(bool with_port);
  void LoadSignature(const std::string& account_dir);
  void SaveSignature(const std::string& account_dir) const;
  bool NameTakenByAnother(const std::string& name) const;
  void RenameAccountDirectory(const std::string& old_name, const std::string& new_name);
  void ForgetFolderUnder(const std::string& dir);
  void RebuildTree();
  void ListAccountFolder(const std::string& name);
  void SaveAccountFileNow();
  // After the last account is deleted: empty fields, and nothing left naming the deleted account
  // (the current name in its file, the POP3 client, the label, the sender box).
  void ForgetLastAccount();

  state::MainState& state_;
  state::MainView& view_;
  platform::UiServices& ui_;
  bool add_mode_ = false;
  int record_label_ = 0;
  std::vector<SenderListener> sender_listeners_;
};

}  // namespace accounts
