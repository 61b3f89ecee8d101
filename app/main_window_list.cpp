// TForm1's message-list and viewer handlers: filling and sorting the list, showing a
// message, read and colour marks, local delete, attachments, the HTML view and links.
#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QListWidget>
#include <QTableView>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <filesystem>
#include <system_error>

#include "app/folder_logic.h"
#include "app/folder_tree.h"
#include "app/link_logic.h"
#include "app/main_window.h"
#include "app/message_logic.h"
#include "app/message_model.h"
#include "app/qt_text.h"

namespace app {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

}  // namespace

std::vector<int> TForm1::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& i : list_->selectionModel()->selectedRows()) rows.push_back(i.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

int TForm1::FirstSelectedRow() const {
  QModelIndex current = list_->selectionModel()->currentIndex();
  if (current.isValid() && list_->selectionModel()->isRowSelected(current.row(), QModelIndex())) {
    return current.row();
  }
  std::vector<int> rows = SelectedRows();
  return rows.empty() ? -1 : rows.front();
}

void TForm1::ClearViewer() {
  body_->clear();
  attachments_->clear();
  shown_key_.clear();
  link_under_pointer_.clear();
}

void TForm1::FillList(const std::vector<std::string>& records, bool refresh_node) {
  ClearViewer();
  std::vector<Row> rows;
  rows.reserve(records.size());
  for (const std::string& r : records) rows.push_back(RowFromRecord(r));
  const int unread = UnreadCount(records);
  // Sort in the order the list had: the column of |sort state|, in its direction.
  const int column = (state_.sort_state < 0 ? -state_.sort_state : state_.sort_state) - 1;
  state_.sort_column = column;
  SortRows(rows, column, state_.sort_state);
  list_->setUpdatesEnabled(false);
  model_->SetRows(std::move(rows));
  list_->setUpdatesEnabled(true);
  SetStatusText(0, QString::number(records.size()) + QU("件"));
  if (refresh_node && !state_.sent_view) {
    state_.unread_count = unread;
    RefreshNodeCount(ListedNode(), unread);
  }
}

void TForm1::ClearList() {
  model_->Clear();
  ClearViewer();
}

void TForm1::InsertRowAtTop(const std::string& record) {
  model_->InsertRowAt(0, RowFromRecord(record));
}

void TForm1::AppendRow(const std::string& record) {
  model_->InsertRowAt(model_->rowCount(), RowFromRecord(record));
}

void TForm1::SortNewestFirst() {
  state_.sort_state = 3;
  ListView1ColumnClick(2);
}

void TForm1::ReloadCurrentFolder() {
  state_.folder_index.Load(state_.fs, IndexPath(state_.current_folder));
  FillList(state_.folder_index.lines());
}

void TForm1::ListView1ColumnClick(int column) {
  if (state_.deletion_mode) return;
  state_.sort_column = column;
  state_.sort_state = SortStateAfterHeaderClick(state_.sort_state, column);
  model_->Sort(column, state_.sort_state);
}

void TForm1::mnuSortNewClick(int tag) {
  auto choice = SortChoiceForTag(tag);
  if (!choice) return;
  for (const auto& [name, a] : actions_) {
    if (a->isCheckable() && a->data().isValid()) a->setChecked(a->data().toInt() == tag);
  }
  state_.sort_state = choice->state_before_click;
  ListView1ColumnClick(choice->column);
}

void TForm1::ShowBodyText(const std::string& sjis_text) {
  QString text = Q(sjis_text);
  // One character per line break, so link positions and pointer positions agree.
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  body_->setPlainText(text);
  QTextCursor start(body_->document());
  body_->setTextCursor(start);
  MarkLinks();
}

void TForm1::MarkLinks() {
  const std::u16string text = body_->toPlainText().toStdU16String();
  QTextCharFormat format;
  format.setFontUnderline(true);
  format.setForeground(QColor(0, 128, 0));
  for (const TextRange& r : LinkMarks(text)) {
    QTextCursor c(body_->document());
    c.setPosition(static_cast<int>(r.start));
    c.setPosition(static_cast<int>(r.end), QTextCursor::KeepAnchor);
    c.mergeCharFormat(format);
  }
  body_->setTextCursor(QTextCursor(body_->document()));
}

void TForm1::ListView1Click() {
  const int r = FirstSelectedRow();
  if (r < 0) return;
  if (html_pane_ != nullptr && html_pane_->widget()->isVisible()) {
    html_pane_->widget()->hide();
    body_->show();
  }
  ClearViewer();
  Row& row = model_->row(r);
  ShownMessage shown = ShowMessage(state_, row);
  if (shown.found) ShowBodyText(shown.text);
  for (const std::string& name : shown.attachments) attachments_->addItem(Q(name));
  shown_key_ = row.key();
  if (shown.became_read) {
    model_->RowChanged(r);
    state_.unread_count = std::max(0, state_.unread_count - 1);
    RefreshNodeCount(ListedNode(), state_.unread_count);
  }
}

void TForm1::mnuToMidokuClick() {
  if (state_.sent_view || state_.current_folder.empty()) return;
  std::vector<Row*> rows;
  std::vector<int> selected = SelectedRows();
  for (int r : selected) rows.push_back(&model_->row(r));
  state_.unread_count = MarkUnread(state_, rows);
  for (int r : selected) model_->RowChanged(r);
  RefreshNodeCount(ListedNode(), state_.unread_count);
}

void TForm1::mnuColorClick(int tag) {
  const int r = FirstSelectedRow();
  if (r < 0) return;
  ColourRow(state_, model_->row(r), tag);
  model_->RowChanged(r);
}

void TForm1::mnuLocalMailDelClick() {
  if (state_.deletion_mode) return;  // the receive window deletes on the server then
  const int depth = ListedNodeDepth();
  if (FirstSelectedRow() < 0 || (depth != 1 && depth != 2)) return;
  ClearViewer();
  std::vector<int> selected = SelectedRows();
  std::vector<Row> rows;
  for (int r : selected) rows.push_back(model_->row(r));
  if (!state_.sent_view) {
    if (ui_.AskWarning(platform::Sjis(
            "選択中のメールをパソコン内から削除します。\r\n\r\n　　　よろしいですか？")) !=
        platform::Answer::kYes) {
      return;
    }
    state_.unread_count = DeleteReceived(state_, rows);
    RefreshNodeCount(ListedNode(), state_.unread_count);
  } else {
    DeleteSent(state_, rows);
  }
  for (auto it = selected.rbegin(); it != selected.rend(); ++it) model_->RemoveRowAt(*it);
  SetStatusText(0, QString::number(model_->rowCount()) + QU("件"));
}

void TForm1::N11Click() {
  QListWidgetItem* item = attachments_->currentItem();
  if (item == nullptr || shown_key_.empty()) return;
  const std::string name = S(item->text());
  const std::string chosen = ui_.SaveFileDialog(
      platform::Sjis("テキストファイル(*.txt)|*.txt|すべてのファイル(*.*)|*.*"), name,
      1);  // "all files" chosen: an attachment is rarely a text file
  if (chosen.empty()) return;
  std::filesystem::path target(chosen);           // native path, as the dialog gave it
  if (!target.has_extension()) target += ".txt";  // the dialog's default extension
  if (std::filesystem::exists(target) &&
      ui_.AskWarning(platform::Sjis("同一ﾌｧｲﾙが存在します。上書きしますか？")) !=
          platform::Answer::kYes) {
    return;
  }
  Row row;
  row.col[4] = shown_key_;
  std::error_code ec;  // copy failures are not reported
  std::filesystem::copy_file(state_.fs.Native(AttachmentPath(state_, row, name)), target,
                             std::filesystem::copy_options::overwrite_existing, ec);
}

void TForm1::mnuDirectExeClick() {
  QListWidgetItem* item = attachments_->currentItem();
  if (item == nullptr || shown_key_.empty()) return;
  Row row;
  row.col[4] = shown_key_;
  ui_.ShellOpen(state_.fs.Native(AttachmentPath(state_, row, S(item->text()))).string());
}

void TForm1::HTML1Click() {
  if (FirstSelectedRow() < 0) return;
  const QString text = body_->toPlainText();
  const int start = text.indexOf(QStringLiteral("<html"), 0, Qt::CaseInsensitive);
  if (start < 0) return;
  const int end_tag = text.indexOf(QStringLiteral("</html>"), start, Qt::CaseInsensitive);
  // Without a closing tag the page runs to the end of the body.
  const int end = end_tag < 0 ? static_cast<int>(text.size()) : end_tag + 7;
  QString page = text.mid(start, end - start);
  page.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  page += QStringLiteral("\r\n");
  // The store's text was converted to Shift_JIS whatever the message declared, so a charset
  // named in the HTML no longer fits it. UTF-8 with a byte-order mark is read as UTF-8 by
  // the view regardless of any <meta charset>.
  const QByteArray utf8 = page.toUtf8();
  state_.fs.WriteFileAtomic("test.htm", std::string(kUtf8Bom) + utf8.toStdString());
  if (html_pane_ == nullptr) {
    if (!html_factory_) return;
    html_pane_ = html_factory_(panel_middle_);
    html_pane_->widget()->setObjectName(QStringLiteral("WebBrowser1"));
    panel_middle_->layout()->addWidget(html_pane_->widget());
  }
  html_pane_->Navigate(state_.fs.Native("test.htm"));
  body_->hide();
  html_pane_->widget()->show();
}

void TForm1::N33Click() {
  body_->show();
  if (html_pane_ != nullptr) html_pane_->widget()->hide();
}

void TForm1::memBodyMouseMove(const QPoint& viewport_pos) {
  if (body_->document()->isEmpty()) return;
  QTextCursor c = body_->cursorForPosition(viewport_pos);
  int pos = c.position();
  // The cursor lands between characters; take the character the pointer is over.
  if (pos > 0 && body_->cursorRect(c).center().x() > viewport_pos.x() && !c.atBlockStart()) {
    --pos;
  }
  // A link never spans a line break, so the line under the pointer is all the search needs:
  // copying the whole text on every move would stall the pointer over a large body.
  const QTextBlock block = body_->document()->findBlock(pos);
  const std::u16string line = block.text().toStdU16String();
  const int in_line = pos - block.position();
  link_under_pointer_ = in_line < 0
                            ? QString()
                            : QString::fromStdU16String(LinkAt(line, static_cast<size_t>(in_line)));
  hand_cursor_ = !link_under_pointer_.isEmpty();
  body_->viewport()->setCursor(hand_cursor_ ? Qt::PointingHandCursor : Qt::IBeamCursor);
}

void TForm1::memBodyMouseDown() {
  if (hand_cursor_ && !link_under_pointer_.isEmpty()) {
    ui_.ShellOpen(link_under_pointer_.toStdString());
  }
}

}  // namespace app
