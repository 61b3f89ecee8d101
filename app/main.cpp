// Process entry: the application title, the main window over the store beside the
// executable, and the message loop.
#include <QApplication>
#include <filesystem>

#include "app/main_window.h"
#include "app/qt_ui_services.h"
#include "app/web_html_pane.h"
#include "compose/compose_window.h"
#include "receive/receive_window.h"
#include "dist/app_icon.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Yubinko"));
  QApplication::setApplicationDisplayName(QStringLiteral("Yubinko"));
  // Every window takes this icon; the desktop file name ties the windows to the menu entry.
  QApplication::setWindowIcon(dist::YubinkoIcon());
  QGuiApplication::setDesktopFileName(QStringLiteral("yubinko"));
  app::QtUiServices ui;
  const std::filesystem::path app_dir = QCoreApplication::applicationDirPath().toStdString();
  app::TForm1 form(app_dir, ui, [](QWidget* parent) { return app::MakeWebHtmlPane(parent); });
  ui.SetParentWindow(&form);
  // The other windows in their order: accounts, composer, address book, merge confirmation,
  // rules, then the new-mail window (its 新着チェック handler runs after the rules window's).
  compose::CreateComposeWindow(form);
  receive::CreateReceiveWindow(form);
  form.show();
  return QApplication::exec();
}
