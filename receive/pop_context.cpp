// Connection helpers shared by the receiving commands.
#include "receive/pop_context.h"

#include "platform/codepage.h"

namespace receive {

bool EnsureConnected(PopContext& context) {
  if (context.state.POP.IsConnected()) return true;
  try {
    context.state.POP.Connect(-1);
  } catch (const std::exception&) {
    context.ui.ShowInformation(platform::Sjis("接続できませんでした。"));
    return false;
  }
  return true;
}

void ShowUnreadable(PopContext& context, int number) {
  context.ui.ShowInformation(platform::Sjis("読み込めないメール番号は") + std::to_string(number));
}

void AttachPopEvents(state::MainState& state, state::MainView& view) {
  state.POP.OnStatus = [&view](transport::TIdStatus, const std::string& text) {
    view.SetStatus(0, text);
  };
  state.POP.OnDisconnected = [&view] { view.SetMode(platform::Sjis("通常"), 0, 255, 255); };
}

}  // namespace receive
