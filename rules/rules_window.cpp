// TForm7, the settings window: widgets and the handlers that call the rule logic.
#include "rules/rules_window.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/list_logic.h"
#include "app/folder_tree.h"
#include "app/main_window.h"
#include "app/message_model.h"
#include "app/qt_text.h"
#include "platform/codepage.h"
#include "rules/rule_editor.h"
#include "rules/rule_file.h"
#include "rules/rule_run.h"

namespace rules {
namespace {

using app::Q;
using app::QU;
using app::S;

constexpr int kRulesPage = 0;

// The Shift_JIS bytes behind a shown text. Going through Unicode and back is not the identity
// for every byte sequence (the duplicate NEC/IBM codes, bytes no character has), so the rule
// lines and the offered keywords keep their own bytes and untouched lines are written back
// exactly as they were read.
QVariant Raw(const std::string& sjis) {
  return QByteArray(sjis.data(), static_cast<qsizetype>(sjis.size()));
}

std::string LineBytes(const QListWidgetItem* item) {
  const QByteArray raw = item->data(Qt::UserRole).toByteArray();
  return raw.toStdString();
}
constexpr int kNewCheckPage = 1;

QPushButton* Button(const char* name, const char* caption, QWidget* parent) {
  auto* b = new QPushButton(QU(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

// A node's text (name, TAB, count) and image, and the same for everything below it.
void CopyNode(const QTreeWidgetItem* from, QTreeWidgetItem* to) {
  to->setText(0, from->text(0));
  to->setIcon(0, from->icon(0));
  for (int i = 0; i < from->childCount(); ++i) CopyNode(from->child(i), new QTreeWidgetItem(to));
}

void CollectNodes(QTreeWidgetItem* item, std::vector<QTreeWidgetItem*>& out) {
  out.push_back(item);
  for (int i = 0; i < item->childCount(); ++i) CollectNodes(item->child(i), out);
}

}  // namespace

TForm7::TForm7(app::TForm1& form1) : QDialog(&form1), form1_(form1) {
  setObjectName(QStringLiteral("Form7"));
  setWindowTitle(QU("設定"));
  setModal(true);
  BuildLayout();
}

void TForm7::BuildLayout() {
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(QStringLiteral("PageControl1"));
  auto* outer = new QVBoxLayout(this);
  outer->addWidget(tabs_);

  auto* rules_page = new QWidget;
  rules_page->setObjectName(QStringLiteral("TabSheet1"));
  auto* grid = new QGridLayout(rules_page);
  header_ = new QComboBox(rules_page);
  header_->setObjectName(QStringLiteral("ComboBox1"));
  header_->setEditable(true);
  keyword_ = new QComboBox(rules_page);
  keyword_->setObjectName(QStringLiteral("ComboBox2"));
  keyword_->setEditable(true);
  keyword_->setInsertPolicy(QComboBox::NoInsert);  // the list holds only the offered texts
  keyword_->setMinimumWidth(220);
  auto* contains = new QLabel(QU("を含むとき"), rules_page);
  contains->setObjectName(QStringLiteral("Label1"));
  auto* condition = new QHBoxLayout;
  condition->addWidget(header_);
  condition->addWidget(keyword_, 1);
  condition->addWidget(contains);
  grid->addLayout(condition, 0, 0, 1, 2);

  tree_ = new QTreeWidget(rules_page);
  tree_->setObjectName(QStringLiteral("TreeView1"));
  tree_->setHeaderHidden(true);
  app::StyleTreeSelection(tree_);  // the count after its TAB reads as in the main window
  grid->addWidget(tree_, 1, 0, 4, 1);
  move_ = new QRadioButton(QU("へ移動"), rules_page);
  move_->setObjectName(QStringLiteral("RadioButton1"));
  refuse_ = new QRadioButton(QU("削除(受信拒否)"), rules_page);
  refuse_->setObjectName(QStringLiteral("RadioButton2"));
  // Neither is chosen at first, which an exclusive group would not allow to come back to.
  auto* group = new QButtonGroup(rules_page);
  group->addButton(move_);
  group->addButton(refuse_);
  grid->addWidget(move_, 1, 1);
  grid->addWidget(refuse_, 2, 1);
  auto* edit_buttons = new QHBoxLayout;
  QPushButton* add = Button("Button1", "追加", rules_page);
  QPushButton* edit = Button("Button5", "編集", rules_page);
  QPushButton* remove = Button("Button2", "削除", rules_page);
  edit_buttons->addWidget(add);
  edit_buttons->addWidget(edit);
  edit_buttons->addWidget(remove);
  grid->addLayout(edit_buttons, 3, 1);

  auto* list_title = new QLabel(QU("●メッセージルールの内容"), rules_page);
  list_title->setObjectName(QStringLiteral("Label3"));
  grid->addWidget(list_title, 5, 0, 1, 2);
  list_ = new QListWidget(rules_page);
  list_->setObjectName(QStringLiteral("ListBoxRule"));
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  grid->addWidget(list_, 6, 0, 1, 2);
  auto* bottom = new QHBoxLayout;
  QPushButton* apply = Button("Button6", "現在のフォルダに適用", rules_page);
  QPushButton* save = Button("Button4", "登録", rules_page);
  QPushButton* close = Button("Button3", "閉じる", rules_page);
  bottom->addWidget(apply);
  bottom->addStretch(1);
  bottom->addWidget(save);
  bottom->addWidget(close);
  grid->addLayout(bottom, 7, 0, 1, 2);
  tabs_->addTab(rules_page, QU("メッセージルール"));

  auto* check_page = new QWidget;
  check_page->setObjectName(QStringLiteral("TabSheet2"));
  auto* check = new QVBoxLayout(check_page);
  interval_ = new QComboBox(check_page);
  interval_->setObjectName(QStringLiteral("ComboBox3"));
  // Typed text is taken as it is; the check refuses a text that is no number of minutes.
  interval_->setEditable(true);
  interval_->setInsertPolicy(QComboBox::NoInsert);
  auto* every = new QLabel(QU("分間隔で新着メールを確認する"), check_page);
  every->setObjectName(QStringLiteral("Label2"));
  interval_->setFixedWidth(64);
  auto* interval_row = new QHBoxLayout;
  interval_row->addWidget(interval_);
  interval_row->addWidget(every);
  interval_row->addStretch(1);
  check->addLayout(interval_row);
  QPushButton* run = Button("Button7", "実行", check_page);
  QPushButton* stop = Button("Button8", "中止", check_page);
  auto* run_row = new QHBoxLayout;
  run_row->addWidget(run);
  run_row->addWidget(stop);
  run_row->addStretch(1);
  check->addLayout(run_row);
  check->addStretch(1);
  tabs_->addTab(check_page, QU("新着チェック"));

  // Every handler runs under the main window's error guard: a failed save shows the
  // platform's message and leaves the window open.
  auto guard = [this](QPushButton* b, void (TForm7::*handler)()) {
    connect(b, &QPushButton::clicked, this, [this, handler] {
      form1_.Guarded([this, handler] { (this->*handler)(); });
    });
  };
  guard(add, &TForm7::Button1Click);
  guard(edit, &TForm7::Button5Click);
  guard(remove, &TForm7::Button2Click);
  guard(apply, &TForm7::Button6Click);
  guard(save, &TForm7::Button4Click);
  guard(close, &TForm7::Button3Click);
  guard(run, &TForm7::Button7Click);
  guard(stop, &TForm7::Button8Click);
  connect(list_, &QListWidget::itemClicked, this,
          [this] { form1_.Guarded([this] { ListBoxRuleClick(); }); });
  // Moving through the list with the keys loads each rule as a click does; the list changes
  // its current row by itself only while it has the focus.
  connect(list_, &QListWidget::currentRowChanged, this, [this] {
    if (list_->hasFocus()) form1_.Guarded([this] { ListBoxRuleClick(); });
  });
}

void TForm7::FormCreate() {
  // A rule file that cannot be read is reported and the editor starts empty, rather than
  // the program failing to start.
  list_->clear();
  form1_.Guarded([this] { SetListLines(LoadRuleLines(form1_.state().fs)); });
  header_->clear();
  header_->addItems({Q(SenderHeader()), Q(SubjectHeader())});
  header_->setCurrentIndex(0);
  // A copy of the folder tree as it stands now; folders made later appear after a restart.
  tree_->clear();
  if (const auto* source = form1_.findChild<QTreeWidget*>(QStringLiteral("TreeView1"))) {
    for (int i = 0; i < source->topLevelItemCount(); ++i) {
      CopyNode(source->topLevelItem(i), new QTreeWidgetItem(tree_));
    }
  }
  tree_->expandAll();
  interval_->clear();
  interval_->addItems({"1", "2", "3", "4", "5", "10"});
  interval_->setCurrentIndex(1);
}

void TForm7::mnuRuleClick() {
  tabs_->setCurrentIndex(kRulesPage);
  keyword_->clear();
  keyword_->clearEditText();
  const int row = form1_.FirstSelectedRow();
  if (row >= 0) {
    const std::string record = app::RecordFromRow(form1_.model().row(row));
    for (int field : {store::kSubjectField, store::kSenderField}) {
      const std::string text = store::GetField(record, field);
      keyword_->addItem(Q(text), Raw(text));
    }
    keyword_->setCurrentIndex(0);
  }
  exec();
}

void TForm7::mnuNewCheckClick() {
  tabs_->setCurrentIndex(kNewCheckPage);
  exec();
}

void TForm7::AddOrEdit(bool edit) {
  std::vector<std::string> path;
  if (QTreeWidgetItem* node = tree_->currentItem(); node != nullptr && node->isSelected()) {
    for (QTreeWidgetItem* n = node; n != nullptr; n = n->parent()) {
      path.insert(path.begin(), S(n->text(0)));
    }
  }
  std::optional<std::string> line =
      BuildRuleLine(S(header_->currentText()), KeywordBytes(), move_->isChecked(), path);
  if (!line) return;
  // "編集" replaces only a line that is selected, not one that merely has the focus frame.
  QListWidgetItem* current = list_->currentItem();
  const int keep = current != nullptr && current->isSelected() ? list_->currentRow() : -1;
  std::vector<std::string> lines = ListLines();
  AddOrReplaceRule(lines, std::move(*line), edit, keep);
  SetListLines(lines);
  if (edit && keep >= 0) list_->setCurrentRow(keep);
}

std::string TForm7::KeywordBytes() const {
  // An offered text still shown unchanged keeps its bytes; anything typed is converted.
  const int chosen = keyword_->findText(keyword_->currentText(), Qt::MatchExactly);
  if (chosen >= 0) return keyword_->itemData(chosen).toByteArray().toStdString();
  if (keyword_->currentText() == Q(loaded_keyword_)) return loaded_keyword_;
  return S(keyword_->currentText());
}

void TForm7::Button1Click() { AddOrEdit(false); }
void TForm7::Button5Click() { AddOrEdit(true); }

void TForm7::Button2Click() {
  for (QListWidgetItem* item : list_->selectedItems()) delete item;
}

void TForm7::ListBoxRuleClick() {
  QListWidgetItem* item = list_->currentItem();
  if (item == nullptr) return;
  const std::vector<QTreeWidgetItem*> nodes = TreeNodes();
  std::vector<std::string> texts;
  texts.reserve(nodes.size());
  for (QTreeWidgetItem* n : nodes) texts.push_back(S(n->text(0)));
  std::optional<RuleSelection> selection = SelectRule(LineBytes(item), texts);
  if (!selection) return;
  header_->setEditText(Q(selection->header));
  loaded_keyword_ = selection->keyword;
  keyword_->setEditText(Q(selection->keyword));
  if (selection->node >= 0) {
    tree_->setCurrentItem(nodes[static_cast<size_t>(selection->node)]);
  }
  tree_->setFocus();
}

void TForm7::Button4Click() {
  SaveRuleLines(form1_.state().fs, ListLines());
  close();
}

void TForm7::Button3Click() { close(); }

void TForm7::Button6Click() {
  state::MainState& state = form1_.state();
  if (form1_.ui().AskWarning(ApplyQuestion(state.current_folder)) != platform::Answer::kYes) {
    return;
  }
  ApplyRulesToCurrentFolder(state, form1_);
  form1_.ui().ShowInformation(platform::Sjis("完了"));
  close();
}

void TForm7::Button7Click() {
  form1_.state().new_check_interval = S(interval_->currentText());
  form1_.state().new_check_run = true;
  close();
}

void TForm7::Button8Click() {
  form1_.state().new_check_run = false;
  close();
}

std::vector<std::string> TForm7::ListLines() const {
  std::vector<std::string> lines;
  for (int i = 0; i < list_->count(); ++i) lines.push_back(LineBytes(list_->item(i)));
  return lines;
}

void TForm7::SetListLines(const std::vector<std::string>& lines) {
  list_->clear();
  for (const std::string& line : lines) {
    auto* item = new QListWidgetItem(Q(line), list_);
    item->setData(Qt::UserRole, Raw(line));
  }
}

std::vector<QTreeWidgetItem*> TForm7::TreeNodes() const {
  std::vector<QTreeWidgetItem*> nodes;
  for (int i = 0; i < tree_->topLevelItemCount(); ++i) CollectNodes(tree_->topLevelItem(i), nodes);
  return nodes;
}

TForm7* CreateRulesWindow(app::TForm1& form1) {
  auto* form7 = new TForm7(form1);
  form7->FormCreate();
  form1.WireCommand({"mnuRule"}, [form7] { form7->mnuRuleClick(); });
  form1.WireCommand({"mnuNewCheck"}, [form7] { form7->mnuNewCheckClick(); });
  return form7;
}

}  // namespace rules
