// TForm7 ("設定"): the rule editor tab and the new-mail check tab. The window edits the rule
// list in memory, saves it with "登録" and runs the rules over the current folder; the rule
// work itself is in rule_editor, rule_file and rule_run.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QComboBox;
class QListWidget;
class QRadioButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace app {
class TForm1;
}

namespace rules {

class TForm7 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm7(app::TForm1& form1);

  // Loads "rule.ini", copies the main window's folder tree and sets the defaults.
  void FormCreate();
  // 設定 → メッセージルール: the rules tab, keyword list from the selected message; modal.
  void mnuRuleClick();
  // 設定 → 新着チェック: the new-mail tab; modal. The new-mail check reads the run flag and
  // the interval from the main state when this returns.
  void mnuNewCheckClick();

  void Button1Click();  // 追加
  void Button5Click();  // 編集
  void Button2Click();  // 削除
  void ListBoxRuleClick();
  void Button4Click();  // 登録
  void Button3Click();  // 閉じる
  void Button6Click();  // 現在のフォルダに適用
  void Button7Click();  // 実行
  void Button8Click();  // 中止

 private:
  void BuildLayout();
  void AddOrEdit(bool edit);
  // The keyword in Shift_JIS.
  std::string KeywordBytes() const;
  std::vector<std::string> ListLines() const;
  void SetListLines(const std::vector<std::string>& lines);
  // TreeView1's nodes in tree order (each node, then its descendants).
  std::vector<QTreeWidgetItem*> TreeNodes() const;

  app::TForm1& form1_;
  QTabWidget* tabs_ = nullptr;
  QComboBox* header_ = nullptr;   // ComboBox1
  QComboBox* keyword_ = nullptr;  // ComboBox2
  QTreeWidget* tree_ = nullptr;   // TreeView1
  QRadioButton* move_ = nullptr;  // RadioButton1
  QRadioButton* refuse_ = nullptr;
  QListWidget* list_ = nullptr;    // ListBoxRule
  QComboBox* interval_ = nullptr;  // ComboBox3
  std::string loaded_keyword_;  // the keyword of the rule last selected, as in the file
};

// Builds the settings window over the main window (which owns it), runs its creation step
// and wires 設定 → メッセージルール ("mnuRule") and 設定 → 新着チェック ("mnuNewCheck").
// A handler wired to "mnuNewCheck" later runs after the window has closed.
TForm7* CreateRulesWindow(app::TForm1& form1);

}  // namespace rules
