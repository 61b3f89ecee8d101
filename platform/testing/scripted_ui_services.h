// A UiServices test double: answers questions from queues and records every text shown.
// Unanswered questions fail loudly instead of guessing.
#pragma once

#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/ui_services.h"

namespace platform::testing {

class ScriptedUiServices : public UiServices {
 public:
  // One record per box or dialog shown: kind ("info", "warning", "confirm", "error",
  // "input", "open", "save", "find", "shell", "print") and its text.
  struct Shown {
    std::string kind;
    std::string text;
  };

  // Queue answers, consumed in order.
  std::deque<Answer> answers;
  std::deque<std::string> inputs;
  std::deque<std::vector<std::string>> open_results;
  std::deque<std::string> save_results;
  bool print_succeeds = true;

  std::vector<Shown> shown;
  std::vector<std::vector<std::string>> printed;
  std::vector<std::string> opened;  // shell-open targets
  std::vector<int> save_filters;     // the filter chosen as each save dialog opened
  int process_events_calls = 0;
  int beeps = 0;
  int slept_ms = 0;
  int timer_interval = 0;
  bool timer_enabled = false;
  std::function<void()> on_tick;
  std::function<void(const FindRequest&)> on_find;
  // Runs inside ProcessEvents, e.g. to press "stop" in the middle of a loop.
  std::function<void()> on_process_events;

  void ShowInformation(const std::string& text) override { shown.push_back({"info", text}); }
  Answer AskWarning(const std::string& text) override { return Ask("warning", text); }
  Answer AskConfirmation(const std::string& text) override { return Ask("confirm", text); }
  void ShowError(const std::string& text) override { shown.push_back({"error", text}); }
  std::string InputBox(const std::string& caption, const std::string& prompt,
                       const std::string&) override {
    shown.push_back({"input", caption + "|" + prompt});
    return Pop(inputs, "input box");
  }
  std::vector<std::string> OpenFileDialog(const std::string& filter, bool) override {
    shown.push_back({"open", filter});
    return Pop(open_results, "open dialog");
  }
  std::string SaveFileDialog(const std::string& filter, const std::string& name,
                             int selected_filter) override {
    shown.push_back({"save", filter + "|" + name});
    save_filters.push_back(selected_filter);
    return Pop(save_results, "save dialog");
  }
  void ShowFindDialog(const FindRequest& initial,
                      std::function<void(const FindRequest&)> callback) override {
    shown.push_back({"find", initial.text});
    on_find = std::move(callback);
  }
  bool ShellOpen(const std::string& target) override {
    opened.push_back(target);
    return true;
  }
  void ProcessEvents() override {
    ++process_events_calls;
    if (on_process_events) on_process_events();
  }
  void SetTimer(int interval_ms, std::function<void()> tick) override {
    timer_interval = interval_ms;
    on_tick = std::move(tick);
  }
  void EnableTimer(bool enabled) override { timer_enabled = enabled; }
  void Beep() override { ++beeps; }
  void Sleep(int ms) override { slept_ms += ms; }
  bool PrintLines(const std::vector<std::string>& lines) override {
    shown.push_back({"print", ""});
    printed.push_back(lines);
    return print_succeeds;
  }

  // Texts shown of one kind, in order.
  std::vector<std::string> Texts(const std::string& kind) const {
    std::vector<std::string> out;
    for (const auto& s : shown) {
      if (s.kind == kind) out.push_back(s.text);
    }
    return out;
  }

 private:
  Answer Ask(const char* kind, const std::string& text) {
    shown.push_back({kind, text});
    return Pop(answers, kind);
  }
  template <typename T>
  static T Pop(std::deque<T>& q, const char* what) {
    if (q.empty()) throw std::logic_error(std::string("unexpected ") + what + " in test");
    T v = std::move(q.front());
    q.pop_front();
    return v;
  }
};

}  // namespace platform::testing
