// TLS against the loopback Dovecot and Postfix started with the test authority's certificate:
// POP3 with implicit TLS and with STLS, SMTP with implicit TLS and with STARTTLS, a message
// sent each way and received back, and pinning a certificate the trust store does not know.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "transport/message.h"
#include "transport/pop3.h"
#include "transport/smtp.h"
#include "transport/tls_errors.h"

namespace transport {
namespace {

const std::string kCerts = YUBINKO_TLS_CERT_DIR;

std::map<std::string, std::string> ReadEnvFile() {
  std::map<std::string, std::string> values;
  std::ifstream in(std::string(YUBINKO_MAIL_DIR) + "/env");
  std::string line;
  while (std::getline(in, line)) {
    std::size_t eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return values;
}

class TlsMailServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_ = ReadEnvFile();
    ASSERT_FALSE(env_.empty()) << "the TLS mail server fixture did not run";
    setenv("SSL_CERT_FILE", (kCerts + "/ca.pem").c_str(), 1);
  }

  void Clear(const std::string& user) {
    std::string command = std::string(YUBINKO_MAIL_SCRIPTS) + "/seed.sh " + env_["MAIL_DIR"] + " " +
                          user + " --clear >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }

  int Port(const char* name) { return std::stoi(env_[name]); }

  void Aim(TIdPOP3& pop, int port, TIdTlsMode mode) {
    pop.Host = "127.0.0.1";
    pop.Port = port;
    pop.Username = "bob";
    pop.Password = "bobpw";
    pop.Tls.Mode = mode;
  }

  // The raw lines of every message in bob's mailbox, read over `mode`, once `count` arrived
  // (delivery through the SMTP server takes a moment; the wait is bounded).
  std::vector<std::vector<std::string>> Mailbox(int port, TIdTlsMode mode, int count) {
    std::vector<std::vector<std::string>> messages;
    for (int attempt = 0; attempt < 100; ++attempt) {
      TIdPOP3 pop;
      Aim(pop, port, mode);
      pop.Connect();
      EXPECT_TRUE(pop.UsingTls());
      const int n = pop.MessageCount();
      if (n >= count) {
        for (int i = 1; i <= n; ++i) {
          messages.emplace_back();
          pop.RetrieveRaw(i, messages.back());
        }
        pop.Disconnect();
        return messages;
      }
      pop.Disconnect();
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ADD_FAILURE() << "mail did not arrive";
    return messages;
  }

  void SendOne(int port, TIdTlsMode mode, const std::string& subject) {
    TIdSMTP smtp;
    smtp.Host = "127.0.0.1";
    smtp.Port = port;
    smtp.Username = "alice";
    smtp.Password = "alicepw";
    smtp.Tls.Mode = mode;
    smtp.SetAuthenticationType(atLogin);
    smtp.Connect();
    EXPECT_TRUE(smtp.UsingTls());
    TIdMessage msg;
    msg.From = TIdEMailAddressItem("alice@example.test", "");
    msg.Recipients.Add(TIdEMailAddressItem("bob@example.test", ""));
    msg.Subject = subject;
    msg.Body = {"sent over TLS", ".dot line"};
    smtp.Send(msg);
    EXPECT_TRUE(smtp.DidAuthenticate());
    smtp.Disconnect();
  }

  std::map<std::string, std::string> env_;
};

bool HasLine(const std::vector<std::string>& lines, const std::string& wanted) {
  for (const std::string& line : lines) {
    if (line == wanted) return true;
  }
  return false;
}

TEST_F(TlsMailServerTest, SendOverBothSmtpFormsAndReceiveOverBothPop3Forms) {
  Clear("bob");
  SendOne(Port("SMTPS_PORT"), tlsImplicit, "implicit");
  SendOne(Port("SMTP_PORT"), tlsAuto, "starttls");  // the plain port upgrades by itself
  auto over_stls = Mailbox(Port("POP3_PORT"), tlsAuto, 2);
  auto over_pop3s = Mailbox(Port("POP3S_PORT"), tlsImplicit, 2);
  ASSERT_EQ(over_stls.size(), 2u);
  EXPECT_EQ(over_stls, over_pop3s);
  EXPECT_TRUE(HasLine(over_stls[0], "Subject: implicit"));
  EXPECT_TRUE(HasLine(over_stls[1], "Subject: starttls"));
  EXPECT_TRUE(HasLine(over_stls[1], ".dot line"));
}

TEST_F(TlsMailServerTest, UpgradedSessionListsUniqueIdsAndHeaders) {
  Clear("bob");
  SendOne(Port("SMTP_PORT"), tlsAuto, "headers only");
  Mailbox(Port("POP3_PORT"), tlsAuto, 1);
  TIdPOP3 pop;
  Aim(pop, Port("POP3_PORT"), tlsAuto);
  pop.Connect();
  EXPECT_TRUE(pop.HasCapability("UIDL"));
  EXPECT_TRUE(pop.HasCapability("TOP"));
  std::vector<TIdUidlEntry> ids;
  ASSERT_TRUE(pop.ListUniqueIds(ids));
  ASSERT_EQ(ids.size(), 1u);
  EXPECT_EQ(ids[0].Number, 1);
  EXPECT_FALSE(ids[0].Uid.empty());
  TIdMessage msg;
  ASSERT_TRUE(pop.RetrieveHeader(1, msg));
  EXPECT_EQ(msg.Headers.GetValue("Subject"), "headers only");
  EXPECT_TRUE(msg.Body.empty());
  EXPECT_EQ(pop.MessageCount(), 1);  // the session is still in step after TOP
  pop.Disconnect();
}

TEST_F(TlsMailServerTest, UnknownAuthorityIsRefusedUntilTheCertificateIsPinned) {
  setenv("SSL_CERT_FILE", (kCerts + "/selfsigned.pem").c_str(), 1);
  std::string fingerprint;
  {
    TIdPOP3 pop;
    Aim(pop, Port("POP3_PORT"), tlsAuto);
    try {
      pop.Connect();
      ADD_FAILURE();
    } catch (const EIdTlsCertificateError& e) {
      EXPECT_EQ(e.Refusal(), TlsRefusal::kUntrustedIssuer);
      fingerprint = e.Fingerprint();
    }
    EXPECT_FALSE(pop.IsConnected());
  }
  ASSERT_FALSE(fingerprint.empty());
  TIdPOP3 pop;
  Aim(pop, Port("POP3_PORT"), tlsAuto);
  pop.Tls.PinnedFingerprint = fingerprint;
  pop.Connect();
  EXPECT_TRUE(pop.UsingTls());
  EXPECT_GE(pop.MessageCount(), 0);
  pop.Disconnect();
}

}  // namespace
}  // namespace transport
