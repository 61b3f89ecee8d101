// The new-mail information window and the receiving commands of the main window.
#include "receive/receive_window.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include "app/main_window.h"
#include "platform/codepage.h"
#include "receive/receive_run.h"
#include "store/record.h"

namespace receive {
namespace {

QString Q(const std::string& sjis) { return QString::fromStdString(platform::Cp932ToUtf8(sjis)); }
std::string S(const QString& text) { return platform::Cp932FromUtf8(text.toStdString()); }

}  // namespace

TForm5::TForm5(app::TForm1& form1)
    : QDialog(&form1, Qt::Dialog | Qt::WindowStaysOnTopHint),
      form1_(form1),
      context_(form1.state(), form1, form1.ui()),
      deletion_(context_),
      check_(context_, *this) {
  setObjectName(QStringLiteral("Form5"));
  setWindowTitle(QString::fromUtf8("新着チェック情報"));
  setModal(false);
  BuildLayout();
}

void TForm5::BuildLayout() {
  setFixedSize(469, 243);
  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("ListView1"));
  list_->setGeometry(0, 0, 469, 201);
  list_->setRootIsDecorated(false);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setStyleSheet(QStringLiteral(
      "QTreeWidget { background: grey; color: aqua; }"
      "QTreeWidget::item { border-right: 1px solid silver; border-bottom: 1px solid silver; }"));
  list_->setHeaderLabels({QString::fromUtf8("件名"), QString::fromUtf8("差出人"),
                          QString::fromUtf8("日時"), QString::fromUtf8("サイズ(Byte)"),
                          QStringLiteral("MsgID"), QString::fromUtf8("添付ﾌﾗｸﾞ"),
                          QString::fromUtf8("新着フラグ")});
  const int widths[] = {300, 200, 80, 80};
  for (int c = 0; c < 4; ++c) list_->setColumnWidth(c, widths[c]);

  label_ = new QLabel(QString::fromUtf8("新着は？"), this);
  label_->setObjectName(QStringLiteral("Label1"));
  label_->setStyleSheet(QStringLiteral("color: black;"));
  label_->setGeometry(8, 212, 340, 20);

  auto* close = new QPushButton(QString::fromUtf8("閉じる"), this);
  close->setObjectName(QStringLiteral("Button1"));
  close->setGeometry(384, 208, 75, 27);
  connect(close, &QPushButton::clicked, this,
          [this] { form1_.Guarded([this] { Button1Click(); }); });
}

void TForm5::mnuRecieveClick() { ReceiveRun(context_).Run(); }

void TForm5::mnuNewCheckClick() {
  state::MainState& s = context_.state;
  check_.Start(s.new_check_run, s.new_check_interval);
}

void TForm5::Button1Click() {
  form1_.StopCommand();
  form1_.showNormal();
  close();
}

void TForm5::ClearRows() { list_->clear(); }

void TForm5::AddRow(const std::string& record) {
  const store::Fields f = store::SplitRecord(record);
  // Row order: subject, sender, date, size, Message-ID, then the two empty columns.
  QStringList texts;
  for (int i : {1, 2, 3, 4, 0, 5, 6}) {
    texts << (static_cast<std::size_t>(i) < f.size() ? Q(f[static_cast<std::size_t>(i)])
                                                     : QString());
  }
  list_->addTopLevelItem(new QTreeWidgetItem(texts));
}

std::string TForm5::Label() const { return S(label_->text()); }
void TForm5::SetLabel(const std::string& text) { label_->setText(Q(text)); }

void TForm5::ShowWindow() {
  if (!isVisible()) move(form1_.geometry().center() - rect().center());
  show();
  raise();
}

void TForm5::MinimiseMainWindow() { form1_.showMinimized(); }

TForm5* CreateReceiveWindow(app::TForm1& form1) {
  auto* form5 = new TForm5(form1);
  AttachPopEvents(form1.state(), form1);
  form1.WireCommand({"mnuRecieve", "tbRecieve"}, [form5] { form5->mnuRecieveClick(); });
  DeletionMode& mode = form5->deletion_mode();
  form1.WireCommand({"mnuDelMode", "mnuPopDelMode", "tbDelMode"}, [&mode] { mode.Enter(); });
  form1.WireCommand({"mnuDelDecide", "mnuPopDelDecide"}, [&mode] { mode.DeleteMarked(); });
  form1.WireCommand({"mnuPopDelModeEnd"}, [&mode] { mode.Leave(); });
  form1.WireCommand({"mnuDelByNumber"}, [&mode] { mode.DeleteByNumber(); });
  form1.WireCommand({"mnuNewCheck"}, [form5] { form5->mnuNewCheckClick(); });
  // While the list shows the server, the local-delete command deletes the marked messages
  // there; the main window's own handler leaves such rows alone.
  for (const char* name : {"mnuLocalMailDel", "mnuPopLocalMailDel", "tbLocalDel"}) {
    QObject::connect(form1.action(QString::fromLatin1(name)), &QAction::triggered, form5,
                     [&form1, &mode] {
                       if (form1.state().deletion_mode)
                         form1.Guarded([&mode] { mode.DeleteMarked(); });
                     });
  }
  return form5;
}

}  // namespace receive
