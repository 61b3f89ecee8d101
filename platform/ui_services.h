// The user-interface services the commands need: message boxes, input box, common dialogs,
// shell open, event pump, timer, beep, sleep and printing. The windows implement it with Qt;
// tests use platform::testing::ScriptedUiServices. All texts are Shift_JIS.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class Answer { kYes, kNo, kCancel, kOk };

struct FindRequest {
  std::string text;  // what to look for
  bool match_case = false;
  bool whole_word = false;
  bool down = true;
};

class UiServices {
 public:
  virtual ~UiServices() = default;

  // Information box with OK; modal.
  virtual void ShowInformation(const std::string& text) = 0;
  // Warning box with Yes, No and Cancel; callers go on only on kYes.
  virtual Answer AskWarning(const std::string& text) = 0;
  // Confirmation box with Yes and Cancel.
  virtual Answer AskConfirmation(const std::string& text) = 0;
  // The application's default error box for an error no command handled.
  virtual void ShowError(const std::string& text) = 0;
  // Input box; an empty result means the user gave nothing or cancelled.
  virtual std::string InputBox(const std::string& caption, const std::string& prompt,
                               const std::string& default_text) = 0;

  // Common dialogs. Paths are native (UTF-8), never squeezed through Shift_JIS.
  // Filter: Qt style, e.g. "Text (*.txt);;All (*)". Empty result: cancelled.
  virtual std::vector<std::string> OpenFileDialog(const std::string& filter,
                                                  bool allow_multiple) = 0;
  // selected_filter: which filter of the list is chosen when the dialog opens (0 = first).
  virtual std::string SaveFileDialog(const std::string& filter, const std::string& proposed_name,
                                     int selected_filter) = 0;
  // Shows the (modeless) find dialog; each press of its find-next button calls on_find.
  virtual void ShowFindDialog(const FindRequest& initial,
                              std::function<void(const FindRequest&)> on_find) = 0;

  // Opens a file (native path) or URL with the desktop's default application.
  virtual bool ShellOpen(const std::string& target) = 0;

  // Lets every pending window event run, then returns.
  virtual void ProcessEvents() = 0;
  // The one window timer: interval in milliseconds; ticks call on_tick on the UI thread.
  virtual void SetTimer(int interval_ms, std::function<void()> on_tick) = 0;
  virtual void EnableTimer(bool enabled) = 0;
  virtual void Beep() = 0;
  virtual void Sleep(int milliseconds) = 0;

  // Prints lines of text on the default printer (or lets the user pick one, e.g. a PDF
  // file, when none is configured). False when printing failed; declining the printer
  // choice is no failure.
  virtual bool PrintLines(const std::vector<std::string>& lines) = 0;
};

}  // namespace platform
