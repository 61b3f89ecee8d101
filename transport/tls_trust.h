// Certificates the user accepted: when a server's certificate fails the checks, the user may
// accept that one certificate for one account. Its fingerprint is kept in the account's
// directory and from then on exactly that certificate is accepted from that server, and any
// other is refused again.
#pragma once

#include <string>
#include <string_view>

#include "platform/filesystem.h"
#include "platform/ui_services.h"
#include "transport/tls_client.h"

namespace transport {

class CertificatePins {
 public:
  // "Certificates.ini": one line per server, "host:port=FINGERPRINT".
  static constexpr std::string_view kFileName = "Certificates.ini";

  // The pins of the account whose directory (a store path ending with "\") is `account_dir`;
  // an empty directory stands for no account: nothing is pinned and nothing can be.
  CertificatePins(const platform::FileSystem& fs, std::string account_dir)
      : fs_(fs), account_dir_(std::move(account_dir)) {}

  bool CanPin() const { return !account_dir_.empty(); }
  // The fingerprint accepted for the server, or empty.
  std::string Find(const std::string& host, int port) const;
  // Records (or replaces) the fingerprint for the server; the file is rewritten atomically.
  void Pin(const std::string& host, int port, const std::string& fingerprint) const;

 private:
  std::string Path() const { return account_dir_ + std::string(kFileName); }

  const platform::FileSystem& fs_;
  std::string account_dir_;
};

// The question put to the user for a refused certificate (Shift_JIS).
std::string CertificateQuestion(const EIdTlsCertificateError& refusal, const std::string& host,
                                int port);

// Connects `client` accepting the certificate pinned for its server, if any. When the
// certificate is refused and `ui` is given, asks the user whether to accept it for this
// account; on Yes its fingerprint is pinned and the client connects again, accepting exactly
// that certificate. Otherwise (no question, No, or nothing to pin) the refusal propagates and
// nothing was sent to the server. Other failures propagate as Connect raises them.
void ConnectTrusting(TIdTlsTCPClient& client, const CertificatePins& pins, platform::UiServices* ui,
                     int timeout = -1);

}  // namespace transport
