// The message list's model: rows of index records, shown in seven columns with the row's
// icon, bold for unread and the state's colour. Texts are converted only when shown, so
// filling and sorting 100,000 rows stays cheap.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <vector>

#include "app/list_logic.h"

namespace app {

class MessageModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  MessageModel(QIcon with_attachment, QIcon without_attachment, QObject* parent = nullptr);

  void SetRows(std::vector<Row> rows);
  void Sort(int column, int sort_state);
  void RemoveRowAt(int row);
  void InsertRowAt(int position, Row row);
  void RowChanged(int row);
  void Clear() { SetRows({}); }

  const std::vector<Row>& rows() const { return rows_; }
  Row& row(int i) { return rows_[static_cast<size_t>(i)]; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;

  static const char* kRowsMimeType;

 private:
  std::vector<Row> rows_;
  QIcon with_attachment_;
  QIcon without_attachment_;
};

}  // namespace app
