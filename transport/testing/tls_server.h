// A loopback TLS server for tests: accepts one client, completes the handshake with a given
// certificate, sends a greeting, answers each line the client sends with the next canned reply
// and records every decrypted byte, so a test can prove what did (or did not) cross the wire.
#pragma once

#include <string>
#include <thread>
#include <vector>

namespace transport::testing {

class TlsTestServer {
 public:
  // Listens on 127.0.0.1 at a port the system picks. `replies[i]` answers the i-th line the
  // client sends (an empty reply answers nothing); lines after the last reply get no answer.
  // Every wait gives up after `guard_ms`.
  TlsTestServer(const std::string& cert_file, const std::string& key_file, std::string greeting,
                std::vector<std::string> replies, int guard_ms = 10000);
  ~TlsTestServer();
  TlsTestServer(const TlsTestServer&) = delete;
  TlsTestServer& operator=(const TlsTestServer&) = delete;

  int Port() const { return port_; }
  // Waits for the client to close and answers everything it sent after the handshake.
  std::string Finish();
  // The handshake completed (the client may still have refused the certificate afterwards).
  bool HandshakeCompleted();

 private:
  void Serve();

  std::string cert_file_;
  std::string key_file_;
  std::string greeting_;
  std::vector<std::string> replies_;
  int guard_ms_;
  int listen_fd_ = -1;
  int port_ = 0;
  std::string received_;
  bool handshake_completed_ = false;
  std::thread thread_;
};

}  // namespace transport::testing
