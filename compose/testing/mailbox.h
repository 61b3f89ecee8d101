// Helpers of the end-to-end send tests: alice's account on the suite's Postfix, bob's
// mailbox read back over POP3, and the python3 oracle run over a delivered message.
#pragma once

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "store/account_file.h"
#include "transport/pop3.h"

namespace compose::testing {

inline store::AccountRecord AliceAccount(int smtp_port) {
  store::AccountRecord a;
  a.AccountName = "alice";
  a.UserId = "alice";
  a.Password = "alicepw";
  a.SmtpServer = "127.0.0.1";
  a.OwnAddress = "alice@example.test";
  a.SmtpPort = std::to_string(smtp_port);
  return a;
}

// The raw texts of every message in bob's mailbox.
inline std::vector<std::string> BobsMail(int pop3_port) {
  transport::TIdPOP3 pop;
  pop.Host = "127.0.0.1";
  pop.Port = pop3_port;
  pop.Username = "bob";
  pop.Password = "bobpw";
  pop.Connect();
  std::vector<std::string> texts;
  const int count = pop.MessageCount();
  for (int n = 1; n <= count; ++n) {
    std::vector<std::string> lines;
    if (!pop.RetrieveRaw(n, lines)) continue;
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    texts.push_back(std::move(text));
  }
  pop.Disconnect();
  return texts;
}

// Delivery after "250 queued" takes milliseconds; waits at most ten seconds for `count`.
inline std::vector<std::string> WaitForBobsMail(int pop3_port, std::size_t count) {
  std::vector<std::string> texts;
  for (int tries = 0; tries < 100; ++tries) {
    texts = BobsMail(pop3_port);
    if (texts.size() >= count) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return texts;
}

// Runs the oracle over `wire` against the expected values (JSON, UTF-8); answers its exit
// status and sets `report` to what it printed.
inline int RunOracle(const std::filesystem::path& dir, const std::string& oracle,
                     const std::string& wire, const std::string& expected_json,
                     std::string& report) {
  const std::filesystem::path eml = dir / "wire.eml";
  const std::filesystem::path expected = dir / "expected.json";
  const std::filesystem::path out = dir / "oracle.txt";
  std::ofstream(eml, std::ios::binary) << wire;
  std::ofstream(expected, std::ios::binary) << expected_json;
  const std::string command = "python3 " + oracle + " " + eml.string() + " " + expected.string() +
                              " > " + out.string() + " 2>&1";
  const int rc = std::system(command.c_str());
  std::ifstream in(out);
  report.assign((std::istreambuf_iterator<char>(in)), {});
  return rc;
}

}  // namespace compose::testing
