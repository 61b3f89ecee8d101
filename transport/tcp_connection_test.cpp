// Tests of the line-oriented connection: line limits and terminators over memory and chunked
// channels, replies, error paths, time-outs and the order of status reports over real sockets.
#include "transport/tcp_connection.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "transport/posix_channel.h"
#include "transport/testing/failing_channel.h"
#include "transport/testing/loopback_listener.h"
#include "transport/testing/scripted_server.h"

namespace transport {
namespace {

using testing::FailingChannel;
using testing::LoopbackListener;
using testing::ScriptedServer;

// A connection reading `input`, at most `chunk` bytes per receive (0: all at once).
std::unique_ptr<TIdTCPConnection> Over(const std::string& input, std::size_t chunk = 0) {
  auto connection = std::make_unique<TIdTCPConnection>();
  connection->OpenOnChannel(std::make_unique<MemoryChannel>(input, chunk));
  return connection;
}

// A loopback port nobody listens on.
int ClosedPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

class LineReaderTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(LineReaderTest, SplitsLinesAlikeWhateverTheChunkSize) {
  auto c = Over("one\r\ntwo\nthree\r\r\n\r\nlast", GetParam());
  EXPECT_EQ(c->ReadLine(), "one");
  EXPECT_EQ(c->ReadLine(), "two");
  EXPECT_EQ(c->ReadLine(), "three\r");  // only one CR before the LF is dropped
  EXPECT_EQ(c->ReadLine(), "");
  // Data without a line end is not handed out once the peer has closed.
  EXPECT_THROW(c->ReadLine(), EIdConnClosedGracefully);
  EXPECT_FALSE(c->IsConnected());
}

TEST_P(LineReaderTest, LimitCountsEveryByteBeforeTheLineFeed) {
  const std::string accepted(16383, 'a');
  const std::string refused(16384, 'b');
  auto ok = Over(accepted + "\r\n" + std::string(16384, 'c') + "\n", GetParam());
  EXPECT_EQ(ok->ReadLine(), accepted);
  EXPECT_EQ(ok->ReadLine().size(), 16384u);  // with a bare LF the limit is 16384 bytes
  auto too_long = Over(refused + "\r\n", GetParam());
  try {
    too_long->ReadLine();
    ADD_FAILURE() << "an over-long line was accepted";
  } catch (const EIdReadLnMaxLineLengthExceeded& e) {
    EXPECT_STREQ(e.what(), "Max line length exceeded.");
  }
}

TEST_P(LineReaderTest, CapturesDotTerminatedDataAndRemovesStuffing) {
  auto c = Over("a\r\n..b\r\n...\r\n.c\r\n.\r\nafter\r\n", GetParam());
  std::vector<std::string> lines;
  c->Capture(lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"a", ".b", "..", ".c"}));
  EXPECT_EQ(c->ReadLine(), "after");
}

INSTANTIATE_TEST_SUITE_P(Chunks, LineReaderTest, ::testing::Values(0u, 1u, 7u, 4096u));

TEST(TIdTCPConnectionLines, SplitActionHandsOutPiecesOfTheLimit) {
  auto c = Over("abcdefgh\r\n");
  c->MaxLineAction = maSplit;
  EXPECT_EQ(c->ReadLine("\n", -1, 3), "abc");
  EXPECT_EQ(c->ReadLine("\n", -1, 3), "def");
  EXPECT_EQ(c->ReadLine("\n", -1, 3), "gh");
}

TEST(TIdTCPConnectionLines, OtherTerminatorsAndNoLimit) {
  auto c = Over("key=value;;rest\r\n" + std::string(40000, 'x') + "\n", 5);
  EXPECT_EQ(c->ReadLine(";;"), "key=value");
  EXPECT_EQ(c->ReadLine(), "rest");
  c->MaxLineLength = 0;
  EXPECT_EQ(c->ReadLine().size(), 40000u);
}

TEST(TIdTCPConnectionLines, NonBlankLineIsTrimmedAndTriesAreBounded) {
  auto c = Over("\r\n  \t\r\n  +OK hi \r\n\r\n\r\n");
  EXPECT_EQ(c->ReadNonBlankLine(), "+OK hi");
  EXPECT_EQ(c->ReadNonBlankLine(2), "");
}

struct ReplyCase {
  const char* name;
  std::string wire;
  std::string text_code;
  int numeric_code;
  std::vector<std::string> text;
};

class ReplyReaderTest : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(ReplyReaderTest, ReadsOneReply) {
  const ReplyCase& r = GetParam();
  auto c = Over(r.wire + "NEXT\r\n", 1);
  EXPECT_EQ(c->ReadReply(), r.numeric_code);
  EXPECT_EQ(c->LastReply().TextCode(), r.text_code);
  EXPECT_EQ(c->LastReply().Text, r.text);
  EXPECT_EQ(c->ReadLine(), "NEXT");
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ReplyReaderTest,
    ::testing::Values(
        ReplyCase{"MultiLine", "250-first\r\n250 last\r\n", "250", 250, {"first", "last"}},
        ReplyCase{"EndLineOfCodeOnly", "250-a\r\n250-b\r\n250\r\n", "250", 250, {"a", "b", ""}},
        ReplyCase{"BlankLinesBefore", "\r\n\r\n  \r\n220 ready\r\n", "220", 220, {"ready"}},
        ReplyCase{"MarkerIgnoresCase", "25a-x\r\n25A y\r\n", "25a", 0, {"x", "y"}},
        ReplyCase{
            "ForeignCodeContinues", "250-a\r\n251 b\r\n250 c\r\n", "250", 250, {"a", "b", "c"}},
        ReplyCase{"PopWords", "+OK 3 4521\r\n", "+OK", 0, {"3 4521"}},
        ReplyCase{"PopError", "-ERR no such\r\n", "-ERR", 0, {" no such"}},
        ReplyCase{"CodeAlone", "354\r\n", "354", 354, {""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TIdRFCReply, CodesFollowEachOther) {
  TIdRFCReply reply;
  reply.SetTextCode("451");
  EXPECT_EQ(reply.NumericCode(), 451);
  reply.SetTextCode("+OK");
  EXPECT_EQ(reply.NumericCode(), 0);
  reply.SetNumericCode(2);
  EXPECT_EQ(reply.TextCode(), "2");
  reply.SetNumericCode(0);
  EXPECT_EQ(reply.TextCode(), "2");  // 0 leaves the text code alone
  reply.Text = {"a", "b"};
  EXPECT_EQ(reply.JoinedText(), "a\r\nb\r\n");
  reply.Clear();
  EXPECT_EQ(reply.NumericCode(), 0);
  EXPECT_EQ(reply.TextCode(), "");
  EXPECT_TRUE(reply.Text.empty());
}

TEST(TIdTCPConnectionCommands, RejectedCodeRaisesWithReplyText) {
  auto c = Over("550-no\r\n550 mailbox\r\n250 ok\r\n221 bye\r\n");
  try {
    c->SendCommand("RCPT TO:<x@y>", {250, 251});
    ADD_FAILURE() << "550 was accepted";
  } catch (const EIdProtocolReplyError& e) {
    EXPECT_EQ(e.ReplyErrorCode(), 550);
    EXPECT_STREQ(e.what(), "no\r\nmailbox\r\n");
  }
  EXPECT_EQ(c->SendCommand("NOOP", {-1}), 250);
  EXPECT_EQ(c->SendCommand("QUIT"), 221);
}

TEST(TIdTCPConnectionCommands, WritesLinesWithCrLf) {
  auto channel = std::make_unique<MemoryChannel>("");
  auto written = channel->WrittenHandle();
  TIdTCPConnection c;
  c.OpenOnChannel(std::move(channel));
  c.WriteLine("HELO x");
  c.Write("");
  c.Write("abc");
  c.WriteLine();
  c.Disconnect();
  EXPECT_EQ(*written, "HELO x\r\nabc\r\n");
}

TEST(TIdTCPConnectionErrors, NeverConnectedReadsAndWritesRaiseNotConnected) {
  TIdTCPConnection c;
  EXPECT_FALSE(c.IsConnected());
  try {
    c.WriteLine("x");
    ADD_FAILURE();
  } catch (const EIdNotConnected& e) {
    EXPECT_STREQ(e.what(), "Not Connected");
  }
  EXPECT_THROW(c.ReadLine(), EIdNotConnected);
}

TEST(TIdTCPConnectionErrors, SendErrorsThatEndTheConnectionCloseTheSocket) {
  for (int error : {kSocketErrorConnReset, kSocketErrorConnAborted, kSocketErrorShutdown}) {
    TIdTCPConnection c;
    c.OpenOnChannel(std::make_unique<FailingChannel>("", 0, 4, error));
    try {
      c.WriteLine("QUIT");  // 6 bytes: the first 4 go out, then the error
      ADD_FAILURE() << error;
    } catch (const EIdSocketError& e) {
      EXPECT_EQ(e.LastError(), error);
      EXPECT_EQ(std::string(e.what()),
                "Socket Error # " + std::to_string(error) + "\r\n" + SocketErrorText(error));
    }
    EXPECT_FALSE(c.IsConnected()) << error;
  }
  TIdTCPConnection other;
  other.OpenOnChannel(std::make_unique<FailingChannel>("", 0, 0, kSocketErrorNoBufs));
  EXPECT_THROW(other.WriteLine("x"), EIdSocketError);
  EXPECT_TRUE(other.IsConnected());  // other errors leave the socket to the caller
}

TEST(TIdTCPConnectionErrors, AbortAfterBufferedDataStillDeliversTheData) {
  TIdTCPConnection c;
  c.OpenOnChannel(std::make_unique<FailingChannel>("line\r\npartial", kSocketErrorConnAborted));
  EXPECT_EQ(c.ReadLine(), "line");
  EXPECT_THROW(c.ReadLine(), EIdConnClosedGracefully);
  EXPECT_FALSE(c.IsConnected());

  TIdTCPConnection empty;
  empty.OpenOnChannel(std::make_unique<FailingChannel>("", kSocketErrorConnAborted));
  EXPECT_THROW(empty.ReadLine(), EIdSocketError);
  EXPECT_FALSE(empty.IsConnected());

  TIdTCPConnection reset;
  reset.OpenOnChannel(std::make_unique<FailingChannel>("", kSocketErrorConnReset));
  EXPECT_THROW(reset.ReadLine(), EIdSocketError);
  EXPECT_TRUE(reset.IsConnected());
}

TEST(TIdTCPConnectionErrors, MessagesOfTheFamily) {
  EXPECT_STREQ(EIdSocketError(11001).what(), "Socket Error # 11001\r\nHost not found.");
  EXPECT_STREQ(EIdSocketError(10035).what(), "Socket Error # 10035\r\nOperation would block. ");
  EXPECT_STREQ(EIdSocketError(12345).what(), "Socket Error # 12345\r\n");
  EXPECT_STREQ(EIdClosedSocket().what(), "Disconnected.");
  EXPECT_STREQ(EIdAlreadyConnected().what(), "Already connected.");
  EXPECT_STREQ(EIdInvalidSocket().what(), "Cannot allocate socket.");
  EXPECT_EQ(SocketErrorFromErrno(ECONNREFUSED), 10061);
  EXPECT_EQ(SocketErrorFromErrno(ECONNRESET), 10054);
  EXPECT_EQ(SocketErrorFromErrno(EPIPE), 10058);
}

// Records status reports and notify events in the order they fire.
struct EventLog {
  std::vector<std::string> entries;
  void Hook(TIdTCPClient& client) {
    client.OnStatus = [this](TIdStatus, const std::string& text) { entries.push_back(text); };
    client.OnConnected = [this] { entries.push_back("OnConnected"); };
    client.OnDisconnected = [this] { entries.push_back("OnDisconnected"); };
  }
};

TEST(TIdTCPClientSocket, ConnectAndDisconnectReportInOrder) {
  ScriptedServer server(R"(
    S: hello\r\n
    C: bye\r\n)");
  TIdTCPClient client;
  EventLog log;
  log.Hook(client);
  client.Host = "LocalHost";
  client.Port = server.Port();
  client.Connect();
  EXPECT_THROW(client.Connect(), EIdAlreadyConnected);
  EXPECT_EQ(client.ReadLine(), "hello");
  client.WriteLine("bye");
  client.Disconnect();
  client.Disconnect();  // closed: nothing fires
  EXPECT_EQ(server.Finish(), "");
  EXPECT_EQ(log.entries,
            (std::vector<std::string>{"Resolving hostname LocalHost.", "Connecting to 127.0.0.1.",
                                      "Connected.", "OnConnected", "Disconnecting.",
                                      "OnDisconnected", "Disconnected."}));
}

TEST(TIdTCPClientSocket, PeerCloseIsNoticedOnlyByTheNextUse) {
  ScriptedServer server(R"(
    S: +OK\r\n
    CLOSE)");
  TIdTCPClient client;
  EventLog log;
  log.Hook(client);
  client.Host = "127.0.0.1";
  client.Port = server.Port();
  client.Connect();
  EXPECT_EQ(client.ReadLine(), "+OK");
  EXPECT_EQ(server.Finish(), "");
  EXPECT_TRUE(client.IsConnected());  // an idle connection is not probed
  try {
    client.ReadLine();
    ADD_FAILURE();
  } catch (const EIdConnClosedGracefully& e) {
    EXPECT_STREQ(e.what(), "Connection Closed Gracefully.");
  }
  EXPECT_FALSE(client.IsConnected());
  client.Disconnect();
  EXPECT_EQ(log.entries,
            (std::vector<std::string>{"Connecting to 127.0.0.1.", "Connected.", "OnConnected",
                                      "Disconnected.", "OnDisconnected"}));
}

TEST(TIdTCPClientSocket, SilentServerEndsTheReadWithReadTimeout) {
  ScriptedServer server(R"(
    S: +OK\r\n
    STALL
    C: QUIT\r\n)");
  TIdTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = server.Port();
  client.ReadTimeout = 150;
  client.Connect();
  EXPECT_EQ(client.ReadLine(), "+OK");
  EXPECT_EQ(client.ReadLine("\n", 50), "");  // an explicit timeout answers an empty line
  try {
    client.ReadLine();
    ADD_FAILURE();
  } catch (const EIdReadTimeout& e) {
    EXPECT_STREQ(e.what(), "Read Timeout");
  }
  EXPECT_TRUE(client.IsConnected());
  client.WriteLine("QUIT");
  client.Disconnect();
  EXPECT_EQ(server.Finish(), "");
}

// A server that stops reading (a full receive window in the middle of DATA) ends the write
// with an error instead of blocking the window for ever.
TEST(TIdTCPClientSocket, WriteToAPeerThatStopsReadingTimesOut) {
  LoopbackListener listener;
  // The connection is completed by the kernel but never accepted nor read.
  TIdTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = listener.Port();
  client.WriteTimeout = 200;
  client.Connect();
  const std::string block(1 << 20, 'x');
  int written = 0;
  try {
    for (; written < 256; ++written) client.Write(block);  // far beyond any socket buffer
    ADD_FAILURE() << "256 MB went to a peer that reads nothing";
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 10060);
    EXPECT_STREQ(e.what(), "Socket Error # 10060\r\nConnection timed out.");
  }
  EXPECT_GT(written, 0);
  client.Disconnect();
}

TEST(TIdTCPClientSocket, RefusedConnectRaisesTheMappedSocketError) {
  TIdTCPClient client;
  EventLog log;
  log.Hook(client);
  client.Host = "127.0.0.1";
  client.Port = ClosedPort();
  try {
    client.Connect();
    ADD_FAILURE();
  } catch (const EIdSocketError& e) {
    EXPECT_EQ(e.LastError(), 10061);
    EXPECT_STREQ(e.what(), "Socket Error # 10061\r\nConnection refused.");
  }
  EXPECT_FALSE(client.IsConnected());
  EXPECT_EQ(log.entries, (std::vector<std::string>{"Connecting to 127.0.0.1."}));
  // The failed attempt leaves nothing behind that blocks the next one.
  ScriptedServer server(R"(S: hi\r\n)");
  client.Port = server.Port();
  client.Connect();
  EXPECT_EQ(client.ReadLine(), "hi");
  client.Disconnect();
  EXPECT_EQ(server.Finish(), "");
}

TEST(TIdTCPClientSocket, LocalAddressInUseRaisesTheMappedSocketError) {
  ScriptedServer server(R"(S: hi\r\n)");
  TIdTCPClient client;
  client.Host = "127.0.0.1";
  client.Port = server.Port();
  client.BoundIP = "127.0.0.1";
  client.BoundPort = server.Port();  // the listener holds it
  try {
    client.Connect();
    ADD_FAILURE();
  } catch (const EIdSocketError& e) {
    EXPECT_STREQ(e.what(), "Socket Error # 10048\r\nAddress already in use.");
  }
  EXPECT_FALSE(client.IsConnected());
  client.BoundPort = 0;
  client.Connect();
  EXPECT_EQ(client.ReadLine(), "hi");
  client.Disconnect();
  EXPECT_EQ(server.Finish(), "");
}

}  // namespace
}  // namespace transport
