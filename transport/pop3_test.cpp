// Tests of the POP3 client against scripted servers: exact transcripts, reply forms and the
// failure of every step.
#include "transport/pop3.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "transport/message.h"
#include "transport/testing/scripted_server.h"

namespace transport {
namespace {

using testing::ScriptedServer;

// The client asks CAPA before logging in, to learn whether it can upgrade to TLS.
const char kLogin[] = R"(
  S: +OK ready\r\n
  C: CAPA\r\n
  S: +OK\r\nTOP\r\nUIDL\r\nUSER\r\n.\r\n
  C: USER alice\r\n
  S: +OK\r\n
  C: PASS secret\r\n
  S: +OK Logged in.\r\n
)";

void Aim(TIdPOP3& pop, const ScriptedServer& server) {
  pop.Host = "127.0.0.1";
  pop.Port = server.Port();
  pop.Username = "alice";
  pop.Password = "secret";
}

TEST(TIdPOP3Session, FullSessionSendsExactCommands) {
  ScriptedServer server(std::string(kLogin) + R"(
    C: STAT\r\n
    S: +OK 2 320\r\n
    C: LIST 2\r\n
    S: +OK 2 3187\r\n
    C: RETR 2\r\n
    S: +OK 3187 octets\r\nSubject: x\r\n\r\n..dot\r\nbody\r\n.\r\n
    C: DELE 2\r\n
    S: +OK Marked to be deleted.\r\n
    C: QUIT\r\n
  )");
  TIdPOP3 pop;
  Aim(pop, server);
  std::vector<std::string> log;
  pop.OnStatus = [&](TIdStatus, const std::string& text) { log.push_back(text); };
  pop.OnDisconnected = [&] { log.push_back("OnDisconnected"); };
  pop.Connect();
  EXPECT_EQ(pop.MessageCount(), 2);
  EXPECT_EQ(pop.MessageSize(2), 3187);
  std::vector<std::string> lines;
  EXPECT_TRUE(pop.RetrieveRaw(2, lines));
  EXPECT_EQ(lines, (std::vector<std::string>{"Subject: x", "", ".dot", "body"}));
  EXPECT_TRUE(pop.DeleteMessage(2));
  pop.Disconnect();
  EXPECT_FALSE(pop.IsConnected());
  EXPECT_EQ(server.Finish(), "");
  EXPECT_EQ(log, (std::vector<std::string>{"Connecting to 127.0.0.1.", "Connected.",
                                           "Disconnecting.", "OnDisconnected", "Disconnected."}));
}

TEST(TIdPOP3Session, SilentServerEndsTheCommandWithReadTimeout) {
  EXPECT_EQ(TIdPOP3().ReadTimeout, 60000);  // never an endless wait by default
  ScriptedServer server(std::string(kLogin) + R"(
    C: STAT\r\n
    STALL
    C: QUIT\r\n
  )");
  TIdPOP3 pop;
  Aim(pop, server);
  pop.ReadTimeout = 100;
  pop.Connect();
  EXPECT_THROW(pop.MessageCount(), EIdReadTimeout);
  pop.Disconnect();
  EXPECT_EQ(server.Finish(), "");
}

// A login step answered "-ERR": Connect raises the reply text after QUIT and close.
struct LoginFailure {
  const char* name;
  std::string script;
};

class TIdPOP3LoginFailure : public ::testing::TestWithParam<LoginFailure> {};

TEST_P(TIdPOP3LoginFailure, QuitsClosesAndRaises) {
  ScriptedServer server(GetParam().script);
  TIdPOP3 pop;
  Aim(pop, server);
  try {
    pop.Connect();
    ADD_FAILURE() << "Connect succeeded";
  } catch (const EIdProtocolReplyError& e) {
    EXPECT_STREQ(e.what(), " [AUTH] Authentication failed.\r\n");
  }
  EXPECT_FALSE(pop.IsConnected());
  EXPECT_EQ(server.Finish(), "");
}

INSTANTIATE_TEST_SUITE_P(Steps, TIdPOP3LoginFailure,
                         ::testing::Values(LoginFailure{"Greeting", R"(
          S: -ERR [AUTH] Authentication failed.\r\n
          C: QUIT\r\n)"},
                                           LoginFailure{"User", R"(
          S: +OK ready\r\n
          C: CAPA\r\n
          S: -ERR unknown command\r\n
          C: USER alice\r\n
          S: -ERR [AUTH] Authentication failed.\r\n
          C: QUIT\r\n)"},
                                           LoginFailure{"Pass", R"(
          S: +OK ready\r\n
          C: CAPA\r\n
          S: -ERR unknown command\r\n
          C: USER alice\r\n
          S: +OK\r\n
          C: PASS secret\r\n
          S: -ERR [AUTH] Authentication failed.\r\n
          C: QUIT\r\n)"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TIdPOP3Replies, UnrecognizedGreetingRaisesWithQuotedText) {
  ScriptedServer server(R"(
    S: * OK IMAP4 ready\r\n
    C: QUIT\r\n
  )");
  TIdPOP3 pop;
  Aim(pop, server);
  try {
    pop.Connect();
    ADD_FAILURE();
  } catch (const EIdProtocolReplyError&) {
    ADD_FAILURE() << "wrong exception";
  } catch (const EIdException& e) {
    EXPECT_STREQ(e.what(), "Unrecognized POP3 Response Header:\n\" IMAP4 ready\r\n\"");
  }
  EXPECT_FALSE(pop.IsConnected());
  EXPECT_EQ(server.Finish(), "");
}

TEST(TIdPOP3Replies, ErrorsAfterLoginKeepTheConnection) {
  ScriptedServer server(std::string(kLogin) + R"(
    C: STAT\r\n
    S: -ERR busy\r\n
    C: LIST 9\r\n
    S: -ERR There's no message 9.\r\n
    C: RETR 9\r\n
    S: -ERR There's no message 9.\r\n
    C: DELE 9\r\n
    S: -err no\r\n
    C: STAT\r\n
    S: +ok 0 0\r\n
    C: QUIT\r\n
  )");
  TIdPOP3 pop;
  Aim(pop, server);
  pop.Connect();
  try {
    pop.MessageCount();
    ADD_FAILURE();
  } catch (const EIdProtocolReplyError& e) {
    EXPECT_STREQ(e.what(), " busy\r\n");
    EXPECT_EQ(e.ReplyErrorCode(), TIdPOP3::kErr);
  }
  EXPECT_THROW(pop.MessageSize(9), EIdProtocolReplyError);
  std::vector<std::string> lines{"kept"};
  EXPECT_FALSE(pop.RetrieveRaw(9, lines));
  EXPECT_EQ(lines, std::vector<std::string>{"kept"});
  EXPECT_THROW(pop.DeleteMessage(9), EIdProtocolReplyError);
  EXPECT_TRUE(pop.IsConnected());
  EXPECT_EQ(pop.MessageCount(), 0);  // lower-case "+ok" counts as "+OK"
  pop.Disconnect();
  EXPECT_EQ(server.Finish(), "");
}

TEST(TIdPOP3Replies, CountAndSizeForms) {
  ScriptedServer server(std::string(kLogin) + R"(
    C: STAT\r\n
    S: +OK\r\n
    C: STAT\r\n
    S: +OK 5\r\n
    C: STAT\r\n
    S: +OK x 10\r\n
    C: LIST 2\r\n
    S: +OK\r\n
    C: LIST 2\r\n
    S: +OK 2\r\n
    C: LIST 2\r\n
    S: +OK 2 abc\r\n
    C: LIST 2\r\n
    S: +OK 2 -20\r\n
    C: LIST 2\r\n
    S: +OK 2 0 extra\r\n
    C: QUIT\r\n
  )");
  TIdPOP3 pop;
  Aim(pop, server);
  pop.Connect();
  EXPECT_EQ(pop.MessageCount(), 0);
  EXPECT_THROW(pop.MessageCount(), EConvertError);  // a count without a size
  EXPECT_THROW(pop.MessageCount(), EConvertError);
  EXPECT_EQ(pop.MessageSize(2), -1);
  EXPECT_EQ(pop.MessageSize(2), -1);  // no size after the number
  EXPECT_EQ(pop.MessageSize(2), -1);
  EXPECT_EQ(pop.MessageSize(2), -1);
  EXPECT_EQ(pop.MessageSize(2), 0);
  pop.Disconnect();
  EXPECT_EQ(server.Finish(), "");
}

// LIST of the whole mailbox gives the sizes LIST n would: a line without a usable size, a
// number outside the mailbox and numbers the server left out give -1, "-ERR" gives false.
TEST(TIdPOP3Replies, SizesOfTheWholeMailboxAtOnce) {
  ScriptedServer server(std::string(kLogin) + R"(
    C: LIST\r\n
    S: +OK 4 messages\r\n1 120\r\n2 abc\r\n3 -5\r\n7 99\r\nx 1\r\n.\r\n
    C: LIST\r\n
    S: -ERR not now\r\n
    C: QUIT\r\n
  )");
  TIdPOP3 pop;
  Aim(pop, server);
  pop.Connect();
  std::vector<int> sizes;
  ASSERT_TRUE(pop.ListSizes(4, sizes));
  EXPECT_EQ(sizes, (std::vector<int>{-1, 120, -1, -1, -1}));
  EXPECT_FALSE(pop.ListSizes(2, sizes));
  EXPECT_EQ(sizes, (std::vector<int>{-1, -1, -1}));
  pop.Disconnect();
  EXPECT_EQ(server.Finish(), "");
}

TEST(TIdPOP3Retrieve, DroppedConnectionInTheMiddleOfRetr) {
  ScriptedServer server(std::string(kLogin) + R"(
    C: RETR 1\r\n
    S: +OK 900 octets\r\nSubject: x\r\n\r\nfirst half\r\nsecond ha
    CLOSE
  )");
  TIdPOP3 pop;
  Aim(pop, server);
  std::vector<std::string> log;
  pop.OnDisconnected = [&] { log.push_back("OnDisconnected"); };
  pop.Connect();
  std::vector<std::string> lines;
  EXPECT_THROW(pop.RetrieveRaw(1, lines), EIdConnClosedGracefully);
  EXPECT_FALSE(pop.IsConnected());
  EXPECT_EQ(log, std::vector<std::string>{"OnDisconnected"});
  pop.Disconnect();  // nothing left to close: no QUIT, no second event
  EXPECT_EQ(log, std::vector<std::string>{"OnDisconnected"});
  EXPECT_EQ(server.Finish(), "");
}

TEST(TIdPOP3Retrieve, OverlongLineIsRefused) {
  ScriptedServer server(std::string(kLogin) + R"(
    C: RETR 1\r\n
    S: +OK\r\n)" + std::string(16383, 'a') +
                        R"(\r\n)" + std::string(16384, 'b') + R"(\r\n.\r\n
    C: QUIT\r\n
  )");
  TIdPOP3 pop;
  Aim(pop, server);
  pop.Connect();
  std::vector<std::string> lines;
  EXPECT_THROW(pop.RetrieveRaw(1, lines), EIdReadLnMaxLineLengthExceeded);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].size(), 16383u);
  pop.Disconnect();
  EXPECT_EQ(server.Finish(), "");
}

TEST(TIdPOP3Retrieve, ReadsMessagesThroughTheReader) {
  ScriptedServer server(std::string(kLogin) + R"(
    C: RETR 1\r\n
    S: +OK\r\nSubject: only a header\r\nFrom: a@example.test\r\n.\r\n
    C: RETR 2\r\n
    S: +OK\r\nSubject: with body\r\n\r\n..stuffed\r\n\r\nplain\r\n.\r\n
    C: RETR 3\r\n
    S: -ERR Message 3 expunged.\r\n
    C: STAT\r\n
    S: +OK 3 100\r\n
    C: QUIT\r\n
  )");
  TIdPOP3 pop;
  Aim(pop, server);
  pop.Connect();
  TIdMessage msg;
  ASSERT_TRUE(pop.Retrieve(1, msg));
  EXPECT_EQ(msg.Subject, "only a header");
  EXPECT_EQ(msg.From.Address, "a@example.test");
  EXPECT_TRUE(msg.Body.empty());
  msg.Clear();
  ASSERT_TRUE(pop.Retrieve(2, msg));
  EXPECT_EQ(msg.Subject, "with body");
  EXPECT_EQ(msg.Body, (std::vector<std::string>{".stuffed", "", "plain"}));
  msg.Clear();
  msg.Subject = "left alone";
  EXPECT_FALSE(pop.Retrieve(3, msg));
  EXPECT_EQ(msg.Subject, "left alone");
  EXPECT_TRUE(msg.Headers.empty());
  EXPECT_EQ(pop.MessageCount(), 3);  // every message was read to its end
  pop.Disconnect();
  EXPECT_EQ(server.Finish(), "");
}

// The unique-id listing keeps only lines that can name a message safely; TOP is used only
// where CAPA listed it, and a server that sent body lines for TOP n 0 is read to its end.
TEST(TIdPOP3Optional, UniqueIdsAndHeadersOnly) {
  ScriptedServer server(std::string(kLogin) + R"(
    C: UIDL\r\n
    S: +OK\r\n1 abc\r\n2 has space\r\nx zz\r\n0 zero\r\n3 ok-3\r\n4\r\n.\r\n
    C: TOP 2 0\r\n
    S: +OK\r\nSubject: two\r\n\r\nbody line sent anyway\r\n.\r\n
    C: STAT\r\n
    S: +OK 3 100\r\n
    C: QUIT\r\n
  )");
  TIdPOP3 pop;
  Aim(pop, server);
  pop.Connect();
  EXPECT_TRUE(pop.MaySupport("UIDL"));
  EXPECT_FALSE(pop.MaySupport("PIPELINING"));
  std::vector<TIdUidlEntry> ids;
  ASSERT_TRUE(pop.ListUniqueIds(ids));
  // An id with a space, a number that is none or 0, and a line without an id are left out.
  ASSERT_EQ(ids.size(), 2u);
  EXPECT_EQ(ids[0].Number, 1);
  EXPECT_EQ(ids[0].Uid, "abc");
  EXPECT_EQ(ids[1].Number, 3);
  EXPECT_EQ(ids[1].Uid, "ok-3");
  TIdMessage msg;
  ASSERT_TRUE(pop.RetrieveHeader(2, msg));
  EXPECT_EQ(msg.Subject, "two");
  EXPECT_EQ(pop.MessageCount(), 3);  // the extra body line did not leak into the next reply
  pop.Disconnect();
  EXPECT_EQ(server.Finish(), "");
}

TEST(TIdPOP3Optional, ServerThatDoesNotSayWhatItSupports) {
  ScriptedServer server(R"(
    S: +OK ready\r\n
    C: CAPA\r\n
    S: -ERR unknown command\r\n
    C: USER alice\r\n
    S: +OK\r\n
    C: PASS secret\r\n
    S: +OK\r\n
    C: UIDL\r\n
    S: -ERR unknown command\r\n
    C: RETR 1\r\n
    S: +OK\r\nSubject: whole\r\n\r\nbody\r\n.\r\n
    C: QUIT\r\n
  )");
  TIdPOP3 pop;
  Aim(pop, server);
  pop.Connect();
  // Only trying tells; TOP is not tried (a refusal would cost a round trip per message).
  EXPECT_TRUE(pop.MaySupport("UIDL"));
  std::vector<TIdUidlEntry> ids;
  EXPECT_FALSE(pop.ListUniqueIds(ids));
  TIdMessage msg;
  ASSERT_TRUE(pop.RetrieveHeader(1, msg));
  EXPECT_EQ(msg.Subject, "whole");
  pop.Disconnect();
  EXPECT_EQ(server.Finish(), "");
}

}  // namespace
}  // namespace transport
