// A second receive run over a mailbox whose every message is already in the store, with the
// account's UIDL file and without it (deleted before each run), on the same server in one run.
// Prints medians of the time and of the bytes the client read from the server (counted by a
// loopback relay between the two), and the ratios with / without.
// Usage: uidl_receive_bench PORT USER PASSWORD RUNS
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_stats.h"
#include "platform/testing/scripted_ui_services.h"
#include "platform/testing/temp_app_dir.h"
#include "receive/receive_run.h"
#include "receive/uidl_file.h"
#include "state/testing/fake_main_view.h"
#include "store/account_file.h"
#include "store/paths.h"

namespace {

using bench::Median;

using Clock = std::chrono::steady_clock;

int Listen(int& port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(fd, 1) != 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("relay cannot listen");
  }
  port = ntohs(address.sin_port);
  return fd;
}

// Forwards one client connection to the server and counts the bytes the server sent.
class CountingRelay {
 public:
  explicit CountingRelay(int server_port) : server_port_(server_port) {
    listen_fd_ = Listen(port_);
    thread_ = std::thread([this] { Serve(); });
  }
  ~CountingRelay() {
    if (thread_.joinable()) thread_.join();
    close(listen_fd_);
  }
  int Port() const { return port_; }
  long long Finish() {
    thread_.join();
    return to_client_;
  }

 private:
  void Serve() {
    pollfd wait{listen_fd_, POLLIN, 0};
    if (poll(&wait, 1, 30000) <= 0) return;
    const int client = accept(listen_fd_, nullptr, nullptr);
    const int server = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(server_port_));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (client < 0 || server < 0 ||
        connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      if (client >= 0) close(client);
      if (server >= 0) close(server);
      return;
    }
    // Passed on at once: Nagle's algorithm in the relay would hold a reply's second piece for
    // the client's delayed ACK, a delay neither end would see without the relay.
    const int on = 1;
    setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    pollfd fds[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
    char buffer[65536];
    for (bool open = true; open;) {
      if (poll(fds, 2, 60000) <= 0) break;  // bounded: a stalled run ends the relay
      for (int side = 0; side < 2 && open; ++side) {
        if (fds[side].revents == 0) continue;
        const ssize_t n = read(fds[side].fd, buffer, sizeof buffer);
        if (n <= 0) {
          open = false;
          break;
        }
        if (side == 1) to_client_ += n;
        const int to = fds[1 - side].fd;
        for (ssize_t sent = 0; sent < n;) {
          const ssize_t w = write(to, buffer + sent, static_cast<std::size_t>(n - sent));
          if (w <= 0) {
            open = false;
            break;
          }
          sent += w;
        }
      }
    }
    close(client);
    close(server);
  }

  int server_port_;
  int listen_fd_ = -1;
  int port_ = 0;
  long long to_client_ = 0;
  std::thread thread_;
};

struct Measured {
  double seconds = 0;
  long long bytes = 0;
  int new_count = 0;
};

// One receive run of the account "acct" through a fresh relay.
Measured ReceiveOnce(const std::filesystem::path& dir, int port, const std::string& user,
                     const std::string& password) {
  CountingRelay relay(port);
  state::MainState state(dir);
  state::testing::FakeMainView view(&state);
  platform::testing::ScriptedUiServices ui;
  receive::PopContext context(state, view, ui);
  state.AccountList = store::LoadAccountList(state.fs);
  state.AccountPosition = 1;
  state.current_folder = store::AccountFolder("acct");
  state.account_dir = state.current_folder;
  state.fs.ForceDirectories(state.current_folder);
  state.received_keys.Load(state.fs, store::ReceivedKeysPath(state.account_dir));
  state.folder_index.Load(state.fs, store::FolderIndexPath(state.current_folder));
  state.POP.Host = "127.0.0.1";
  state.POP.Port = relay.Port();
  state.POP.Username = user;
  state.POP.Password = password;
  state.POP.Tls.Mode = transport::tlsNone;  // the bytes counted are the protocol's own
  const auto start = Clock::now();
  const receive::RunResult r = receive::ReceiveRun(context).Run();
  Measured m;
  m.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  m.bytes = relay.Finish();
  m.new_count = r.new_count;
  if (r.outcome != receive::RunResult::kCompleted) {
    std::string shown;
    for (const auto& box : ui.shown) shown += " " + box.text;
    throw std::runtime_error("receive run failed (" + std::to_string(r.outcome) + "): " + r.error +
                             shown);
  }
  return m;
}

// The least any client pays to learn that nothing is new: log in, STAT, UIDL, QUIT.
double ListingFloor(int port, const std::string& user, const std::string& password) {
  CountingRelay relay(port);
  const auto start = Clock::now();
  transport::TIdPOP3 pop;
  pop.Host = "127.0.0.1";
  pop.Port = relay.Port();
  pop.Username = user;
  pop.Password = password;
  pop.Tls.Mode = transport::tlsNone;
  pop.Connect();
  pop.MessageCount();
  std::vector<transport::TIdUidlEntry> ids;
  pop.ListUniqueIds(ids);
  pop.Disconnect();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  relay.Finish();
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s PORT USER PASSWORD RUNS\n", argv[0]);
    return 2;
  }
  const int port = std::atoi(argv[1]);
  const std::string user = argv[2], password = argv[3];
  const int runs = std::max(1, std::atoi(argv[4]));
  try {
    platform::testing::TempAppDir dir;
    store::AccountRecord account;
    account.AccountName = "acct";
    account.PopServer = "127.0.0.1";
    account.UserId = user;
    account.Password = password;
    platform::FileSystem fs(dir.path());
    fs.WriteFileAtomic("Account.ini", account.Line() + "\r\n");
    const Measured first = ReceiveOnce(dir.path(), port, user, password);
    const std::string ids = receive::UidlFile::Path(store::AccountFolder("acct"));
    if (!fs.FileExists(ids)) throw std::runtime_error("the server listed no UIDL");
    std::vector<double> with_s, with_b, without_s, without_b, floor_s;
    for (int run = 0; run < runs; ++run) {
      floor_s.push_back(ListingFloor(port, user, password));
      Measured with = ReceiveOnce(dir.path(), port, user, password);
      fs.DeleteFile(ids);
      Measured without = ReceiveOnce(dir.path(), port, user, password);
      if (with.new_count != 0 || without.new_count != 0) {
        throw std::runtime_error("a second run found new mail");
      }
      with_s.push_back(with.seconds);
      with_b.push_back(static_cast<double>(with.bytes));
      without_s.push_back(without.seconds);
      without_b.push_back(static_cast<double>(without.bytes));
    }
    const double ws = Median(with_s), wb = Median(with_b);
    const double os = Median(without_s), ob = Median(without_b);
    std::printf("messages %d (first run %.2f s, %.1f MB read), %d runs (medians)\n",
                first.new_count, first.seconds, first.bytes / 1048576.0, runs);
    std::printf("second run with UIDL file     %.3f s  %12.0f bytes read\n", ws, wb);
    std::printf("second run without UIDL file  %.3f s  %12.0f bytes read\n", os, ob);
    std::printf("log in, STAT, UIDL, QUIT only  %.3f s\n", Median(floor_s));
    std::printf("ratio with / without: time %.2f%%, bytes %.2f%%\n", 100 * ws / os, 100 * wb / ob);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "uidl_receive_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
