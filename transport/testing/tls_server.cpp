// The loopback TLS test server: one client, OpenSSL on a plain socket, canned replies.
#include "transport/testing/tls_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <stdexcept>

namespace transport::testing {

TlsTestServer::TlsTestServer(const std::string& cert_file, const std::string& key_file,
                             std::string greeting, std::vector<std::string> replies, int guard_ms)
    : cert_file_(cert_file),
      key_file_(key_file),
      greeting_(std::move(greeting)),
      replies_(std::move(replies)),
      guard_ms_(guard_ms) {
  // The server writes with plain write(2) under OpenSSL; a client that closed first must end
  // the session with EPIPE instead of killing the test process.
  signal(SIGPIPE, SIG_IGN);
  listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listen_fd_ < 0) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listen_fd_, 1) != 0 ||
      getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(listen_fd_);
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

TlsTestServer::~TlsTestServer() {
  if (thread_.joinable()) thread_.join();
  if (listen_fd_ >= 0) close(listen_fd_);
}

std::string TlsTestServer::Finish() {
  if (thread_.joinable()) thread_.join();
  return received_;
}

bool TlsTestServer::HandshakeCompleted() {
  if (thread_.joinable()) thread_.join();
  return handshake_completed_;
}

void TlsTestServer::Serve() {
  pollfd entry{listen_fd_, POLLIN, 0};
  if (poll(&entry, 1, guard_ms_) <= 0) return;
  int fd = accept(listen_fd_, nullptr, nullptr);
  if (fd < 0) return;
  // Bounded blocking reads and writes: a client that hangs cannot hang the test.
  timeval guard{guard_ms_ / 1000, (guard_ms_ % 1000) * 1000};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &guard, sizeof guard);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &guard, sizeof guard);

  SSL_CTX* context = SSL_CTX_new(TLS_server_method());
  SSL* ssl = nullptr;
  if (context != nullptr && SSL_CTX_use_certificate_chain_file(context, cert_file_.c_str()) == 1 &&
      SSL_CTX_use_PrivateKey_file(context, key_file_.c_str(), SSL_FILETYPE_PEM) == 1) {
    ssl = SSL_new(context);
  }
  if (ssl != nullptr) {
    SSL_set_fd(ssl, fd);
    if (SSL_accept(ssl) == 1) {
      handshake_completed_ = true;
      std::size_t next_reply = 0;
      std::string line;
      bool open = SSL_write(ssl, greeting_.data(), static_cast<int>(greeting_.size())) > 0;
      char buffer[4096];
      while (open) {
        int n = SSL_read(ssl, buffer, sizeof buffer);
        if (n <= 0) break;
        received_.append(buffer, static_cast<std::size_t>(n));
        line.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; open && (end = line.find('\n')) != std::string::npos;) {
          line.erase(0, end + 1);
          if (next_reply < replies_.size()) {
            const std::string& reply = replies_[next_reply++];
            if (!reply.empty()) {
              open = SSL_write(ssl, reply.data(), static_cast<int>(reply.size())) > 0;
            }
          }
        }
      }
      SSL_shutdown(ssl);
    }
    SSL_free(ssl);
  }
  ERR_clear_error();
  if (context != nullptr) SSL_CTX_free(context);
  close(fd);
}

}  // namespace transport::testing
