// TForm1's search and output handlers: subject search and "次を検索", body search with the
// find dialog, extraction, the related view, printing and saving the shown text.
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QTableView>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include "app/main_window.h"
#include "app/message_logic.h"
#include "app/message_model.h"
#include "app/qt_text.h"

namespace app {

namespace {

const std::string& NotFoundQuestion() {
  static const std::string k =
      platform::Sjis("最後まで検索しましたが、見つかりません。\r\n\r\n  ..最初から検索しますか？");
  return k;
}

}  // namespace

void TForm1::mnuSearchrClick() {
  const std::string text =
      ui_.InputBox(platform::Sjis("メール検索"), platform::Sjis("件名を入力してください"), "");
  state_.search_text = text;
  if (text.empty()) return;
  const auto& rows = model_->rows();
  int found = -1;
  for (size_t i = 0; i < rows.size() && found < 0; ++i) {
    if (SubjectContains(rows[i].col[0], text)) found = static_cast<int>(i);
  }
  if (found < 0) {
    if (ui_.AskWarning(NotFoundQuestion()) != platform::Answer::kYes) return;
    state_.search_position = 0;
    mnuSearchNextClick();
    return;
  }
  QModelIndex index = model_->index(found, 0);
  list_->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
  list_->scrollTo(index);
  state_.search_position = found + 1;
  const int first = FirstSelectedRow();
  if (first >= 0) list_->scrollTo(model_->index(first, 0), QAbstractItemView::PositionAtTop);
  list_->setFocus();
}

void TForm1::mnuSearchNextClick() {
  if (state_.search_text.empty()) return;
  std::vector<int> selected = SelectedRows();
  if (!selected.empty()) {
    list_->selectionModel()->select(model_->index(selected.front(), 0),
                                    QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
  }
  const auto& rows = model_->rows();
  const int count = static_cast<int>(rows.size());
  if (state_.search_position >= count) {
    if (ui_.AskWarning(NotFoundQuestion()) != platform::Answer::kYes) return;
    state_.search_position = 0;
  }
  int i = state_.search_position;
  for (;;) {
    for (; i < count; ++i) {
      if (SubjectContains(rows[static_cast<size_t>(i)].col[0], state_.search_text)) {
        QModelIndex index = model_->index(i, 0);
        list_->selectionModel()->select(index,
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
        list_->scrollTo(index);
        state_.search_position = i + 1;
        return;
      }
    }
    // Every lap is started by the user's Yes, so the search never spins on its own.
    if (ui_.AskWarning(NotFoundQuestion()) != platform::Answer::kYes) return;
    i = 0;
  }
}

void TForm1::mnuBodySearchClick() {
  if (body_->document()->isEmpty()) {
    ui_.ShowInformation(platform::Sjis("メール本文が表示されていません"));
    return;
  }
  platform::FindRequest initial;
  initial.text = S(body_->textCursor().selectedText());
  ui_.ShowFindDialog(initial, [this](const platform::FindRequest& r) { FindDialog1Find(r); });
}

bool TForm1::FindInBody(const platform::FindRequest& request, bool from_start) {
  QTextDocument::FindFlags flags;
  if (request.match_case) flags |= QTextDocument::FindCaseSensitively;
  if (request.whole_word) flags |= QTextDocument::FindWholeWords;
  QTextCursor current = body_->textCursor();
  const int start = (!from_start && current.hasSelection()) ? current.selectionEnd() : 0;
  QTextCursor found = body_->document()->find(Q(request.text), start, flags);
  if (found.isNull()) return false;
  body_->setFocus();
  body_->setTextCursor(found);
  body_->ensureCursorVisible();
  return true;
}

void TForm1::FindDialog1Find(const platform::FindRequest& request) {
  if (request.text.empty()) return;
  bool from_start = false;
  while (!FindInBody(request, from_start)) {
    if (ui_.AskConfirmation(platform::Sjis(
            "検索文字は見つかりません。\r\n最初から検索しますか？")) != platform::Answer::kYes) {
      return;
    }
    QTextCursor c = body_->textCursor();
    c.clearSelection();
    body_->setTextCursor(c);
    from_start = true;
  }
}

void TForm1::mnuFilterClick() {
  static const std::string kMode = platform::Sjis("抽出");
  const std::string key =
      ui_.InputBox(platform::Sjis("メール抽出"), platform::Sjis("検索キーを入力してください"), "");
  if (key.empty()) return;
  // The rows are the current folder's records: row commands must act on the folder index,
  // not on the sent index a sent view would send them to.
  state_.sent_view = false;
  state_.extraction_list = Extract(state_.folder_index.lines(), key);
  FillList(state_.extraction_list, false);
  SetStatusText(1, QU("抽出中です。"));
  state_.extraction_view = true;
  SetMode(kMode, 255, 255, 0);
}

void TForm1::N34Click() {
  static const std::string kMode = platform::Sjis("関連");
  if (state_.current_folder.empty()) return;
  std::vector<std::string> lines = RelatedView(state_);
  state_.sent_view = false;  // as for extraction: the rows are the folder's
  SetMode(kMode, 192, 192, 192);
  FillList(lines, false);
  ui_.ShowInformation(platform::Sjis("完了"));
}

void TForm1::mnuPrintClick() {
  std::vector<std::string> lines;
  const QString text = body_->toPlainText();
  if (!text.isEmpty()) {
    for (const QString& line : text.split(QLatin1Char('\n'))) lines.push_back(S(line));
  }
  if (!ui_.PrintLines(lines)) ui_.ShowError(platform::Sjis("印刷エラー"));
  ui_.ShowInformation(platform::Sjis("終了しました"));
}

void TForm1::N10Click() {
  const std::string chosen = ui_.SaveFileDialog(
      platform::Sjis("テキストファイル(*.txt)|*.txt|すべてのファイル(*.*)|*.*"), "", 0);
  if (chosen.empty()) return;
  std::filesystem::path target(chosen);
  if (!target.has_extension()) target += ".txt";
  std::vector<std::string> lines;
  for (const QString& line : body_->toPlainText().split(QLatin1Char('\n'))) {
    lines.push_back(S(line));
  }
  platform::WriteFileAtomic(target, JoinLines(lines));
}

}  // namespace app
