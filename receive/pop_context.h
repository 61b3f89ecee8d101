// What the receive run, the deletion-mode listing and the new-mail check share: the main
// window's state (with POP and Msg), its view, the user-interface services, and the mark that
// one of them is running. Each lets window events run between two messages, and a command
// chosen then must not start another of them on the same client and message object.
#pragma once

#include "platform/ui_services.h"
#include "state/main_state.h"
#include "state/main_view.h"

namespace receive {

struct PopContext {
  PopContext(state::MainState& s, state::MainView& v, platform::UiServices& u)
      : state(s), view(v), ui(u) {}

  state::MainState& state;
  state::MainView& view;
  platform::UiServices& ui;
  bool busy = false;
};

// Marks the context busy for its lifetime; `acquired` is false when it already was.
class BusyScope {
 public:
  explicit BusyScope(PopContext& context) : context_(context), acquired_(!context.busy) {
    context_.busy = true;
  }
  ~BusyScope() {
    if (acquired_) context_.busy = false;
  }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;
  bool acquired() const { return acquired_; }

 private:
  PopContext& context_;
  bool acquired_;
};

// Connects POP when it is not connected; false (with "接続できませんでした。" shown) when
// that failed.
bool EnsureConnected(PopContext& context);

// "読み込めないメール番号は" + n.
void ShowUnreadable(PopContext& context, int number);

// Hooks the client's status reports to the first status panel and its disconnection to the
// mode label "通常".
void AttachPopEvents(state::MainState& state, state::MainView& view);

}  // namespace receive
