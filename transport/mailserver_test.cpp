// Tests against the loopback Dovecot POP3 and Postfix SMTP servers the CTest fixture starts
// (scripts/mailservers). The env file of the servers' tree gives the ports.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "jtext/convert.h"
#include "jtext/header_decode.h"
#include "jtext/header_encode.h"
#include "platform/codepage.h"
#include "platform/tempfiles.h"
#include "transport/message.h"
#include "transport/pop3.h"
#include "transport/smtp.h"

namespace transport {
namespace {

// The environment overrides the paths the build compiled in.
std::string Setting(const char* name, const char* built_in) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : built_in;
}

std::map<std::string, std::string> ReadEnvFile() {
  std::map<std::string, std::string> values;
  std::ifstream in(Setting("MAILSERVER_DIR", YUBINKO_MAIL_DIR) + "/env");
  std::string line;
  while (std::getline(in, line)) {
    std::size_t eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return values;
}

class MailServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_ = ReadEnvFile();
    ASSERT_FALSE(env_.empty()) << "the mail server fixture did not run (MAILSERVER_DIR/env)";
    pop3_port_ = std::stoi(env_["POP3_PORT"]);
    smtp_port_ = std::stoi(env_["SMTP_PORT"]);
  }

  // Replaces the mailbox of `user` with `messages` (LF line ends), in order.
  void Seed(const std::string& user, const std::vector<std::string>& messages) {
    std::string command = Setting("MAILSERVER_SCRIPTS", YUBINKO_MAIL_SCRIPTS) + "/seed.sh " +
                          env_["MAIL_DIR"] + " " + user + " --clear";
    std::vector<std::string> files;
    for (const std::string& message : messages) {
      files.push_back(platform::MakeTempFile("seed"));
      std::ofstream(files.back(), std::ios::binary) << message;
      command += " --eml " + files.back();
    }
    ASSERT_EQ(std::system((command + " >/dev/null").c_str()), 0) << command;
    for (const std::string& file : files) std::remove(file.c_str());
  }

  void Aim(TIdPOP3& pop, const std::string& user, const std::string& password) {
    pop.Host = "127.0.0.1";
    pop.Port = pop3_port_;
    pop.Username = user;
    pop.Password = password;
  }

  std::map<std::string, std::string> env_;
  int pop3_port_ = 0;
  int smtp_port_ = 0;
};

// The bytes of a stored message as POP3 hands them out line by line.
std::vector<std::string> Lines(const std::string& lf_text) {
  std::vector<std::string> lines;
  std::istringstream in(lf_text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

TEST_F(MailServerTest, WrongPasswordIsRefusedAndTheClientCloses) {
  TIdPOP3 pop;
  Aim(pop, "alice", "not-the-password");
  std::vector<std::string> log;
  pop.OnStatus = [&](TIdStatus, const std::string& text) { log.push_back(text); };
  try {
    pop.Connect();
    ADD_FAILURE() << "logged in with a wrong password";
  } catch (const EIdProtocolReplyError& e) {
    EXPECT_EQ(e.ReplyErrorCode(), TIdPOP3::kErr);
    EXPECT_STREQ(e.what(), " [AUTH] Authentication failed.\r\n");
  }
  EXPECT_FALSE(pop.IsConnected());
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "Disconnected.");
}

TEST_F(MailServerTest, StatListRetrAndDeletionOnlyAtQuit) {
  const std::vector<std::string> messages = {
      "Subject: one\nMessage-ID: <1@example.test>\n\nfirst body\n",
      "Subject: two\nMessage-ID: <2@example.test>\n\n.starts with a dot\n.\nend\n",
      "Subject: three\nMessage-ID: <3@example.test>\n\nthird\n",
  };
  Seed("alice", messages);

  TIdPOP3 pop;
  Aim(pop, "alice", "alicepw");
  pop.Connect();
  ASSERT_EQ(pop.MessageCount(), 3);
  // The size counts CR LF line ends.
  EXPECT_EQ(pop.MessageSize(2), static_cast<int>(messages[1].size() + Lines(messages[1]).size()));
  std::vector<std::string> lines;
  ASSERT_TRUE(pop.RetrieveRaw(2, lines));
  EXPECT_EQ(lines, Lines(messages[1]));
  lines.clear();
  EXPECT_FALSE(pop.RetrieveRaw(4, lines));
  EXPECT_TRUE(lines.empty());
  EXPECT_TRUE(pop.DeleteMessage(1));
  EXPECT_THROW(pop.DeleteMessage(1), EIdProtocolReplyError);  // already marked

  {
    // A second session while the first has not quit still sees the marked message.
    TIdPOP3 other;
    Aim(other, "alice", "alicepw");
    other.Connect();
    EXPECT_EQ(other.MessageCount(), 3);
    other.Disconnect();
  }
  pop.Disconnect();  // QUIT applies the deletion

  // The server applies deletions after the client has gone; give it a bounded moment.
  int count = -1;
  for (int attempt = 0; attempt < 50 && count != 2; ++attempt) {
    TIdPOP3 after;
    Aim(after, "alice", "alicepw");
    after.Connect();
    count = after.MessageCount();
    if (count == 2) {
      lines.clear();
      ASSERT_TRUE(after.RetrieveRaw(1, lines));
      EXPECT_EQ(lines, Lines(messages[1]));
    }
    after.Disconnect();
    if (count != 2) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(count, 2);
}

TEST_F(MailServerTest, DeletionWithoutQuitIsNotApplied) {
  Seed("alice", {"Subject: keep\n\nkept\n", "Subject: keep too\n\nkept\n"});
  TIdPOP3 pop;
  Aim(pop, "alice", "alicepw");
  pop.Connect();
  ASSERT_EQ(pop.MessageCount(), 2);
  EXPECT_TRUE(pop.DeleteMessage(2));
  pop.TIdTCPClient::Disconnect();  // drop the connection without QUIT
  TIdPOP3 again;
  Aim(again, "alice", "alicepw");
  again.Connect();
  EXPECT_EQ(again.MessageCount(), 2);
  again.Disconnect();
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string WriteTempFile(const std::string& bytes) {
  std::string path = platform::MakeTempFile("attach");
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

TEST_F(MailServerTest, JapaneseMessageWithAttachmentsSurvivesSmtpAndPop3) {
  Seed("bob", {});
  Seed("alice", {});
  const std::string subject = platform::Sjis("日本語の件名：受信テスト");
  const std::string sender = platform::Sjis("送信 太郎");
  const std::string attachment_name = platform::Sjis("添付資料①.txt");
  const std::vector<std::string> body = {
      jtext::ConvertCode(platform::Sjis("こんにちは、本文です。"), jtext::kCodeJis),
      "",
      ".a line that starts with a dot",
      ".",
      jtext::ConvertCode(platform::Sjis("以上、よろしくお願いします。"), jtext::kCodeJis),
  };
  std::string binary;
  for (int i = 0; i < 5000; ++i) binary += static_cast<char>((i * 7 + i / 256) & 0xFF);
  const std::string text_file = platform::Sjis("一行目\r\n二行目\r\n");
  const std::string binary_path = WriteTempFile(binary);
  const std::string text_path = WriteTempFile(text_file);

  {
    TIdMessage msg;
    msg.From = TIdEMailAddressItem("alice@example.test", jtext::EncodeHeaderWords(sender));
    msg.Recipients.Add(TIdEMailAddressItem("bob@example.test", platform::Sjis("受信者")));
    msg.BccList.Add(TIdEMailAddressItem("alice@example.test", ""));
    msg.Subject = jtext::EncodeHeaderWords(subject);
    msg.Body = body;
    msg.Parts.AddAttachment(binary_path).FileName = "data.bin";
    msg.Parts.AddAttachment(text_path).FileName = jtext::EncodeWholeWord(attachment_name);

    TIdSMTP smtp;
    smtp.Host = "127.0.0.1";
    smtp.Port = smtp_port_;
    smtp.Username = "alice";
    smtp.Password = "alicepw";
    smtp.SetAuthenticationType(atLogin);
    smtp.Connect();
    smtp.Send(msg);
    EXPECT_TRUE(smtp.DidAuthenticate());
    smtp.Disconnect();
  }
  std::remove(binary_path.c_str());
  std::remove(text_path.c_str());

  // Delivery runs after the SMTP session; wait a bounded time for it.
  auto fetch = [&](const std::string& user, const std::string& password, TIdMessage& out) {
    for (int attempt = 0; attempt < 100; ++attempt) {
      TIdPOP3 pop;
      Aim(pop, user, password);
      pop.Connect();
      if (pop.MessageCount() == 1) {
        EXPECT_TRUE(pop.Retrieve(1, out));
        pop.Disconnect();
        return true;
      }
      pop.Disconnect();
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  };

  TIdMessage got;
  got.DeleteTempFiles = true;
  ASSERT_TRUE(fetch("bob", "bobpw", got)) << "the message never reached bob's mailbox";
  EXPECT_EQ(got.Subject, subject);
  EXPECT_NE(got.From.Name.find(sender), std::string::npos) << got.From.Name;
  EXPECT_NE(jtext::DecodeHeaderValue(got.Headers.GetValue("From"), "").find(sender),
            std::string::npos)
      << got.Headers.GetValue("From");
  EXPECT_EQ(got.From.Address, "alice@example.test");
  ASSERT_EQ(got.Recipients.Count(), 1u);
  EXPECT_EQ(got.Recipients[0].Name, platform::Sjis("受信者"));
  EXPECT_EQ(got.Headers.IndexOfName("Bcc"), -1);

  std::vector<std::string> text_body;
  std::vector<const TIdAttachment*> attachments;
  for (std::size_t i = 0; i < got.Parts.Count(); ++i) {
    if (got.Parts[i].Kind() == TIdPartKind::kText) {
      text_body = static_cast<const TIdText&>(got.Parts[i]).Body;
    } else {
      attachments.push_back(&static_cast<const TIdAttachment&>(got.Parts[i]));
    }
  }
  // The writer ends the text part with an empty line before the next boundary.
  while (!text_body.empty() && text_body.back().empty()) text_body.pop_back();
  EXPECT_EQ(text_body, body);
  ASSERT_EQ(attachments.size(), 2u);
  EXPECT_EQ(attachments[0]->FileName, "data.bin");
  EXPECT_EQ(ReadBytes(attachments[0]->StoredPath), binary);
  EXPECT_EQ(attachments[1]->FileName, attachment_name);
  EXPECT_EQ(ReadBytes(attachments[1]->StoredPath), text_file);

  // An independent reader of the same wire text (python's email package) finds the same
  // subject and attachment bytes.
  {
    TIdPOP3 pop;
    Aim(pop, "bob", "bobpw");
    pop.Connect();
    std::vector<std::string> raw;
    ASSERT_TRUE(pop.RetrieveRaw(1, raw));
    pop.Disconnect();
    const std::string out = platform::MakeTempFile("oracle");
    std::remove(out.c_str());
    ASSERT_EQ(mkdir(out.c_str(), 0700), 0);
    std::string joined;
    for (const std::string& line : raw) joined += line + "\n";
    std::ofstream(out + "/message.eml", std::ios::binary) << joined;
    const std::string script =
        "import sys, os, email, email.header\n"
        "out = sys.argv[1]\n"
        "msg = email.message_from_binary_file(open(os.path.join(out, 'message.eml'), 'rb'))\n"
        "subject = email.header.make_header(email.header.decode_header(msg['Subject']))\n"
        "open(os.path.join(out, 'subject'), 'w', encoding='utf-8').write(str(subject))\n"
        "parts = [p for p in msg.walk() if p.get_filename() is not None]\n"
        "for i, part in enumerate(parts):\n"
        "    open(os.path.join(out, 'data%d' % i), 'wb').write(part.get_payload(decode=True))\n";
    std::ofstream(out + "/oracle.py") << script;
    ASSERT_EQ(std::system(("python3 " + out + "/oracle.py " + out).c_str()), 0);
    EXPECT_EQ(ReadBytes(out + "/subject"), platform::Cp932ToUtf8(subject));
    EXPECT_EQ(ReadBytes(out + "/data0"), binary);
    EXPECT_EQ(ReadBytes(out + "/data1"), text_file);
    std::system(("rm -rf " + out).c_str());
  }

  // The Bcc copy reached alice and names her in no header either.
  TIdMessage copy;
  copy.DeleteTempFiles = true;
  ASSERT_TRUE(fetch("alice", "alicepw", copy));
  EXPECT_EQ(copy.Subject, subject);
  for (const std::string& line : copy.Headers) {
    EXPECT_EQ(line.rfind("Bcc", 0), std::string::npos) << line;
  }
}

TEST_F(MailServerTest, WrongSmtpPasswordIsRefusedBeforeTheEnvelope) {
  TIdSMTP smtp;
  smtp.Host = "127.0.0.1";
  smtp.Port = smtp_port_;
  smtp.Username = "alice";
  smtp.Password = "wrong";
  smtp.SetAuthenticationType(atLogin);
  smtp.Connect();
  EXPECT_EQ(smtp.AuthSchemesSupported(), (std::vector<std::string>{"PLAIN", "LOGIN"}));
  TIdMessage msg;
  msg.From = TIdEMailAddressItem("alice@example.test", "");
  msg.Recipients.Add(TIdEMailAddressItem("bob@example.test", ""));
  msg.Body = {"never sent"};
  try {
    smtp.Send(msg);
    ADD_FAILURE() << "sent with a wrong password";
  } catch (const EIdProtocolReplyError& e) {
    EXPECT_EQ(e.ReplyErrorCode(), 535);
  }
  EXPECT_FALSE(smtp.DidAuthenticate());
  EXPECT_TRUE(smtp.IsConnected());
  smtp.Disconnect();
}

}  // namespace
}  // namespace transport
