// TLS of the mail clients against an in-process TLS server and scripted plain servers: which
// certificates are refused (with their reason and fingerprint, before any command is sent),
// pinning, and upgrades that are offered but fail never going on in plain text.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/codepage.h"
#include "transport/pop3.h"
#include "transport/smtp.h"
#include "transport/testing/scripted_server.h"
#include "transport/testing/tls_server.h"
#include "transport/tls_errors.h"

namespace transport {
namespace {

using testing::ScriptedServer;
using testing::TlsTestServer;

const std::string kCerts = YUBINKO_TLS_CERT_DIR;

std::string Pem(const std::string& name) { return kCerts + "/" + name + ".pem"; }
std::string Key(const std::string& name) { return kCerts + "/" + name + ".key"; }

// The fingerprint as the openssl command prints it: an oracle independent of the client.
std::string FingerprintOf(const std::string& name) {
  std::string command = "openssl x509 -noout -fingerprint -sha256 -in " + Pem(name);
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::array<char, 256> line{};
  if (!pipe || fgets(line.data(), line.size(), pipe.get()) == nullptr) return "?";
  std::string text = line.data();
  text = text.substr(text.find('=') + 1);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

class TlsTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("SSL_CERT_FILE", Pem("ca").c_str(), 1); }

  // A POP3 client aimed at `server` with TLS from the first byte.
  static void Aim(TIdPOP3& pop, int port) {
    pop.Host = "127.0.0.1";
    pop.Port = port;
    pop.Username = "alice";
    pop.Password = "secret";
    pop.Tls.Mode = tlsImplicit;
    pop.ReadTimeout = 5000;
  }
};

const std::vector<std::string> kPopLogin = {"+OK\r\nUIDL\r\n.\r\n", "+OK\r\n",
                                            "+OK Logged in.\r\n"};

TEST_F(TlsTest, TrustedCertificateCarriesTheLogin) {
  TlsTestServer server(Pem("server"), Key("server"), "+OK ready\r\n", kPopLogin);
  TIdPOP3 pop;
  Aim(pop, server.Port());
  pop.Connect();
  EXPECT_TRUE(pop.UsingTls());
  EXPECT_TRUE(pop.HasCapability("UIDL"));
  EXPECT_EQ(pop.PeerCertificate().fingerprint, FingerprintOf("server"));
  pop.Disconnect();
  EXPECT_FALSE(pop.UsingTls());
  EXPECT_EQ(server.Finish(), "CAPA\r\nUSER alice\r\nPASS secret\r\nQUIT\r\n");
}

struct BadCertificate {
  const char* name;
  TlsRefusal refusal;
  const char* reason;  // UTF-8 part of the message
};

class TlsRefusedCertificate : public TlsTest,
                              public ::testing::WithParamInterface<BadCertificate> {};

TEST_P(TlsRefusedCertificate, EndsConnectWithReasonAndFingerprintBeforeAnyCommand) {
  const BadCertificate& bad = GetParam();
  TlsTestServer server(Pem(bad.name), Key(bad.name), "+OK ready\r\n", kPopLogin);
  TIdPOP3 pop;
  Aim(pop, server.Port());
  try {
    pop.Connect();
    ADD_FAILURE() << "accepted " << bad.name;
  } catch (const EIdTlsCertificateError& e) {
    EXPECT_EQ(e.Refusal(), bad.refusal);
    EXPECT_EQ(e.Fingerprint(), FingerprintOf(bad.name));
    const std::string message = platform::Cp932ToUtf8(e.Message());
    EXPECT_NE(message.find(bad.reason), std::string::npos) << message;
    EXPECT_NE(message.find(FingerprintOf(bad.name)), std::string::npos) << message;
  }
  EXPECT_FALSE(pop.IsConnected());
  EXPECT_FALSE(pop.UsingTls());
  // Not even QUIT: the user name and password never left the client.
  EXPECT_EQ(server.Finish(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Certificates, TlsRefusedCertificate,
    ::testing::Values(BadCertificate{"otherhost", TlsRefusal::kHostMismatch, "ホスト名"},
                      BadCertificate{"expired", TlsRefusal::kExpired, "有効期限が切れて"},
                      BadCertificate{"selfsigned", TlsRefusal::kSelfSigned, "自己署名"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TlsTest, UnknownAuthorityIsRefusedUntilPinnedAndThenOnlyThatCertificate) {
  // Without the test authority in the trust store even the good certificate is unknown.
  setenv("SSL_CERT_FILE", Pem("selfsigned").c_str(), 1);
  {
    TlsTestServer server(Pem("server"), Key("server"), "+OK ready\r\n", kPopLogin);
    TIdPOP3 pop;
    Aim(pop, server.Port());
    try {
      pop.Connect();
      ADD_FAILURE();
    } catch (const EIdTlsCertificateError& e) {
      EXPECT_EQ(e.Refusal(), TlsRefusal::kUntrustedIssuer);
    }
    EXPECT_EQ(server.Finish(), "");
  }
  {
    TlsTestServer server(Pem("server"), Key("server"), "+OK ready\r\n", kPopLogin);
    TIdPOP3 pop;
    Aim(pop, server.Port());
    pop.Tls.PinnedFingerprint = FingerprintOf("server");
    pop.Connect();
    pop.Disconnect();
    EXPECT_EQ(server.Finish(), "CAPA\r\nUSER alice\r\nPASS secret\r\nQUIT\r\n");
  }
  // A pin excludes every other certificate, even one the trust store would accept.
  setenv("SSL_CERT_FILE", Pem("ca").c_str(), 1);
  {
    TlsTestServer server(Pem("server2"), Key("server2"), "+OK ready\r\n", kPopLogin);
    TIdPOP3 pop;
    Aim(pop, server.Port());
    pop.Tls.PinnedFingerprint = FingerprintOf("server");
    try {
      pop.Connect();
      ADD_FAILURE();
    } catch (const EIdTlsCertificateError& e) {
      EXPECT_EQ(e.Refusal(), TlsRefusal::kPinMismatch);
      EXPECT_EQ(e.Fingerprint(), FingerprintOf("server2"));
    }
    EXPECT_EQ(server.Finish(), "");
  }
}

TEST_F(TlsTest, SmtpImplicitTlsRefusesBeforeTheGreetingIsAnswered) {
  TlsTestServer server(Pem("expired"), Key("expired"), "220 mail ESMTP\r\n", {});
  TIdSMTP smtp;
  smtp.Host = "127.0.0.1";
  smtp.Port = server.Port();
  smtp.Tls.Mode = tlsImplicit;
  smtp.ReadTimeout = 5000;
  EXPECT_THROW(smtp.Connect(), EIdTlsCertificateError);
  EXPECT_EQ(server.Finish(), "");
}

// Upgrades on a plain server that lists STLS / STARTTLS and then does not deliver: the client
// must stop instead of logging in in plain text.
TEST(TlsUpgrade, Pop3StlsOfferedButBrokenNeverFallsBackToPlainText) {
  const char* kCapa = R"(
    S: +OK ready\r\n
    C: CAPA\r\n
    S: +OK\r\nSTLS\r\nUSER\r\n.\r\n
    C: STLS\r\n
  )";
  struct Case {
    const char* name;
    std::string rest;
  };
  const Case cases[] = {
      {"refused", "S: -ERR TLS support isn't enabled.\\r\\n\nC: QUIT\\r\\n\n"},
      {"closed at the handshake", "S: +OK Begin TLS negotiation now.\\r\\n\nCLOSE\n"},
      // Plain bytes right behind the reply would pass for protected text after the handshake.
      {"injected text", "S: +OK Begin TLS\\r\\n+OK Logged in.\\r\\n\nCLOSE\n"},
  };
  for (const Case& c : cases) {
    ScriptedServer server(std::string(kCapa) + c.rest, 3000);
    TIdPOP3 pop;
    pop.Host = "127.0.0.1";
    pop.Port = server.Port();
    pop.Username = "alice";
    pop.Password = "secret";
    pop.ReadTimeout = 3000;
    EXPECT_THROW(pop.Connect(), EIdException) << c.name;
    EXPECT_FALSE(pop.IsConnected()) << c.name;
    server.Finish();
    EXPECT_EQ(server.Received().find("USER"), std::string::npos) << c.name;
    EXPECT_EQ(server.Received().find("secret"), std::string::npos) << c.name;
  }
}

TEST(TlsUpgrade, SmtpStarttlsRefusedEndsConnectWithoutAuth) {
  ScriptedServer server(R"(
    S: 220 mail ESMTP\r\n
    C: EHLO client\r\n
    S: 250-mail\r\n250-STARTTLS\r\n250 AUTH PLAIN LOGIN\r\n
    C: STARTTLS\r\n
    S: 454 4.7.0 TLS not available due to local problem\r\n
    C: QUIT\r\n
  )");
  TIdSMTP smtp;
  smtp.Host = "127.0.0.1";
  smtp.Port = server.Port();
  smtp.HeloName = "client";
  smtp.SetAuthenticationType(atLogin);
  EXPECT_THROW(smtp.Connect(), EIdProtocolReplyError);
  EXPECT_FALSE(smtp.IsConnected());
  EXPECT_EQ(server.Finish(), "");
}

TEST(TlsUpgrade, TlsOffNeverAsksForCapabilities) {
  ScriptedServer server(R"(
    S: +OK ready\r\n
    C: USER alice\r\n
    S: +OK\r\n
    C: PASS secret\r\n
    S: +OK\r\n
    C: QUIT\r\n
  )");
  TIdPOP3 pop;
  pop.Host = "127.0.0.1";
  pop.Port = server.Port();
  pop.Username = "alice";
  pop.Password = "secret";
  pop.Tls.Mode = tlsNone;
  pop.Connect();
  EXPECT_FALSE(pop.UsingTls());
  pop.Disconnect();
  EXPECT_EQ(server.Finish(), "");
}

}  // namespace
}  // namespace transport
