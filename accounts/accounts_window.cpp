// TForm2: the accounts window's widgets and their handlers.
#include "accounts/accounts_window.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/main_window.h"
#include "app/qt_text.h"

namespace accounts {

using app::Q;
using app::QU;
using app::S;

TForm2::TForm2(app::TForm1& form1)
    : QDialog(&form1), form1_(form1), settings_(form1.state(), form1, form1.ui()) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QU("アカウント設定"));
  setModal(true);
  BuildLayout();
  resize(480, sizeHint().height());
}

void TForm2::BuildLayout() {
  auto* layout = new QVBoxLayout(this);

  auto* top = new QGridLayout;
  top->addWidget(new QLabel(QU("アカウント名"), this), 0, 1);
  auto* previous = new QToolButton(this);
  previous->setObjectName(QStringLiteral("SpeedButton1"));
  previous->setArrowType(Qt::LeftArrow);
  auto* next = new QToolButton(this);
  next->setObjectName(QStringLiteral("SpeedButton2"));
  next->setArrowType(Qt::RightArrow);
  auto make_edit = [this](const char* name) {
    auto* e = new QLineEdit(this);
    e->setObjectName(QString::fromLatin1(name));
    return e;
  };
  const char* names[6] = {"Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6"};
  for (int i = 0; i < 6; ++i) edit_[i] = make_edit(names[i]);
  pop_port_ = make_edit("EdtPOP");
  smtp_port_ = make_edit("EdtSMTP");
  top->addWidget(previous, 1, 0);
  top->addWidget(edit_[0], 1, 1);
  top->addWidget(next, 1, 2);
  rec_pos_ = new QLabel(QStringLiteral("0"), this);
  rec_pos_->setObjectName(QStringLiteral("LblRecPos"));
  rec_pos_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  top->addWidget(rec_pos_, 1, 3);
  top->addWidget(new QLabel(QU("件目"), this), 1, 4);
  layout->addLayout(top);

  auto* required = new QGroupBox(QU("必須項目"), this);
  required->setObjectName(QStringLiteral("GroupBox1"));
  auto* grid = new QGridLayout(required);
  auto row = [&](int r, const char* label, QWidget* field, const char* port_label, QWidget* port) {
    grid->addWidget(new QLabel(QU(label), required), r, 0);
    grid->addWidget(field, r, 1);
    if (port != nullptr) {
      grid->addWidget(new QLabel(QU(port_label), required), r, 2);
      port->setMaximumWidth(60);
      grid->addWidget(port, r, 3);
    }
  };
  row(0, "自分のメールアドレス", edit_[5], nullptr, nullptr);
  row(1, "受信POPサーバ", edit_[1], "POPポート", pop_port_);
  row(2, "送信SMTPサーバ", edit_[4], "SMTPポート", smtp_port_);
  row(3, "ユーザ名(ID)", edit_[2], nullptr, nullptr);
  row(4, "パスワード", edit_[3], nullptr, nullptr);  // shown in clear text, as stored
  grid->setColumnStretch(1, 1);                      // room for a whole address or host name
  layout->addWidget(required);

  delete_after_ = new QCheckBox(QU("受信後、サーバからメールを削除する"), this);
  delete_after_->setObjectName(QStringLiteral("CheckBox1"));
  layout->addWidget(delete_after_);
  layout->addWidget(new QLabel(QU("署名"), this));
  memo_ = new QPlainTextEdit(this);
  memo_->setObjectName(QStringLiteral("Memo1"));
  memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  layout->addWidget(memo_, 1);
  auto* note = new QLabel(QU("表示されているアカウントでメールを送受信します。"), this);
  note->setObjectName(QStringLiteral("Label1"));
  layout->addWidget(note);

  auto* buttons = new QHBoxLayout;
  auto make_button = [this, buttons](const char* name, const char* caption) {
    auto* b = new QPushButton(QU(caption), this);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    buttons->addWidget(b);
    return b;
  };
  add_button_ = make_button("Button2", "追加");
  QPushButton* del = make_button("Button3", "削除");
  QPushButton* save = make_button("Button4", "更新/保存");
  QPushButton* close = make_button("Button1", "閉じる");
  layout->addLayout(buttons);

  // Every edit reaches the logic at once, so readers of the fields see what is shown.
  AccountFields& f = settings_.fields;
  std::string* targets[6] = {&f.AccountName, &f.PopServer,  &f.UserId,
                             &f.Password,    &f.SmtpServer, &f.OwnAddress};
  for (int i = 0; i < 6; ++i) {
    connect(edit_[i], &QLineEdit::textChanged, this,
            [target = targets[i]](const QString& text) { *target = S(text); });
  }
  connect(pop_port_, &QLineEdit::textChanged, this,
          [&f](const QString& text) { f.PopPort = S(text); });
  connect(smtp_port_, &QLineEdit::textChanged, this,
          [&f](const QString& text) { f.SmtpPort = S(text); });
  connect(delete_after_, &QCheckBox::toggled, this,
          [&f](bool checked) { f.DeleteAfterReceive = checked; });
  connect(memo_, &QPlainTextEdit::textChanged, this, [this, &f] {
    const QString text = memo_->toPlainText();
    f.Signature.clear();
    if (text.isEmpty()) return;
    for (const QString& line : text.split(QLatin1Char('\n'))) f.Signature.push_back(S(line));
  });

  connect(previous, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
  connect(next, &QToolButton::clicked, this, [this] { SpeedButton2Click(); });
  connect(add_button_, &QPushButton::clicked, this, [this] { Button2Click(); });
  connect(del, &QPushButton::clicked, this, [this] { Button3Click(); });
  connect(save, &QPushButton::clicked, this, [this] { Button4Click(); });
  connect(close, &QPushButton::clicked, this, [this] { Button1Click(); });
  Push();
}

void TForm2::Push() {
  const AccountFields f = settings_.fields;  // setting a widget writes back into the fields
  const std::string* values[6] = {&f.AccountName, &f.PopServer,  &f.UserId,
                                  &f.Password,    &f.SmtpServer, &f.OwnAddress};
  for (int i = 0; i < 6; ++i) edit_[i]->setText(Q(*values[i]));
  pop_port_->setText(Q(f.PopPort));
  smtp_port_->setText(Q(f.SmtpPort));
  delete_after_->setChecked(f.DeleteAfterReceive);
  QStringList lines;
  for (const std::string& line : f.Signature) lines.push_back(Q(line));
  memo_->setPlainText(lines.join(QLatin1Char('\n')));
  rec_pos_->setText(QString::number(settings_.record_label()));
  add_button_->setText(settings_.add_mode() ? QU("中止") : QU("追加"));
}

void TForm2::Run(void (AccountSettings::*handler)()) {
  form1_.Guarded([this, handler] { (settings_.*handler)(); });
  Push();
}

void TForm2::FormCreate() { Run(&AccountSettings::Start); }

void TForm2::Open() {
  Push();
  exec();
}

void TForm2::SpeedButton1Click() { Run(&AccountSettings::SpeedButton1Click); }
void TForm2::SpeedButton2Click() { Run(&AccountSettings::SpeedButton2Click); }
void TForm2::Button2Click() { Run(&AccountSettings::Button2Click); }
void TForm2::Button3Click() { Run(&AccountSettings::Button3Click); }
void TForm2::Button4Click() {
  form1_.Guarded([this] { settings_.Button4Click(); });
  Push();
}

void TForm2::Button1Click() {
  bool may_close = false;
  form1_.Guarded([this, &may_close] { may_close = settings_.Button1Click(); });
  Push();
  if (may_close) accept();
}

void TForm2::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    Button1Click();
    return;
  }
  QDialog::keyPressEvent(event);
}

TForm2* CreateAccountsWindow(app::TForm1& form1) {
  auto* form2 = new TForm2(form1);  // owned by the main window
  form2->FormCreate();
  form1.WireCommand({"mnuAccount", "tbAccount"}, [form2] { form2->Open(); });
  return form2;
}

}  // namespace accounts
