// TForm3 "メール作成", the composer: sender box, recipients, subject, body, attachment list and
// the mail-merge switch. Handlers mirror the controls into ComposerFields and call the
// Qt-free send step, merge rules and New/Reply/Forward.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "compose/composer_fields.h"
#include "compose/send_step.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;

namespace app {
class TForm1;
}

namespace compose {

class TForm6;

// What the composer needs of the accounts window and the address book, connected at start-up.
struct ComposerHooks {
  // The own address and signature shown in the accounts window; when unset, the current
  // account's own address and its "syomei.txt".
  std::function<std::string()> own_address;
  std::function<std::string()> signature;
  // Opens the address book at its recipient picker, without waiting.
  std::function<void()> open_picker;
};

class TForm3 : public QDialog {
  Q_OBJECT
 public:
  TForm3(app::TForm1& form1, TForm6& form6, ComposerHooks hooks);

  void FormCreate();
  ComposerFields Fields() const;            // the controls' content
  void SetFields(const ComposerFields& f);  // and back
  transport::TIdSMTP& IdSMTP1() { return smtp_; }
  ComposerHooks& hooks() { return hooks_; }
  // The accounts window or the picker puts the own address into the sender box.
  void SetSenderText(const std::string& own_address);
  // The picker's "閉じる": fields it sends replace To, CC and BCC.
  void SetRecipients(const std::string* to, const std::string* cc, const std::string* bcc);

  // Menu handlers.
  void mnuSendMailClick();               // ファイル → メール送信
  void mnuCancelClick();                 // ファイル → 中止
  void mnuAttachClick();                 // 添付ファイル → 挿入
  void mnuDetachClick();                 // 添付ファイル → 解除
  void mnuMergeFileClick();              // 差込 → 差し込むファイルの指定
  void mnuMergeInsertClick(int column);  // 差込１..３
  void AddDroppedFiles(const std::vector<std::string>& paths);

  // The main window's commands.
  void NewMailClick();
  void ReplyClick();
  void ForwardClick();
  void SendClick();  // 送信: shows the composer modally as it is

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildLayout();
  std::string OwnAddress() const;
  std::string Signature() const;
  void ShowComposer();
  void CaretToStart();

  app::TForm1& form1_;
  TForm6& form6_;
  ComposerHooks hooks_;
  transport::TIdSMTP smtp_;
  std::vector<std::string> merge_rows_;
  std::string merge_path_;

  QComboBox* combo_ = nullptr;
  QCheckBox* merge_box_ = nullptr;
  QLineEdit* to_ = nullptr;
  QLineEdit* cc_ = nullptr;
  QLineEdit* bcc_ = nullptr;
  QLineEdit* subject_ = nullptr;
  QPlainTextEdit* memo_ = nullptr;
  QListWidget* attachments_ = nullptr;
  std::vector<QLabel*> picker_labels_;
};

// Creates the composer and the merge confirmation window and wires 送信, メールの作成, 返信 and
// 転送 into the main window.
TForm3* CreateComposeWindow(app::TForm1& form1, ComposerHooks hooks = {});

}  // namespace compose
