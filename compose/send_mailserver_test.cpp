// End to end on the loopback Postfix and Dovecot: a Japanese message with CC, BCC and two
// attachments, read back over POP3 and checked by an independent parser; and a 100-row merge
// over one connection.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "compose/send_step.h"
#include "compose/testing/mailbox.h"
#include "jtext/convert.h"
#include "platform/codepage.h"
#include "platform/testing/temp_app_dir.h"
#include "store/account_file.h"
#include "store/paths.h"
#include "store/record.h"
#include "store/settings.h"
#include "transport/pop3.h"

namespace compose {
namespace {

std::string S(const char* utf8) { return platform::Sjis(utf8); }

store::AccountRecord AliceAccount() { return testing::AliceAccount(YUBINKO_SMTP_PORT); }

class SendMailServerTest : public ::testing::Test {
 protected:
  SendMailServerTest() : state_(dir_.path()) {
    state_.AccountList = {AliceAccount().Line()};
    fields_.sender_index = 0;
  }

  std::vector<std::string> BobsMail() { return testing::BobsMail(YUBINKO_POP3_PORT); }
  std::vector<std::string> WaitForBobsMail(std::size_t count) {
    return testing::WaitForBobsMail(YUBINKO_POP3_PORT, count);
  }

  std::string MakeFile(const std::string& utf8_name, const std::string& bytes) {
    const std::filesystem::path p = dir_.path() / "typed" / utf8_name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
  }

  platform::testing::TempAppDir dir_;
  state::MainState state_;
  transport::TIdSMTP smtp_;
  ComposerFields fields_;
};

TEST_F(SendMailServerTest, JapaneseMessageArrivesAsTyped) {
  const std::size_t before = BobsMail().size();
  const std::string subject = "会議①の件～ﾊﾝｶｸｶﾀｶﾅ";
  const std::string body = "山田様\r\n\r\n① 議題～確認\r\nｶﾞｷﾞｸﾞ ﾃｽﾄ\r\n.dot\r\n以上";
  std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
  for (int i = 0; i < 3000; ++i) png += static_cast<char>(i * 7);
  fields_.sender_text = S("アリス <alice@example.test>");
  fields_.to = S("山田 太郎 <bob@example.test>");
  fields_.cc = "alice@example.test";
  fields_.bcc = "bob@example.test";
  fields_.subject = S(subject.c_str());
  fields_.body = S(body.c_str());
  const std::string txt = MakeFile("資料.txt", S("添付のテキスト\r\n"));
  const std::string image = MakeFile("図.png", png);
  // The base64 of this name holds a "/", which must not be taken for a directory.
  const std::string photo = MakeFile("写真.JPG", png.substr(0, 100));
  fields_.attachments = {txt, image, photo};

  const SendOutcome out = SendStep(state_, smtp_).Send(fields_);
  ASSERT_EQ(out.status, SendOutcome::kSent) << platform::Cp932ToUtf8(out.message);
  const std::vector<std::string> texts = WaitForBobsMail(before + 1);
  ASSERT_GT(texts.size(), before);
  std::ostringstream expected;
  expected << R"({"subject": ")" << subject << R"(", "from_name": "アリス",)"
           << R"( "to_name": "山田 太郎", "body": ")"
           << R"(山田様\n\n① 議題～確認\n)"
           << R"(ｶﾞｷﾞｸﾞ ﾃｽﾄ\n.dot\n以上", "attachments": [)"
           << R"({"name": "資料.txt", "type": "text/plain", "path": ")" << txt
           << R"("}, {"name": "図.png", "type": "image/png", "path": ")" << image
           << R"("}, {"name": "写真.JPG", "type": "image/jpeg", "path": ")" << photo << R"("}]})";
  std::string report_text;
  const int rc =
      testing::RunOracle(dir_.path(), YUBINKO_ORACLE, texts.back(), expected.str(), report_text);
  EXPECT_EQ(rc, 0) << report_text << "\n" << texts.back().substr(0, 3000);
}

TEST_F(SendMailServerTest, HundredRowMergeOverOneConnection) {
  const std::size_t before = BobsMail().size();
  const char* names[] = {"\"山田 太郎\"", "佐藤　花子", "\"Smith, \"\"Jr\"\"\"", "鈴木"};
  for (int r = 0; r < 100; ++r) {
    std::string row = "bob@example.test";
    if (r % 3 >= 1) row += std::string(",") + names[r % 4];
    if (r % 3 == 2) row += ",No." + std::to_string(r);
    fields_.merge_rows.push_back(S(row.c_str()));
  }
  fields_.merge = true;
  fields_.sender_text = "alice@example.test";
  fields_.subject = S("ご案内");
  fields_.body = S("%TK2 様 (%TK3) [%TK1]");
  const SendOutcome out = SendStep(state_, smtp_).Send(fields_);
  ASSERT_EQ(out.status, SendOutcome::kSent) << platform::Cp932ToUtf8(out.message);
  EXPECT_EQ(out.rows_sent, 100);
  const std::vector<std::string> texts = WaitForBobsMail(before + 100);
  ASSERT_EQ(texts.size(), before + 100);
  std::set<std::string> numbered;
  std::size_t with_name = 0;
  for (std::size_t i = before; i < texts.size(); ++i) {
    const std::string body =
        jtext::ConvertCode(texts[i].substr(texts[i].find("\r\n\r\n")), jtext::kCodeSjis);
    const std::size_t at = body.find("(No.");
    if (at != std::string::npos) numbered.insert(body.substr(at + 4, body.find(')', at) - at - 4));
    if (body.find(S("佐藤　花子 様")) != std::string::npos ||
        body.find(S("山田 太郎 様")) != std::string::npos) {
      ++with_name;
    }
    EXPECT_NE(body.find("[bob@example.test]"), std::string::npos);
  }
  EXPECT_EQ(numbered.size(), 33u);  // every third row has a third column
  EXPECT_GT(with_name, 0u);
  // One connection: Postfix logs one session with 100 DATA commands.
  std::ifstream log(std::string(YUBINKO_SEND_MAIL_DIR) + "/log/postfix.log");
  const std::string log_text((std::istreambuf_iterator<char>(log)), {});
  EXPECT_NE(log_text.find("data=100 "), std::string::npos);
}

}  // namespace
}  // namespace compose

namespace compose {
namespace {

// Runs a shell command, answering its exit status and what it wrote to stderr.
int RunCli(const std::string& command, const std::filesystem::path& err, std::string& stderr_text) {
  const int status = std::system((command + " 2>" + err.string()).c_str());
  std::ifstream in(err);
  stderr_text.assign((std::istreambuf_iterator<char>(in)), {});
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SendCliTest, SendsFromTheStartupAccountAndReportsRefusals) {
  platform::testing::TempAppDir dir;
  platform::FileSystem fs(dir.path());
  const store::AccountRecord a = AliceAccount();
  store::AccountRecord other = a;
  other.AccountName = "other";
  other.SmtpPort = "1";
  store::SaveAccountList(fs, {other.Line(), a.Line()});
  store::SaveCurrentAccountName(fs, "alice");
  const std::string cli = std::string(YUBINKO_CLI) + " send " + dir.path().string();
  const std::filesystem::path err = dir.path() / "err.txt";
  std::string text;

  EXPECT_EQ(RunCli("printf 'こんにちは ①\\n' | " + cli +
                       " --to bob@example.test --subject 'テスト～' --cc alice@example.test",
                   err, text),
            0)
      << text;
  const std::vector<std::string> sent =
      store::SplitLines(fs.ReadFile(store::SentIndexPath()).value_or(""));
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_NE(sent[0].find(platform::Sjis("\tテスト～\tbob@example.test\t")), std::string::npos);

  EXPECT_EQ(RunCli("echo x | " + cli + " --to reject550@example.test --subject s", err, text), 1);
  EXPECT_NE(text.find("Mailbox unavailable"), std::string::npos) << text;
  EXPECT_EQ(
      RunCli("echo x | " + cli + " --to bob@example.test --subject s --account other", err, text),
      1);
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(
      RunCli("echo x | " + cli + " --to bob@example.test --subject s --account nobody", err, text),
      1);
  EXPECT_EQ(store::SplitLines(fs.ReadFile(store::SentIndexPath()).value_or("")).size(), 1u);
}

}  // namespace
}  // namespace compose
