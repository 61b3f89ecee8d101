// Messages of the TLS failures.
#include "transport/tls_errors.h"

#include "platform/codepage.h"

namespace transport {

EIdTlsHandshakeError::EIdTlsHandshakeError(const std::string& reason)
    : EIdException("TLS handshake failed: " + reason) {}

std::string TlsRefusalText(TlsRefusal refusal, const std::string& detail) {
  switch (refusal) {
    case TlsRefusal::kNoCertificate:
      return platform::Sjis("サーバーが証明書を提示しませんでした。");
    case TlsRefusal::kHostMismatch:
      return platform::Sjis("証明書のホスト名が接続先のサーバー名と一致しません。");
    case TlsRefusal::kExpired:
      return platform::Sjis("証明書の有効期限が切れています。");
    case TlsRefusal::kNotYetValid:
      return platform::Sjis("証明書の有効期間がまだ始まっていません。");
    case TlsRefusal::kSelfSigned:
      return platform::Sjis("自己署名の証明書で、信頼できる認証局の署名がありません。");
    case TlsRefusal::kUntrustedIssuer:
      return platform::Sjis("証明書の発行者が信頼できる認証局ではありません。");
    case TlsRefusal::kPinMismatch:
      return platform::Sjis("このアカウントで受け入れた証明書と異なる証明書です。");
    case TlsRefusal::kOther:
      break;
  }
  return platform::Sjis("証明書を検証できませんでした (") + detail + ")" + platform::Sjis("。");
}

namespace {

std::string CertificateMessage(TlsRefusal refusal, const std::string& fingerprint,
                               const std::string& detail) {
  std::string text =
      platform::Sjis("サーバーの証明書を受け入れられないため、接続を中止しました。") + "\r\n" +
      platform::Sjis("理由: ") + TlsRefusalText(refusal, detail);
  if (!fingerprint.empty()) {
    text += "\r\n" + platform::Sjis("証明書の SHA-256 フィンガープリント: ") + fingerprint;
  }
  return text;
}

}  // namespace

EIdTlsCertificateError::EIdTlsCertificateError(TlsRefusal refusal, const std::string& fingerprint,
                                               const std::string& detail)
    : EIdException(CertificateMessage(refusal, fingerprint, detail)),
      refusal_(refusal),
      fingerprint_(fingerprint),
      reason_(TlsRefusalText(refusal, detail)) {}

}  // namespace transport
