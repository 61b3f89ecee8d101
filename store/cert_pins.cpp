// Reading and writing the accepted certificates of an account.
#include "store/cert_pins.h"

#include <optional>

#include "store/record.h"

namespace store {

std::string CertificatePinPath(std::string_view account_dir) {
  return std::string(account_dir) + std::string(kCertificatePinFile);
}

void CertificatePins::Load(const platform::FileSystem& fs, std::string_view account_dir) {
  pins_.clear();
  std::optional<std::string> text = fs.ReadFile(CertificatePinPath(account_dir));
  if (!text) return;
  for (const std::string& line : SplitLines(*text)) {
    std::size_t tab = line.find('\t');
    if (tab == std::string::npos || tab == 0 || tab + 1 == line.size()) continue;
    pins_[line.substr(0, tab)] = line.substr(tab + 1);
  }
}

void CertificatePins::Save(const platform::FileSystem& fs, std::string_view account_dir) const {
  std::string text;
  for (const auto& [service, fingerprint] : pins_) {
    text += service + "\t" + fingerprint + "\r\n";
  }
  fs.ForceDirectories(account_dir);
  fs.WriteFileAtomic(CertificatePinPath(account_dir), text);
}

std::string CertificatePins::Get(std::string_view service) const {
  auto it = pins_.find(service);
  return it == pins_.end() ? std::string() : it->second;
}

void CertificatePins::Set(std::string_view service, std::string_view fingerprint) {
  pins_[std::string(service)] = std::string(fingerprint);
}

void PinCertificate(const platform::FileSystem& fs, std::string_view account_dir,
                    std::string_view service, std::string_view fingerprint) {
  CertificatePins pins;
  pins.Load(fs, account_dir);
  pins.Set(service, fingerprint);
  pins.Save(fs, account_dir);
}

}  // namespace store
