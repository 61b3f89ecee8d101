// Process entry: the application title, the main window over the store beside the
// executable, and the message loop.
#include <QApplication>
#include <filesystem>

#include "accounts/accounts_window.h"
#include "addressbook/addressbook_window.h"
#include "app/main_window.h"
#include "app/qt_ui_services.h"
#include "app/web_html_pane.h"
#include "compose/compose_window.h"
#include "rules/rules_window.h"
#include "receive/receive_window.h"
#include "dist/app_icon.h"
#include "dist/qt_japanese.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Yubinko"));
  // No display name: the window manager would add " — Yubinko" to every window's caption.
  // Message boxes still take "Yubinko" from the application name.
  // Every window takes this icon; the desktop file name ties the windows to the menu entry.
  QApplication::setWindowIcon(dist::YubinkoIcon());
  QGuiApplication::setDesktopFileName(QStringLiteral("yubinko"));
  QTranslator qt_japanese;
  dist::InstallQtJapanese(qt_japanese);
  app::QtUiServices ui;
  const std::filesystem::path app_dir = QCoreApplication::applicationDirPath().toStdString();
  app::TForm1 form(app_dir, ui, [](QWidget* parent) { return app::MakeWebHtmlPane(parent); });
  ui.SetParentWindow(&form);
  // The other windows in their order: accounts, composer, address book, merge confirmation,
  // rules, then the new-mail window (its 新着チェック handler runs after the rules window's).
  // The accounts window comes first because its creation applies the current account to the
  // POP3 client, and the composer looks it up to follow the account it makes current.
  accounts::TForm2* form2 = accounts::CreateAccountsWindow(form);
  compose::TForm3* form3 = compose::CreateComposeWindow(form);  // with its merge window
  addressbook::TForm4* form4 = addressbook::CreateAddressBookWindow(
      form, [form2] { return form2->settings().fields.OwnAddress; });
  addressbook::ConnectPicker(*form4, *form3);
  rules::CreateRulesWindow(form);
  receive::CreateReceiveWindow(form);
  form.show();
  return QApplication::exec();
}
