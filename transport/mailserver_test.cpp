// Tests against the loopback Dovecot POP3 and Postfix SMTP servers the CTest fixture starts
// (scripts/mailservers). The env file of the servers' tree gives the ports.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/tempfiles.h"
#include "transport/pop3.h"

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
  EXPECT_EQ(pop.MessageSize(2),
            static_cast<int>(messages[1].size() + Lines(messages[1]).size()));
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

}  // namespace
}  // namespace transport
