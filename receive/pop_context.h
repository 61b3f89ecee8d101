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
  // Whether a refused server certificate may be accepted through a question (not without a
  // user to answer it, as in yubinko-cli).
  bool ask_about_certificates = true;
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

// Connects POP when it is not connected; false (with "接続できませんでした。" shown, or for a
// refused server certificate the refusal naming its reason and fingerprint) when that failed.
bool EnsureConnected(PopContext& context);
// Connects POP with the certificates accepted for the account it logs in to, asking about a
// refused one (transport::ConnectTrusting). Raises as Connect does.
void ConnectPop(PopContext& context);
// The line of AccountList at AccountPosition (the account POP is set up for), or empty.
std::string CurrentAccountLine(const state::MainState& state);

// "読み込めないメール番号は" + n.
void ShowUnreadable(PopContext& context, int number);

// Hooks the client's status reports to the first status panel and its disconnection to the
// mode label "通常".
void AttachPopEvents(state::MainState& state, state::MainView& view);

}  // namespace receive
