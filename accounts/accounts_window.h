// TForm2 ("アカウント設定"): one account record at a time with the speed buttons, add/cancel,
// update/save, delete and close. The widgets mirror accounts::AccountSettings, which does
// the work on the main window's state.
#pragma once

#include <QDialog>

#include "accounts/account_settings.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace app {
class TForm1;
}

namespace accounts {

class TForm2 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm2(app::TForm1& form1);

  // The logic behind the window; its fields follow every edit of the widgets, so the
  // composer and the receive run can read the shown own address, signature and check box.
  AccountSettings& settings() { return settings_; }

  // The creation step: applies the current account to the POP3 client.
  void FormCreate();
  // 設定 → アカウント and the tool button: modal.
  void Open();

  void SpeedButton1Click();
  void SpeedButton2Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void Button1Click();

 protected:
  // Escape is the close button. The frame's own close box just hides the window and runs
  // none of the close step.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildLayout();
  void Run(void (AccountSettings::*handler)());
  // Shows the logic's fields, mode and record number in the widgets.
  void Push();

  app::TForm1& form1_;
  AccountSettings settings_;
  QLineEdit* edit_[6] = {};  // Edit1 to Edit6
  QLineEdit* pop_port_ = nullptr;
  QLineEdit* smtp_port_ = nullptr;
  QCheckBox* delete_after_ = nullptr;
  QPlainTextEdit* memo_ = nullptr;
  QLabel* rec_pos_ = nullptr;
  QPushButton* add_button_ = nullptr;
};

// Builds the accounts window over the main window (which owns it), runs its creation step
// and wires 設定 → アカウント ("mnuAccount") and the tool button ("tbAccount") to it.
TForm2* CreateAccountsWindow(app::TForm1& form1);

}  // namespace accounts
