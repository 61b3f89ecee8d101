// The POP3 client.
#include "transport/pop3.h"

#include <cctype>

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
  TIdTCPClient::Connect(timeout);
  try {
    CheckReply(ReadReply(), {kOk});
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
  TIdTCPClient::Disconnect();
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
  std::string line = FirstTextLine(LastReply());
  if (line.empty()) return -1;
  std::size_t space = line.find(' ');
  std::string rest = space == std::string::npos ? std::string() : line.substr(space + 1);
  try {
    int size = StrToInt(rest.substr(0, rest.find(' ')));
    return size < 0 ? -1 : size;  // a size below zero is no size either
  } catch (const EConvertError&) {
    return -1;
  }
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
