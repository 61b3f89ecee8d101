// The new-mail check: at a fixed interval, look at the current account's mailbox and tell the
// user (beeps and a row in the new-mail window) about the first message not received yet.
// It stores and deletes nothing.
#pragma once

#include <set>
#include <string>

#include "receive/pop_context.h"
#include "receive/spool.h"

namespace receive {

// What the check needs of the new-mail window (TForm5) and of the main window's frame.
class NewMailView {
 public:
  virtual ~NewMailView() = default;
  virtual void ClearRows() = 0;
  // A row as a record: Message-ID, subject, sender, date, size and two empty fields.
  virtual void AddRow(const std::string& record) = 0;
  virtual std::string Label() const = 0;
  virtual void SetLabel(const std::string& text) = 0;
  // Shows the window without making it modal.
  virtual void ShowWindow() = 0;
  virtual void MinimiseMainWindow() = 0;
};

class NewMailCheck {
 public:
  NewMailCheck(PopContext& context, NewMailView& window) : c_(context), window_(window) {}

  // After the settings window closed: with its run flag set, empties the window, checks once,
  // starts the timer at `interval_text` minutes, beeps, minimises the main window and shows
  // the timer text. A text that is no number raises after the first check (timer left alone).
  void Start(bool run_flag, const std::string& interval_text);
  // A timer tick; skipped while a receive run, a listing or another check is running.
  void Tick();
  // One check. Answers whether it reported a message.
  bool CheckOnce();

 private:
  void BeepThreeTimes();

  PopContext& c_;
  NewMailView& window_;
  Spool spool_;
  // Server ids of the messages reported (like the check list, kept for the program run).
  std::set<std::string> reported_ids_;
};

}  // namespace receive
