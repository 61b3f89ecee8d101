// TForm4: the address book window's widgets and their handlers.
#include "addressbook/addressbook_window.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/main_window.h"
#include "app/qt_text.h"
#include "compose/compose_window.h"

namespace addressbook {

using app::Q;
using app::QU;
using app::S;

TForm4::TForm4(app::TForm1& form1)
    : QDialog(&form1), form1_(form1), editor_(form1.state().fs, form1.ui()) {
  setObjectName(QStringLiteral("Form4"));
  setWindowTitle(QU("アドレス帳設定"));
  resize(560, 480);
  BuildLayout();
}

void TForm4::BuildLayout() {
  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  tree_ = new QTreeWidget(this);
  tree_->setObjectName(QStringLiteral("TreeView1"));
  tree_->setHeaderHidden(true);
  tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tree_->setMaximumWidth(160);
  new QTreeWidgetItem(tree_, QStringList(QStringLiteral("Adress")));
  left->addWidget(tree_, 1);
  auto* new_book = new QPushButton(QU("アドレス帳の新規作成"), this);
  new_book->setObjectName(QStringLiteral("Button1"));
  left->addWidget(new_book);
  top->addLayout(left);

  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("ListView1"));
  list_->setRootIsDecorated(false);
  list_->setAllColumnsShowFocus(true);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setHeaderLabels({QU("宛名"), QU("アドレス"), QU("備考"), QU("レコード番号")});
  // Grid lines between the cells. A style sheet on the items takes over their painting, so
  // the selected rows need their colours said too: without them a selected row is drawn
  // white on white as soon as the list loses the focus, for instance to a button.
  list_->setStyleSheet(
      QStringLiteral("QTreeWidget::item { border: 1px solid #d0d0d0; }"
                     "QTreeWidget::item:selected { background: palette(highlight);"
                     " color: palette(highlighted-text); }"));
  const int widths[] = {120, 160, 100};
  for (int i = 0; i < 3; ++i) list_->setColumnWidth(i, widths[i]);
  list_->setColumnHidden(3, true);  // the entry position, width 0
  list_->header()->setSectionsClickable(true);
  list_->header()->setSortIndicatorShown(false);
  top->addWidget(list_, 1);
  layout->addLayout(top, 1);

  pages_ = new QTabWidget(this);
  pages_->setObjectName(QStringLiteral("PageControl1"));
  auto make_button = [this](QWidget* parent, const char* name, const char* caption) {
    auto* b = new QPushButton(QU(caption), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
  };

  auto* edit_page = new QWidget(pages_);
  edit_page->setObjectName(QStringLiteral("TabSheet1"));
  auto* edit_grid = new QGridLayout(edit_page);
  const char* labels[] = {"宛名", "アドレス", "備考"};
  const char* names[] = {"Edit1", "Edit2", "Edit3"};
  for (int i = 0; i < 3; ++i) {
    edit_grid->addWidget(new QLabel(QU(labels[i]), edit_page), i, 0);
    edit_[i] = new QLineEdit(edit_page);
    edit_[i]->setObjectName(QString::fromLatin1(names[i]));
    edit_grid->addWidget(edit_[i], i, 1, 1, 4);
  }
  add_button_ = make_button(edit_page, "Button3", "追加");
  QPushButton* save = make_button(edit_page, "Button4", "更新/保存");
  QPushButton* del = make_button(edit_page, "Button5", "削除");
  QPushButton* close_edit = make_button(edit_page, "Button2", "閉じる");
  edit_grid->addWidget(add_button_, 3, 1);
  edit_grid->addWidget(save, 3, 2);
  edit_grid->addWidget(del, 3, 3);
  edit_grid->addWidget(close_edit, 3, 4);
  edit_grid->setRowStretch(4, 1);  // the fields stay together at the top of the page
  pages_->addTab(edit_page, QU("アドレス帳の編集"));

  auto* pick_page = new QWidget(pages_);
  pick_page->setObjectName(QStringLiteral("TabSheet2"));
  auto* pick_grid = new QGridLayout(pick_page);
  const char* pick_names[] = {"Button6", "Button7", "Button8"};
  const char* pick_captions[] = {"TO", "CC", "BCC"};
  const char* box_names[] = {"ListBox1", "ListBox2", "ListBox3"};
  const char* clear_names[] = {"Button10", "Button11", "Button12"};
  QPushButton* pick_buttons[3];
  QPushButton* clear_buttons[3];
  for (int i = 0; i < 3; ++i) {
    pick_buttons[i] = make_button(pick_page, pick_names[i], pick_captions[i]);
    pick_grid->addWidget(pick_buttons[i], 0, i);
    boxes_[i] = new QListWidget(pick_page);
    boxes_[i]->setObjectName(QString::fromLatin1(box_names[i]));
    boxes_[i]->setSelectionMode(QAbstractItemView::ExtendedSelection);
    pick_grid->addWidget(boxes_[i], 1, i);
    clear_buttons[i] = make_button(pick_page, clear_names[i], "消去");
    pick_grid->addWidget(clear_buttons[i], 2, i);
  }
  QPushButton* clear_all = make_button(pick_page, "Button13", "全消去");
  QPushButton* close_pick = make_button(pick_page, "Button9", "閉じる");
  pick_grid->addWidget(clear_all, 3, 0);
  pick_grid->addWidget(close_pick, 3, 2);
  pages_->addTab(pick_page, QU("あて名挿入"));
  // The entries get the room; the pages keep what their controls need.
  layout->addWidget(pages_);
  layout->setStretch(0, 3);
  layout->setStretch(1, 2);

  // Every edit reaches the editor's fields at once.
  std::string Entry::*members[3] = {&Entry::name, &Entry::address, &Entry::note};
  for (int i = 0; i < 3; ++i) {
    connect(edit_[i], &QLineEdit::textChanged, this,
            [this, member = members[i]](const QString& text) { editor_.fields.*member = S(text); });
  }
  connect(tree_, &QTreeWidget::itemClicked, this, [this] { TreeView1Click(); });
  connect(list_, &QTreeWidget::itemClicked, this, [this] { ListView1Click(); });
  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { Button6Click(); });
  connect(list_->header(), &QHeaderView::sectionClicked, this,
          [this](int column) { ListView1ColumnClick(column); });
  connect(new_book, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(close_edit, &QPushButton::clicked, this, [this] { Button2Click(); });
  connect(add_button_, &QPushButton::clicked, this, [this] { Button3Click(); });
  connect(save, &QPushButton::clicked, this, [this] { Button4Click(); });
  connect(del, &QPushButton::clicked, this, [this] { Button5Click(); });
  connect(pick_buttons[0], &QPushButton::clicked, this, [this] { Button6Click(); });
  connect(pick_buttons[1], &QPushButton::clicked, this, [this] { Button7Click(); });
  connect(pick_buttons[2], &QPushButton::clicked, this, [this] { Button8Click(); });
  connect(close_pick, &QPushButton::clicked, this, [this] { Button9Click(); });
  connect(clear_buttons[0], &QPushButton::clicked, this, [this] { Button10Click(); });
  connect(clear_buttons[1], &QPushButton::clicked, this, [this] { Button11Click(); });
  connect(clear_buttons[2], &QPushButton::clicked, this, [this] { Button12Click(); });
  connect(clear_all, &QPushButton::clicked, this, [this] { Button13Click(); });
}

void TForm4::Run(const std::function<void()>& handler) {
  form1_.Guarded(handler);
  Push();
}

void TForm4::Push() {
  const Entry f = editor_.fields;  // setting a widget writes back into the fields
  edit_[0]->setText(Q(f.name));
  edit_[1]->setText(Q(f.address));
  edit_[2]->setText(Q(f.note));
  add_button_->setText(editor_.add_mode() ? QU("中止") : QU("追加"));

  QTreeWidgetItem* root = tree_->topLevelItem(0);
  const size_t shown_books = static_cast<size_t>(root->childCount());
  for (size_t i = shown_books; i < editor_.books().size(); ++i) {
    new QTreeWidgetItem(root, QStringList(Q(editor_.books()[i])));
  }
  // A book just created must be visible to be clicked: it is made on the first click.
  if (editor_.books().size() > shown_books) root->setExpanded(true);
  if (editor_.selected_book() >= 0 && tree_->currentItem() == nullptr) {
    root->setExpanded(true);
    tree_->setCurrentItem(root->child(editor_.selected_book()));
  }
  FillList();

  for (int i = 0; i < 3; ++i) {
    const auto& lines = editor_.recipients(static_cast<RecipientList>(i));
    if (boxes_[i]->count() == static_cast<int>(lines.size())) {
      bool same = true;
      for (int r = 0; same && r < boxes_[i]->count(); ++r) {
        same = S(boxes_[i]->item(r)->text()) == lines[static_cast<size_t>(r)];
      }
      if (same) continue;  // keeps the user's selection
    }
    boxes_[i]->clear();
    for (const std::string& line : lines) boxes_[i]->addItem(Q(line));
  }
}

void TForm4::FillList() {
  if (shown_entries_ == editor_.entries() && shown_rows_ == editor_.rows()) return;
  // Sorting only reorders the rows: the selected entries stay selected.
  QSet<int> selected;
  if (shown_entries_ == editor_.entries()) {
    for (int p : SelectedEntryPositions()) selected.insert(p);
  }
  shown_entries_ = editor_.entries();
  shown_rows_ = editor_.rows();
  list_->clear();
  QList<QTreeWidgetItem*> items;
  for (int p : editor_.rows()) {
    const Entry e = ParseEntry(editor_.entries()[static_cast<size_t>(p)]);
    auto* item = new QTreeWidgetItem({Q(e.name), Q(e.address), Q(e.note), QString::number(p)});
    items.push_back(item);
  }
  list_->addTopLevelItems(items);  // one batch
  for (QTreeWidgetItem* item : items) {
    if (selected.contains(item->text(3).toInt())) item->setSelected(true);
  }
}

std::vector<int> TForm4::SelectedEntryPositions() const {
  std::vector<int> positions;
  for (int r = 0; r < list_->topLevelItemCount(); ++r) {
    QTreeWidgetItem* item = list_->topLevelItem(r);
    if (item->isSelected()) positions.push_back(item->text(3).toInt());
  }
  return positions;
}

void TForm4::FormCreate() {
  Run([this] { editor_.Start(); });
  pages_->setCurrentIndex(0);
}

void TForm4::OpenForEditing() {
  pages_->setCurrentIndex(0);
  Push();
  exec();
}

void TForm4::OpenForPicking() {
  pages_->setCurrentIndex(1);
  Push();
  if (!isVisible()) {
    // The composer may itself be modal (opened by 送信): a picker beside it would then take
    // no clicks, so it goes above it. Either way the call returns at once.
    QWidget* modal = QApplication::activeModalWidget();
    setWindowModality(modal != nullptr && modal != this ? Qt::ApplicationModal : Qt::NonModal);
  }
  show();
  raise();
  activateWindow();
}

void TForm4::TreeView1Click() {
  QTreeWidgetItem* node = tree_->currentItem();
  if (node == nullptr) return;
  const int book = node->parent() == nullptr ? -1 : node->parent()->indexOfChild(node);
  Run([this, book] { editor_.TreeView1Click(book); });
}

void TForm4::ListView1Click() {
  QTreeWidgetItem* item = list_->currentItem();
  if (item == nullptr || !item->isSelected()) return;
  const int position = item->text(3).toInt();
  Run([this, position] { editor_.ListView1Click(position); });
}

void TForm4::ListView1ColumnClick(int column) {
  Run([this, column] { editor_.ListView1ColumnClick(column); });
}

void TForm4::Button1Click() {
  Run([this] { editor_.Button1Click(); });
}
void TForm4::Button3Click() {
  Run([this] { editor_.Button3Click(); });
}
void TForm4::Button4Click() {
  Run([this] { editor_.Button4Click(); });
}
void TForm4::Button5Click() {
  Run([this] { editor_.Button5Click(); });
}

void TForm4::Button2Click() {
  bool may_close = false;
  Run([this, &may_close] { may_close = editor_.Button2Click(); });
  if (may_close) accept();
}

void TForm4::Pick(RecipientList list) {
  const std::vector<int> positions = SelectedEntryPositions();
  Run([this, list, &positions] { editor_.AddRecipients(list, positions); });
}

void TForm4::Button6Click() { Pick(RecipientList::kTo); }
void TForm4::Button7Click() { Pick(RecipientList::kCc); }
void TForm4::Button8Click() { Pick(RecipientList::kBcc); }

void TForm4::Button9Click() {
  Run([this] { editor_.Button9Click(); });
  accept();
}

void TForm4::Remove(RecipientList list, QListWidget* box) {
  std::vector<int> lines;
  for (int r = 0; r < box->count(); ++r) {
    if (box->item(r)->isSelected()) lines.push_back(r);
  }
  Run([this, list, &lines] { editor_.RemoveRecipients(list, lines); });
}

void TForm4::Button10Click() { Remove(RecipientList::kTo, boxes_[0]); }
void TForm4::Button11Click() { Remove(RecipientList::kCc, boxes_[1]); }
void TForm4::Button12Click() { Remove(RecipientList::kBcc, boxes_[2]); }
void TForm4::Button13Click() {
  Run([this] { editor_.Button13Click(); });
}

void TForm4::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    if (pages_->currentIndex() == 0) {
      Button2Click();
    } else {
      Button9Click();
    }
    return;
  }
  QDialog::keyPressEvent(event);
}

TForm4* CreateAddressBookWindow(app::TForm1& form1, std::function<std::string()> own_address) {
  auto* form4 = new TForm4(form1);  // owned by the main window
  form4->editor().own_address = std::move(own_address);
  form4->FormCreate();
  form1.WireCommand({"mnuAddress", "tbAddress"}, [form4] { form4->OpenForEditing(); });
  return form4;
}

void ConnectPicker(TForm4& form4, compose::TForm3& form3) {
  form3.hooks().open_picker = [&form4] { form4.OpenForPicking(); };
  form4.editor().AddRecipientsListener([&form3](const PickedRecipients& picked) {
    form3.SetRecipients(picked.to ? &*picked.to : nullptr, picked.cc ? &*picked.cc : nullptr,
                        picked.bcc ? &*picked.bcc : nullptr);
    form3.SetSenderText(picked.sender);
    form3.show();
    form3.raise();
    form3.activateWindow();
  });
}

}  // namespace addressbook
