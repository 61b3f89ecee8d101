// Renders the main window over the example store and saves it as a PNG: the picture at the
// top of the README. Run under a real X server (Xvfb) so fonts and styles are the desktop's.
#include <QApplication>
#include <QItemSelectionModel>
#include <QPixmap>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTextEdit>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/demo_store.h"
#include "app/main_window.h"
#include "app/message_model.h"
#include "app/qt_ui_services.h"
#include "platform/testing/temp_app_dir.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUT.png\n", argv[0]);
    return 2;
  }
  QApplication application(argc, argv);
  platform::testing::TempAppDir dir;
  platform::FileSystem fs(dir.path());
  app::WriteDemoStore(fs);
  app::QtUiServices ui;
  app::TForm1 form(dir.path(), ui);
  ui.SetParentWindow(&form);
  form.show();
  if (!QTest::qWaitForWindowExposed(&form)) return 1;
  // Show the meeting notice: its link is underlined, the attachment listed.
  auto* list = form.findChild<QTableView*>(QStringLiteral("ListView1"));
  const auto& rows = form.model().rows();
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].key() == "<m1@example.jp>") {
      list->selectionModel()->setCurrentIndex(
          form.model().index(static_cast<int>(i), 0),
          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
  }
  form.ListView1Click();
  // Scroll the body so its underlined link is in the picture.
  if (auto* body = form.findChild<QTextEdit*>(QStringLiteral("memBody"))) {
    body->verticalScrollBar()->setValue(body->verticalScrollBar()->maximum());
  }
  QTest::qWait(300);
  const bool ok = form.grab().save(QString::fromLocal8Bit(argv[1]), "PNG");
  return ok ? 0 : 1;
}
