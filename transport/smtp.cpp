// The SMTP client.
#include "transport/smtp.h"

#include <algorithm>
#include <cctype>

#include "jtext/base64.h"
#include "transport/message.h"
#include "transport/mime_writer.h"
#include "transport/posix_channel.h"

namespace transport {
namespace {

// Adds the mechanism words of one EHLO line ("AUTH LOGIN PLAIN", "AUTH=LOGIN") to `out`.
void CollectMechanisms(std::string line, std::vector<std::string>& out) {
  std::transform(line.begin(), line.end(), line.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (line.rfind("AUTH ", 0) != 0 && line.rfind("AUTH=", 0) != 0) return;
  std::string rest = line.substr(4);
  std::replace(rest.begin(), rest.end(), '=', ' ');
  std::size_t pos = 0;
  while (pos < rest.size()) {
    std::size_t start = rest.find_first_not_of(' ', pos);
    if (start == std::string::npos) break;
    std::size_t end = rest.find(' ', start);
    if (end == std::string::npos) end = rest.size();
    std::string word = rest.substr(start, end - start);
    if (std::find(out.begin(), out.end(), word) == out.end()) out.push_back(word);
    pos = end;
  }
}

std::string UpperFirstWord(const std::string& line) {
  std::string word = line.substr(0, line.find(' '));
  std::transform(word.begin(), word.end(), word.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return word;
}

void SendRecipients(TIdSMTP& smtp, const TIdEMailAddressList& list) {
  for (std::size_t i = 0; i < list.Count(); ++i) {
    smtp.SendCommand("RCPT TO:<" + list[i].Address + ">", {250, 251});
  }
}

}  // namespace

TIdSMTP::TIdSMTP() {
  Port = 25;
  ReadTimeout = kDefaultReadTimeout;
  MaxLineAction = maException;
}

void TIdSMTP::SetAuthenticationType(TIdSMTPAuthenticationType type) {
  authentication_type_ = type;
  if (type == atLogin) use_ehlo_ = true;
}

void TIdSMTP::SetUseEhlo(bool use_ehlo) {
  use_ehlo_ = use_ehlo;
  if (!use_ehlo) authentication_type_ = atNone;
}

void TIdSMTP::Greet(const std::string& name) {
  mechanisms_.clear();
  starttls_offered_ = false;
  if (use_ehlo_ && SendCommand("EHLO " + name) == 250) {
    for (const std::string& line : LastReply().Text) {
      CollectMechanisms(line, mechanisms_);
      if (UpperFirstWord(line) == "STARTTLS") starttls_offered_ = true;
    }
    return;
  }
  SendCommand("HELO " + name, {250});
}

void TIdSMTP::Connect(int timeout) {
  TIdTCPClient::Connect(timeout);
  try {
    const TIdTlsMode mode = EffectiveTlsMode(Tls, Port, kImplicitTlsPort);
    if (mode == tlsImplicit) StartTlsSession();
    ReadReply();
    CheckReply(LastReply().NumericCode(), {220});
    const std::string name = HeloName.empty() ? LocalHostName() : HeloName;
    Greet(name);
    if (mode == tlsExplicit && starttls_offered_) {
      SendCommand("STARTTLS", {220});
      StartTlsSession();
      // The extensions seen before the upgrade may have been forged on the way: ask again.
      Greet(name);
    }
  } catch (...) {
    Disconnect();
    throw;
  }
}

void TIdSMTP::Disconnect() {
  if (IsConnected()) {
    try {
      WriteLine("QUIT");
    } catch (const EIdException&) {
      // The server is gone already; closing is all that is left to do.
    }
  }
  TIdTlsTCPClient::Disconnect();
  authenticated_ = false;
}

void TIdSMTP::Authenticate() {
  SendCommand("AUTH LOGIN", {334});
  SendCommand(jtext::Base64Encode(Username), {334});
  SendCommand(jtext::Base64Encode(Password), {235});
  authenticated_ = true;
}

void TIdSMTP::AuthenticatePlain() {
  // The initial response: authorisation identity (empty), user name and password, NUL-separated.
  std::string response;
  response += '\0';
  response += Username;
  response += '\0';
  response += Password;
  SendCommand("AUTH PLAIN " + jtext::Base64Encode(response), {235});
  authenticated_ = true;
}

void TIdSMTP::Send(TIdMessage& message) {
  SendCommand("RSET");
  if (authentication_type_ == atLogin && !authenticated_) {
    auto offered = [&](const char* name) {
      return std::find(mechanisms_.begin(), mechanisms_.end(), name) != mechanisms_.end();
    };
    // Submission servers often offer PLAIN alone; LOGIN stays first where both exist.
    if (offered("LOGIN")) {
      Authenticate();
    } else if (offered("PLAIN")) {
      AuthenticatePlain();
    }
  }
  SendCommand("MAIL FROM:<" + message.From.Address + ">", {250});
  SendRecipients(*this, message.Recipients);
  SendRecipients(*this, message.CCList);
  SendRecipients(*this, message.BccList);
  SendCommand("DATA", {354});
  message.ExtraHeaders.SetValue("X-Mailer", MailAgent);
  WriteMessage(message, *this);
  SendCommand(".", {250});
}

}  // namespace transport
