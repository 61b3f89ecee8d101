// yubinko-cli receive APPDIR: one receive run, the same as the window's 受信, for the account
// start-up would make current in APPDIR. Progress and errors go to stderr, the final status
// text to stdout, all in UTF-8.
#include <exception>
#include <filesystem>
#include <iostream>

#include "accounts/account_settings.h"
#include "platform/codepage.h"
#include "receive/receive_run.h"
#include "state/main_state.h"
#include "state/testing/fake_main_view.h"
#include "store/account_file.h"
#include "store/settings.h"
#include "store/startup.h"
#include "tools/cli_command.h"

namespace {

std::string Utf8(const std::string& sjis) { return platform::Cp932ToUtf8(sjis); }

// The window's view without widgets; status texts become progress lines on stderr.
class CliView : public state::testing::FakeMainView {
 public:
  using FakeMainView::FakeMainView;
  void SetStatus(int panel, const std::string& text) override {
    FakeMainView::SetStatus(panel, text);
    if (!text.empty()) std::cerr << Utf8(text) << "\n";
  }
};

// No one to answer questions: boxes are printed, questions get the cautious answer.
class CliUi : public platform::UiServices {
 public:
  void ShowInformation(const std::string& text) override { std::cerr << Utf8(text) << "\n"; }
  platform::Answer AskWarning(const std::string& text) override {
    ShowInformation(text);
    return platform::Answer::kNo;
  }
  platform::Answer AskConfirmation(const std::string& text) override { return AskWarning(text); }
  void ShowError(const std::string& text) override { ShowInformation(text); }
  std::string InputBox(const std::string&, const std::string&, const std::string&) override {
    return {};
  }
  std::vector<std::string> OpenFileDialog(const std::string&, bool) override { return {}; }
  std::string SaveFileDialog(const std::string&, const std::string&, int) override { return {}; }
  void ShowFindDialog(const platform::FindRequest&,
                      std::function<void(const platform::FindRequest&)>) override {}
  bool ShellOpen(const std::string&) override { return false; }
  void ProcessEvents() override {}
  void SetTimer(int, std::function<void()>) override {}
  void EnableTimer(bool) override {}
  void Beep() override {}
  void Sleep(int) override {}
  bool PrintLines(const std::vector<std::string>&) override { return false; }
};

// The account start-up selects: the settings file's name when an account has it, else the
// first named account. Answers false when there is none.
bool SelectAccount(state::MainState& state) {
  state.AccountList = store::LoadAccountList(state.fs);
  state.CurrentAccountName = store::LoadCurrentAccountName(state.fs).value_or("");
  int position = store::FindAccountPosition(state.AccountList, state.CurrentAccountName);
  for (int p = 1; position == 0 && p <= static_cast<int>(state.AccountList.size()); ++p) {
    if (!store::AccountNameAt(state.AccountList, p).empty()) position = p;
  }
  if (position == 0) return false;
  state.AccountPosition = position;
  const std::string name = store::AccountNameAt(state.AccountList, position);
  const store::AccountFolderState folder = store::PrepareAccountFolder(
      state.fs, name, state.received_keys.store_list(), state.folder_index.store_list());
  state.current_folder = folder.current_folder;
  state.account_dir = folder.current_folder;
  return true;
}

int Run(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    std::cerr << "usage: yubinko-cli receive APPDIR\n";
    return 2;
  }
  try {
    state::MainState state(std::filesystem::absolute(args[0]));
    if (!SelectAccount(state)) {
      std::cerr << Utf8(platform::Sjis("アカウントが設定されていません。")) << "\n";
      return 1;
    }
    CliView view(&state);
    CliUi ui;
    receive::AttachPopEvents(state, view);
    accounts::AccountSettings(state, view, ui).Start();  // the POP3 client as the window sets it
    receive::PopContext context(state, view, ui);
    // A refused certificate is reported, never accepted: accepting one takes the window.
    context.ask_about_certificates = false;
    const receive::RunResult result = receive::ReceiveRun(context).Run();
    if (!result.error.empty()) std::cerr << platform::ErrorTextToUtf8(result.error) << "\n";
    if (result.outcome != receive::RunResult::kCompleted &&
        result.outcome != receive::RunResult::kStopped) {
      return 1;
    }
    std::cout << Utf8(view.status[1]) << "\n";
    return 0;
  } catch (const std::exception& e) {
    std::cerr << platform::ErrorTextToUtf8(e.what()) << "\n";
    return 1;
  }
}

const cli::Registrar reg({"receive", "receive APPDIR",
                          "Receive the new mail of APPDIR's current account into its store "
                          "(progress on stderr, the final count on stdout).",
                          Run});

}  // namespace
