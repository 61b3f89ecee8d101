// POSIX sockets: creation, binding, resolving, connecting, waiting, receiving and sending.
#include "transport/posix_channel.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <utility>

#include "transport/exceptions.h"

namespace transport {
namespace {

sockaddr_in MakeAddress(const std::string& ip, int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (ip.empty()) {
    address.sin_addr.s_addr = htonl(INADDR_ANY);
  } else if (inet_pton(AF_INET, ip.c_str(), &address.sin_addr) != 1) {
    throw EIdSocketError(kSocketErrorInvalid);
  }
  return address;
}

}  // namespace

int SocketErrorFromErrno(int system_error) {
  static const std::pair<int, int> kMap[] = {
      {EINTR, 10004},           {EBADF, 10009},           {EACCES, 10013},
      {EFAULT, 10014},          {EINVAL, 10022},          {EMFILE, 10024},
      {ENFILE, 10024},          {EAGAIN, 10035},          {EINPROGRESS, 10036},
      {EALREADY, 10037},        {ENOTSOCK, 10038},        {EDESTADDRREQ, 10039},
      {EMSGSIZE, 10040},        {EPROTOTYPE, 10041},      {ENOPROTOOPT, 10042},
      {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044}, {EOPNOTSUPP, 10045},
      {EPFNOSUPPORT, 10046},    {EAFNOSUPPORT, 10047},    {EADDRINUSE, 10048},
      {EADDRNOTAVAIL, 10049},   {ENETDOWN, 10050},        {ENETUNREACH, 10051},
      {ENETRESET, 10052},       {ECONNABORTED, 10053},    {ECONNRESET, 10054},
      {ENOBUFS, 10055},         {ENOMEM, 10055},          {EISCONN, 10056},
      {ENOTCONN, 10057},        {ESHUTDOWN, 10058},       {EPIPE, 10058},
      {ETOOMANYREFS, 10059},    {ETIMEDOUT, 10060},       {ECONNREFUSED, 10061},
      {ELOOP, 10062},           {ENAMETOOLONG, 10063},    {EHOSTDOWN, 10064},
      {EHOSTUNREACH, 10065},    {ENOTEMPTY, 10066},
  };
  for (const auto& [from, to] : kMap) {
    if (from == system_error) return to;
  }
  return system_error;
}

bool IsDottedIPv4(const std::string& text) {
  int dots = 0;
  for (char c : text) {
    if (c == '.') {
      ++dots;
    } else if (c < '0' || c > '9') {
      return false;
    }
  }
  in_addr parsed{};
  return dots == 3 && inet_pton(AF_INET, text.c_str(), &parsed) == 1;
}

std::string ResolveIPv4(const std::string& host) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* result = nullptr;
  int rc = getaddrinfo(host.c_str(), nullptr, &hints, &result);
  if (rc != 0 || result == nullptr) {
    if (rc == EAI_SYSTEM) throw EIdSocketError(SocketErrorFromErrno(errno));
    throw EIdSocketError(kSocketErrorHostNotFound);
  }
  char text[INET_ADDRSTRLEN] = {};
  const auto* address = reinterpret_cast<const sockaddr_in*>(result->ai_addr);
  inet_ntop(AF_INET, &address->sin_addr, text, sizeof text);
  freeaddrinfo(result);
  return text;
}

std::string LocalHostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
  return name;
}

PosixChannel::PosixChannel() {
  fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd_ < 0) throw EIdInvalidSocket();
}

PosixChannel::~PosixChannel() { Close(); }

void PosixChannel::Bind(const std::string& ip, int port) {
  if (ip.empty() && port == 0) return;  // the system picks both at connect time
  sockaddr_in address = MakeAddress(ip, port);
  if (bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    throw EIdSocketError(SocketErrorFromErrno(errno));
  }
}

void PosixChannel::SetNoDelay(bool no_delay) {
  int value = no_delay ? 1 : 0;
  if (setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &value, sizeof value) != 0) {
    throw EIdSocketError(SocketErrorFromErrno(errno));
  }
}

void PosixChannel::Connect(const std::string& ip, int port) {
  sockaddr_in address = MakeAddress(ip, port);
  int rc;
  do {
    rc = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) throw EIdSocketError(SocketErrorFromErrno(errno));
}

bool PosixChannel::WaitReadable(int timeout_ms) {
  // poll instead of select: no limit on descriptor numbers. A signal does not shorten the wait.
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms);
  for (;;) {
    int wait = -1;
    if (timeout_ms >= 0) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      wait = left.count() < 0 ? 0 : static_cast<int>(left.count());
    }
    pollfd entry{fd_, POLLIN, 0};
    int rc = poll(&entry, 1, wait);
    if (rc > 0) return true;
    if (rc == 0) return false;
    if (errno != EINTR) return true;  // let the receive report the error
  }
}

ChannelResult PosixChannel::Receive(char* buffer, std::size_t size) {
  for (;;) {
    ssize_t n = recv(fd_, buffer, size, 0);
    if (n >= 0) return {static_cast<long>(n), 0};
    if (errno != EINTR) return {-1, SocketErrorFromErrno(errno)};
  }
}

ChannelResult PosixChannel::Send(const char* data, std::size_t size) {
  // A blocking send waits for as long as the peer does not read; a server that stops reading
  // in the middle of DATA would freeze the window for ever. So the send never blocks, and the
  // wait for room is a poll bounded by the time-out.
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(send_timeout_ms_);
  for (;;) {
    ssize_t n = send(fd_, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n >= 0) return {static_cast<long>(n), 0};
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return {-1, SocketErrorFromErrno(errno)};
    int wait = -1;
    if (send_timeout_ms_ > 0) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return {-1, SocketErrorFromErrno(ETIMEDOUT)};
      wait = static_cast<int>(left.count());
    }
    pollfd entry{fd_, POLLOUT, 0};
    if (poll(&entry, 1, wait) == 0) return {-1, SocketErrorFromErrno(ETIMEDOUT)};
  }
}

void PosixChannel::ShutdownSend() {
  if (fd_ >= 0) shutdown(fd_, SHUT_WR);
}

void PosixChannel::Close() {
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
}

}  // namespace transport
