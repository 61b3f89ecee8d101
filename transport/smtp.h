// The SMTP client: TLS (from the first byte or after STARTTLS), greets with EHLO (falling back to
// HELO), authenticates with AUTH LOGIN (or PLAIN when only that is offered) when asked, and hands
// messages over with RSET, MAIL FROM, RCPT TO and DATA.
#pragma once

#include <string>
#include <vector>

#include "transport/tls_client.h"

namespace transport {

class TIdMessage;

enum TIdSMTPAuthenticationType { atNone, atLogin };

class TIdSMTP : public TIdTlsTCPClient {
 public:
  // A silent server ends a command with "Read Timeout" after this long.
  static constexpr int kDefaultReadTimeout = 60000;
  // The port on which TLS starts with the first byte (with Tls.Mode tlsAuto).
  static constexpr int kImplicitTlsPort = 465;

  // Port 25, ReadTimeout kDefaultReadTimeout, maException, EHLO on, no authentication.
  TIdSMTP();

  std::string Username;
  std::string Password;
  // The name sent with EHLO/HELO; empty means the local host name.
  std::string HeloName;
  // Value of an "X-Mailer" header; empty adds none.
  std::string MailAgent;

  TIdSMTPAuthenticationType AuthenticationType() const { return authentication_type_; }
  // atLogin also turns UseEhlo on.
  void SetAuthenticationType(TIdSMTPAuthenticationType type);
  bool UseEhlo() const { return use_ehlo_; }
  // Turning it off also sets the authentication type to atNone.
  void SetUseEhlo(bool use_ehlo);
  // The AUTH mechanisms named in the last EHLO reply, upper case, each once.
  const std::vector<std::string>& AuthSchemesSupported() const { return mechanisms_; }
  // AUTH has succeeded on this connection.
  bool DidAuthenticate() const { return authenticated_; }

  // Connects (TLS first on the implicit port), reads the 220 greeting, sends EHLO (any reply;
  // 250 collects the AUTH mechanisms and the extensions) or HELO (250). When the EHLO reply
  // lists STARTTLS and TLS is not off, upgrades (STARTTLS must answer 220) and greets again; a
  // refused or failing upgrade raises instead of going on in plain text. On a failure after the
  // socket opened, sends QUIT (unless TLS failed), closes and re-raises.
  void Connect(int timeout = -1) override;
  // Sends QUIT when open (reply not read, a failed send ignored), closes, forgets the AUTH.
  void Disconnect() override;
  // RSET; AUTH once per connection when asked for: LOGIN when offered, else PLAIN when offered;
  // MAIL FROM; RCPT TO for To, Cc and Bcc in order; DATA; the message text; ".". Raises
  // EIdProtocolReplyError on a refused step and leaves the connection open.
  void Send(TIdMessage& message);

 private:
  void Greet(const std::string& name);
  void Authenticate();
  void AuthenticatePlain();

  TIdSMTPAuthenticationType authentication_type_ = atNone;
  bool use_ehlo_ = true;
  bool authenticated_ = false;
  std::vector<std::string> mechanisms_;
  bool starttls_offered_ = false;
};

}  // namespace transport
