// yubinko-cli receive against the loopback Dovecot the CTest fixture starts: a varied Japanese
// set compared with what python3's email package makes of it, a second run, delete after
// receive, and a run killed in the middle.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "jtext/base64.h"
#include "platform/codepage.h"
#include "platform/filesystem.h"
#include "platform/testing/temp_app_dir.h"
#include "state/index_list.h"
#include "store/account_file.h"
#include "store/paths.h"
#include "store/record.h"
#include "transport/pop3.h"

namespace receive {
namespace {

std::string Utf8(const std::string& sjis) { return platform::Cp932ToUtf8(sjis); }
std::string Sjis(const std::string& utf8) { return platform::Cp932FromUtf8(utf8); }

std::string Capture(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  const int rc = ::pclose(pipe);
  if (status != nullptr) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

std::string Unix(std::string text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

class ReceiveMailServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ifstream in(std::string(YUBINKO_MAIL_DIR) + "/env");
    std::string line;
    while (std::getline(in, line)) {
      if (line.starts_with("POP3_PORT=")) port_ = std::stoi(line.substr(10));
    }
    ASSERT_GT(port_, 0) << "the mail server fixture did not run";
  }
  void Seed(const std::string& args) { SeedMore("--clear " + args); }
  // Adds to the mailbox after what is there.
  void SeedMore(const std::string& args) {
    const std::string command = std::string(YUBINKO_MAIL_SCRIPTS) + "/seed.sh " + YUBINKO_MAIL_DIR +
                                " alice " + args + " >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
  std::vector<std::string> Samples() const {
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(YUBINKO_RECEIVE_TESTDATA)) {
      files.push_back(e.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
  }
  void MakeStore(const std::filesystem::path& dir, bool delete_after) {
    store::AccountRecord account;
    account.AccountName = "acct";
    account.PopServer = "127.0.0.1";
    account.UserId = "alice";
    account.Password = "alicepw";
    account.PopPort = std::to_string(port_);
    account.DeleteAfterReceive = delete_after ? "-1" : "0";
    platform::FileSystem(dir).WriteFileAtomic("Account.ini", account.Line() + "\r\n");
  }
  std::string Receive(const std::filesystem::path& dir, int* status) {
    return Capture(std::string(YUBINKO_CLI) + " receive " + dir.string() + " 2>/dev/null", status);
  }
  // A connection of our own to alice's mailbox, beside the runs under test.
  void ConnectAsAlice(transport::TIdPOP3& pop) const {
    pop.Host = "127.0.0.1";
    pop.Port = port_;
    pop.Username = "alice";
    pop.Password = "alicepw";
    pop.Connect();
  }
  int MailboxCount() {
    transport::TIdPOP3 pop;
    ConnectAsAlice(pop);
    const int n = pop.MessageCount();
    pop.Disconnect();
    return n;
  }

  // Dovecot logs each POP3 session's end with its counts ("top=0/0, retr=2/10244, ...").
  std::vector<std::string> SessionEnds() const {
    std::ifstream in(std::string(YUBINKO_MAIL_DIR) + "/log/dovecot.log");
    std::vector<std::string> ends;
    std::string line;
    while (std::getline(in, line)) {
      if (line.find("pop3(alice)") != std::string::npos &&
          line.find("Logged out") != std::string::npos) {
        ends.push_back(line.substr(line.find("Logged out")));
      }
    }
    return ends;
  }
  // The end of the session after `before` sessions, waited for (the log is written a moment
  // after the client has gone).
  std::string SessionEnd(std::size_t before) const {
    for (int i = 0; i < 200; ++i) {
      const std::vector<std::string> ends = SessionEnds();
      if (ends.size() > before) return ends[before];
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return "<no session end logged>";
  }
  // One CLI receive run; its stdout and the server's count of messages sent with RETR.
  std::pair<std::string, std::string> ReceiveCounting(const std::filesystem::path& dir) {
    const std::size_t before = SessionEnds().size();
    int status = -1;
    std::string out = Receive(dir, &status);
    EXPECT_EQ(status, 0);
    const std::string end = SessionEnd(before);
    const std::size_t retr = end.find("retr=");
    return {out, retr == std::string::npos ? end : end.substr(retr, end.find('/', retr) - retr)};
  }

  int port_ = 0;
};

// Dovecot lists UIDL: a second run over known mail fetches nothing; new mail among known mail
// is fetched alone; mail removed by another client changes the numbering without losing or
// fetching anything twice.
TEST_F(ReceiveMailServerTest, KnownMailIsNotFetchedAgain) {
  Seed("--count 3");
  platform::testing::TempAppDir dir;
  MakeStore(dir.path(), false);
  platform::FileSystem fs(dir.path());
  const std::string folder = store::AccountFolder("acct");
  EXPECT_EQ(ReceiveCounting(dir.path()),
            std::make_pair(std::string("新着メールは3件です。\n"), std::string("retr=3")));
  EXPECT_EQ(ReceiveCounting(dir.path()),
            std::make_pair(std::string("新着メールは0件です。\n"), std::string("retr=0")));

  // Two more arrive; then another client deletes messages 1 and 4, and one more arrives.
  SeedMore("--count 2");
  EXPECT_EQ(ReceiveCounting(dir.path()),
            std::make_pair(std::string("新着メールは2件です。\n"), std::string("retr=2")));
  {
    const std::size_t sessions = SessionEnds().size();
    transport::TIdPOP3 pop;
    ConnectAsAlice(pop);
    pop.DeleteMessage(1);
    pop.DeleteMessage(4);
    pop.Disconnect();
    // Its end is logged before the next run is counted, so the two cannot be taken apart.
    EXPECT_NE(SessionEnd(sessions).find("del=2/"), std::string::npos);
  }
  SeedMore("--count 1");
  EXPECT_EQ(ReceiveCounting(dir.path()),
            std::make_pair(std::string("新着メールは1件です。\n"), std::string("retr=1")));
  const std::vector<std::string> index = state::LoadLines(fs, store::FolderIndexPath(folder));
  EXPECT_EQ(index.size(), 6u);
  EXPECT_EQ(state::LoadLines(fs, store::ReceivedKeysPath(folder)).size(), 6u);
  // The id file names what the server still has: 3 + 2 - 2 + 1 messages.
  const std::string ids = fs.ReadFile(folder + "UIDL.ini").value_or("");
  EXPECT_TRUE(ids.ends_with("END 4\r\n")) << ids;
}

TEST_F(ReceiveMailServerTest, VariedJapaneseMailIsStoredAsPythonReadsIt) {
  const std::vector<std::string> samples = Samples();
  std::string args;
  for (const std::string& f : samples) args += " --eml " + f;
  Seed(args);
  platform::testing::TempAppDir dir;
  MakeStore(dir.path(), false);
  int status = -1;
  EXPECT_EQ(Receive(dir.path(), &status), "新着メールは9件です。\n");
  EXPECT_EQ(status, 0);

  platform::FileSystem fs(dir.path());
  const std::string folder = store::AccountFolder("acct");
  const std::vector<std::string> index = state::LoadLines(fs, store::FolderIndexPath(folder));
  ASSERT_EQ(index.size(), 9u);
  EXPECT_EQ(state::LoadLines(fs, store::ReceivedKeysPath(folder)).size(), 9u);
  std::map<std::string, std::string> key_by_subject;
  for (const std::string& record : index) {
    key_by_subject[Utf8(store::GetField(record, 1))] = store::GetField(record, 0);
  }
  for (const std::string& sample : samples) {
    SCOPED_TRACE(sample);
    if (sample.ends_with("09_broken.eml")) continue;  // checked below
    std::istringstream oracle(
        Capture("python3 " + std::string(YUBINKO_RECEIVE_ORACLE) + " " + sample));
    std::string line, key, file;
    while (std::getline(oracle, line)) {
      const store::Fields f = store::SplitRecord(line);
      if (f[0] == "SUBJECT") {
        ASSERT_TRUE(key_by_subject.count(f[1])) << f[1];
        key = key_by_subject[f[1]];
        file = Utf8(fs.ReadFile(store::MessageFilePath(folder, key)).value_or(""));
        EXPECT_NE(file.find("件名：" + f[1] + "\r\n"), std::string::npos);
      } else if (f[0] == "TEXT") {
        const std::string text = Unix(jtext::Base64Decode(f[1]));
        EXPECT_NE(Unix(file).find(text), std::string::npos) << text << "\n---\n" << file;
        EXPECT_EQ(file.find("=?"), std::string::npos);
      } else if (f[0] == "ATTACH") {
        const std::string path = store::AttachmentFilePath(folder, key, Sjis(f[1]));
        EXPECT_EQ(fs.ReadFile(path), std::optional<std::string>(jtext::Base64Decode(f[2]))) << f[1];
      }
    }
  }
  // Without a Message-ID: a key of the usual shape made from the date and the content.
  EXPECT_TRUE(key_by_subject["番号なし"].starts_with("<2026/12/01_100000-"));
  EXPECT_TRUE(key_by_subject["番号なし"].ends_with("tegamin_TKWorld>"));
  // The unreadable message is kept whole beside a note.
  std::ifstream raw_in(samples.back(), std::ios::binary);
  std::string raw((std::istreambuf_iterator<char>(raw_in)), {});
  std::string crlf;
  for (char c : raw) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(
      fs.ReadFile(store::AttachmentDirectory(folder, "<broken@example.test>") + "message.eml"),
      std::optional<std::string>(crlf));

  // A second run knows every message: nothing stored, nothing deleted.
  EXPECT_EQ(Receive(dir.path(), &status), "新着メールは0件です。\n");
  EXPECT_EQ(state::LoadLines(fs, store::FolderIndexPath(folder)), index);
  EXPECT_EQ(MailboxCount(), 9);
}

TEST_F(ReceiveMailServerTest, CliFailsWithTheErrorWhenItCannotConnect) {
  platform::testing::TempAppDir dir;
  port_ = 1;  // nothing listens there
  MakeStore(dir.path(), false);
  int status = -1;
  const std::string both =
      Capture(std::string(YUBINKO_CLI) + " receive " + dir.path().string() + " 2>&1", &status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(both.find("接続できませんでした。"), std::string::npos) << both;
  EXPECT_EQ(both.find("新着メールは"), std::string::npos);
}

TEST_F(ReceiveMailServerTest, RulesRouteIntoFoldersAndDeleteTheServerCopy) {
  Seed("--count 4");  // subjects "seed message 1" and 3 are ASCII, 2 and 4 Japanese
  platform::testing::TempAppDir dir;
  MakeStore(dir.path(), false);
  platform::FileSystem fs(dir.path());
  fs.WriteFileAtomic("rule.ini", Sjis("件名\tmessage1\t削除\r\n件名\tmessage3\tacct\\三\r\n"));
  int status = -1;
  EXPECT_EQ(Receive(dir.path(), &status), "新着メールは4件です。\n");
  EXPECT_EQ(status, 0);
  const std::string folder = store::AccountFolder("acct");
  const std::string routed = folder + Sjis("三") + "\\";
  const std::vector<std::string> routed_index =
      state::LoadLines(fs, store::FolderIndexPath(routed));
  ASSERT_EQ(routed_index.size(), 1u);
  EXPECT_EQ(Utf8(store::GetField(routed_index[0], 1)), "seedmessage3");
  EXPECT_TRUE(fs.FileExists(store::MessageFilePath(routed, store::GetField(routed_index[0], 0))));
  EXPECT_EQ(state::LoadLines(fs, store::FolderIndexPath(folder)).size(), 2u);
  // The deleted message left the server; the other three stay (no delete after receive).
  EXPECT_EQ(MailboxCount(), 3);
  // It is not remembered: fetched again it is deleted again, and nothing else is new.
  EXPECT_EQ(state::LoadLines(fs, store::ReceivedKeysPath(folder)).size(), 3u);
}

TEST_F(ReceiveMailServerTest, DeleteAfterReceiveEmptiesTheMailbox) {
  Seed("--count 20");
  platform::testing::TempAppDir dir;
  MakeStore(dir.path(), true);
  int status = -1;
  EXPECT_EQ(Receive(dir.path(), &status), "新着メールは20件です。\n");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(MailboxCount(), 0);
  platform::FileSystem fs(dir.path());
  EXPECT_EQ(state::LoadLines(fs, store::FolderIndexPath(store::AccountFolder("acct"))).size(), 20u);
}

TEST_F(ReceiveMailServerTest, KilledRunLosesNothing) {
  Seed("--count 300");
  platform::testing::TempAppDir dir;
  MakeStore(dir.path(), true);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::execl(YUBINKO_CLI, YUBINKO_CLI, "receive", dir.path().c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  const std::string keys = store::ReceivedKeysPath(store::AccountFolder("acct"));
  platform::FileSystem fs(dir.path());
  // Kill it once it has stored some mail (message files appear), bounded in time.
  for (int i = 0; i < 400; ++i) {
    std::error_code ec;
    std::size_t files = 0;
    for (auto it = std::filesystem::directory_iterator(fs.Native(store::AccountFolder("acct")), ec);
         !ec && it != std::filesystem::directory_iterator(); ++it) {
      ++files;
    }
    if (files > 20) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ::kill(child, SIGKILL);
  int wait_status = 0;
  ::waitpid(child, &wait_status, 0);
  ASSERT_TRUE(WIFSIGNALED(wait_status)) << "the run ended before it could be killed";
  // Nothing was deleted: the run had not reached its end.
  EXPECT_EQ(MailboxCount(), 300);

  int status = -1;
  Receive(dir.path(), &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(MailboxCount(), 0);
  const std::vector<std::string> index =
      state::LoadLines(fs, store::FolderIndexPath(store::AccountFolder("acct")));
  EXPECT_EQ(index.size(), 300u);
  EXPECT_EQ(state::LoadLines(fs, keys).size(), 300u);
  for (const std::string& record : index) {
    EXPECT_TRUE(fs.FileExists(
        store::MessageFilePath(store::AccountFolder("acct"), store::GetField(record, 0))));
  }
}

}  // namespace
}  // namespace receive
