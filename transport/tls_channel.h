// A TLS session (OpenSSL) over any open byte channel, itself a byte channel: the connection,
// POP3 and SMTP read and write through it exactly as through a plain socket.
#pragma once

#include <memory>
#include <string>

#include "transport/byte_channel.h"

namespace transport {

// What the handshake learned about the server's certificate. The chain and the host name are
// checked against the system trust store, but the handshake does not stop on a failure: the
// caller decides (a pinned certificate may be accepted), and can name the reason and the
// fingerprint when it refuses.
struct TlsPeerCertificate {
  bool present = false;
  // Upper-case hex SHA-256 of the DER certificate, bytes separated by ':'.
  std::string fingerprint;
  // X509_V_OK (0) when the chain and the host name verified; an X509_V_ERR_* code otherwise.
  long verify_result = 0;
  // OpenSSL's English text for verify_result.
  std::string verify_text;
};

class TlsChannel : public ByteChannel {
 public:
  // Runs the client handshake over `inner` for `host` (a name is checked against the
  // certificate's names and sent as SNI; a dotted IPv4 address is checked against its IP
  // entries). TLS 1.2 is the oldest version offered. Each wait for the server's bytes is limited
  // to `timeout_ms` (< 0: no limit). Raises EIdTlsHandshakeError when the handshake fails; the
  // inner channel is then closed.
  TlsChannel(std::unique_ptr<ByteChannel> inner, const std::string& host, int timeout_ms);
  ~TlsChannel() override;
  TlsChannel(const TlsChannel&) = delete;
  TlsChannel& operator=(const TlsChannel&) = delete;

  const TlsPeerCertificate& Peer() const { return peer_; }
  // The negotiated protocol, e.g. "TLSv1.3".
  std::string Protocol() const;

  bool WaitReadable(int timeout_ms) override;
  ChannelResult Receive(char* buffer, std::size_t size) override;
  ChannelResult Send(const char* data, std::size_t size) override;
  // The records go out through the inner channel, so its sends carry the time-out.
  void SetSendTimeout(int timeout_ms) override;
  void ShutdownSend() override;
  void Close() override;

  struct Session;  // the OpenSSL objects and the inner channel, kept out of this header

 private:
  std::unique_ptr<Session> session_;
  TlsPeerCertificate peer_;
};

}  // namespace transport
