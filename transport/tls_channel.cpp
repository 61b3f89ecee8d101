// The TLS channel: an OpenSSL client session whose records travel through the inner byte
// channel by way of a small custom BIO, so TLS works over a socket and over test channels alike.
#include "transport/tls_channel.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <utility>

#include "transport/exceptions.h"
#include "transport/posix_channel.h"
#include "transport/tls_errors.h"

namespace transport {

struct TlsChannel::Session {
  std::unique_ptr<ByteChannel> inner;
  int timeout_ms = -1;
  SSL_CTX* context = nullptr;
  SSL* ssl = nullptr;
  // What the inner channel reported last; the TLS layer only sees "no bytes".
  int inner_error = 0;
  bool inner_eof = false;
  bool timed_out = false;
  bool shut_down = false;
  bool closed = false;

  ~Session() {
    if (ssl != nullptr) SSL_free(ssl);  // frees the BIO too
    if (context != nullptr) SSL_CTX_free(context);
    if (inner) inner->Close();
  }
};

namespace {

using Session = TlsChannel::Session;

int BioRead(BIO* bio, char* data, size_t size, size_t* read_bytes) {
  auto* session = static_cast<Session*>(BIO_get_data(bio));
  BIO_clear_retry_flags(bio);
  *read_bytes = 0;
  // A server that stops in the middle of a record must not block the program for ever.
  if (!session->inner->WaitReadable(session->timeout_ms)) {
    session->timed_out = true;
    return 0;
  }
  ChannelResult result = session->inner->Receive(data, size);
  if (result.failed()) {
    session->inner_error = result.error;
    return 0;
  }
  if (result.count == 0) {
    session->inner_eof = true;
    return 0;
  }
  *read_bytes = static_cast<size_t>(result.count);
  return 1;
}

int BioWrite(BIO* bio, const char* data, size_t size, size_t* written) {
  auto* session = static_cast<Session*>(BIO_get_data(bio));
  BIO_clear_retry_flags(bio);
  *written = 0;
  while (*written < size) {
    ChannelResult result = session->inner->Send(data + *written, size - *written);
    if (result.failed()) {
      session->inner_error = result.error;
      return 0;
    }
    if (result.count == 0) {
      session->inner_eof = true;
      return 0;
    }
    *written += static_cast<size_t>(result.count);
  }
  return 1;
}

long BioControl(BIO* /*bio*/, int command, long /*number*/, void* /*pointer*/) {
  // Writes go straight to the channel, so there is never anything to flush.
  return command == BIO_CTRL_FLUSH ? 1 : 0;
}

int BioCreate(BIO* bio) {
  BIO_set_init(bio, 1);
  return 1;
}

const BIO_METHOD* ChannelBioMethod() {
  static BIO_METHOD* method = [] {
    BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "byte channel");
    BIO_meth_set_read_ex(m, BioRead);
    BIO_meth_set_write_ex(m, BioWrite);
    BIO_meth_set_ctrl(m, BioControl);
    BIO_meth_set_create(m, BioCreate);
    return m;
  }();
  return method;
}

// The first queued OpenSSL error as text (the queue is emptied).
std::string TakeOpenSslError() {
  std::string text;
  while (unsigned long code = ERR_get_error()) {
    if (text.empty()) {
      char buffer[256];
      ERR_error_string_n(code, buffer, sizeof buffer);
      text = buffer;
    }
  }
  return text;
}

std::string HexFingerprint(const unsigned char* digest, unsigned length) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned i = 0; i < length; ++i) {
    if (i > 0) out += ':';
    out += kHex[digest[i] >> 4];
    out += kHex[digest[i] & 15];
  }
  return out;
}

TlsPeerCertificate ReadPeer(SSL* ssl) {
  TlsPeerCertificate peer;
  X509* certificate = SSL_get1_peer_certificate(ssl);
  peer.verify_result = SSL_get_verify_result(ssl);
  peer.verify_text = X509_verify_cert_error_string(peer.verify_result);
  if (certificate == nullptr) return peer;
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned length = 0;
  if (X509_digest(certificate, EVP_sha256(), digest, &length) == 1) {
    peer.present = true;
    peer.fingerprint = HexFingerprint(digest, length);
  }
  X509_free(certificate);
  return peer;
}

}  // namespace

TlsChannel::TlsChannel(std::unique_ptr<ByteChannel> inner, const std::string& host, int timeout_ms)
    : session_(std::make_unique<Session>()) {
  session_->inner = std::move(inner);
  session_->timeout_ms = timeout_ms;
  ERR_clear_error();
  session_->context = SSL_CTX_new(TLS_client_method());
  if (session_->context == nullptr) throw EIdTlsHandshakeError(TakeOpenSslError());
  SSL_CTX_set_min_proto_version(session_->context, TLS1_2_VERSION);
  // The default paths honour SSL_CERT_FILE and SSL_CERT_DIR. Failures are only recorded during
  // the handshake (SSL_VERIFY_NONE); the caller refuses them before anything secret is sent.
  SSL_CTX_set_default_verify_paths(session_->context);
  SSL_CTX_set_verify(session_->context, SSL_VERIFY_NONE, nullptr);
  session_->ssl = SSL_new(session_->context);
  if (session_->ssl == nullptr) throw EIdTlsHandshakeError(TakeOpenSslError());

  if (IsDottedIPv4(host)) {
    X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(session_->ssl), host.c_str());
  } else {
    SSL_set1_host(session_->ssl, host.c_str());
    SSL_set_tlsext_host_name(session_->ssl, host.c_str());
  }
  BIO* bio = BIO_new(ChannelBioMethod());
  if (bio == nullptr) throw EIdTlsHandshakeError(TakeOpenSslError());
  BIO_set_data(bio, session_.get());
  SSL_set_bio(session_->ssl, bio, bio);

  if (SSL_connect(session_->ssl) != 1) {
    std::string reason = TakeOpenSslError();
    if (session_->timed_out) {
      reason = "Read Timeout";
    } else if (session_->inner_error != 0) {
      reason = SocketErrorText(session_->inner_error);
    } else if (session_->inner_eof && reason.empty()) {
      reason = "the server closed the connection";
    }
    session_->shut_down = true;  // no close_notify after a failed handshake
    throw EIdTlsHandshakeError(reason);
  }
  peer_ = ReadPeer(session_->ssl);
}

TlsChannel::~TlsChannel() = default;

std::string TlsChannel::Protocol() const {
  return session_->ssl != nullptr ? SSL_get_version(session_->ssl) : "";
}

bool TlsChannel::WaitReadable(int timeout_ms) {
  session_->timeout_ms = timeout_ms;
  // Decrypted bytes waiting inside the session would never wake a wait on the socket.
  if (SSL_pending(session_->ssl) > 0) return true;
  if (session_->inner_eof || session_->inner_error != 0) return true;
  return session_->inner->WaitReadable(timeout_ms);
}

ChannelResult TlsChannel::Receive(char* buffer, std::size_t size) {
  if (session_->closed) return {-1, kSocketErrorShutdown};
  size_t received = 0;
  session_->timed_out = false;
  if (SSL_read_ex(session_->ssl, buffer, size, &received) == 1) {
    return {static_cast<long>(received), 0};
  }
  int error = SSL_get_error(session_->ssl, 0);
  ERR_clear_error();
  if (error == SSL_ERROR_ZERO_RETURN || session_->inner_eof) return {0, 0};
  if (session_->inner_error != 0) return {-1, session_->inner_error};
  if (session_->timed_out) return {-1, kSocketErrorTimedOut};
  // A record that fails its integrity check: the stream cannot be trusted any further.
  return {-1, kSocketErrorConnAborted};
}

ChannelResult TlsChannel::Send(const char* data, std::size_t size) {
  if (session_->closed) return {-1, kSocketErrorShutdown};
  if (size == 0) return {0, 0};
  size_t written = 0;
  if (SSL_write_ex(session_->ssl, data, size, &written) == 1) {
    return {static_cast<long>(written), 0};
  }
  ERR_clear_error();
  if (session_->inner_error != 0) return {-1, session_->inner_error};
  return {-1, kSocketErrorConnAborted};
}

void TlsChannel::SetSendTimeout(int timeout_ms) { session_->inner->SetSendTimeout(timeout_ms); }

void TlsChannel::ShutdownSend() {
  if (session_->shut_down) return;
  session_->shut_down = true;
  // Tell the server the stream ends here (close_notify); its answer is not waited for.
  if (session_->inner_error == 0 && !session_->inner_eof) SSL_shutdown(session_->ssl);
  ERR_clear_error();
  session_->inner->ShutdownSend();
}

void TlsChannel::Close() {
  if (session_->closed) return;
  if (!session_->shut_down) ShutdownSend();
  session_->closed = true;
  session_->inner->Close();
}

}  // namespace transport
