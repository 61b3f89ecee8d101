// TForm6 "差し込むファイルの確認": the merge file's rows in an editable grid, saved back with
// "保存し直す"; "閉じる" or Escape close it.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "platform/ui_services.h"

class QLabel;
class QTableWidget;

namespace compose {

class TForm6 : public QDialog {
  Q_OBJECT
 public:
  TForm6(platform::UiServices& ui, QWidget* parent = nullptr);

  // Shows the file's path and its lines split into three cells each.
  void Fill(const std::string& native_path, const std::vector<std::string>& lines);
  void Button1Click();  // 保存し直す
  void Button2Click();  // 閉じる

 private:
  platform::UiServices& ui_;
  std::string path_;
  QTableWidget* grid_ = nullptr;
  QLabel* path_label_ = nullptr;
};

}  // namespace compose
