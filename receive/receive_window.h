// TForm5 ("新着チェック情報"), the new-mail information window, and the wiring of the main
// window's receiving commands: 受信, deletion mode, delete by number and the new-mail check.
#pragma once

#include <QDialog>

#include "receive/deletion_mode.h"
#include "receive/new_mail_check.h"
#include "receive/pop_context.h"

class QLabel;
class QTreeWidget;

namespace app {
class TForm1;
}

namespace receive {

class TForm5 : public QDialog, public NewMailView {
  Q_OBJECT
 public:
  explicit TForm5(app::TForm1& form1);

  PopContext& context() { return context_; }
  DeletionMode& deletion_mode() { return deletion_; }
  NewMailCheck& check() { return check_; }

  void mnuRecieveClick();
  // 設定 → 新着チェック, after the settings window has closed.
  void mnuNewCheckClick();
  // "閉じる": the stop command, the main window back to its normal size, and close.
  void Button1Click();

  // NewMailView.
  void ClearRows() override;
  void AddRow(const std::string& record) override;
  std::string Label() const override;
  void SetLabel(const std::string& text) override;
  void ShowWindow() override;
  void MinimiseMainWindow() override;

 private:
  void BuildLayout();

  app::TForm1& form1_;
  PopContext context_;
  DeletionMode deletion_;
  NewMailCheck check_;
  QTreeWidget* list_ = nullptr;  // ListView1
  QLabel* label_ = nullptr;      // Label1
};

// Builds TForm5 over the main window (which owns it) and wires the receiving commands.
TForm5* CreateReceiveWindow(app::TForm1& form1);

}  // namespace receive
