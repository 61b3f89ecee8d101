// Tests of the SMTP client against scripted servers: greetings, AUTH offers, the envelope of
// each send and the failure of each step.
#include "transport/smtp.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "transport/message.h"
#include "transport/posix_channel.h"
#include "transport/testing/loopback_listener.h"
#include "transport/testing/scripted_server.h"

namespace transport {
namespace {

using testing::ScriptedServer;

const char kGreeting[] = R"(
  S: 220 mail.example.test ESMTP\r\n
  C: EHLO client.test\r\n
)";

void Aim(TIdSMTP& smtp, const ScriptedServer& server) {
  smtp.Host = "127.0.0.1";
  smtp.Port = server.Port();
  smtp.HeloName = "client.test";
  smtp.Username = "alice";
  smtp.Password = "secret";
  smtp.SetAuthenticationType(atLogin);
}

void Address(TIdEMailAddressList& list, const std::string& address) {
  list.Add(TIdEMailAddressItem(address, ""));
}

void FillMessage(TIdMessage& msg) {
  msg.From = TIdEMailAddressItem("alice@example.test", "");
  Address(msg.Recipients, "to1@example.test");
  Address(msg.Recipients, "to2@example.test");
  Address(msg.CCList, "cc@example.test");
  Address(msg.BccList, "hidden@example.test");
  Address(msg.BccList, "to1@example.test");  // duplicates are sent as often as they appear
  msg.Subject = "test";
  msg.Body = {"first line", ".", ".starts with a dot", "last"};
}

const char kEnvelope[] = R"(
  C: MAIL FROM:<alice@example.test>\r\n
  S: 250 2.1.0 Ok\r\n
  C: RCPT TO:<to1@example.test>\r\n
  S: 250 2.1.5 Ok\r\n
  C: RCPT TO:<to2@example.test>\r\n
  S: 251 2.1.5 forwarded\r\n
  C: RCPT TO:<cc@example.test>\r\n
  S: 250 2.1.5 Ok\r\n
  C: RCPT TO:<hidden@example.test>\r\n
  S: 250 2.1.5 Ok\r\n
  C: RCPT TO:<to1@example.test>\r\n
  S: 250 2.1.5 Ok\r\n
  C: DATA\r\n
  S: 354 End data with <CR><LF>.<CR><LF>\r\n
  C: <DATA>
  S: 250 2.0.0 Ok: queued\r\n
)";

TEST(TIdSMTPSend, TwoSendsOnOneConnectionAuthenticateOnce) {
  ScriptedServer server(std::string(kGreeting) + R"(
    S: 250-mail.example.test\r\n250-PIPELINING\r\n250-AUTH PLAIN LOGIN\r\n250 8BITMIME\r\n
    C: RSET\r\n
    S: 250 2.0.0 Ok\r\n
    C: AUTH LOGIN\r\n
    S: 334 VXNlcm5hbWU6\r\n
    C: YWxpY2U=\r\n
    S: 334 UGFzc3dvcmQ6\r\n
    C: c2VjcmV0\r\n
    S: 235 2.7.0 Authentication successful\r\n
  )" + kEnvelope + R"(
    C: RSET\r\n
    S: 250 2.0.0 Ok\r\n
  )" + kEnvelope + R"(
    C: QUIT\r\n
  )");
  TIdSMTP smtp;
  Aim(smtp, server);
  smtp.Connect();
  EXPECT_EQ(smtp.AuthSchemesSupported(), (std::vector<std::string>{"PLAIN", "LOGIN"}));
  TIdMessage msg;
  FillMessage(msg);
  smtp.Send(msg);
  EXPECT_TRUE(smtp.DidAuthenticate());
  smtp.Send(msg);
  smtp.Disconnect();
  EXPECT_FALSE(smtp.DidAuthenticate());
  ASSERT_EQ(server.Finish(), "");

  std::vector<std::string> texts = server.DataBlocks();
  ASSERT_EQ(texts.size(), 2u);
  const std::string& text = texts[0];
  std::size_t header_end = text.find("\r\n\r\n");
  ASSERT_NE(header_end, std::string::npos);
  const std::string header = text.substr(0, header_end + 2);
  EXPECT_NE(header.find("To: "), std::string::npos);
  EXPECT_NE(header.find("cc@example.test"), std::string::npos);
  // The Bcc recipient got its RCPT TO but appears in no header line.
  EXPECT_EQ(text.find("hidden@example.test"), std::string::npos);
  EXPECT_EQ(header.find("\r\nBcc:"), std::string::npos);
  EXPECT_EQ(header.find("X-Mailer"), std::string::npos);
  // Body lines that begin with a dot are stuffed.
  EXPECT_NE(text.find("\r\nfirst line\r\n..\r\n..starts with a dot\r\nlast\r\n"),
            std::string::npos);
}

struct AuthOffer {
  const char* name;
  std::string ehlo_reply;
  std::string auth_exchange;  // empty: no AUTH at all
};

const char kAuthLogin[] = R"(
      C: AUTH LOGIN\r\n
      S: 334 VXNlcm5hbWU6\r\n
      C: YWxpY2U=\r\n
      S: 334 UGFzc3dvcmQ6\r\n
      C: c2VjcmV0\r\n
      S: 235 ok\r\n
)";

class TIdSMTPAuthOffer : public ::testing::TestWithParam<AuthOffer> {};

TEST_P(TIdSMTPAuthOffer, LoginWhenOfferedElsePlainElseNone) {
  const AuthOffer& offer = GetParam();
  std::string script = std::string(kGreeting) + "S: " + offer.ehlo_reply + R"(
    C: RSET\r\n
    S: 250 Ok\r\n
  )";
  script += offer.auth_exchange;
  script += R"(
    C: MAIL FROM:<alice@example.test>\r\n
    S: 250 Ok\r\n
    C: RCPT TO:<bob@example.test>\r\n
    S: 250 Ok\r\n
    C: DATA\r\n
    S: 354 go\r\n
    C: <DATA>
    S: 250 Ok\r\n
    C: QUIT\r\n
  )";
  ScriptedServer server(script);
  TIdSMTP smtp;
  Aim(smtp, server);
  smtp.Connect();
  TIdMessage msg;
  msg.From = TIdEMailAddressItem("alice@example.test", "");
  Address(msg.Recipients, "bob@example.test");
  msg.Body = {"hi"};
  smtp.Send(msg);
  EXPECT_EQ(smtp.DidAuthenticate(), !offer.auth_exchange.empty());
  smtp.Disconnect();
  EXPECT_EQ(server.Finish(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Offers, TIdSMTPAuthOffer,
    ::testing::Values(AuthOffer{"EqualsForm", R"(250-mail\r\n250-AUTH=LOGIN\r\n250 SIZE 1000\r\n)",
                                kAuthLogin},
                      AuthOffer{"SpaceFormLowerCase",
                                R"(250-mail\r\n250-auth plain login\r\n250 HELP\r\n)", kAuthLogin},
                      // Submission servers that offer PLAIN alone get the one-line PLAIN form:
                      // NUL, user, NUL, password in base64.
                      AuthOffer{"PlainOnly", R"(250-mail\r\n250 AUTH PLAIN\r\n)",
                                R"(
      C: AUTH PLAIN AGFsaWNlAHNlY3JldA==\r\n
      S: 235 ok\r\n
)"},
                      AuthOffer{"NoAuthLine", R"(250 mail\r\n)", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TIdSMTPConnect, RefusedEhloFallsBackToHeloWithTheSameName) {
  ScriptedServer server(std::string(kGreeting) + R"(
    S: 500 5.5.2 Error: command not recognized\r\n
    C: HELO client.test\r\n
    S: 250 mail.example.test\r\n
    C: QUIT\r\n
  )");
  TIdSMTP smtp;
  Aim(smtp, server);
  smtp.Connect();
  EXPECT_TRUE(smtp.AuthSchemesSupported().empty());
  smtp.Disconnect();
  EXPECT_EQ(server.Finish(), "");
}

TEST(TIdSMTPConnect, WithoutEhloTheLocalHostNameGreetsWithHelo) {
  ScriptedServer server("S: 220 hi\\r\\n\nC: HELO " + LocalHostName() +
                        "\\r\\n\nS: 250 ok\\r\\n\nC: QUIT\\r\\n");
  TIdSMTP smtp;
  Aim(smtp, server);
  smtp.HeloName.clear();
  smtp.SetUseEhlo(false);
  EXPECT_EQ(smtp.AuthenticationType(), atNone);
  smtp.Connect();
  smtp.Disconnect();
  EXPECT_EQ(server.Finish(), "");
}

struct ConnectFailure {
  const char* name;
  std::string script;
  std::string message;
};

class TIdSMTPConnectFailure : public ::testing::TestWithParam<ConnectFailure> {};

TEST_P(TIdSMTPConnectFailure, QuitsClosesAndRaises) {
  ScriptedServer server(GetParam().script);
  TIdSMTP smtp;
  Aim(smtp, server);
  try {
    smtp.Connect();
    ADD_FAILURE() << "Connect succeeded";
  } catch (const EIdProtocolReplyError& e) {
    EXPECT_EQ(std::string(e.what()), GetParam().message);
  }
  EXPECT_FALSE(smtp.IsConnected());
  EXPECT_EQ(server.Finish(), "");
}

INSTANTIATE_TEST_SUITE_P(Steps, TIdSMTPConnectFailure,
                         ::testing::Values(ConnectFailure{"Greeting", R"(
          S: 554-go away\r\n554 now\r\n
          C: QUIT\r\n)",
                                                          "go away\r\nnow\r\n"},
                                           ConnectFailure{"Helo", R"(
          S: 220 hi\r\n
          C: EHLO client.test\r\n
          S: 502 no\r\n
          C: HELO client.test\r\n
          S: 501 bad name\r\n
          C: QUIT\r\n)",
                                                          "bad name\r\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TIdSMTPSend, RefusedStepsRaiseAndLeaveTheConnectionOpen) {
  ScriptedServer server(std::string(kGreeting) + R"(
    S: 250-mail\r\n250 AUTH LOGIN\r\n
    C: RSET\r\n
    S: 250 Ok\r\n
    C: AUTH LOGIN\r\n
    S: 334 VXNlcm5hbWU6\r\n
    C: YWxpY2U=\r\n
    S: 334 UGFzc3dvcmQ6\r\n
    C: c2VjcmV0\r\n
    S: 535 5.7.8 Error: authentication failed\r\n
    C: RSET\r\n
    S: 250 Ok\r\n
    C: AUTH LOGIN\r\n
    S: 334 VXNlcm5hbWU6\r\n
    C: YWxpY2U=\r\n
    S: 334 UGFzc3dvcmQ6\r\n
    C: c2VjcmV0\r\n
    S: 235 ok\r\n
    C: MAIL FROM:<alice@example.test>\r\n
    S: 250 Ok\r\n
    C: RCPT TO:<bob@example.test>\r\n
    S: 550 5.1.1 unknown\r\n
    C: RSET\r\n
    S: 250 Ok\r\n
    C: MAIL FROM:<alice@example.test>\r\n
    S: 250 Ok\r\n
    C: RCPT TO:<bob@example.test>\r\n
    S: 250 Ok\r\n
    C: DATA\r\n
    S: 354 go\r\n
    C: <DATA>
    S: 550 5.7.1 rejected after DATA\r\n
    C: QUIT\r\n
  )");
  TIdSMTP smtp;
  Aim(smtp, server);
  smtp.Connect();
  TIdMessage msg;
  msg.From = TIdEMailAddressItem("alice@example.test", "");
  Address(msg.Recipients, "bob@example.test");
  msg.Body = {"hi"};
  try {
    smtp.Send(msg);
    ADD_FAILURE();
  } catch (const EIdProtocolReplyError& e) {
    EXPECT_EQ(e.ReplyErrorCode(), 535);
  }
  EXPECT_FALSE(smtp.DidAuthenticate());
  try {
    smtp.Send(msg);  // authenticates now, then the recipient is refused
    ADD_FAILURE();
  } catch (const EIdProtocolReplyError& e) {
    EXPECT_EQ(e.ReplyErrorCode(), 550);
    EXPECT_STREQ(e.what(), "5.1.1 unknown\r\n");
  }
  EXPECT_TRUE(smtp.IsConnected());
  EXPECT_THROW(smtp.Send(msg), EIdProtocolReplyError);
  smtp.Disconnect();
  EXPECT_EQ(server.Finish(), "");
}

TEST(TIdSMTPSend, AddressWithALineBreakCannotSmuggleCommands) {
  ScriptedServer server(R"(
    S: 220 hi\r\n
    C: EHLO client.test\r\n
    S: 250 mail\r\n
    C: RSET\r\n
    S: 250 Ok\r\n
    C: MAIL FROM:<alice@example.test>\r\n
    S: 250 Ok\r\n
    C: QUIT\r\n
  )");
  TIdSMTP smtp;
  EXPECT_EQ(smtp.ReadTimeout, 60000);  // a silent server cannot freeze the program
  Aim(smtp, server);
  smtp.Connect();
  TIdMessage msg;
  msg.From = TIdEMailAddressItem("alice@example.test", "");
  Address(msg.Recipients, "bob@example.test>\r\nRCPT TO:<evil@example.test");
  try {
    smtp.Send(msg);
    ADD_FAILURE();
  } catch (const EIdProtocolReplyError&) {
    ADD_FAILURE() << "the address reached the server";
  } catch (const EIdException& e) {
    EXPECT_STREQ(e.what(), "Line break inside a command.");
  }
  smtp.Disconnect();
  EXPECT_EQ(server.Finish(), "");
}

TEST(TIdSMTPSend, MailAgentBecomesTheXMailerHeader) {
  ScriptedServer server(R"(
    S: 220 hi\r\n
    C: EHLO client.test\r\n
    S: 250 mail\r\n
    C: RSET\r\n
    S: 250 Ok\r\n
    C: MAIL FROM:<alice@example.test>\r\n
    S: 250 Ok\r\n
    C: RCPT TO:<bob@example.test>\r\n
    S: 250 Ok\r\n
    C: DATA\r\n
    S: 354 go\r\n
    C: <DATA>
    S: 250 Ok\r\n
    C: QUIT\r\n
  )");
  TIdSMTP smtp;
  Aim(smtp, server);
  smtp.MailAgent = "Yubinko test";
  smtp.Connect();
  TIdMessage msg;
  msg.From = TIdEMailAddressItem("alice@example.test", "");
  Address(msg.Recipients, "bob@example.test");
  msg.Body = {"hi"};
  smtp.Send(msg);
  smtp.Disconnect();
  ASSERT_EQ(server.Finish(), "");
  ASSERT_EQ(server.DataBlocks().size(), 1u);
  EXPECT_NE(server.DataBlocks()[0].find("\r\nX-Mailer: Yubinko test\r\n"), std::string::npos);
}

// A server that stops reading in the middle of DATA (its receive window full) ends the send with
// the write time-out's error instead of freezing the window for ever.
TEST(TIdSMTPSend, ServerThatStopsReadingDuringDataEndsTheSendWithAnError) {
  testing::LoopbackListener listener;
  std::atomic<bool> done{false};
  std::thread server([&] {
    pollfd wait{listener.fd(), POLLIN, 0};
    if (::poll(&wait, 1, 10000) <= 0) return;
    int c = ::accept(listener.fd(), nullptr, nullptr);
    auto say = [c](const char* text) { ::send(c, text, std::strlen(text), MSG_NOSIGNAL); };
    say("220 hi\r\n");
    // Every command is accepted up to DATA; after its 354 nothing more is read.
    std::string pending;
    bool in_data = false;
    while (!in_data) {
      pollfd readable{c, POLLIN, 0};
      char buffer[4096];
      if (::poll(&readable, 1, 10000) <= 0) break;
      ssize_t n = ::recv(c, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      pending.append(buffer, static_cast<std::size_t>(n));
      for (std::size_t eol; !in_data && (eol = pending.find("\r\n")) != std::string::npos;) {
        in_data = pending.compare(0, eol, "DATA") == 0;
        say(in_data ? "354 go ahead\r\n" : "250 ok\r\n");
        pending.erase(0, eol + 2);
      }
    }
    for (int i = 0; i < 200 && !done; ++i) ::usleep(50000);  // silent, at most 10 s
    ::close(c);
  });
  TIdSMTP smtp;
  smtp.Host = "127.0.0.1";
  smtp.Port = listener.Port();
  smtp.HeloName = "client.test";
  smtp.WriteTimeout = 300;
  smtp.Connect();
  TIdMessage msg;
  msg.From = TIdEMailAddressItem("alice@example.test", "");
  Address(msg.Recipients, "bob@example.test");
  msg.Body.assign(500000, std::string(70, 'x'));  // 35 MB, far beyond the socket buffers
  try {
    smtp.Send(msg);
    ADD_FAILURE() << "the whole message went to a server that reads nothing";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 10060);
  }
  done = true;
  server.join();
}

}  // namespace
}  // namespace transport
