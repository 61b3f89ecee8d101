// TForm1's folder-tree handlers: building the tree, clicks in both trees, creating,
// deleting and emptying folders, node counts, and dropping list rows onto a folder.
#include <QListWidget>
#include <QTableView>
#include <QTextEdit>
#include <QTreeWidget>

#include "app/folder_logic.h"
#include "app/folder_tree.h"
#include "app/image_list.h"
#include "app/main_window.h"
#include "app/message_logic.h"
#include "app/message_model.h"
#include "app/qt_text.h"

namespace app {

namespace {

void AddChildren(QTreeWidgetItem* parent, const FolderNode& node) {
  for (const FolderNode& child : node.children) {
    auto* item = new QTreeWidgetItem(parent, QStringList(Q(NodeText(child.name, child.unread))));
    item->setIcon(0, ImageListIcon(kImgFolderClosed));
    AddChildren(item, child);
  }
}

int Depth(const QTreeWidgetItem* item) {
  int d = 0;
  for (const QTreeWidgetItem* p = item->parent(); p != nullptr; p = p->parent()) ++d;
  return d;
}

std::vector<std::string> NamesBelowRoot(const QTreeWidgetItem* item) {
  std::vector<std::string> names;
  for (; item != nullptr && item->parent() != nullptr; item = item->parent()) {
    names.insert(names.begin(), NodeName(S(item->text(0))));
  }
  return names;
}

// The folder names of a path relative to "受信\", split at "\" separators that are not
// trail bytes.
std::vector<std::string> NamesOfPath(std::string_view relative_path) {
  std::vector<std::string> names;
  std::string current;
  for (size_t i = 0; i < relative_path.size(); ++i) {
    auto b = static_cast<unsigned char>(relative_path[i]);
    if (platform::IsSjisLeadByte(b) && i + 1 < relative_path.size()) {
      current += relative_path.substr(i, 2);
      ++i;
    } else if (b == '\\') {
      names.push_back(current);
      current.clear();
    } else {
      current += static_cast<char>(b);
    }
  }
  if (!current.empty()) names.push_back(current);
  return names;
}

}  // namespace

void TForm1::BuildFolderTree() {
  tree1_->clear();
  FolderNode root = app::BuildFolderTree(state_.fs);
  auto* item = new QTreeWidgetItem(tree1_, QStringList(Q(root.name)));
  item->setIcon(0, ImageListIcon(kImgFolderClosed));
  AddChildren(item, root);
  tree1_->expandAll();
}

void TForm1::RebuildFolderTree() {
  BuildFolderTree();
  if (QTreeWidgetItem* listed = ListedNode()) tree1_->setCurrentItem(listed);
}

std::string TForm1::NodeFolder(QTreeWidgetItem* node) const {
  return FolderPath(NamesBelowRoot(node));
}

QTreeWidgetItem* TForm1::FindNode(const std::vector<std::string>& names_below_root) const {
  QTreeWidgetItem* node = tree1_->topLevelItem(0);
  for (const std::string& name : names_below_root) {
    QTreeWidgetItem* next = nullptr;
    for (int i = 0; node != nullptr && i < node->childCount() && next == nullptr; ++i) {
      if (NodeName(S(node->child(i)->text(0))) == name) next = node->child(i);
    }
    node = next;
  }
  return node;
}

QTreeWidgetItem* TForm1::ListedNode() const {
  const std::string root = ReceivedRoot() + "\\";
  if (!state_.current_folder.starts_with(root)) return nullptr;
  const std::vector<std::string> names = NamesOfPath(state_.current_folder.substr(root.size()));
  return names.empty() ? nullptr : FindNode(names);
}

int TForm1::ListedNodeDepth() const {
  QTreeWidgetItem* node = ListedNode();
  return node == nullptr ? -1 : Depth(node);
}

bool TForm1::SelectFolder(const std::string& folder_path) {
  const std::string root = ReceivedRoot() + "\\";
  if (!folder_path.starts_with(root)) return false;
  QTreeWidgetItem* node = FindNode(NamesOfPath(folder_path.substr(root.size())));
  if (node == nullptr) return false;
  tree1_->setCurrentItem(node);
  return true;
}

void TForm1::RefreshNodeCount(QTreeWidgetItem* node, int count) {
  if (node == nullptr) return;
  node->setText(0, Q(NodeText(NodeName(S(node->text(0))), count)));
}

void TForm1::AddToNodeCount(const std::string& relative_path, int n) {
  const std::vector<std::string> names = NamesOfPath(relative_path);
  QTreeWidgetItem* target = FindNode(names);
  if (target == nullptr || names.empty()) return;
  const std::string text = S(target->text(0));
  target->setText(0, Q(NodeName(text) + "\t(" + std::to_string(NodeCount(text) + n) + ")"));
}

void TForm1::TreeView1Click() {
  static const std::string kNormal = platform::Sjis("通常");
  QTreeWidgetItem* node = tree1_->currentItem();
  if (node == nullptr) return;
  SetStatusText(1, QString());
  SetMode(kNormal, 0, 255, 255);
  // Leaving deletion mode closes its connection; QUIT commits nothing, as no row was deleted.
  if (state_.deletion_mode && state_.POP.IsConnected()) state_.POP.Disconnect();
  state_.deletion_mode = false;
  state_.sent_view = false;
  state_.extraction_view = false;
  if (node->parent() == nullptr) {
    model_->Clear();
    ClearViewer();
    SetStatusText(0, QString());
    return;
  }
  node->setIcon(0, ImageListIcon(kImgFolderClosed));
  attachments_->clear();
  state_.current_folder = NodeFolder(node);
  state_.folder_index.Load(state_.fs, IndexPath(state_.current_folder));
  FillList(state_.folder_index.lines());
  const std::string account_dir = AccountDirOf(state_.current_folder);
  if (account_dir != state_.account_dir) {
    state_.account_dir = account_dir;
    state_.received_keys.Load(state_.fs, KeysPath(account_dir));
  }
}

void TForm1::TreeView2Click() {
  if (tree2_->currentItem() == nullptr) return;
  SetStatusText(1, QString());
  state_.deletion_mode = false;
  state_.extraction_view = false;
  state_.sent_view = true;
  FillList(state_.sent_index.lines(), false);
}

void TForm1::N23Click() {
  QTreeWidgetItem* node = tree1_->currentItem();
  if (node == nullptr || node->parent() == nullptr) return;
  const std::string name = ui_.InputBox(platform::Sjis("フォルダ追加"),
                                        platform::Sjis("新しいフォルダ名を入力してください。"), "");
  if (name.empty()) return;
  // A name that would step out of its parent or hide in the attachment container is refused.
  if (name == "." || name == ".." || name == "Attachment" ||
      name.find_first_of("/\t") != std::string::npos || Q(name).contains(QLatin1Char('\\'))) {
    return;
  }
  node->setIcon(0, ImageListIcon(kImgFolderOpen));
  new QTreeWidgetItem(node, QStringList(Q(name)));
  state_.fs.ForceDirectories(NodeFolder(node) + name + "\\");
  node->setExpanded(true);
}

void TForm1::N21Click() {
  QTreeWidgetItem* node = tree1_->currentItem();
  if (node == nullptr || node->parent() == nullptr) return;
  if (ui_.AskWarning(
          platform::Sjis("選択中のフォルダを削除します。\r\n\r\n　　　よろしいですか？")) !=
      platform::Answer::kYes) {
    return;
  }
  const std::string folder = NodeFolder(node);
  state_.fs.DeleteTree(folder);
  delete node;  // a tree item owns its children; removing it is how QTreeWidget deletes nodes
  // When the listed folder went with it, nothing may write its index back (that would bring
  // the directory back): the list and the loaded index are let go.
  if (state_.current_folder.starts_with(folder)) {
    state_.current_folder.clear();
    state_.folder_index.Clear();
    model_->Clear();
    ClearViewer();
    SetStatusText(0, QString());
    tree1_->setCurrentItem(nullptr);
  }
  if (state_.account_dir.starts_with(folder)) {
    state_.account_dir.clear();
    state_.received_keys.Clear();
  }
}

void TForm1::N46Click() {
  QTreeWidgetItem* node = tree1_->currentItem();
  if (node == nullptr || node->parent() == nullptr) return;
  if (ui_.AskWarning(platform::Sjis(
          "選択中のフォルダ内の全メールを削除します。\r\n\r\n　　　よろしいですか？")) !=
      platform::Answer::kYes) {
    return;
  }
  EmptyFolder(state_, NodeFolder(node));
  // The subfolders went with the directory: their nodes go too, so the tree stays true.
  qDeleteAll(node->takeChildren());
  RefreshNodeCount(node, 0);
  model_->Clear();
  ClearViewer();
}

bool TForm1::AcceptsDropOn(QTreeWidgetItem* target) const {
  // The root holds no messages of its own, and a drop on the listed folder moves nothing.
  if (target == nullptr || target->parent() == nullptr || state_.deletion_mode) return false;
  if (state_.sent_view) return false;  // sent rows have no received-folder files to move
  return NodeFolder(target) != state_.current_folder;
}

void TForm1::TreeView1DragDrop(QTreeWidgetItem* target) {
  if (!AcceptsDropOn(target)) return;
  std::vector<int> selected = SelectedRows();
  std::vector<std::string> records;
  for (int r : selected) records.push_back(RecordFromRow(model_->row(r)));
  const std::string target_folder = NodeFolder(target);
  MoveResult moved = MoveRecords(state_, records, target_folder);
  for (auto it = selected.rbegin(); it != selected.rend(); ++it) model_->RemoveRowAt(*it);
  ClearViewer();
  RefreshNodeCount(ListedNode(), moved.source_unread);
  RefreshNodeCount(target, moved.target_unread);
  SetStatusText(0, QString::number(state_.folder_index.size()) + QU("件"));
}

}  // namespace app
