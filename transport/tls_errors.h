// Failures of a TLS connection: a handshake that did not complete, and a server certificate
// that was refused. Both belong to the transport's exception family.
#pragma once

#include <string>

#include "transport/exceptions.h"

namespace transport {

// The handshake failed (no common protocol version, a broken or plain-text answer, a server
// that closed or went silent). Message: "TLS handshake failed: " + the reason.
class EIdTlsHandshakeError : public EIdException {
 public:
  explicit EIdTlsHandshakeError(const std::string& reason);
};

// Why a server certificate was refused.
enum class TlsRefusal {
  kNoCertificate,    // the server sent none
  kHostMismatch,     // issued for another host name
  kExpired,          // past its end date
  kNotYetValid,      // before its start date
  kSelfSigned,       // signed by itself (or a chain ending in an unknown self-signed root)
  kUntrustedIssuer,  // issuer not in the trust store
  kPinMismatch,      // differs from the certificate the user accepted for this account
  kOther,            // any other verification failure
};

// The server's certificate was refused; nothing was sent over the connection. The message is
// the Japanese text (Shift_JIS) the user sees: what happened, the reason and the certificate's
// SHA-256 fingerprint, so the user can compare it with the one the provider publishes.
class EIdTlsCertificateError : public EIdException {
 public:
  EIdTlsCertificateError(TlsRefusal refusal, const std::string& fingerprint,
                         const std::string& detail);
  TlsRefusal Refusal() const { return refusal_; }
  // Upper-case hex bytes separated by ':'; empty when the server sent no certificate.
  const std::string& Fingerprint() const { return fingerprint_; }
  // The Japanese reason alone (TlsRefusalText).
  const std::string& Reason() const { return reason_; }

 private:
  TlsRefusal refusal_;
  std::string fingerprint_;
  std::string reason_;
};

// The Japanese reason (Shift_JIS) for a refusal; `detail` (OpenSSL's English text) is added
// for kOther.
std::string TlsRefusalText(TlsRefusal refusal, const std::string& detail);

}  // namespace transport
