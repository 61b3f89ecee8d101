// Shared pieces of the receiving tests: a store with one account, a POP3 script builder over
// the scripted server, and readers of what ended up on disk.
#pragma once

#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/testing/scripted_ui_services.h"
#include "platform/testing/temp_app_dir.h"
#include "receive/new_mail_check.h"
#include "receive/pop_context.h"
#include "state/index_list.h"
#include "state/main_state.h"
#include "state/testing/fake_main_view.h"
#include "store/account_file.h"
#include "store/paths.h"
#include "transport/testing/scripted_server.h"

namespace receive::testing {

using transport::testing::ScriptStep;

// A POP3 conversation, step by step.
class Script {
 public:
  // The client asks CAPA first to learn whether it can upgrade to TLS; this server cannot.
  // `capabilities` are the CAPA lines (CR LF between them); empty: CAPA is refused.
  explicit Script(const std::string& capabilities = "USER") {
    Send("+OK ready").Expect("CAPA");
    Send(capabilities.empty() ? "-ERR unknown command" : "+OK\r\n" + capabilities + "\r\n.");
    Expect("USER alice").Send("+OK").Expect("PASS pw").Send("+OK");
  }
  Script& Send(const std::string& line) { return Raw(ScriptStep::kSend, line + "\r\n"); }
  Script& Expect(const std::string& line) { return Raw(ScriptStep::kExpect, line + "\r\n"); }
  Script& Stat(int n) { return Expect("STAT").Send("+OK " + std::to_string(n) + " 999"); }
  // RETR n answered with a message given with LF line ends; dots are stuffed here.
  Script& Retr(int n, const std::string& message) {
    return Expect("RETR " + std::to_string(n)).Multiline(message);
  }
  // TOP n 0 answered with the header of a message given with LF line ends.
  Script& Top(int n, const std::string& message) {
    const std::size_t end = message.find("\n\n");
    return Expect("TOP " + std::to_string(n) + " 0")
        .Multiline(end == std::string::npos ? message : message.substr(0, end + 2));
  }
  // UIDL answered with the ids of messages 1, 2, ...
  Script& Uidl(const std::vector<std::string>& ids) {
    Expect("UIDL");
    std::string wire = "+OK";
    for (std::size_t i = 0; i < ids.size(); ++i) {
      wire += "\r\n" + std::to_string(i + 1) + " " + ids[i];
    }
    return Send(wire + "\r\n.");
  }
  // "+OK", the message (LF line ends; dots stuffed here) and the closing ".".
  Script& Multiline(const std::string& message) {
    std::string wire = "+OK\r\n";
    std::size_t start = 0;
    while (start < message.size()) {
      std::size_t end = message.find('\n', start);
      if (end == std::string::npos) end = message.size();
      std::string line = message.substr(start, end - start);
      if (line.starts_with(".")) line.insert(0, ".");
      wire += line + "\r\n";
      start = end + 1;
    }
    wire += ".\r\n";
    return Raw(ScriptStep::kSend, wire);
  }
  Script& List(int n, int size) {
    return Expect("LIST " + std::to_string(n))
        .Send("+OK " + std::to_string(n) + " " + std::to_string(size));
  }
  // LIST of the whole mailbox: sizes[i] is the size of message i + 1.
  Script& ListAll(const std::vector<int>& sizes) {
    Expect("LIST");
    std::string wire = "+OK";
    for (std::size_t i = 0; i < sizes.size(); ++i) {
      wire += "\r\n" + std::to_string(i + 1) + " " + std::to_string(sizes[i]);
    }
    return Send(wire + "\r\n.");
  }
  Script& Dele(int n) { return Expect("DELE " + std::to_string(n)).Send("+OK"); }
  Script& Quit() { return Expect("QUIT"); }
  Script& Close() { return Raw(ScriptStep::kClose, ""); }
  Script& Raw(ScriptStep::Kind kind, std::string bytes) {
    steps.push_back({kind, std::move(bytes)});
    return *this;
  }
  std::vector<ScriptStep> steps;
};

// The new-mail window (TForm5) as the check sees it, recording what it was told.
class FakeNewMailWindow : public NewMailView {
 public:
  void ClearRows() override { rows.clear(); }
  void AddRow(const std::string& record) override { rows.push_back(record); }
  std::string Label() const override { return label; }
  void SetLabel(const std::string& text) override { label = text; }
  void ShowWindow() override { ++shown; }
  void MinimiseMainWindow() override { ++minimised; }
  std::vector<std::string> rows;
  std::string label = "?";
  int shown = 0;
  int minimised = 0;
};

// A message with LF line ends.
inline std::string Mail(const std::string& id, const std::string& subject,
                        const std::string& extra = "", const std::string& body = "body\n") {
  std::string m = "From: taro@example.test\nTo: alice@example.test\nSubject: " + subject + "\n";
  if (!id.empty()) m += "Message-ID: " + id + "\n";
  m += "Date: Tue, 1 Dec 2026 10:00:00 +0900\n" + extra + "\n" + body;
  return m;
}

// The main window's state over a fresh store with the account "acct".
struct Fixture {
  explicit Fixture(bool delete_after = false) : state(dir.path()), view(&state) {
    store::AccountRecord account;
    account.AccountName = "acct";
    account.DeleteAfterReceive = delete_after ? "-1" : "0";
    state.AccountList = {account.Line()};
    state.current_folder = store::AccountFolder("acct");
    state.account_dir = state.current_folder;
    state.fs.ForceDirectories(state.current_folder);
    state.POP.Username = "alice";
    state.POP.Password = "pw";
    state.POP.Host = "127.0.0.1";
  }
  void Aim(const transport::testing::ScriptedServer& server) { state.POP.Port = server.Port(); }
  std::vector<std::string> Lines(const std::string& path) const {
    return state::LoadLines(state.fs, path);
  }
  std::vector<std::string> IndexOnDisk(const std::string& folder) const {
    return Lines(store::FolderIndexPath(folder));
  }
  std::vector<std::string> KeysOnDisk() const {
    return Lines(store::ReceivedKeysPath(state.account_dir));
  }
  std::string MessageFile(const std::string& folder, const std::string& key) const {
    return state.fs.ReadFile(store::MessageFilePath(folder, key)).value_or("<missing>");
  }

  platform::testing::TempAppDir dir;
  state::MainState state;
  state::testing::FakeMainView view;
  platform::testing::ScriptedUiServices ui;
  PopContext context{state, view, ui};
};

inline std::string S(const char* utf8) { return platform::Sjis(utf8); }

}  // namespace receive::testing
