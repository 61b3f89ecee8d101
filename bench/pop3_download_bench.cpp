// Downloads a whole mailbox over POP3 three ways and prints the medians and ratios:
//   client   TIdPOP3: STAT, RETR 1..n into a TIdMessage (parsed by the reader), QUIT
//   lines    TIdPOP3 capturing the raw lines only (no message model), for comparison
//   raw      a minimal socket loop sending the same commands and only finding each final "."
//   fetchmail  keep/fetchall into /dev/null (whole process), when an rc file is given
// Usage: pop3_download_bench PORT USER PASSWORD RUNS [FETCHMAIL_HOME]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_stats.h"
#include "transport/message.h"
#include "transport/pop3.h"

namespace {

using bench::Median;
using bench::Seconds;

using Clock = std::chrono::steady_clock;

struct Download {
  int messages = 0;
  long long bytes = 0;  // body and header lines as the reader received them
};

// With `parse` false the lines are only captured (RetrieveRaw): the cost of the connection and
// line reader alone, without building the message model.
Download RunClient(int port, const std::string& user, const std::string& password,
                   bool parse = true) {
  transport::TIdPOP3 pop;
  pop.Host = "127.0.0.1";
  pop.Port = port;
  pop.Username = user;
  pop.Password = password;
  pop.Connect();
  Download result;
  result.messages = pop.MessageCount();
  transport::TIdMessage msg;
  msg.DeleteTempFiles = true;
  std::vector<std::string> lines;
  for (int i = 1; i <= result.messages; ++i) {
    if (!parse) {
      lines.clear();
      if (!pop.RetrieveRaw(i, lines)) throw std::runtime_error("RETR refused");
      for (const std::string& line : lines) result.bytes += line.size() + 2;
      continue;
    }
    msg.Clear();
    if (!pop.Retrieve(i, msg)) throw std::runtime_error("RETR refused");
    for (const std::string& line : msg.Headers) result.bytes += line.size() + 2;
    for (const std::string& line : msg.Body) result.bytes += line.size() + 2;
  }
  pop.Disconnect();
  return result;
}

// The raw loop: blocking socket, 64 KiB receives, replies found by their line end and each
// message by CR LF "." CR LF. No parsing beyond that.
class RawClient {
 public:
  explicit RawClient(int port) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ < 0 || connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      throw std::runtime_error("raw connect failed");
    }
  }
  ~RawClient() { close(fd_); }

  void Send(const std::string& command) {
    std::string line = command + "\r\n";
    if (send(fd_, line.data(), line.size(), 0) != static_cast<ssize_t>(line.size())) {
      throw std::runtime_error("raw send failed");
    }
  }
  // Reads up to and including `end`; answers what came before it.
  std::string ReadUntil(const char* end) {
    const std::size_t end_size = std::strlen(end);
    std::size_t scanned = 0;
    for (;;) {
      std::size_t found = buffer_.find(end, scanned > end_size ? scanned - end_size : 0);
      if (found != std::string::npos) {
        std::string head = buffer_.substr(0, found);
        buffer_.erase(0, found + end_size);
        return head;
      }
      scanned = buffer_.size();
      char chunk[65536];
      ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
      if (n <= 0) throw std::runtime_error("raw receive failed");
      buffer_.append(chunk, static_cast<std::size_t>(n));
    }
  }

 private:
  int fd_;
  std::string buffer_;
};

Download RunRaw(int port, const std::string& user, const std::string& password) {
  RawClient raw(port);
  raw.ReadUntil("\r\n");
  raw.Send("USER " + user);
  raw.ReadUntil("\r\n");
  raw.Send("PASS " + password);
  if (raw.ReadUntil("\r\n").rfind("+OK", 0) != 0) throw std::runtime_error("raw login failed");
  raw.Send("STAT");
  Download result;
  result.messages = std::atoi(raw.ReadUntil("\r\n").c_str() + 4);
  for (int i = 1; i <= result.messages; ++i) {
    raw.Send("RETR " + std::to_string(i));
    // The reply line and the message text both end at the first CR LF "." CR LF.
    result.bytes += static_cast<long long>(raw.ReadUntil("\r\n.\r\n").size());
  }
  raw.Send("QUIT");
  raw.ReadUntil("\r\n");
  return result;
}

double RunFetchmail(const std::string& home) {
  const std::string command = "HOME=" + home + " fetchmail --silent -f " + home +
                              "/fetchmailrc -i " + home + "/fetchids --pidfile " + home +
                              "/fetchmail.pid >/dev/null 2>&1";
  auto start = Clock::now();
  int rc = std::system(command.c_str());
  double seconds = Seconds(start);
  if (!WIFEXITED(rc) || WEXITSTATUS(rc) != 0) throw std::runtime_error("fetchmail failed");
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s PORT USER PASSWORD RUNS [FETCHMAIL_HOME]\n", argv[0]);
    return 2;
  }
  const int port = std::atoi(argv[1]);
  const std::string user = argv[2];
  const std::string password = argv[3];
  const int runs = std::max(1, std::atoi(argv[4]));
  const std::string fetchmail_home = argc > 5 ? argv[5] : "";
  try {
    // One warm-up of each, so the server's indexes and the page cache are equally hot.
    Download client_first = RunClient(port, user, password);
    Download raw_first = RunRaw(port, user, password);
    if (client_first.messages != raw_first.messages) {
      throw std::runtime_error("the two clients saw different mailboxes");
    }
    std::vector<double> client, lines_only, raw, fetchmail;
    for (int run = 0; run < runs; ++run) {
      auto start = Clock::now();
      RunClient(port, user, password);
      client.push_back(Seconds(start));
      start = Clock::now();
      RunClient(port, user, password, false);
      lines_only.push_back(Seconds(start));
      start = Clock::now();
      RunRaw(port, user, password);
      raw.push_back(Seconds(start));
      if (!fetchmail_home.empty()) fetchmail.push_back(RunFetchmail(fetchmail_home));
    }
    const double c = Median(client), r = Median(raw);
    std::printf("messages %d, %.1f KB each on average, %d runs (medians, seconds)\n",
                raw_first.messages,
                raw_first.messages ? raw_first.bytes / 1024.0 / raw_first.messages : 0.0, runs);
    std::printf("TIdPOP3 into TIdMessage  %.3f s  %6.0f msg/s\n", c, raw_first.messages / c);
    const double l = Median(lines_only);
    std::printf("TIdPOP3 lines only       %.3f s  %6.0f msg/s\n", l, raw_first.messages / l);
    std::printf("raw socket loop          %.3f s  %6.0f msg/s\n", r, raw_first.messages / r);
    if (!fetchmail.empty()) {
      const double f = Median(fetchmail);
      std::printf("fetchmail (/dev/null)    %.3f s  %6.0f msg/s\n", f, raw_first.messages / f);
      std::printf("ratio TIdPOP3 / raw       %.2f\n", c / r);
      std::printf("ratio fetchmail / TIdPOP3 %.2f\n", f / c);
    } else {
      std::printf("ratio TIdPOP3 / raw       %.2f\n", c / r);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pop3_download_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
