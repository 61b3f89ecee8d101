// Connection helpers shared by the receiving commands.
#include "receive/pop_context.h"

#include "platform/codepage.h"
#include "store/account_file.h"
#include "store/paths.h"
#include "transport/tls_trust.h"

namespace receive {

std::string CurrentAccountLine(const state::MainState& s) {
  const auto pos = static_cast<std::size_t>(s.AccountPosition);
  if (pos < 1 || pos > s.AccountList.size()) return {};
  return s.AccountList[pos - 1];
}

void ConnectPop(PopContext& context) {
  state::MainState& s = context.state;
  const std::string name = store::AccountRecord::FromLine(CurrentAccountLine(s)).AccountName;
  const transport::CertificatePins pins(s.fs, name.empty() ? "" : store::AccountFolder(name));
  transport::ConnectTrusting(s.POP, pins, context.ask_about_certificates ? &context.ui : nullptr);
}

bool EnsureConnected(PopContext& context) {
  if (context.state.POP.IsConnected()) return true;
  try {
    ConnectPop(context);
  } catch (const transport::EIdTlsCertificateError& refusal) {
    // Not the usual short text: the user needs the reason and the fingerprint to act on it.
    context.ui.ShowInformation(refusal.what());
    return false;
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
