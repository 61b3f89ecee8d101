// Accepting a refused certificate for one account.
#include "transport/tls_trust.h"

#include <vector>

#include "platform/codepage.h"

namespace transport {
namespace {

std::string ServerName(const std::string& host, int port) {
  return host + ":" + std::to_string(port);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

}  // namespace

std::string CertificatePins::Find(const std::string& host, int port) const {
  if (!CanPin()) return {};
  const std::string prefix = ServerName(host, port) + "=";
  for (const std::string& line : Lines(fs_.ReadFile(Path()).value_or(""))) {
    if (line.starts_with(prefix)) return line.substr(prefix.size());
  }
  return {};
}

void CertificatePins::Pin(const std::string& host, int port, const std::string& fingerprint) const {
  if (!CanPin()) throw platform::FileError("no account directory to keep the certificate in");
  const std::string prefix = ServerName(host, port) + "=";
  std::string text;
  for (const std::string& line : Lines(fs_.ReadFile(Path()).value_or(""))) {
    if (!line.starts_with(prefix)) text += line + "\r\n";
  }
  text += prefix + fingerprint + "\r\n";
  if (!fs_.DirectoryExists(account_dir_)) fs_.ForceDirectories(account_dir_);
  fs_.WriteFileAtomic(Path(), text);
}

std::string CertificateQuestion(const EIdTlsCertificateError& refusal, const std::string& host,
                                int port) {
  std::string text = platform::Sjis("サーバー ") + ServerName(host, port) +
                     platform::Sjis(" の証明書を検証できませんでした。") + "\r\n" +
                     platform::Sjis("理由: ") + refusal.Reason() + "\r\n" +
                     platform::Sjis("証明書の SHA-256 フィンガープリント: ") +
                     refusal.Fingerprint() + "\r\n\r\n";
  if (refusal.Refusal() == TlsRefusal::kPinMismatch) {
    text +=
        platform::Sjis("以前に受け入れた証明書から変わっています。なりすましの可能性があります。") +
        "\r\n";
  }
  text += platform::Sjis(
              "フィンガープリントがメール事業者の公表するものと一致することを確かめた場合に限り、"
              "この証明書をこのアカウントで受け入れてください。") +
          "\r\n" +
          platform::Sjis(
              "受け入れると、以後このサーバーではこの証明書だけを受け入れます。受け入れますか？");
  return text;
}

void ConnectTrusting(TIdTlsTCPClient& client, const CertificatePins& pins, platform::UiServices* ui,
                     int timeout) {
  client.Tls.PinnedFingerprint = pins.Find(client.Host, client.Port);
  try {
    client.Connect(timeout);
    return;
  } catch (const EIdTlsCertificateError& refusal) {
    if (ui == nullptr || !pins.CanPin() || refusal.Fingerprint().empty()) throw;
    if (ui->AskWarning(CertificateQuestion(refusal, client.Host, client.Port)) !=
        platform::Answer::kYes) {
      throw;
    }
    pins.Pin(client.Host, client.Port, refusal.Fingerprint());
    client.Tls.PinnedFingerprint = refusal.Fingerprint();
  }
  // The server may present yet another certificate now: that one is refused like any other.
  client.Connect(timeout);
}

}  // namespace transport
