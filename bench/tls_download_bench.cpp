// The POP3 download of a whole mailbox over TLS against the same over plain text, on the same
// server in one run: STAT, RETR 1..n through the receive run's spool and the message reader,
// QUIT. TLS both ways the client offers it: from the first byte (the POP3S port) and upgraded
// with STLS on the plain port. Prints the medians and the ratios TLS / plain; then the same
// for the whole receive run into a fresh store, plain against STLS.
// Usage: tls_download_bench PORT TLS_PORT USER PASSWORD RUNS   (SSL_CERT_FILE names the CA)
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_stats.h"
#include "platform/testing/scripted_ui_services.h"
#include "platform/testing/temp_app_dir.h"
#include "receive/receive_run.h"
#include "receive/spool.h"
#include "state/testing/fake_main_view.h"
#include "store/account_file.h"
#include "store/paths.h"
#include "transport/message.h"
#include "transport/pop3.h"

namespace {

using bench::Median;

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Download {
  double seconds = 0;
  double cpu = 0;  // this process (the client), user and system
  int messages = 0;
  unsigned long long bytes = 0;
};

Download Run(int port, transport::TIdTlsMode mode, const std::string& user,
             const std::string& password) {
  const auto start = Clock::now();
  const double cpu_start = CpuSeconds();
  transport::TIdPOP3 pop;
  pop.Host = "127.0.0.1";
  pop.Port = port;
  pop.Username = user;
  pop.Password = password;
  pop.Tls.Mode = mode;
  pop.Connect();
  if ((mode != transport::tlsNone) != pop.UsingTls()) throw std::runtime_error("wrong TLS state");
  Download d;
  d.messages = pop.MessageCount();
  receive::Spool spool;
  transport::TIdMessage msg;
  msg.DeleteTempFiles = true;
  std::string error;
  for (int i = 1; i <= d.messages; ++i) {
    if (!spool.Fetch(pop, i)) throw std::runtime_error("RETR refused");
    if (!spool.Parse(msg, error)) throw std::runtime_error("unreadable message: " + error);
    d.bytes += spool.Size();
  }
  pop.Disconnect();
  d.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  d.cpu = CpuSeconds() - cpu_start;
  return d;
}

// The receive run into a fresh store (the user's 受信: parse, decode, write, flush), timed
// whole, over plain text or after STLS on the same port.
double ReceiveIntoFreshStore(int port, transport::TIdTlsMode mode, const std::string& user,
                             const std::string& password) {
  platform::testing::TempAppDir dir;
  state::MainState state(dir.path());
  state::testing::FakeMainView view(&state);
  platform::testing::ScriptedUiServices ui;
  receive::PopContext context(state, view, ui);
  store::AccountRecord account;
  account.AccountName = "acct";
  state.AccountList = {account.Line()};
  state.AccountPosition = 1;
  state.current_folder = state.account_dir = store::AccountFolder("acct");
  state.fs.ForceDirectories(state.current_folder);
  state.POP.Host = "127.0.0.1";
  state.POP.Port = port;
  state.POP.Username = user;
  state.POP.Password = password;
  state.POP.Tls.Mode = mode;
  const auto start = Clock::now();
  const receive::RunResult r = receive::ReceiveRun(context).Run();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (r.outcome != receive::RunResult::kCompleted || r.new_count == 0) {
    throw std::runtime_error("receive run failed: " + r.error);
  }
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: %s PORT TLS_PORT USER PASSWORD RUNS\n", argv[0]);
    return 2;
  }
  const int port = std::atoi(argv[1]), tls_port = std::atoi(argv[2]);
  const std::string user = argv[3], password = argv[4];
  const int runs = std::max(1, std::atoi(argv[5]));
  try {
    // One warm-up of each, so the server's indexes and the page cache are equally hot.
    const Download plain_first = Run(port, transport::tlsNone, user, password);
    const Download tls_first = Run(tls_port, transport::tlsImplicit, user, password);
    Run(port, transport::tlsExplicit, user, password);
    if (plain_first.messages != tls_first.messages || plain_first.bytes != tls_first.bytes) {
      throw std::runtime_error("plain and TLS downloads differ");
    }
    std::vector<double> plain, implicit, stls, plain_cpu, implicit_cpu, stls_cpu;
    for (int run = 0; run < runs; ++run) {
      Download d = Run(port, transport::tlsNone, user, password);
      plain.push_back(d.seconds);
      plain_cpu.push_back(d.cpu);
      d = Run(tls_port, transport::tlsImplicit, user, password);
      implicit.push_back(d.seconds);
      implicit_cpu.push_back(d.cpu);
      d = Run(port, transport::tlsExplicit, user, password);
      stls.push_back(d.seconds);
      stls_cpu.push_back(d.cpu);
    }
    // The whole receive run, fewer rounds: each writes the mailbox into a fresh store.
    std::vector<double> receive_plain, receive_stls;
    for (int run = 0; run < std::max(1, runs / 3); ++run) {
      receive_plain.push_back(ReceiveIntoFreshStore(port, transport::tlsNone, user, password));
      receive_stls.push_back(ReceiveIntoFreshStore(port, transport::tlsExplicit, user, password));
    }
    const double p = Median(plain), i = Median(implicit), s = Median(stls);
    const double pc = Median(plain_cpu), ic = Median(implicit_cpu), sc = Median(stls_cpu);
    const int n = plain_first.messages;
    std::printf("messages %d, %.1f KB each on average, %d runs (medians, seconds)\n", n,
                n ? plain_first.bytes / 1024.0 / n : 0.0, runs);
    std::printf("                      elapsed            client CPU\n");
    std::printf("plain text            %.3f s  %6.0f msg/s  %.3f s\n", p, n / p, pc);
    std::printf("TLS from first byte   %.3f s  %6.0f msg/s  %.3f s\n", i, n / i, ic);
    std::printf("TLS after STLS        %.3f s  %6.0f msg/s  %.3f s\n", s, n / s, sc);
    std::printf(
        "ratio TLS / plain     elapsed %.2f (first byte), %.2f (STLS); client CPU %.2f, %.2f\n",
        i / p, s / p, ic / pc, sc / pc);
    const double rp = Median(receive_plain), rs = Median(receive_stls);
    std::printf(
        "receive run into a fresh store (%zu runs): plain %.3f s, STLS %.3f s, ratio %.2f\n",
        receive_plain.size(), rp, rs, rs / rp);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tls_download_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
