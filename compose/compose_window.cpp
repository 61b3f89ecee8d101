// The composer window and the main window's 送信, メールの作成, 返信 and 転送 commands.
#include "compose/compose_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "app/main_window.h"
#ifdef YUBINKO_HAVE_ACCOUNTS_WINDOW
#include "accounts/accounts_window.h"
#endif
#include "app/message_model.h"
#include "app/qt_text.h"
#include "compose/merge_file.h"
#include "compose/merge_window.h"
#include "compose/new_reply_forward.h"
#include "store/account_file.h"
#include "store/paths.h"
#include "store/record.h"

namespace compose {

using app::Q;
using app::QU;
using app::S;

namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

// The sender box's items: the own address of every account, in AccountList order.
void FillSenders(QComboBox* combo, const state::MainState& state) {
  combo->clear();
  for (const std::string& line : state.AccountList) combo->addItem(Q(store::GetField(line, 5)));
}

}  // namespace

TForm3::TForm3(app::TForm1& form1, TForm6& form6, ComposerHooks hooks)
    : form1_(form1), form6_(form6), hooks_(std::move(hooks)) {
  setObjectName(QStringLiteral("Form3"));
  setWindowTitle(QU("メール作成"));
  BuildLayout();
}

void TForm3::BuildLayout() {
  auto* layout = new QVBoxLayout(this);
  auto* bar = new QMenuBar(this);
  bar->setObjectName(QStringLiteral("MainMenu1"));
  layout->setMenuBar(bar);
  auto add = [this](QMenu* menu, const char* name, const char* caption,
                    std::function<void()> handler) {
    QAction* a = menu->addAction(QU(caption));
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, [this, handler] { form1_.Guarded(handler); });
  };
  QMenu* file = bar->addMenu(QU("ファイル"));
  add(file, "mnuSendMail", "メール送信", [this] { mnuSendMailClick(); });
  add(file, "mnuCancel", "中止", [this] { mnuCancelClick(); });
  QMenu* attach = bar->addMenu(QU("添付ファイル"));
  add(attach, "mnuAttach", "挿入", [this] { mnuAttachClick(); });
  add(attach, "mnuDetach", "解除", [this] { mnuDetachClick(); });
  QMenu* merge = bar->addMenu(QU("差込"));
  add(merge, "mnuMergeFile", "差し込むファイルの指定", [this] { mnuMergeFileClick(); });
  add(merge, "mnuMerge1", "差込１", [this] { mnuMergeInsertClick(1); });
  add(merge, "mnuMerge2", "差込２", [this] { mnuMergeInsertClick(2); });
  add(merge, "mnuMerge3", "差込３", [this] { mnuMergeInsertClick(3); });

  auto* grid = new QGridLayout;
  auto label = [this, grid](const char* name, const char* text, int row, bool picker) {
    auto* l = new QLabel(QU(text), this);
    l->setObjectName(QString::fromLatin1(name));
    if (picker) {
      l->setCursor(Qt::PointingHandCursor);
      l->installEventFilter(this);
      picker_labels_.push_back(l);
    }
    grid->addWidget(l, row, 0);
  };
  auto edit = [this, grid](const char* name, int row) {
    auto* e = new QLineEdit(this);
    e->setObjectName(QString::fromLatin1(name));
    grid->addWidget(e, row, 1);
    return e;
  };
  label("Label1", "差出人（自分）", 0, false);
  combo_ = new QComboBox(this);
  combo_->setObjectName(QStringLiteral("ComboBox1"));
  combo_->setEditable(true);
  grid->addWidget(combo_, 0, 1);
  merge_box_ = new QCheckBox(QU("差込メール"), this);
  merge_box_->setObjectName(QStringLiteral("CheckBox1"));
  grid->addWidget(merge_box_, 0, 2);
  label("Label2", "あて先", 1, true);
  to_ = edit("edtTo", 1);
  label("Label3", "CC", 2, true);
  cc_ = edit("edtCC", 2);
  label("Label4", "BCC", 3, true);
  bcc_ = edit("edtBCC", 3);
  label("Label5", "件名", 4, false);
  subject_ = edit("edtSubject", 4);
  subject_->installEventFilter(this);
  layout->addLayout(grid);
  memo_ = new QPlainTextEdit(this);
  memo_->setObjectName(QStringLiteral("Memo1"));
  layout->addWidget(memo_, 1);
  attachments_ = new QListWidget(this);
  attachments_->setObjectName(QStringLiteral("ListBox1"));
  attachments_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  attachments_->setMaximumHeight(80);
  layout->addWidget(attachments_);
  setAcceptDrops(true);
  resize(640, 560);
}

void TForm3::FormCreate() {
  FillSenders(combo_, form1_.state());
  combo_->setCurrentIndex(combo_->count() > 0 ? 0 : -1);
  merge_rows_.clear();
}

ComposerFields TForm3::Fields() const {
  ComposerFields f;
  f.sender_text = S(combo_->currentText());
  // The box is editable, so its text can name an account other than the selected item; the
  // selection decides the account, as before.
  f.sender_index = combo_->currentIndex();
  f.merge = merge_box_->isChecked();
  f.to = S(to_->text());
  f.cc = S(cc_->text());
  f.bcc = S(bcc_->text());
  f.subject = S(subject_->text());
  f.body = S(memo_->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
  for (int i = 0; i < attachments_->count(); ++i) {
    f.attachments.push_back(attachments_->item(i)->text().toStdString());
  }
  f.merge_rows = merge_rows_;
  f.merge_path = merge_path_;
  return f;
}

void TForm3::SetFields(const ComposerFields& f) {
  if (combo_->currentText() != Q(f.sender_text)) SetSenderText(f.sender_text);
  merge_box_->setChecked(f.merge);
  to_->setText(Q(f.to));
  cc_->setText(Q(f.cc));
  bcc_->setText(Q(f.bcc));
  subject_->setText(Q(f.subject));
  const QString body = Q(f.body).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  if (memo_->toPlainText() != body) memo_->setPlainText(body);
  attachments_->clear();
  for (const std::string& path : f.attachments) {
    attachments_->addItem(QString::fromStdString(path));
  }
  merge_rows_ = f.merge_rows;
  merge_path_ = f.merge_path;
}

void TForm3::SetSenderText(const std::string& own_address) {
  // Selecting the matching item keeps the account used for sending in step with the text.
  int at = combo_->findText(Q(own_address));
  if (at < 0) {
    // An account added (the first one, on a first run) or changed in the accounts window
    // since start-up: without its item it could not send until the next start. The items
    // are taken again from AccountList; an address that is still no account's keeps the
    // account selected before.
    const int selected = combo_->currentIndex();
    const QString before = selected >= 0 ? combo_->itemText(selected) : QString();
    FillSenders(combo_, form1_.state());
    at = combo_->findText(Q(own_address));
    if (at < 0 && selected >= 0) at = combo_->findText(before);
  }
  combo_->setCurrentIndex(at);
  combo_->setEditText(Q(own_address));
}

void TForm3::SetRecipients(const std::string* to, const std::string* cc, const std::string* bcc) {
  if (to != nullptr) to_->setText(Q(*to));
  if (cc != nullptr) cc_->setText(Q(*cc));
  if (bcc != nullptr) bcc_->setText(Q(*bcc));
}

void TForm3::mnuSendMailClick() {
  ComposerFields f = Fields();
  const SendOutcome out = SendStep(form1_.state(), smtp_, &form1_.ui()).Send(f);
  if (out.status == SendOutcome::kFailed) {
    form1_.ui().ShowError(out.message);
  } else if (!out.message.empty()) {
    form1_.ui().ShowInformation(out.message);
  }
  if (out.Delivered()) {
    // The sent view lists the new record when it is shown.
    if (form1_.state().sent_view) form1_.FillList(form1_.state().sent_index.lines());
  }
  if (out.CloseComposer()) {
    attachments_->clear();
    hide();
    if (result() == QDialog::Rejected) done(QDialog::Accepted);
  }
}

void TForm3::mnuCancelClick() { hide(); }

void TForm3::mnuAttachClick() {
  static const std::string kFilter =
      platform::Sjis("テキストファイル(*.txt *.csv);;すべてのファイル(*)");
  for (const std::string& path : form1_.ui().OpenFileDialog(kFilter, true)) {
    bool present = false;
    for (int i = 0; i < attachments_->count(); ++i) {
      present = present || SameIgnoringCase(attachments_->item(i)->text().toStdString(), path);
    }
    if (!present) attachments_->addItem(QString::fromStdString(path));
  }
}

void TForm3::mnuDetachClick() {
  for (QListWidgetItem* item : attachments_->selectedItems()) delete item;
}

void TForm3::AddDroppedFiles(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    bool present = false;
    for (int i = 0; i < attachments_->count(); ++i) {
      present = present ||
                attachments_->item(i)->text().toUpper() == QString::fromStdString(path).toUpper();
    }
    if (!present) attachments_->addItem(QString::fromStdString(path));
  }
}

void TForm3::mnuMergeFileClick() {
  platform::UiServices& ui = form1_.ui();
  ui.ShowInformation(MergeExplanationText());
  static const std::string kFilter =
      platform::Sjis("テキストファイル(*.txt *.csv);;すべてのファイル(*)");
  const std::vector<std::string> chosen = ui.OpenFileDialog(kFilter, true);
  if (chosen.empty()) return;
  merge_path_ = chosen.front();
  merge_rows_ = store::SplitLines(platform::ReadWholeFile(merge_path_).value_or(""));
  if (!MergeFileLooksValid(merge_rows_)) {
    ui.ShowInformation(MergeFileErrorText());
    return;
  }
  merge_box_->setChecked(true);
  form6_.Fill(merge_path_, merge_rows_);
  form6_.exec();
}

void TForm3::mnuMergeInsertClick(int column) {
  memo_->insertPlainText(QStringLiteral("%TK") + QString::number(column));
}

bool TForm3::eventFilter(QObject* watched, QEvent* event) {
  if (watched == subject_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Tab || key == Qt::Key_Return || key == Qt::Key_Enter) {
      memo_->setFocus();
      return true;
    }
  }
  if (event->type() == QEvent::MouseButtonRelease &&
      std::find(picker_labels_.begin(), picker_labels_.end(), watched) != picker_labels_.end()) {
    if (hooks_.open_picker) form1_.Guarded(hooks_.open_picker);
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TForm3::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TForm3::dropEvent(QDropEvent* event) {
  std::vector<std::string> paths;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  }
  AddDroppedFiles(paths);
  event->acceptProposedAction();
}

namespace {

// The accounts window, when it exists: its own-address box and signature are what New and
// the sender box use.
QWidget* AccountsWindow(app::TForm1& form1) {
  return form1.findChild<QDialog*>(QStringLiteral("Form2"), Qt::FindDirectChildrenOnly);
}

}  // namespace

std::string TForm3::OwnAddress() const {
  if (hooks_.own_address) return hooks_.own_address();
#ifdef YUBINKO_HAVE_ACCOUNTS_WINDOW
  // The window's fields follow every edit of its widgets and every record it shows.
  if (auto* form2 = qobject_cast<accounts::TForm2*>(AccountsWindow(form1_))) {
    return form2->settings().fields.OwnAddress;
  }
#endif
  if (QWidget* form2 = AccountsWindow(form1_)) {
    if (auto* edit = form2->findChild<QLineEdit*>(QStringLiteral("Edit6"))) {
      return S(edit->text());
    }
  }
  const state::MainState& st = form1_.state();
  const std::size_t at = static_cast<std::size_t>(st.AccountPosition - 1);
  return at < st.AccountList.size() ? store::GetField(st.AccountList[at], 5) : std::string();
}

std::string TForm3::Signature() const {
  if (hooks_.signature) return hooks_.signature();
#ifdef YUBINKO_HAVE_ACCOUNTS_WINDOW
  if (auto* form2 = qobject_cast<accounts::TForm2*>(AccountsWindow(form1_))) {
    ComposerFields joined;
    SetBodyLines(joined, form2->settings().fields.Signature);
    return joined.body;
  }
#endif
  if (QWidget* form2 = AccountsWindow(form1_)) {
    if (auto* memo = form2->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))) {
      return S(memo->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
    }
  }
  const state::MainState& st = form1_.state();
  const std::size_t at = static_cast<std::size_t>(st.AccountPosition - 1);
  if (at >= st.AccountList.size()) return {};
  const std::string dir = store::AccountFolder(store::GetField(st.AccountList[at], 0));
  return st.fs.ReadFile(dir + std::string(store::kSignatureFile)).value_or("");
}

void TForm3::CaretToStart() {
  QTextCursor c = memo_->textCursor();
  c.movePosition(QTextCursor::Start);
  memo_->setTextCursor(c);
}

void TForm3::ShowComposer() {
  CaretToStart();
  show();
  raise();
  activateWindow();
}

void TForm3::NewMailClick() {
  ComposerFields f = Fields();
  NewMail(form1_.state(), form1_, OwnAddress(), Signature(), f);
  SetFields(f);
  ShowComposer();
}

namespace {

// The selected row, the viewer's lines and the attachment names of the main window.
bool ReadSelection(app::TForm1& form1, SelectedMessage& selected, std::vector<std::string>& shown,
                   std::vector<std::string>* attachment_names) {
  const int row = form1.FirstSelectedRow();
  if (row < 0) return false;
  const app::Row& r = form1.model().row(row);
  selected = {r.key(), r.col[0], r.col[1]};
  // Looked up inside the main window's own panels: the windows it owns have lists and memos
  // of the same names.
  QWidget* middle = form1.findChild<QWidget*>(QStringLiteral("Panel2"));
  QWidget* bottom = form1.findChild<QWidget*>(QStringLiteral("Panel3"));
  if (auto* body =
          middle == nullptr ? nullptr : middle->findChild<QTextEdit*>(QStringLiteral("memBody"))) {
    shown = store::SplitLines(S(body->toPlainText()));
  }
  if (attachment_names != nullptr) {
    if (auto* list = bottom == nullptr
                         ? nullptr
                         : bottom->findChild<QListWidget*>(QStringLiteral("ListBox1"))) {
      for (int i = 0; i < list->count(); ++i) attachment_names->push_back(S(list->item(i)->text()));
    }
  }
  return true;
}

}  // namespace

void TForm3::ReplyClick() {
  SelectedMessage selected;
  std::vector<std::string> shown;
  if (!ReadSelection(form1_, selected, shown, nullptr)) return;
  ComposerFields f = Fields();
  ReplyMail(form1_.state(), selected, shown, Signature(), f);
  SetFields(f);
  ShowComposer();
}

void TForm3::ForwardClick() {
  SelectedMessage selected;
  std::vector<std::string> shown;
  std::vector<std::string> names;
  if (!ReadSelection(form1_, selected, shown, &names)) return;
  ComposerFields f = Fields();
  ForwardMail(form1_.state(), selected, shown, names, Signature(), f);
  SetFields(f);
  ShowComposer();
}

void TForm3::SendClick() {
  setResult(QDialog::Rejected);
  exec();
}

TForm3* CreateComposeWindow(app::TForm1& form1, ComposerHooks hooks) {
  // Top-level windows without a parent, so the main window's controls are found by name
  // without meeting the composer's; they go with the main window.
  auto* form6 = new TForm6(form1.ui());
  auto* form3 = new TForm3(form1, *form6, std::move(hooks));
  QObject::connect(&form1, &QObject::destroyed, [form3, form6] {
    delete form3;
    delete form6;
  });
  form3->FormCreate();
#ifdef YUBINKO_HAVE_ACCOUNTS_WINDOW
  // Closing the accounts window on another account puts its own address into the sender box.
  if (auto* form2 = qobject_cast<accounts::TForm2*>(AccountsWindow(form1))) {
    form2->settings().AddSenderListener(
        [form3](const std::string& own_address) { form3->SetSenderText(own_address); });
  }
#endif
  form1.WireCommand({"mnuSend"}, [form3] { form3->SendClick(); });
  form1.WireCommand({"mnuNewMail", "tbNew"}, [form3] { form3->NewMailClick(); });
  form1.WireCommand({"mnuReply", "tbReply"}, [form3] { form3->ReplyClick(); });
  form1.WireCommand({"mnuForward", "tbForward"}, [form3] { form3->ForwardClick(); });
  return form3;
}

}  // namespace compose
