// yubinko-cli send APPDIR --to ADDRS --subject TEXT [--cc ADDRS] [--bcc ADDRS] [--attach FILE]...
// [--account NAME]: sends one ordinary message through the composer's send step, body from
// standard input, and stores the sent record and copy in APPDIR.
#include <exception>
#include <filesystem>
#include <iostream>

#include "compose/send_step.h"
#include "platform/codepage.h"
#include "state/main_state.h"
#include "store/account_file.h"
#include "store/paths.h"
#include "store/record.h"
#include "store/settings.h"
#include "tools/cli_command.h"

namespace {

constexpr char kUsage[] =
    "usage: yubinko-cli send APPDIR --to ADDRS --subject TEXT [--cc ADDRS] [--bcc ADDRS] "
    "[--attach FILE]... [--account NAME]\n";

// The account start-up makes current: the named line matching the settings file's name, else
// the first named line; -1 when there is none.
int StartupAccount(const std::vector<std::string>& lines, const std::string& settings_name) {
  int first = -1;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string name = store::GetField(lines[i], 0);
    if (name.empty()) continue;
    if (first < 0) first = static_cast<int>(i);
    if (name == settings_name) return static_cast<int>(i);
  }
  return first;
}

int Run(const std::vector<std::string>& args) {
  if (args.empty()) {
    std::cerr << kUsage;
    return 2;
  }
  compose::ComposerFields fields;
  std::string account_name;
  bool have_account = false, have_to = false, have_subject = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& flag = args[i];
    if (i + 1 >= args.size()) {
      std::cerr << kUsage;
      return 2;
    }
    const std::string& value = args[++i];
    if (flag == "--to") {
      fields.to = platform::Sjis(value);
      have_to = true;
    } else if (flag == "--subject") {
      fields.subject = platform::Sjis(value);
      have_subject = true;
    } else if (flag == "--cc") {
      fields.cc = platform::Sjis(value);
    } else if (flag == "--bcc") {
      fields.bcc = platform::Sjis(value);
    } else if (flag == "--attach") {
      // A file named on the command line keeps its native path.
      fields.attachments.push_back(std::filesystem::absolute(value).string());
    } else if (flag == "--account") {
      account_name = platform::Sjis(value);
      have_account = true;
    } else {
      std::cerr << kUsage;
      return 2;
    }
  }
  if (!have_to || !have_subject) {
    std::cerr << kUsage;
    return 2;
  }
  for (const std::string& path : fields.attachments) {
    if (!std::filesystem::is_regular_file(path)) {
      std::cerr << "no such file: " << path << "\n";
      return 1;
    }
  }
  try {
    state::MainState state(args[0]);
    state.AccountList = store::LoadAccountList(state.fs);
    state.sent_index.Load(state.fs, store::SentIndexPath());
    if (have_account) {
      fields.sender_index = store::FindAccountPosition(state.AccountList, account_name) - 1;
      if (fields.sender_index < 0) {
        std::cerr << "no account named " << platform::Cp932ToUtf8(account_name) << "\n";
        return 1;
      }
    } else {
      fields.sender_index =
          StartupAccount(state.AccountList, store::LoadCurrentAccountName(state.fs).value_or(""));
    }
    if (fields.sender_index >= 0) {
      fields.sender_text = store::AccountRecord::FromLine(
                               state.AccountList[static_cast<std::size_t>(fields.sender_index)])
                               .OwnAddress;
    }
    fields.body = platform::Sjis(cli::ReadStdin());
    transport::TIdSMTP smtp;
    const compose::SendOutcome out = compose::SendStep(state, smtp).Send(fields);
    if (!out.message.empty()) std::cerr << platform::Cp932ToUtf8(out.message) << "\n";
    // The server accepted the message: a failure to store the copy is reported but the send
    // counts, so a script does not send it twice.
    return out.status == compose::SendOutcome::kSent ||
                   out.status == compose::SendOutcome::kSentNotStored
               ? 0
               : 1;
  } catch (const std::exception& e) {
    std::cerr << platform::ErrorTextToUtf8(e.what()) << "\n";
    return 1;
  }
}

const cli::Registrar reg({"send",
                          "send APPDIR --to ADDRS --subject TEXT [--cc ADDRS] [--bcc ADDRS] "
                          "[--attach FILE]... [--account NAME]",
                          "Send one message (body from standard input, UTF-8) from an account "
                          "of APPDIR and store the sent copy there.",
                          Run});

}  // namespace
