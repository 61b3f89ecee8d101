// The folder tree widget: a tree that takes drops of message-list rows only, asks the window
// whether a node may take them, and draws the selected node on the active-border colour.
#pragma once

#include <QTreeWidget>
#include <functional>

namespace app {

class FolderTree : public QTreeWidget {
  Q_OBJECT
 public:
  explicit FolderTree(QWidget* parent = nullptr);

  // The only widget whose drags are taken.
  void SetDragSource(QWidget* source) { source_ = source; }
  std::function<bool(QTreeWidgetItem*)> accepts_drop;
  std::function<void(QTreeWidgetItem*)> on_drop;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  QWidget* source_ = nullptr;
};

// Selected nodes of both trees are drawn on the colour of active window borders.
void StyleTreeSelection(QTreeWidget* tree);

}  // namespace app
