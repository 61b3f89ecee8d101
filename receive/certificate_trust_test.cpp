// Server certificates that fail the checks, through the receiving commands, the send step and
// yubinko-cli: the refusal names its reason and fingerprint and nothing is sent; the user may
// accept the certificate for the account, which pins it in the account's directory; from then
// on that certificate is accepted without a question and any other one is refused again.
// Against the loopback Dovecot and Postfix with TLS (and an in-process TLS server where the
// bytes on the wire are the point).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>

#include "compose/send_step.h"
#include "receive/deletion_mode.h"
#include "receive/new_mail_check.h"
#include "receive/receive_run.h"
#include "receive/receive_test_support.h"
#include "transport/testing/tls_server.h"
#include "transport/tls_trust.h"

namespace receive {
namespace {

using testing::Fixture;
using testing::S;

const std::string kCerts = YUBINKO_TLS_CERT_DIR;
std::string Pem(const std::string& name) { return kCerts + "/" + name + ".pem"; }

std::string Shell(const std::string& command, int* status) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  std::array<char, 4096> buffer{};
  std::size_t n;
  while (pipe && (n = fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0) {
    out.append(buffer.data(), n);
  }
  const int rc = pclose(pipe.release());
  *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

// The fingerprint as the openssl command prints it: an oracle independent of the client.
std::string FingerprintOf(const std::string& name) {
  int status = -1;
  std::string text = Shell("openssl x509 -noout -fingerprint -sha256 -in " + Pem(name), &status);
  text = text.substr(text.find('=') + 1);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

class CertificateTrustTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ifstream in(std::string(YUBINKO_MAIL_DIR) + "/env");
    std::string line;
    while (std::getline(in, line)) {
      const std::size_t eq = line.find('=');
      if (eq != std::string::npos) env_[line.substr(0, eq)] = line.substr(eq + 1);
    }
    ASSERT_FALSE(env_.empty()) << "the TLS mail server fixture did not run";
    // The servers' certificate comes from the test authority, which this trust store lacks:
    // to the client it is a certificate of an unknown issuer, as at a provider that uses its
    // own authority.
    setenv("SSL_CERT_FILE", Pem("selfsigned").c_str(), 1);
  }
  void TearDown() override { setenv("SSL_CERT_FILE", Pem("ca").c_str(), 1); }

  int Port(const char* name) { return std::stoi(env_[name]); }
  void Seed(const std::string& args) {
    const std::string command = std::string(YUBINKO_MAIL_SCRIPTS) + "/seed.sh " + env_["MAIL_DIR"] +
                                " alice --clear " + args + " >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  // The account "acct" of the fixture aimed at the real servers (STLS and STARTTLS ports).
  void AimAtServers(Fixture& f) {
    store::AccountRecord account;
    account.AccountName = "acct";
    account.PopServer = account.SmtpServer = "127.0.0.1";
    account.UserId = "alice";
    account.Password = "alicepw";
    account.PopPort = env_["POP3_PORT"];
    account.SmtpPort = env_["SMTP_PORT"];
    account.OwnAddress = "alice@example.test";
    f.state.AccountList = {account.Line()};
    f.state.AccountPosition = 1;
    f.state.POP.Port = Port("POP3_PORT");
    f.state.POP.Password = "alicepw";
  }
  std::string PinFile(const Fixture& f) {
    return f.state.fs.ReadFile(store::AccountFolder("acct") + "Certificates.ini").value_or("");
  }

  std::map<std::string, std::string> env_;
};

// The in-process server records every byte after the handshake: a refusal sends none, with or
// without the question, and the user learns why and which certificate it was.
TEST_F(CertificateTrustTest, RefusedCertificateSendsNothingAndNamesReasonAndFingerprint) {
  for (const bool ask : {true, false}) {
    SCOPED_TRACE(ask ? "window" : "no one to ask");
    Fixture f;
    store::AccountRecord account;
    account.AccountName = "acct";
    f.state.AccountList = {account.Line()};
    f.state.AccountPosition = 1;
    transport::testing::TlsTestServer server(kCerts + "/selfsigned.pem", kCerts + "/selfsigned.key",
                                             "+OK ready\r\n", {});
    f.state.POP.Port = server.Port();
    f.state.POP.Tls.Mode = transport::tlsImplicit;
    f.context.ask_about_certificates = ask;
    if (ask) f.ui.answers.push_back(platform::Answer::kNo);
    // With the test authority trusted, only the certificate's being self-signed is wrong.
    setenv("SSL_CERT_FILE", Pem("ca").c_str(), 1);
    EXPECT_EQ(ReceiveRun(f.context).Run().outcome, RunResult::kNotConnected);
    EXPECT_EQ(server.Finish(), "");
    const std::string fingerprint = FingerprintOf("selfsigned");
    const std::vector<std::string> questions = f.ui.Texts("warning");
    ASSERT_EQ(questions.size(), ask ? 1u : 0u);
    if (ask) {
      EXPECT_NE(questions[0].find(fingerprint), std::string::npos);
    }
    const std::vector<std::string> shown = f.ui.Texts("info");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find(S("自己署名の証明書")), std::string::npos) << shown[0];
    EXPECT_NE(shown[0].find(fingerprint), std::string::npos);
    EXPECT_FALSE(f.state.POP.IsConnected());
    EXPECT_FALSE(f.state.fs.FileExists(store::AccountFolder("acct") + "Certificates.ini"));
  }
}

TEST_F(CertificateTrustTest, AcceptedCertificateIsPinnedForTheAccountAndAnotherRefusedAgain) {
  Seed("--count 2");
  Fixture f;
  AimAtServers(f);
  // 受信: refused, the user accepts it, the run goes on over STLS with the pinned certificate.
  f.ui.answers.push_back(platform::Answer::kYes);
  RunResult r = ReceiveRun(f.context).Run();
  EXPECT_EQ(r.outcome, RunResult::kCompleted);
  EXPECT_EQ(r.new_count, 2);
  ASSERT_EQ(f.ui.Texts("warning").size(), 1u);
  EXPECT_NE(f.ui.Texts("warning")[0].find(S("証明書の発行者が信頼できる認証局ではありません")),
            std::string::npos);
  EXPECT_EQ(PinFile(f), "127.0.0.1:" + env_["POP3_PORT"] + "=" + FingerprintOf("server") + "\r\n");

  // Pinned: the deletion mode, the new-mail check and the next run connect without asking
  // (the scripted user has no answer left, so a question would fail the test).
  DeletionMode deletion(f.context);
  deletion.Enter();
  EXPECT_EQ(f.view.rows.size(), 2u);
  deletion.Leave();
  testing::FakeNewMailWindow window;
  EXPECT_FALSE(NewMailCheck(f.context, window).CheckOnce());
  EXPECT_EQ(ReceiveRun(f.context).Run().outcome, RunResult::kCompleted);
  EXPECT_EQ(f.ui.Texts("warning").size(), 1u);

  // The server now shows another certificate (here: the pin names a different one). Every
  // command is refused again, with the reason, whatever the trust store says.
  setenv("SSL_CERT_FILE", Pem("ca").c_str(), 1);
  f.state.fs.WriteFileAtomic(store::AccountFolder("acct") + "Certificates.ini",
                             "127.0.0.1:" + env_["POP3_PORT"] + "=" + FingerprintOf("server2"));
  const std::string mismatch = S("このアカウントで受け入れた証明書と異なる証明書です。");
  f.ui.shown.clear();
  f.ui.answers = {platform::Answer::kNo, platform::Answer::kNo, platform::Answer::kNo,
                  platform::Answer::kCancel};
  EXPECT_EQ(ReceiveRun(f.context).Run().outcome, RunResult::kNotConnected);
  deletion.Enter();
  EXPECT_FALSE(f.state.deletion_mode);
  EXPECT_FALSE(NewMailCheck(f.context, window).CheckOnce());
  f.ui.inputs.push_back("1");
  deletion.DeleteByNumber();
  const std::vector<std::string> questions = f.ui.Texts("warning");
  ASSERT_EQ(questions.size(), 4u);
  for (const std::string& question : questions) {
    EXPECT_NE(question.find(FingerprintOf("server")), std::string::npos);
  }
  const std::vector<std::string> shown = f.ui.Texts("info");
  ASSERT_EQ(shown.size(), 4u);
  for (const std::string& text : shown) EXPECT_NE(text.find(mismatch), std::string::npos) << text;
  // Declining left the pin as it was.
  EXPECT_NE(PinFile(f).find(FingerprintOf("server2")), std::string::npos);
}

TEST_F(CertificateTrustTest, SendAsksPinsAndIsRefusedWithoutAQuestion) {
  Fixture f;
  AimAtServers(f);
  compose::ComposerFields fields;
  fields.sender_index = 0;
  fields.sender_text = "alice@example.test";
  fields.to = "bob@example.test";
  fields.subject = "pinned";
  fields.body = "hello";
  transport::TIdSMTP smtp;
  // Without a window (yubinko-cli) the refusal is the outcome's message.
  compose::SendOutcome out = compose::SendStep(f.state, smtp).Send(fields);
  EXPECT_EQ(out.status, compose::SendOutcome::kFailed);
  EXPECT_NE(out.message.find(FingerprintOf("server")), std::string::npos);
  // In the window the user accepts it: pinned beside the POP3 server's, and the mail goes.
  f.ui.answers.push_back(platform::Answer::kYes);
  out = compose::SendStep(f.state, smtp, &f.ui).Send(fields);
  EXPECT_EQ(out.status, compose::SendOutcome::kSent) << out.message;
  EXPECT_NE(PinFile(f).find("127.0.0.1:" + env_["SMTP_PORT"] + "=" + FingerprintOf("server")),
            std::string::npos);
  out = compose::SendStep(f.state, smtp, &f.ui).Send(fields);  // no question left to answer
  EXPECT_EQ(out.status, compose::SendOutcome::kSent) << out.message;
}

// yubinko-cli has no one to ask: a refused certificate ends receive and send with exit 1 and
// the refusal on stderr; with a trust store that knows the authority both work over TLS.
TEST_F(CertificateTrustTest, CliRefusesTheCertificateAndWorksWithATrustedOne) {
  Seed("--count 1");
  platform::testing::TempAppDir dir;
  store::AccountRecord account;
  account.AccountName = "acct";
  account.PopServer = account.SmtpServer = "127.0.0.1";
  account.UserId = "alice";
  account.Password = "alicepw";
  account.PopPort = env_["POP3_PORT"];  // STLS: the port is no implicit-TLS one
  account.SmtpPort = env_["SMTP_PORT"];
  account.OwnAddress = "alice@example.test";
  platform::FileSystem(dir.path()).WriteFileAtomic("Account.ini", account.Line() + "\r\n");
  const std::string cli = std::string(YUBINKO_CLI);
  const std::string receive = cli + " receive " + dir.path().string() + " 2>&1";
  const std::string send = "echo body | " + cli + " send " + dir.path().string() +
                           " --to bob@example.test --subject cli 2>&1";
  int status = -1;
  std::string out = Shell(receive, &status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(out.find("証明書の発行者が信頼できる認証局ではありません"), std::string::npos) << out;
  EXPECT_NE(out.find(FingerprintOf("server")), std::string::npos) << out;
  EXPECT_EQ(out.find("新着メールは"), std::string::npos);
  out = Shell(send, &status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(out.find("証明書の発行者が信頼できる認証局ではありません"), std::string::npos) << out;

  setenv("SSL_CERT_FILE", Pem("ca").c_str(), 1);
  out = Shell(receive, &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_NE(out.find("新着メールは1件です。"), std::string::npos) << out;
  out = Shell(send, &status);
  EXPECT_EQ(status, 0) << out;
}

}  // namespace
}  // namespace receive
