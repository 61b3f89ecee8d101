// Receives a whole mailbox and prints medians and ratios:
//   receive   the receive run into a fresh store (20 rules, files flushed before QUIT)
//   known     a second receive run over the same store: every message already received
//   raw       STAT, RETR 1..n as raw lines, QUIT: the floor any client pays
//   fetchmail keep/fetchall, each message delivered to its own file by an MDA (whole process)
// With "memory" instead of RUNS: one receive run, and the peak resident size above the
// process's size before it.
// Usage: receive_run_bench PORT USER PASSWORD RUNS|memory [FETCHMAIL_HOME]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_stats.h"
#include "platform/codepage.h"
#include "platform/testing/scripted_ui_services.h"
#include "platform/testing/temp_app_dir.h"
#include "receive/receive_run.h"
#include "state/testing/fake_main_view.h"
#include "store/account_file.h"
#include "store/paths.h"

namespace {

using bench::Median;
using bench::Seconds;

using Clock = std::chrono::steady_clock;

long PeakKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with("VmHWM:")) return std::stol(line.substr(6));
  }
  return -1;
}

long CurrentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with("VmRSS:")) return std::stol(line.substr(6));
  }
  return -1;
}

struct Server {
  int port;
  std::string user, password;
};

// A store with one account and 20 rules: half route by sender or subject into folders, the
// rest never match; about a fifth of the seeded mail is routed.
void MakeStore(const std::filesystem::path& dir, const Server& server) {
  store::AccountRecord account;
  account.AccountName = "acct";
  account.PopServer = "127.0.0.1";
  account.UserId = server.user;
  account.Password = server.password;
  account.PopPort = std::to_string(server.port);
  platform::FileSystem fs(dir);
  fs.WriteFileAtomic("Account.ini", account.Line() + "\r\n");
  std::string rules;
  for (int i = 0; i < 18; ++i) {
    rules += platform::Sjis("件名") + "\tnever-" + std::to_string(i) + "\tacct\\f" +
             std::to_string(i) + "\r\n";
  }
  rules += platform::Sjis("差出人") + "\tattach@\tacct\\attach\r\n";
  rules += platform::Sjis("件名") + "\tseed message 1\tacct\\ones\r\n";
  fs.WriteFileAtomic("rule.ini", rules);
}

struct Receiver {
  explicit Receiver(const std::filesystem::path& dir, const Server& server)
      : state(dir), view(&state), context(state, view, ui) {
    state.AccountList = store::LoadAccountList(state.fs);
    state.current_folder = store::AccountFolder("acct");
    state.account_dir = state.current_folder;
    state.fs.ForceDirectories(state.current_folder);
    state.POP.Host = "127.0.0.1";
    state.POP.Port = server.port;
    state.POP.Username = server.user;
    state.POP.Password = server.password;
  }
  int Run() {
    receive::RunResult r = receive::ReceiveRun(context).Run();
    if (r.outcome != receive::RunResult::kCompleted) {
      throw std::runtime_error("receive run failed: " + r.error);
    }
    return r.new_count;
  }
  state::MainState state;
  state::testing::FakeMainView view;
  platform::testing::ScriptedUiServices ui;
  receive::PopContext context;
};

int RawLoop(const Server& server) {
  transport::TIdPOP3 pop;
  pop.Host = "127.0.0.1";
  pop.Port = server.port;
  pop.Username = server.user;
  pop.Password = server.password;
  pop.Connect();
  const int n = pop.MessageCount();
  std::vector<std::string> lines;
  for (int i = 1; i <= n; ++i) {
    lines.clear();
    pop.RetrieveRaw(i, lines);
  }
  pop.Disconnect();
  return n;
}

double Fetchmail(const std::string& home) {
  std::filesystem::remove_all(home + "/out");
  std::filesystem::create_directories(home + "/out");
  const std::string command = "HOME=" + home + " fetchmail --silent -f " + home +
                              "/fetchmailrc -i " + home + "/fetchids --pidfile " + home +
                              "/fetchmail.pid >/dev/null 2>&1";
  const auto start = Clock::now();
  const int rc = std::system(command.c_str());
  const double s = Seconds(start);
  if (rc != 0) throw std::runtime_error("fetchmail failed");
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s PORT USER PASSWORD RUNS|memory [FETCHMAIL_HOME]\n", argv[0]);
    return 2;
  }
  const Server server{std::atoi(argv[1]), argv[2], argv[3]};
  try {
    if (std::string(argv[4]) == "memory") {
      platform::testing::TempAppDir dir;
      MakeStore(dir.path(), server);
      Receiver receiver(dir.path(), server);
      const long before = CurrentKb();
      const long peak_before = PeakKb();
      const int n = receiver.Run();
      const long peak = PeakKb();
      std::printf("messages %d; resident before %ld KB, peak before %ld KB, peak after %ld KB\n", n,
                  before, peak_before, peak);
      std::printf("peak above baseline %.1f MB\n", (peak - before) / 1024.0);
      return 0;
    }
    const int runs = std::atoi(argv[4]);
    const std::string fetchmail_home = argc > 5 ? argv[5] : "";
    std::vector<double> fresh, known, raw, fetchmail;
    int messages = 0;
    RawLoop(server);  // warm the server's indexes and the page cache
    for (int run = 0; run < runs; ++run) {
      platform::testing::TempAppDir dir;
      MakeStore(dir.path(), server);
      Receiver receiver(dir.path(), server);
      // The run ends with one flush of the whole file system: without this untimed sync it
      // would also write out the previous round's removed store and fetchmail's files.
      ::sync();
      auto start = Clock::now();
      messages = receiver.Run();
      fresh.push_back(Seconds(start));
      start = Clock::now();
      if (receiver.Run() != 0) throw std::runtime_error("second run found new mail");
      known.push_back(Seconds(start));
      start = Clock::now();
      RawLoop(server);
      raw.push_back(Seconds(start));
      if (!fetchmail_home.empty()) fetchmail.push_back(Fetchmail(fetchmail_home));
    }
    const double f = Median(fresh), k = Median(known), r = Median(raw);
    std::printf("messages %d, %d runs (medians, seconds)\n", messages, runs);
    std::printf("receive run, fresh store   %.3f s  %6.0f msg/s\n", f, messages / f);
    std::printf("receive run, all known     %.3f s  %6.0f msg/s\n", k, messages / k);
    std::printf("raw RETR loop              %.3f s  %6.0f msg/s\n", r, messages / r);
    std::printf("ratio fresh / raw          %.2f\n", f / r);
    std::printf("ratio known / raw          %.2f\n", k / r);
    if (!fetchmail.empty()) {
      const double m = Median(fetchmail);
      std::printf("fetchmail + MDA            %.3f s  %6.0f msg/s\n", m, messages / m);
      std::printf("ratio fetchmail / fresh    %.2f\n", m / f);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
