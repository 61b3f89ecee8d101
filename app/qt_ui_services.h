// The Qt implementation of the user-interface services: message boxes, input box, file and
// find dialogs, shell open, event pump, the window timer, beep, sleep and printing.
#pragma once

#include <QPointer>
#include <QString>
#include <QTimer>
#include <memory>

#include "platform/ui_services.h"

class QPrinter;
class QWidget;
class QDialog;

namespace app {

// A filter in the "caption|pattern|caption|pattern" form (Shift_JIS) as Qt's
// "caption (pattern);;..." form; a filter without "|" passes unchanged.
QString QtFileFilter(const std::string& sjis);

// Prints Shift_JIS lines, each on as many printed lines as its width needs, starting a new
// page when one is full.
bool PrintLinesOn(QPrinter& printer, const std::vector<std::string>& lines);

class QtUiServices : public platform::UiServices {
 public:
  explicit QtUiServices(QWidget* parent_window = nullptr);
  ~QtUiServices() override;
  void SetParentWindow(QWidget* w) { parent_ = w; }

  void ShowInformation(const std::string& text) override;
  platform::Answer AskWarning(const std::string& text) override;
  platform::Answer AskConfirmation(const std::string& text) override;
  void ShowError(const std::string& text) override;
  std::string InputBox(const std::string& caption, const std::string& prompt,
                       const std::string& default_text) override;
  std::vector<std::string> OpenFileDialog(const std::string& filter, bool allow_multiple) override;
  std::string SaveFileDialog(const std::string& filter, const std::string& proposed_name,
                             int selected_filter) override;
  void ShowFindDialog(const platform::FindRequest& initial,
                      std::function<void(const platform::FindRequest&)> on_find) override;
  bool ShellOpen(const std::string& target) override;
  void ProcessEvents() override;
  void SetTimer(int interval_ms, std::function<void()> on_tick) override;
  void EnableTimer(bool enabled) override;
  void Beep() override;
  void Sleep(int milliseconds) override;
  bool PrintLines(const std::vector<std::string>& lines) override;

 private:
  QPointer<QWidget> parent_;
  QTimer timer_;
  std::function<void()> on_tick_;
  QPointer<QDialog> find_dialog_;
};

}  // namespace app
