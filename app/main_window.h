// TForm1, the main window: folder tree and sent tree, message list, body viewer with the
// HTML view, attachment list, status bar, menus and tool bar. Handlers keep the documented
// names and call the Qt-free rules in folder_logic, list_logic, link_logic and
// message_logic; every question and dialog goes through the user-interface services.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/html_pane.h"
#include "platform/ui_services.h"
#include "state/main_view.h"

class QAction;
class QLabel;
class QListWidget;
class QSplitter;
class QTableView;
class QTextEdit;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace app {

class FolderTree;
class MessageModel;
struct Row;

class TForm1 : public QMainWindow, public state::MainView {
  Q_OBJECT
 public:
  // app_dir: the directory whose store is shown (the executable's directory in the program).
  // html_factory may be empty: the HTML view then never appears.
  TForm1(std::filesystem::path app_dir, platform::UiServices& ui, HtmlPaneFactory html_factory = {},
         QWidget* parent = nullptr);
  ~TForm1() override;

  MainState& state() { return state_; }
  MessageModel& model() { return *model_; }
  QAction* action(const QString& name) const;  // by objectName ("mnuSearchr", "N34", ...)
  // Wires a command: the actions of these names (a menu item, its pop-up twin, its tool
  // button) are enabled and run the handler under the error guard. Commands of windows
  // built later stay disabled until they are wired here.
  void WireCommand(std::initializer_list<const char*> action_names, std::function<void()> handler);
  // Runs a handler; an error no command handled goes to the default error box and the
  // window keeps running. False when the handler ended with an error.
  bool Guarded(const std::function<void()>& handler);
  platform::UiServices& ui() { return ui_; }

  // Start-up and shutdown.
  void FormCreate();
  void FormDestroy();

  // Mode label and status bar.
  void SetMode(const std::string& text, int r, int g, int b) override;
  QString ModeText() const;
  QString StatusText(int panel) const;
  void SetStatusText(int panel, const QString& text);

  // The stop command (Escape, "切断", "中止", "受信停止", "メール削除モード解除").
  void StopCommand() override;
  // Runs after every stop command (the receive code adds its own clean-up here).
  void AddStopHandler(std::function<void()> handler) {
    stop_handlers_.push_back(std::move(handler));
  }

  // state::MainView for the Qt-free commands.
  void FillList(const std::vector<std::string>& records) override { FillList(records, true); }
  void ClearList() override;
  void InsertRowAtTop(const std::string& record) override;
  void AppendRow(const std::string& record) override;
  std::vector<int> SelectedRowPositions() const override { return SelectedRows(); }
  void SortNewestFirst() override;
  void SetStatus(int panel, const std::string& text) override;
  void SetAccountLabel(const std::string& account_name) override;
  // Keeps the listed folder's node selected when it is still there.
  void RebuildFolderTree() override;
  bool SelectFolder(const std::string& folder_path) override;
  void RefreshListedNodeCount(int count) override { RefreshNodeCount(ListedNode(), count); }

  // Folder tree.
  void TreeView1Click();
  void TreeView2Click();
  void N23Click();  // create folder
  void N21Click();  // delete folder
  void N46Click();  // delete all mail of a folder
  void TreeView1DragDrop(QTreeWidgetItem* target);
  bool AcceptsDropOn(QTreeWidgetItem* target) const;
  void RefreshNodeCount(QTreeWidgetItem* node, int count);
  void AddToNodeCount(const std::string& relative_path, int n) override;
  QTreeWidgetItem* FindNode(const std::vector<std::string>& names_below_root) const;
  std::string NodeFolder(QTreeWidgetItem* node) const;

  // Message list and viewer.
  // refresh_node: the records are the folder index, so the selected node shows their count.
  void FillList(const std::vector<std::string>& records, bool refresh_node);
  void ReloadCurrentFolder();
  void ListView1ColumnClick(int column);
  void mnuSortNewClick(int tag);
  void ListView1Click();
  void mnuToMidokuClick();
  void mnuColorClick(int tag);
  void mnuLocalMailDelClick();
  void N11Click();           // save attachment
  void mnuDirectExeClick();  // open attachment
  void HTML1Click();
  void N33Click();
  void memBodyMouseMove(const QPoint& viewport_pos);
  void memBodyMouseDown();
  const QString& LinkUnderPointer() const { return link_under_pointer_; }

  // Search and output.
  void mnuSearchrClick();
  void mnuSearchNextClick();
  void mnuBodySearchClick();
  void FindDialog1Find(const platform::FindRequest& request);
  void mnuFilterClick();
  void N34Click();  // related view
  void mnuPrintClick();
  void N9Click();   // open a message file (needs the transport library)
  void N10Click();  // save the shown text

  // Frame commands.
  void mnuENDClick();
  void N15Click();  // help
  void N32Click();  // about
  void N17Click();  // standard size

  // Selection helpers (list order).
  std::vector<int> SelectedRows() const;
  int FirstSelectedRow() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildLayout();
  void BuildMenus();
  void BuildToolBar();
  QAction* MakeAction(const char* name, const char* caption, void (TForm1::*handler)());
  QAction* Unwired(const char* name, const char* caption);
  void BuildFolderTree();
  // Start-up after the files are read: the current account, its folder, the tree, the list.
  void OpenStartAccount(bool accounts_read);
  void ClearViewer();
  void ShowBodyText(const std::string& sjis_text);
  void MarkLinks();
  bool FindInBody(const platform::FindRequest& request, bool from_start);
  // The node of the listed folder. A right click or the arrow keys move the tree's current
  // node without listing it, so counts and the depth rule of local delete follow the
  // folder whose rows are shown, not the highlighted node.
  QTreeWidgetItem* ListedNode() const;
  int ListedNodeDepth() const;

  MainState state_;
  platform::UiServices& ui_;
  HtmlPaneFactory html_factory_;
  std::unique_ptr<HtmlPane> html_pane_;
  std::map<QString, QAction*> actions_;

  QWidget* panel_top_ = nullptr;
  QWidget* panel_middle_ = nullptr;
  QWidget* panel_bottom_ = nullptr;
  QToolBar* tool_bar_ = nullptr;
  FolderTree* tree1_ = nullptr;
  QTreeWidget* tree2_ = nullptr;
  QTableView* list_ = nullptr;
  MessageModel* model_ = nullptr;
  QTextEdit* body_ = nullptr;
  QListWidget* attachments_ = nullptr;
  QLabel* mode_label_ = nullptr;
  QLabel* account_label_ = nullptr;
  QLabel* status1_ = nullptr;
  QLabel* status2_ = nullptr;
  QSplitter* outer_split_ = nullptr;
  QSplitter* lower_split_ = nullptr;

  QString link_under_pointer_;
  bool hand_cursor_ = false;
  std::string shown_key_;  // key of the row whose attachments are listed
  bool destroyed_ = false;
  bool settings_read_ = false;  // "Yubinko.ini" was read (or missing) at start-up
  std::vector<std::function<void()>> stop_handlers_;
};

}  // namespace app
