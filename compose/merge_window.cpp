// The merge confirmation window.
#include "compose/merge_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "app/qt_text.h"
#include "compose/merge_file.h"
#include "platform/filesystem.h"
#include "state/index_list.h"

namespace compose {

using app::Q;
using app::QU;
using app::S;

TForm6::TForm6(platform::UiServices& ui, QWidget* parent) : QDialog(parent), ui_(ui) {
  setObjectName(QStringLiteral("Form6"));
  setWindowTitle(QU("差し込むファイルの確認"));
  auto* layout = new QVBoxLayout(this);
  auto* label1 = new QLabel(QU("現在指定されている「差し込むファイル」は、"), this);
  label1->setObjectName(QStringLiteral("Label1"));
  path_label_ = new QLabel(QU("こちらです。"), this);
  path_label_->setObjectName(QStringLiteral("Label2"));
  grid_ = new QTableWidget(0, 3, this);
  grid_->setObjectName(QStringLiteral("StringGrid1"));
  grid_->setHorizontalHeaderLabels({QU("差込1[%TK1]"), QU("差込2[%TK2]"), QU("差込3[%TK3]")});
  for (int c = 0; c < 3; ++c) grid_->setColumnWidth(c, 120);
  grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  auto* save = new QPushButton(QU("保存し直す"), this);
  save->setObjectName(QStringLiteral("Button1"));
  auto* close = new QPushButton(QU("閉じる"), this);
  close->setObjectName(QStringLiteral("Button2"));
  connect(save, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(close, &QPushButton::clicked, this, [this] { Button2Click(); });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(save);
  buttons->addWidget(close);
  layout->addWidget(label1);
  layout->addWidget(path_label_);
  layout->addWidget(grid_);
  layout->addLayout(buttons);
  resize(420, 320);
}

void TForm6::Fill(const std::string& native_path, const std::vector<std::string>& lines) {
  path_ = native_path;
  path_label_->setText(QString::fromStdString(native_path));
  grid_->clearContents();
  grid_->setRowCount(static_cast<int>(lines.size()));
  for (std::size_t r = 0; r < lines.size(); ++r) {
    const std::vector<std::string> cells = SplitCommaText(lines[r]);
    for (int c = 0; c < 3; ++c) {
      const std::string cell =
          c < static_cast<int>(cells.size()) ? cells[static_cast<size_t>(c)] : "";
      grid_->setItem(static_cast<int>(r), c, new QTableWidgetItem(Q(cell)));
    }
  }
}

void TForm6::Button1Click() {
  std::vector<std::string> lines;
  for (int r = 0; r < grid_->rowCount(); ++r) {
    std::vector<std::string> cells;
    for (int c = 0; c < 3; ++c) {
      const QTableWidgetItem* item = grid_->item(r, c);
      cells.push_back(item == nullptr ? std::string() : S(item->text()));
    }
    lines.push_back(JoinCommaText(cells));
  }
  // A file removed since it was chosen is not brought back.
  if (path_.empty() || !std::filesystem::exists(path_)) return;
  platform::WriteFileAtomic(path_, state::JoinLines(lines));
  ui_.ShowInformation(platform::Sjis("保存しました。"));
}

void TForm6::Button2Click() { reject(); }

}  // namespace compose
