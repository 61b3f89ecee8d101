// The POP3 client.
#include "transport/pop3.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "transport/rfc_reply.h"

namespace transport {
namespace {

bool SameIgnoringCase(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return i == a.size() && b[i] == '\0';
}

std::string FirstTextLine(const TIdRFCReply& reply) {
  return reply.Text.empty() ? std::string() : reply.Text.front();
}

std::string UpperFirstWord(const std::string& line) {
  std::string word = line.substr(0, line.find(' '));
  std::transform(word.begin(), word.end(), word.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return word;
}

// "n uid" with n a positive number and uid 1 to 70 printable ASCII characters; anything else
// could not be written into the id file safely and is left out.
bool ParseUidlLine(const std::string& line, TIdUidlEntry& entry) {
  std::size_t space = line.find(' ');
  if (space == 0 || space == std::string::npos) return false;
  try {
    entry.Number = StrToInt(line.substr(0, space));
  } catch (const EConvertError&) {
    return false;
  }
  entry.Uid = line.substr(space + 1);
  if (entry.Number <= 0 || entry.Uid.empty() || entry.Uid.size() > 70) return false;
  return std::all_of(entry.Uid.begin(), entry.Uid.end(),
                     [](unsigned char c) { return c > 0x20 && c < 0x7F; });
}

// "n size": the number (0 when it is none) and the size in octets (-1 when it is none; a size
// below zero is no size either).
std::pair<int, int> ParseListLine(const std::string& line) {
  std::size_t space = line.find(' ');
  int number = 0;
  try {
    number = StrToInt(line.substr(0, space));
  } catch (const EConvertError&) {
    number = 0;
  }
  if (line.empty() || space == std::string::npos) return {number, -1};
  std::string rest = line.substr(space + 1);
  try {
    int size = StrToInt(rest.substr(0, rest.find(' ')));
    return {number, size < 0 ? -1 : size};
  } catch (const EConvertError&) {
    return {number, -1};
  }
}

}  // namespace

TIdPOP3::TIdPOP3() {
  Port = 110;
  ReadTimeout = kDefaultReadTimeout;
  MaxLineAction = maException;
}

int TIdPOP3::ReadReply() {
  TIdTCPConnection::ReadReply();
  TIdRFCReply& reply = LastReply();
  if (SameIgnoringCase(reply.TextCode(), "+OK")) {
    reply.SetNumericCode(kOk);
  } else if (SameIgnoringCase(reply.TextCode(), "-ERR")) {
    reply.SetNumericCode(kErr);
  } else {
    throw EIdException("Unrecognized POP3 Response Header:\n\"" + reply.JoinedText() + "\"");
  }
  return reply.NumericCode();
}

void TIdPOP3::Connect(int timeout) {
  capabilities_.clear();
  capabilities_known_ = false;
  TIdTCPClient::Connect(timeout);
  try {
    const TIdTlsMode mode = EffectiveTlsMode(Tls, Port, kImplicitTlsPort);
    if (mode == tlsImplicit) StartTlsSession();
    CheckReply(ReadReply(), {kOk});
    if (mode != tlsNone) ReadCapabilities();
    if (mode == tlsExplicit && HasCapability("STLS")) {
      SendCommand("STLS", {kOk});
      StartTlsSession();
      // What the server said before the upgrade may have been forged on the way.
      ReadCapabilities();
    }
    SendCommand("USER " + Username, {kOk});
    SendCommand("PASS " + Password, {kOk});
  } catch (...) {
    Disconnect();
    throw;
  }
}

void TIdPOP3::Disconnect() {
  if (IsConnected()) {
    try {
      WriteLine("QUIT");
    } catch (const EIdException&) {
      // The server is gone already; closing is all that is left to do.
    }
  }
  TIdTlsTCPClient::Disconnect();
  capabilities_.clear();
  capabilities_known_ = false;
}

void TIdPOP3::ReadCapabilities() {
  capabilities_.clear();
  capabilities_known_ = false;
  if (SendCommand("CAPA") != kOk) return;
  std::vector<std::string> lines;
  Capture(lines);
  capabilities_known_ = true;
  for (const std::string& line : lines) capabilities_.push_back(UpperFirstWord(line));
}

bool TIdPOP3::HasCapability(const std::string& name) const {
  return std::find(capabilities_.begin(), capabilities_.end(), name) != capabilities_.end();
}

bool TIdPOP3::MaySupport(const std::string& name) const {
  return !capabilities_known_ || HasCapability(name);
}

bool TIdPOP3::ListUniqueIds(std::vector<TIdUidlEntry>& entries) {
  if (SendCommand("UIDL") != kOk) return false;
  std::vector<std::string> lines;
  Capture(lines);
  for (const std::string& line : lines) {
    TIdUidlEntry entry;
    if (ParseUidlLine(line, entry)) entries.push_back(std::move(entry));
  }
  return true;
}

int TIdPOP3::MessageCount() {
  SendCommand("STAT", {kOk});
  std::string line = FirstTextLine(LastReply());
  if (line.empty()) return 0;
  std::size_t space = line.find(' ');
  return StrToInt(space == std::string::npos ? std::string() : line.substr(0, space));
}

int TIdPOP3::MessageSize(int number) {
  SendCommand("LIST " + std::to_string(number), {kOk});
  return ParseListLine(FirstTextLine(LastReply())).second;
}

bool TIdPOP3::ListSizes(int count, std::vector<int>& sizes) {
  sizes.assign(static_cast<std::size_t>(std::max(count, 0)) + 1, -1);
  if (SendCommand("LIST") != kOk) return false;
  std::vector<std::string> lines;
  Capture(lines);
  for (const std::string& line : lines) {
    const auto [number, size] = ParseListLine(line);
    if (number >= 1 && number <= count) sizes[static_cast<std::size_t>(number)] = size;
  }
  return true;
}

bool TIdPOP3::RetrieveRaw(int number, std::vector<std::string>& lines) {
  if (SendCommand("RETR " + std::to_string(number)) != kOk) return false;
  Capture(lines);
  return true;
}

bool TIdPOP3::DeleteMessage(int number) {
  return SendCommand("DELE " + std::to_string(number), {kOk}) == kOk;
}

}  // namespace transport
