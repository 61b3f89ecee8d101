// The folder tree widget.
#include "app/folder_tree.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace app {

namespace {

class SelectionDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  // The node text keeps its TAB before the count; on screen it reads as a space.
  QString displayText(const QVariant& value, const QLocale& locale) const override {
    return QStyledItemDelegate::displayText(value, locale)
        .replace(QLatin1Char('\t'), QLatin1Char(' '));
  }
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem opt(option);
    if (opt.state & QStyle::State_Selected) {
      painter->fillRect(opt.rect, QColor(180, 180, 180));
      opt.state &= ~QStyle::State_Selected;
    }
    QStyledItemDelegate::paint(painter, opt, index);
  }
};

}  // namespace

FolderTree::FolderTree(QWidget* parent) : QTreeWidget(parent) {
  setAcceptDrops(true);
  setDropIndicatorShown(true);
  setDragDropMode(QAbstractItemView::DropOnly);
}

void FolderTree::dragEnterEvent(QDragEnterEvent* event) {
  if (source_ != nullptr && event->source() == source_) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void FolderTree::dragMoveEvent(QDragMoveEvent* event) {
  QTreeWidgetItem* item = itemAt(event->position().toPoint());
  if (source_ != nullptr && event->source() == source_ && item != nullptr &&
      (!accepts_drop || accepts_drop(item))) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void FolderTree::dropEvent(QDropEvent* event) {
  QTreeWidgetItem* item = itemAt(event->position().toPoint());
  if (source_ == nullptr || event->source() != source_ || item == nullptr) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  if (on_drop) on_drop(item);
}

void StyleTreeSelection(QTreeWidget* tree) {
  tree->setItemDelegate(new SelectionDelegate(tree));  // owned by the tree
}

}  // namespace app
