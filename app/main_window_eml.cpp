// TForm1's "ファイルを開く": a message file from anywhere on disk, shown in the body viewer as
// a stored message would be, without storing anything.
#include <QTextEdit>

#include "app/main_window.h"
#include "app/qt_text.h"
#include "mailview/eml_view.h"

namespace app {

void TForm1::N9Click() {
  const std::vector<std::string> chosen =
      ui_.OpenFileDialog(platform::Sjis("メール(*.eml)|*.eml|すべてのファイル|*.*"), false);
  if (chosen.empty()) return;
  std::string text;
  try {
    text = mailview::LoadEmlViewText(chosen.front());
  } catch (const std::exception&) {
    ui_.ShowInformation(platform::Sjis("EMLファイルの読み込みに失敗しました。"));
    return;
  }
  QString shown = Q(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  body_->setPlainText(shown);
}

}  // namespace app
