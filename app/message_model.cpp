// The message list's model.
#include "app/message_model.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QMimeData>
#include <algorithm>

#include "app/qt_text.h"

namespace app {

const char* MessageModel::kRowsMimeType = "application/x-yubinko-message-rows";

MessageModel::MessageModel(QIcon with_attachment, QIcon without_attachment, QObject* parent)
    : QAbstractTableModel(parent),
      with_attachment_(std::move(with_attachment)),
      without_attachment_(std::move(without_attachment)) {}

void MessageModel::SetRows(std::vector<Row> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

void MessageModel::Sort(int column, int sort_state) {
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const std::vector<uint32_t> order = SortOrder(rows_, column, sort_state);
  std::vector<Row> sorted;
  sorted.reserve(rows_.size());
  for (uint32_t old : order) sorted.push_back(std::move(rows_[old]));
  rows_ = std::move(sorted);
  // The selection and the current row are persistent indexes: moved with their rows, the
  // highlight stays on the messages that were selected, and so do the commands that act
  // on the selection.
  const QModelIndexList before = persistentIndexList();
  if (!before.isEmpty()) {
    std::vector<int> new_row(order.size());
    for (size_t i = 0; i < order.size(); ++i) new_row[order[i]] = static_cast<int>(i);
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& i : before) {
      after.push_back(index(new_row[static_cast<size_t>(i.row())], i.column()));
    }
    changePersistentIndexList(before, after);
  }
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void MessageModel::RemoveRowAt(int row) {
  if (row < 0 || row >= rowCount()) return;
  beginRemoveRows(QModelIndex(), row, row);
  rows_.erase(rows_.begin() + row);
  endRemoveRows();
}

void MessageModel::InsertRowAt(int position, Row row) {
  position = std::clamp(position, 0, rowCount());
  beginInsertRows(QModelIndex(), position, position);
  rows_.insert(rows_.begin() + position, std::move(row));
  endInsertRows();
}

void MessageModel::RowChanged(int row) {
  emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

int MessageModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int MessageModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant MessageModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const Row& r = rows_[static_cast<size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
      return Q(r.col[static_cast<size_t>(index.column())]);
    case Qt::DecorationRole:
      if (index.column() == 0) return r.has_attachment() ? with_attachment_ : without_attachment_;
      return {};
    case Qt::FontRole: {
      if (!StyleForState(r.state()).bold) return {};
      QFont f;
      f.setBold(true);
      return f;
    }
    case Qt::ForegroundRole: {
      RowStyle s = StyleForState(r.state());
      if (!s.has_colour) return {};
      return QBrush(QColor(s.r, s.g, s.b));
    }
    default:
      return {};
  }
}

QVariant MessageModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kCaptions[kColumnCount] = {
      "件名", "差出人", "日時", "サイズ(Byte)", "MsgID", "添付ﾌﾗｸﾞ", "新着フラグ"};
  if (section < 0 || section >= kColumnCount) return {};
  return QString::fromUtf8(kCaptions[section]);
}

Qt::ItemFlags MessageModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = QAbstractTableModel::flags(index);
  if (index.isValid()) f |= Qt::ItemIsDragEnabled;
  return f;
}

QStringList MessageModel::mimeTypes() const { return {QString::fromLatin1(kRowsMimeType)}; }

QMimeData* MessageModel::mimeData(const QModelIndexList& indexes) const {
  // The drop handler reads the list's selection itself; the payload only marks the source.
  auto* data = new QMimeData;  // ownership passes to the drag
  data->setData(QString::fromLatin1(kRowsMimeType), QByteArray::number(indexes.size()));
  return data;
}

}  // namespace app
