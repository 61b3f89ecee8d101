// TLS mode resolution, the certificate decision and the upgrade of an open connection.
#include "transport/tls_client.h"

#include <openssl/x509_vfy.h>

#include <memory>
#include <utility>

#include "transport/tls_errors.h"

namespace transport {

TIdTlsMode EffectiveTlsMode(const TIdTlsOptions& options, int port, int implicit_port) {
  if (options.Mode != tlsAuto) return options.Mode;
  return port == implicit_port ? tlsImplicit : tlsExplicit;
}

TlsVerdict JudgeCertificate(const TlsPeerCertificate& peer, const std::string& pinned) {
  if (!peer.present) return {false, TlsRefusal::kNoCertificate};
  if (!pinned.empty()) {
    // The user vouched for this one certificate; trust-store results do not matter for it, and
    // nothing else is good enough for this account any more.
    if (peer.fingerprint == pinned) return {true, TlsRefusal::kOther};
    return {false, TlsRefusal::kPinMismatch};
  }
  switch (peer.verify_result) {
    case X509_V_OK:
      return {true, TlsRefusal::kOther};
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
      return {false, TlsRefusal::kHostMismatch};
    case X509_V_ERR_CERT_HAS_EXPIRED:
      return {false, TlsRefusal::kExpired};
    case X509_V_ERR_CERT_NOT_YET_VALID:
      return {false, TlsRefusal::kNotYetValid};
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
      return {false, TlsRefusal::kSelfSigned};
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
      return {false, TlsRefusal::kUntrustedIssuer};
    default:
      return {false, TlsRefusal::kOther};
  }
}

TlsPeerCertificate StartTls(TIdTCPConnection& connection, const std::string& host,
                            const TIdTlsOptions& options) {
  TIdIOHandlerSocket* handler = connection.IOHandler();
  if (handler == nullptr || !handler->Connected()) throw EIdNotConnected();
  if (!connection.InputBuffer().empty()) {
    handler->Close();
    throw EIdTlsHandshakeError("the server sent data before the handshake");
  }
  const int timeout = connection.ReadTimeout > 0 ? connection.ReadTimeout : -1;
  TlsChannel* tls = nullptr;
  try {
    handler->Binding().Wrap([&](std::unique_ptr<ByteChannel> plain) {
      auto channel = std::make_unique<TlsChannel>(std::move(plain), host, timeout);
      tls = channel.get();
      return channel;
    });
  } catch (...) {
    handler->Close();
    throw;
  }
  TlsPeerCertificate peer = tls->Peer();
  TlsVerdict verdict = JudgeCertificate(peer, options.PinnedFingerprint);
  if (!verdict.accepted) {
    handler->Close();
    throw EIdTlsCertificateError(verdict.refusal, peer.fingerprint, peer.verify_text);
  }
  return peer;
}

void TIdTlsTCPClient::StartTlsSession() {
  using_tls_ = false;
  peer_ = StartTls(*this, Host, Tls);
  using_tls_ = true;
}

void TIdTlsTCPClient::Disconnect() {
  TIdTCPClient::Disconnect();
  using_tls_ = false;
}

}  // namespace transport
