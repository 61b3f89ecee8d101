// The send step against scripted SMTP servers: what goes on the wire for ordinary, merge and
// reply messages, what is stored afterwards, and that failures store nothing.
#include "compose/send_step.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "jtext/header_encode.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/testing/temp_app_dir.h"
#include "store/account_file.h"
#include "store/paths.h"
#include "transport/testing/scripted_server.h"

namespace compose {
namespace {

using transport::testing::ScriptedServer;
using U = std::string;

const char kHello[] = R"(
  S: 220 mail.example.test ESMTP\r\n
  C: EHLO client.test\r\n
  S: 250-mail.example.test\r\n250-AUTH PLAIN LOGIN\r\n250 8BITMIME\r\n
)";
const char kAuth[] = R"(
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
)";
const char kData[] = R"(
  C: DATA\r\n
  S: 354 go on\r\n
  C: <DATA>
  S: 250 queued\r\n
)";
const char kNextMessage[] = R"(
  C: RSET\r\n
  S: 250 Ok\r\n
  C: MAIL FROM:<alice@example.test>\r\n
  S: 250 Ok\r\n
)";

std::string Rcpt(const std::string& address, const std::string& reply = "250 Ok") {
  return "C: RCPT TO:<" + address + ">\\r\\n\nS: " + reply + "\\r\\n\n";
}

std::string SjisText(const char* utf8) { return platform::Sjis(utf8); }

class SendStepTest : public ::testing::Test {
 protected:
  SendStepTest() : state_(dir_.path()) {}

  // One account whose SMTP server is 127.0.0.1:port, selected in the sender box.
  void UseServerPort(int port) {
    store::AccountRecord a;
    a.AccountName = "main";
    a.UserId = "alice";
    a.Password = "secret";
    a.SmtpServer = "127.0.0.1";
    a.OwnAddress = "alice@example.test";
    a.SmtpPort = std::to_string(port);
    state_.AccountList = {a.Line()};
    fields_.sender_index = 0;
    fields_.sender_text = "alice@example.test";
    smtp_.HeloName = "client.test";
  }

  SendOutcome SendVia(ScriptedServer& server) {
    UseServerPort(server.Port());
    SendOutcome out = SendStep(state_, smtp_).Send(fields_);
    finish_ = server.Finish();
    return out;
  }

  std::string SentCopy(const std::string& key) {
    return state_.fs.ReadFile(store::MessageFilePath(store::SentFolder(), key)).value_or("");
  }
  std::string SentIndexFile() { return state_.fs.ReadFile(store::SentIndexPath()).value_or(""); }
  std::string MakeFile(const std::string& utf8_name, const std::string& bytes) {
    const std::filesystem::path p = dir_.path() / "files" / utf8_name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
  }

  platform::testing::TempAppDir dir_;
  platform::FixedClock clock_{platform::EncodeDateTime(2005, 10, 8, 12, 30, 45), -540};
  platform::ScopedClock use_clock_{clock_};
  state::MainState state_;
  transport::TIdSMTP smtp_;
  ComposerFields fields_;
  std::string finish_;
};

const char kOrdinaryKey[] = "<2005/10/08_123045tegamin_TKWorld>";

TEST_F(SendStepTest, OrdinaryMessageWithEmptyCcAndBccIsSentAndStored) {
  ScriptedServer server(U(kHello) + kAuth + Rcpt("bob@example.test") + kData + "C: QUIT\\r\\n");
  fields_.to = "bob@example.test";
  fields_.subject = SjisText("会議の件");
  fields_.body = SjisText("本文です\r\n.dot line");
  SendOutcome out = SendVia(server);
  ASSERT_EQ(finish_, "");
  EXPECT_EQ(out.status, SendOutcome::kSent) << out.message;
  EXPECT_TRUE(out.CloseComposer());

  const std::string wire = server.DataBlocks().at(0);
  EXPECT_EQ(wire.rfind("Message-ID: <2005/10/08_123045tegamin_TKWorld>\r\n", 0), 0u) << wire;
  EXPECT_NE(wire.find(jtext::EncodeHeaderWords(fields_.subject)), std::string::npos);
  EXPECT_NE(wire.find("\r\n..dot line\r\n"), std::string::npos);  // stuffed, body in JIS
  EXPECT_EQ(wire.find("\x82"), std::string::npos);                // no Shift_JIS left

  // The copy is named after the key's stem and starts with the sent-copy block.
  const std::string copy = platform::Cp932ToUtf8(SentCopy(kOrdinaryKey));
  EXPECT_TRUE(
      std::filesystem::exists(dir_.path() / "送信" / "02005710708_123045tegamin_TKWorld9.txt"));
  EXPECT_EQ(copy,
            "ReplyTo=alice@example.test\r\nCCList=\r\nBccList=\r\nあて名：bob@example.test\r\n"
            "件名：会議の件\r\n日時：2005/10/08_123045\r\n添付ファイル：\r\n"
            "-------------------\r\n本文です\r\n.dot line\r\n");
  EXPECT_EQ(platform::Cp932ToUtf8(SentIndexFile()),
            "<2005/10/08_123045tegamin_TKWorld>\t会議の件\tbob@example.test\t"
            "2005/10/08_123045\t#\t2\t#\r\n");
  EXPECT_EQ(state_.sent_index.size(), 1);
}

TEST_F(SendStepTest, AttachmentsGetTypesNamesAndFlag) {
  ScriptedServer server(U(kHello) + kAuth + Rcpt("bob@example.test") + Rcpt("cc@example.test") +
                        Rcpt("hidden@example.test") + kData + "C: QUIT\\r\\n");
  fields_.to = "bob@example.test";
  fields_.cc = "cc@example.test";
  fields_.bcc = "hidden@example.test";
  fields_.subject = "files";
  fields_.body = "see attached";
  fields_.attachments = {MakeFile("a.txt", "text file\r\n"), MakeFile("b.png", "\x89PNG\r\n"),
                         MakeFile("写真.JPG", std::string("\xFF\xD8\xFF\x00", 4))};
  SendOutcome out = SendVia(server);
  ASSERT_EQ(finish_, "");
  ASSERT_EQ(out.status, SendOutcome::kSent) << out.message;
  EXPECT_TRUE(fields_.attachments.empty());

  const std::string wire = server.DataBlocks().at(0);
  const std::string photo = jtext::EncodeWholeWord(SjisText("写真.JPG"));
  EXPECT_EQ(photo.rfind("=?ISO-2022-JP?B?", 0), 0u);
  for (const auto& [name, type] : {std::pair<std::string, std::string>{"a.txt", "text/plain"},
                                   {"b.png", "image/png"},
                                   {photo, "image/jpeg"}}) {
    const std::size_t at = wire.find("name=\"" + name + "\"");
    ASSERT_NE(at, std::string::npos) << name << "\n" << wire;
    const std::size_t type_at = wire.rfind("Content-Type: ", at);
    EXPECT_EQ(wire.compare(type_at + 14, type.size(), type), 0) << name;
  }
  EXPECT_EQ(wire.find("hidden@example.test"), std::string::npos);

  const std::string copy = platform::Cp932ToUtf8(SentCopy(kOrdinaryKey));
  EXPECT_NE(copy.find("CCList=cc@example.test\r\nBccList=hidden@example.test\r\n"),
            std::string::npos);
  EXPECT_NE(copy.find("添付ファイル：a.txt;b.png;写真.JPG;\r\n"), std::string::npos);
  EXPECT_NE(SentIndexFile().find("\t#\t1\t#"), std::string::npos);
}

TEST_F(SendStepTest, ReplyReferencesJoinTheQuotedLineUnlessItHoldsTheKey) {
  struct Case {
    const char* body;
    const char* header;  // expected References line, or "" for none
  };
  const Case cases[] = {
      {"References=<k1>\r\n-------------------\r\ntext", "References: <k1>,<k2>\r\n"},
      {"References=<k1>,<k2>\r\ntext", ""},
      {"no such line", "References: <k2>\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    ScriptedServer server(U(kHello) + kAuth + Rcpt("bob@example.test") + kData + "C: QUIT\\r\\n");
    state_.ReplyReference = "<k2>";
    fields_.to = "bob@example.test";
    fields_.subject = "re";
    fields_.body = c.body;
    ASSERT_EQ(SendVia(server).status, SendOutcome::kSent);
    ASSERT_EQ(finish_, "");
    const std::string wire = server.DataBlocks().at(0);
    if (*c.header) {
      EXPECT_NE(wire.find(c.header), std::string::npos) << wire;
    } else {
      EXPECT_EQ(wire.find("References:"), std::string::npos) << wire;
    }
  }
}

TEST_F(SendStepTest, MergeSendsEveryRowOverOneConnectionAndStoresOnce) {
  ScriptedServer server(U(kHello) + kAuth + Rcpt("a@example.test") + kData + kNextMessage +
                        Rcpt("b@example.test") + kData + kNextMessage + Rcpt("c@example.test") +
                        kData + "C: QUIT\\r\\n");
  fields_.merge = true;
  fields_.merge_rows = {"a@example.test,alpha,beta", "b@example.test \"x, y\"", "c@example.test"};
  fields_.subject = "hi %TK2";
  fields_.body = "Dear %tk2 (%TK3)";
  SendOutcome out = SendVia(server);
  ASSERT_EQ(finish_, "");
  ASSERT_EQ(out.status, SendOutcome::kSent) << out.message;
  const std::vector<std::string> wires = server.DataBlocks();
  ASSERT_EQ(wires.size(), 3u);
  const char* bodies[] = {"\r\n\r\nDear alpha (beta)\r\n", "\r\n\r\nDear x, y (%TK3)\r\n",
                          "\r\n\r\nDear %tk2 (%TK3)\r\n"};
  for (int r = 0; r < 3; ++r) {
    const std::string id =
        "Message-ID: <2005/10/08_123045" + std::to_string(r) + kMergeIdSuffix + "\r\n";
    EXPECT_EQ(wires[static_cast<size_t>(r)].rfind(id, 0), 0u) << wires[static_cast<size_t>(r)];
    EXPECT_NE(wires[static_cast<size_t>(r)].find(bodies[r]), std::string::npos);
    EXPECT_NE(wires[static_cast<size_t>(r)].find("Subject: hi %TK2\r\n"), std::string::npos);
  }
  // One record and one copy for the run, under the last row's Message-ID, body as typed.
  const std::string last_id = "<2005/10/08_1230452" + std::string(kMergeIdSuffix);
  EXPECT_EQ(state_.sent_index.size(), 1);
  EXPECT_EQ(state_.sent_index.Find(last_id), 0);
  EXPECT_NE(SentCopy(last_id).find("\r\nDear %tk2 (%TK3)\r\n"), std::string::npos);
}

TEST_F(SendStepTest, MergeStoppedAtARowRecordsTheRowsDelivered) {
  ScriptedServer server(U(kHello) + kAuth + Rcpt("a@example.test") + kData + kNextMessage +
                        Rcpt("gone@example.test", "550 5.1.1 unknown") + "C: QUIT\\r\\n");
  fields_.merge = true;
  fields_.merge_rows = {"a@example.test", "gone@example.test", "c@example.test"};
  fields_.subject = "s";
  fields_.body = "b";
  SendOutcome out = SendVia(server);
  ASSERT_EQ(finish_, "");
  EXPECT_EQ(out.status, SendOutcome::kMergePartial);
  EXPECT_FALSE(out.CloseComposer());
  EXPECT_EQ(out.rows_sent, 1);
  const std::string text = platform::Cp932ToUtf8(out.message);
  EXPECT_NE(text.find("2行目（gone@example.test）"), std::string::npos) << text;
  EXPECT_NE(text.find("5.1.1 unknown"), std::string::npos) << text;
  const std::string first_id = "<2005/10/08_1230450" + std::string(kMergeIdSuffix);
  EXPECT_EQ(state_.sent_index.Find(first_id), 0);
  EXPECT_NE(SentIndexFile().find(first_id), std::string::npos);
  EXPECT_FALSE(SentCopy(first_id).empty());
}

TEST_F(SendStepTest, FailuresAtEachStepStoreNothingAndKeepTheComposer) {
  const std::string refused_auth = U(kHello) + R"(
    C: RSET\r\n
    S: 250 Ok\r\n
    C: AUTH LOGIN\r\n
    S: 334 VXNlcm5hbWU6\r\n
    C: YWxpY2U=\r\n
    S: 334 UGFzc3dvcmQ6\r\n
    C: c2VjcmV0\r\n
    S: 535 5.7.8 authentication failed\r\n
    C: QUIT\r\n
  )";
  const std::string refused_rcpt =
      U(kHello) + kAuth + Rcpt("bob@example.test", "550 no such user") + "C: QUIT\\r\\n";
  const std::string refused_data = U(kHello) + kAuth + Rcpt("bob@example.test") + R"(
    C: DATA\r\n
    S: 354 go on\r\n
    C: <DATA>
    S: 554 rejected after data\r\n
    C: QUIT\r\n
  )";
  const std::string attachment = MakeFile("keep.txt", "x");
  for (const auto& [script, reply] :
       {std::pair<std::string, std::string>{refused_auth, "authentication failed"},
        {refused_rcpt, "no such user"},
        {refused_data, "rejected after data"}}) {
    SCOPED_TRACE(reply);
    ScriptedServer server(script);
    fields_.to = "bob@example.test";
    fields_.subject = "s";
    fields_.attachments = {attachment};
    SendOutcome out = SendVia(server);
    ASSERT_EQ(finish_, "");
    EXPECT_EQ(out.status, SendOutcome::kFailed);
    EXPECT_NE(out.message.find(reply), std::string::npos) << out.message;
    EXPECT_EQ(fields_.attachments.size(), 1u);
  }
  // Nothing listens on the port of a server that has finished.
  int closed_port = 0;
  {
    ScriptedServer gone("CLOSE\n");
    closed_port = gone.Port();
  }
  UseServerPort(closed_port);
  SendOutcome out = SendStep(state_, smtp_).Send(fields_);
  EXPECT_EQ(out.status, SendOutcome::kFailed);
  EXPECT_FALSE(out.message.empty());

  EXPECT_TRUE(state_.sent_index.empty());
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "送信"));
}

TEST_F(SendStepTest, LineBreaksInOneLineFieldsNeverStartAHeaderOrCommand) {
  ScriptedServer server(U(kHello) + kAuth + Rcpt("bob@example.testRSET") + kData + "C: QUIT\\r\\n");
  fields_.to = "bob@example.test\r\nRSET";
  fields_.subject = "x\r\n.\r\nRSET";
  fields_.body = "body";
  fields_.attachments = {MakeFile("evil\r\nBcc: x.txt", "x")};
  SendOutcome out = SendVia(server);
  ASSERT_EQ(finish_, "") << server.Received();
  ASSERT_EQ(out.status, SendOutcome::kSent) << out.message;
  const std::string wire = server.DataBlocks().at(0);
  EXPECT_NE(wire.find("Subject: x . RSET\r\n"), std::string::npos) << wire;
  EXPECT_EQ(wire.find("\r\nBcc:"), std::string::npos) << wire;
  EXPECT_EQ(wire.find("\r\n.\r\n"), std::string::npos);
  EXPECT_NE(SentIndexFile().find("\tx . RSET\t"), std::string::npos);
}

TEST_F(SendStepTest, ChecksRefuseBeforeConnecting) {
  struct Case {
    bool merge;
    const char* to;
    const char* subject;
    int account;
    const std::string& text;
    const char* sender = "alice@example.test";
  };
  const Case cases[] = {
      {true, "", "", 0, NoMergeFileText()},        {false, "", "s", 0, NoRecipientText()},
      {false, "a@b", "", 0, NoSubjectText()},      {false, "a@b", "s", -1, NoAccountText()},
      {false, "a@b", "s", 1, NoAccountText()},      // beyond the account list
      {false, "a@b", "s", 0, NoAccountText(), ""},  // the sender box emptied
  };
  for (const Case& c : cases) {
    UseServerPort(1);  // would be refused, but no check may get that far
    fields_.merge = c.merge;
    fields_.to = c.to;
    fields_.subject = c.subject;
    fields_.sender_index = c.account;
    fields_.sender_text = c.sender;
    SendOutcome out = SendStep(state_, smtp_).Send(fields_);
    EXPECT_EQ(out.status, SendOutcome::kRefused);
    EXPECT_EQ(out.message, c.text);
  }
  EXPECT_FALSE(smtp_.IsConnected());
}

TEST_F(SendStepTest, DeliveredButNotStoredIsNotAFailedSend) {
  // A plain file where the sent folder should be makes storing fail.
  std::ofstream(dir_.path() / "送信") << "in the way";
  ScriptedServer server(U(kHello) + kAuth + Rcpt("bob@example.test") + kData + "C: QUIT\\r\\n");
  fields_.to = "bob@example.test";
  fields_.subject = "s";
  SendOutcome out = SendVia(server);
  ASSERT_EQ(finish_, "");
  EXPECT_EQ(out.status, SendOutcome::kSentNotStored);
  EXPECT_TRUE(out.CloseComposer());
  EXPECT_TRUE(out.Delivered());
  EXPECT_TRUE(state_.sent_index.empty());
}

}  // namespace
}  // namespace compose
