// The scripted server: a loopback listener and a thread that plays the transcript.
#include "transport/testing/scripted_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace transport::testing {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  throw std::invalid_argument("bad hex digit in script");
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    char c = text[++i];
    switch (c) {
      case 'r':
        out += '\r';
        break;
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case '\\':
        out += '\\';
        break;
      case 'x':
        if (i + 2 >= text.size()) throw std::invalid_argument("short \\x escape");
        out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
        i += 2;
        break;
      default:
        throw std::invalid_argument(std::string("unknown escape \\") + c);
    }
  }
  return out;
}

std::string Printable(const std::string& bytes) {
  std::string out;
  for (char c : bytes) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out.size() > 200 ? out.substr(0, 200) + "..." : out;
}

// Waits until `fd` is readable; false after `ms`.
bool WaitReadable(int fd, int ms) {
  pollfd entry{fd, POLLIN, 0};
  int rc;
  do {
    rc = poll(&entry, 1, ms);
  } while (rc < 0 && errno == EINTR);
  return rc > 0;
}

}  // namespace

std::vector<ScriptStep> ParseScript(const std::string& text) {
  std::vector<ScriptStep> steps;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.erase(0, 1);
    if (line.empty() || line[0] == '#') continue;
    if (line == "CLOSE") {
      steps.push_back({ScriptStep::kClose, {}});
    } else if (line == "STALL") {
      steps.push_back({ScriptStep::kStall, {}});
    } else if (line.rfind("S: ", 0) == 0) {
      steps.push_back({ScriptStep::kSend, Unescape(line.substr(3))});
    } else if (line == "C: <DATA>") {
      steps.push_back({ScriptStep::kData, {}});
    } else if (line.rfind("C: ", 0) == 0) {
      steps.push_back({ScriptStep::kExpect, Unescape(line.substr(3))});
    } else {
      throw std::invalid_argument("bad script line: " + line);
    }
  }
  return steps;
}

ScriptedServer::ScriptedServer(std::vector<ScriptStep> steps, int guard_ms)
    : steps_(std::move(steps)), guard_ms_(guard_ms) {
  listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listen_fd_ < 0) throw std::runtime_error("socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listen_fd_, 1) != 0 ||
      getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(listen_fd_);
    throw std::runtime_error("cannot listen on loopback");
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

ScriptedServer::~ScriptedServer() {
  if (thread_.joinable()) thread_.join();
  if (listen_fd_ >= 0) close(listen_fd_);
}

void ScriptedServer::Fail(const std::string& what) {
  if (failures_.empty()) failures_ = what;
}

void ScriptedServer::Serve() {
  if (!WaitReadable(listen_fd_, guard_ms_)) {
    Fail("no client connected");
    return;
  }
  int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) {
    Fail("accept failed");
    return;
  }
  std::string pending;  // received but not yet matched
  // Reads what the client sends within the guard time; false on close or silence.
  auto receive_more = [&]() {
    if (!WaitReadable(fd, guard_ms_)) return false;
    char buffer[65536];
    ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    pending.append(buffer, static_cast<std::size_t>(n));
    received_.append(buffer, static_cast<std::size_t>(n));
    return true;
  };
  std::size_t index = 0;
  bool closed_by_server = false;
  for (; index < steps_.size() && failures_.empty(); ++index) {
    const ScriptStep& step = steps_[index];
    if (step.kind == ScriptStep::kSend) {
      std::size_t sent = 0;
      while (sent < step.bytes.size()) {
        ssize_t n = send(fd, step.bytes.data() + sent, step.bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
      }
      if (sent < step.bytes.size())
        Fail("client went away while the server sent step " + std::to_string(index + 1));
    } else if (step.kind == ScriptStep::kExpect) {
      while (pending.size() < step.bytes.size() &&
             step.bytes.compare(0, pending.size(), pending) == 0) {
        if (!receive_more()) break;
      }
      if (pending.compare(0, step.bytes.size(), step.bytes) != 0) {
        Fail("step " + std::to_string(index + 1) + ": expected \"" + Printable(step.bytes) +
             "\" but the client sent \"" + Printable(pending) + "\"");
        break;
      }
      pending.erase(0, step.bytes.size());
    } else if (step.kind == ScriptStep::kData) {
      static const std::string kEnd = "\r\n.\r\n";
      std::size_t end;
      while ((end = pending.find(kEnd)) == std::string::npos) {
        if (!receive_more()) break;
      }
      if (end == std::string::npos) {
        Fail("step " + std::to_string(index + 1) + ": the message text never ended: \"" +
             Printable(pending) + "\"");
        break;
      }
      data_blocks_.push_back(pending.substr(0, end + 2));
      pending.erase(0, end + kEnd.size());
    } else if (step.kind == ScriptStep::kClose) {
      closed_by_server = true;
      ++index;
      break;
    } else if (step.kind == ScriptStep::kStall) {
      // Silence until the client sends or closes; what it sends is matched by the next steps.
      if (pending.empty()) WaitReadable(fd, guard_ms_);
    }
  }
  if (failures_.empty() && index < steps_.size()) {
    Fail("script unused from step " + std::to_string(index + 1));
  }
  if (!closed_by_server && failures_.empty()) {
    // The client must close without sending anything more.
    while (receive_more()) {
    }
    if (!pending.empty()) Fail("unexpected bytes from the client: \"" + Printable(pending) + "\"");
  }
  close(fd);
}

std::string ScriptedServer::Finish() {
  if (thread_.joinable()) thread_.join();
  return failures_;
}

std::vector<std::string> ScriptedServer::DataBlocks() {
  if (thread_.joinable()) thread_.join();
  return data_blocks_;
}

std::string ScriptedServer::Received() {
  if (thread_.joinable()) thread_.join();
  return received_;
}

}  // namespace transport::testing
