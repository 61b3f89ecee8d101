// When a mail client speaks TLS, and the one step that turns an open connection into a TLS one
// whose certificate passed the checks.
#pragma once

#include <string>

#include "transport/tcp_connection.h"
#include "transport/tls_channel.h"
#include "transport/tls_errors.h"

namespace transport {

enum TIdTlsMode {
  tlsAuto,      // the port chooses: the protocol's TLS port from the first byte, else tlsExplicit
  tlsNone,      // plain text, never upgraded
  tlsImplicit,  // TLS from the first byte
  tlsExplicit,  // upgrade (STLS / STARTTLS) when the server offers it, else plain text
};

struct TIdTlsOptions {
  TIdTlsMode Mode = tlsAuto;
  // The fingerprint (SHA-256, as in TlsPeerCertificate) of a certificate the user accepted for
  // this server. When set, exactly that certificate is accepted and any other refused.
  std::string PinnedFingerprint;
};

// The mode after tlsAuto was resolved against the connection's port.
TIdTlsMode EffectiveTlsMode(const TIdTlsOptions& options, int port, int implicit_port);

// Runs the TLS handshake over the connection's open channel and checks the certificate against
// the trust store and `host`, or against options.PinnedFingerprint when set. Bytes the server
// sent ahead of the handshake are refused (they would pass for protected text). On any failure
// the socket is closed before any command is sent, so a later Disconnect sends no QUIT, and
// EIdTlsHandshakeError or EIdTlsCertificateError is raised. Answers the accepted certificate.
TlsPeerCertificate StartTls(TIdTCPConnection& connection, const std::string& host,
                            const TIdTlsOptions& options);

// The refusal for a verified certificate, or nothing (kOther with accepted = true) when it is
// acceptable. Kept apart from the handshake so the decision can be tested on its own.
struct TlsVerdict {
  bool accepted = false;
  TlsRefusal refusal = TlsRefusal::kOther;
};
TlsVerdict JudgeCertificate(const TlsPeerCertificate& peer, const std::string& pinned);

// A client that can run its conversation over TLS: the options, and what the current connection
// negotiated. The protocol clients decide when the handshake happens.
class TIdTlsTCPClient : public TIdTCPClient {
 public:
  TIdTlsOptions Tls;

  // The current connection runs over TLS.
  bool UsingTls() const { return using_tls_; }
  // The certificate accepted on the current (or last) TLS connection.
  const TlsPeerCertificate& PeerCertificate() const { return peer_; }

  // Closes the connection and forgets its TLS state.
  void Disconnect() override;

 protected:
  // StartTls for Host with the options; marks the connection as TLS.
  void StartTlsSession();

 private:
  bool using_tls_ = false;
  TlsPeerCertificate peer_;
};

}  // namespace transport
