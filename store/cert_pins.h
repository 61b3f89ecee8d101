// Server certificates the user accepted for one account, one per service: while a service has a
// pinned certificate, only that certificate is accepted for it.
// File: account directory + "Certificate.ini", one "service TAB SHA-256 fingerprint" line each.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "platform/filesystem.h"

namespace store {

inline constexpr std::string_view kCertificatePinFile = "Certificate.ini";
inline constexpr std::string_view kPinServicePop3 = "POP3";
inline constexpr std::string_view kPinServiceSmtp = "SMTP";

// account directory + "Certificate.ini".
std::string CertificatePinPath(std::string_view account_dir);

class CertificatePins {
 public:
  // Reads the file (a missing file pins nothing). Lines that are not "service TAB fingerprint"
  // are skipped.
  void Load(const platform::FileSystem& fs, std::string_view account_dir);
  // Writes the pins atomically, creating the account directory when missing.
  void Save(const platform::FileSystem& fs, std::string_view account_dir) const;

  // The pinned fingerprint of `service`, or an empty text.
  std::string Get(std::string_view service) const;
  void Set(std::string_view service, std::string_view fingerprint);

 private:
  std::map<std::string, std::string, std::less<>> pins_;
};

// Loads, pins `fingerprint` for `service` and saves: what accepting a certificate does.
void PinCertificate(const platform::FileSystem& fs, std::string_view account_dir,
                    std::string_view service, std::string_view fingerprint);

}  // namespace store
