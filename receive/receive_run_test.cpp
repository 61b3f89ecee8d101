// Receive runs against the scripted POP3 server: exact command transcripts and what ends up
// in the store, for the ordinary run and for every way it can end early.
#include "receive/receive_run.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "jtext/base64.h"
#include "receive/receive_test_support.h"
#include "store/record.h"

namespace receive {
namespace {

using testing::Fixture;
using testing::Mail;
using testing::S;
using testing::Script;
using transport::testing::ScriptedServer;

TEST(ReceiveRunTest, EmptyMailboxFetchesNothingAndReportsZero) {
  Fixture f;
  ScriptedServer server(Script().Stat(0).Quit().steps);
  f.Aim(server);
  RunResult r = ReceiveRun(f.context).Run();
  EXPECT_EQ(server.Finish(), "");
  EXPECT_EQ(r.outcome, RunResult::kCompleted);
  EXPECT_EQ(f.view.status[1], S("新着メールは0件です。"));
  EXPECT_TRUE(f.view.rows.empty());
  EXPECT_FALSE(f.state.fs.FileExists(store::FolderIndexPath(f.state.current_folder)));
}

TEST(ReceiveRunTest, StoresNewMailAndMarksDeletionsOnlyAfterEverythingIsOnDisk) {
  Fixture f(/*delete_after=*/true);
  const std::string m1 = Mail("<one@x>", "Re: Hello World");
  const std::string m2 =
      Mail("<two@x>", "=?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=", "", ".dot line\nsecond\n");
  ScriptedServer server(Script()
                            .Stat(2)
                            .Retr(1, m1)
                            .ListAll({100, 200})
                            .Retr(2, m2)
                            .Dele(1)
                            .Dele(2)
                            .Quit()
                            .steps);
  f.Aim(server);
  RunResult r = ReceiveRun(f.context).Run();
  ASSERT_EQ(server.Finish(), "");
  EXPECT_EQ(r.outcome, RunResult::kCompleted);
  EXPECT_EQ(r.new_count, 2);
  EXPECT_EQ(f.view.status[1], S("新着メールは2件です。"));
  EXPECT_EQ(f.view.sort_newest_count, 1);
  EXPECT_EQ(f.state.unread_count, 2);
  EXPECT_EQ(f.view.listed_node_count, 2);

  const std::string folder = f.state.current_folder;
  std::vector<std::string> index = f.IndexOnDisk(folder);
  ASSERT_EQ(index.size(), 2u);
  EXPECT_EQ(f.KeysOnDisk().size(), 2u);
  const int one = f.state.folder_index.Find("<ONE@x>");
  ASSERT_GE(one, 0);
  const std::string record = f.state.folder_index.lines()[static_cast<size_t>(one)];
  EXPECT_EQ(store::SplitRecord(record),
            (store::Fields{"<one@x>", "Re:HelloWorld", "taro@example.test", "2026/12/01_10:00:00",
                           "100", "2", "1"}));
  const std::string file2 = f.MessageFile(folder, "<two@x>");
  EXPECT_NE(file2.find(S("件名：日本語") + "\r\n"), std::string::npos) << file2;
  EXPECT_NE(file2.find("-------------------\r\n.dot line\r\nsecond\r\n"), std::string::npos);
  EXPECT_NE(file2.find("Message-ID=<two@x>\r\n"), std::string::npos);
  // Newest first: the second message was inserted at the top.
  ASSERT_EQ(f.view.rows.size(), 2u);
  EXPECT_EQ(store::GetField(f.view.rows[0], 0), "<two@x>");
}

TEST(ReceiveRunTest, KnownMailIsFetchedOnlyAndNeverSizedOrDeleted) {
  Fixture f(/*delete_after=*/true);
  f.state.received_keys.Add("<ONE@X>");
  f.state.received_keys.Add("<two@x>");
  ScriptedServer server(
      Script().Stat(2).Retr(1, Mail("<one@x>", "a")).Retr(2, Mail("<two@x>", "b")).Quit().steps);
  f.Aim(server);
  RunResult r = ReceiveRun(f.context).Run();
  EXPECT_EQ(server.Finish(), "");
  EXPECT_EQ(r.new_count, 0);
  EXPECT_EQ(f.view.status[1], S("新着メールは0件です。"));
  EXPECT_EQ(f.view.sort_newest_count, 0);
}

TEST(ReceiveRunTest, RulesRouteIntoFoldersOrDeleteOnTheServer) {
  Fixture f;
  f.state.fs.WriteFileAtomic("rule.ini", S("件名\tspam\t削除\r\n差出人\tboss\tacct\\work\r\n"));
  const std::string boss = "From: boss@example.test\nSubject: plan\nMessage-ID: <b@x>\n\nhi\n";
  ScriptedServer server(Script()
                            .Stat(3)
                            .Retr(1, Mail("<s@x>", "buy spam now"))
                            .ListAll({10, 20, 30})
                            .Dele(1)
                            .Retr(2, boss)
                            .Retr(3, Mail("<n@x>", "normal"))
                            .Quit()
                            .steps);
  f.Aim(server);
  const std::string work = store::AccountFolder("acct") + "work\\";
  f.state.fs.ForceDirectories(work);
  f.state.fs.WriteFileAtomic(store::FolderIndexPath(work), "zzz\told\r\n");
  RunResult r = ReceiveRun(f.context).Run();
  ASSERT_EQ(server.Finish(), "");
  EXPECT_EQ(r.new_count, 3);  // the deleted one counts as new
  std::vector<std::string> work_index = f.IndexOnDisk(work);
  ASSERT_EQ(work_index.size(), 2u);
  EXPECT_EQ(work_index[0], "zzz\told");  // appended, never re-sorted
  EXPECT_EQ(store::GetField(work_index[1], 0), "<b@x>");
  EXPECT_NE(f.MessageFile(work, "<b@x>"), "<missing>");
  EXPECT_EQ(f.IndexOnDisk(f.state.current_folder).size(), 1u);
  EXPECT_EQ(f.view.node_counts, (std::map<std::string, int>{{"acct\\work", 1}}));
  // The deleted message is neither stored nor remembered.
  EXPECT_EQ(f.state.received_keys.Find("<s@x>"), -1);
  EXPECT_EQ(f.MessageFile(f.state.current_folder, "<s@x>"), "<missing>");
}

TEST(ReceiveRunTest, StopAfterThirdOfFiveSavesTheThreeAndFetchesNoMore) {
  Fixture f(/*delete_after=*/true);
  Script script;
  script.Stat(5);
  for (int i = 1; i <= 3; ++i) {
    script.Retr(i, Mail("<m" + std::to_string(i) + "@x>", "s"));
    if (i == 1) script.ListAll({10, 10, 10, 10, 10});
  }
  // The stop command disconnects (QUIT) before any deletion was marked: nothing on the server
  // goes, since what was stored is recorded only at the end of the run.
  script.Quit();
  ScriptedServer server(script.steps);
  f.Aim(server);
  f.ui.on_process_events = [&] {
    if (f.ui.process_events_calls == 4) f.view.StopCommand();
  };
  RunResult r = ReceiveRun(f.context).Run();
  ASSERT_EQ(server.Finish(), "");
  EXPECT_EQ(r.outcome, RunResult::kStopped);
  EXPECT_EQ(f.IndexOnDisk(f.state.current_folder).size(), 3u);
  EXPECT_EQ(f.KeysOnDisk().size(), 3u);
  EXPECT_EQ(f.view.status[1], S("新着メールは3件です。"));
}

TEST(ReceiveRunTest, RefusedRetrIsSkippedAndTheRunGoesOn) {
  Fixture f;
  ScriptedServer server(Script()
                            .Stat(2)
                            .Expect("RETR 1")
                            .Send("-ERR no such message")
                            .Retr(2, Mail("<two@x>", "b"))
                            .ListAll({0, 5})
                            .Quit()
                            .steps);
  f.Aim(server);
  RunResult r = ReceiveRun(f.context).Run();
  EXPECT_EQ(server.Finish(), "");
  EXPECT_EQ(r.new_count, 1);
  EXPECT_EQ(f.IndexOnDisk(f.state.current_folder).size(), 1u);
}

TEST(ReceiveRunTest, DropInsideRetrKeepsWhatWasStoredRecorded) {
  Fixture f(/*delete_after=*/true);
  ScriptedServer server(Script()
                            .Stat(3)
                            .Retr(1, Mail("<one@x>", "a"))
                            .ListAll({10, 0, 0})
                            .Expect("RETR 2")
                            .Send("+OK\r\nSubject: cut")
                            .Close()
                            .steps);
  f.Aim(server);
  RunResult r = ReceiveRun(f.context).Run();
  EXPECT_EQ(server.Finish(), "");
  EXPECT_EQ(r.outcome, RunResult::kFetchFailed);
  EXPECT_EQ(f.ui.Texts("info"), std::vector<std::string>{S("読み込めないメール番号は2")});
  // Message 1 is on disk with its record and key; nothing was deleted on the server.
  EXPECT_EQ(f.IndexOnDisk(f.state.current_folder).size(), 1u);
  EXPECT_EQ(f.KeysOnDisk().size(), 1u);
  EXPECT_NE(server.Received().find("RETR 2"), std::string::npos);
  EXPECT_EQ(server.Received().find("DELE"), std::string::npos);
  EXPECT_EQ(f.view.status.count(1) ? f.view.status[1] : "", "2/3");
}

TEST(ReceiveRunTest, UnreadableMessageIsKeptWholeCountedAndTheRunGoesOn) {
  Fixture f;
  const std::string broken =
      "From: a@example.test\nSubject: broken\nMessage-ID: <bad@x>\nMIME-Version: 1.0\n"
      "Content-Type: multipart/mixed; boundary=\"b\"\n\n--b\nContent-Type: text/plain\n\nhi\n"
      "--b\nContent-Type: application/octet-stream; name=\"x.bin\"\n"
      "Content-Transfer-Encoding: base64\n\nQUJD\nQUJDR\n--b--\n";
  ScriptedServer server(Script()
                            .Stat(2)
                            .Retr(1, broken)
                            .ListAll({300, 10})
                            .Retr(2, Mail("<ok@x>", "fine"))
                            .Quit()
                            .steps);
  f.Aim(server);
  RunResult r = ReceiveRun(f.context).Run();
  ASSERT_EQ(server.Finish(), "");
  EXPECT_EQ(r.new_count, 2);
  const std::string folder = f.state.current_folder;
  const int bad = f.state.folder_index.Find("<bad@x>");
  ASSERT_GE(bad, 0);
  EXPECT_EQ(store::GetField(f.state.folder_index.lines()[static_cast<size_t>(bad)], 5), "1");
  std::optional<std::string> raw =
      f.state.fs.ReadFile(store::AttachmentDirectory(folder, "<bad@x>") + "message.eml");
  ASSERT_TRUE(raw.has_value());
  std::string expected;
  for (char c : broken) expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(*raw, expected);
  EXPECT_GE(f.state.folder_index.Find("<ok@x>"), 0);
}

TEST(ReceiveRunTest, MessagesWithoutIdGetStableDistinctKeysOfTheUsualShape) {
  const std::string a = "From: a@x\nSubject: one\nDate: Tue, 1 Dec 2026 10:00:00 +0900\n\nA\n";
  const std::string b = "From: a@x\nSubject: two\nDate: Tue, 1 Dec 2026 10:00:00 +0900\n\nB\n";
  std::vector<std::string> first_keys;
  {
    Fixture f;
    ScriptedServer server(
        Script().Stat(2).Retr(1, a).ListAll({1, 1}).Retr(2, b).Quit().steps);
    f.Aim(server);
    EXPECT_EQ(ReceiveRun(f.context).Run().new_count, 2);
    EXPECT_EQ(server.Finish(), "");
    first_keys = f.KeysOnDisk();
  }
  ASSERT_EQ(first_keys.size(), 2u);
  EXPECT_NE(first_keys[0], first_keys[1]);
  for (const std::string& key : first_keys) {
    EXPECT_TRUE(key.starts_with("<2026/12/01_100000-")) << key;
    EXPECT_TRUE(key.ends_with("tegamin_TKWorld>")) << key;
    EXPECT_NE(store::FileStem(key),
              store::FileStem(first_keys[0] == key ? first_keys[1] : first_keys[0]));
  }
  // A second store fetching the same message again makes the same key.
  Fixture g;
  ScriptedServer server(Script().Stat(1).Retr(1, b).ListAll({1}).Quit().steps);
  g.Aim(server);
  ReceiveRun(g.context).Run();
  EXPECT_EQ(server.Finish(), "");
  ASSERT_EQ(g.KeysOnDisk().size(), 1u);
  EXPECT_TRUE(g.KeysOnDisk()[0] == first_keys[0] || g.KeysOnDisk()[0] == first_keys[1]);
}

TEST(ReceiveRunTest, LineBreaksAndTabsInDecodedValuesCannotBreakFileOrRecord) {
  Fixture f;
  // "=?UTF-8?B?" words decode after the reader: CR LF and TAB inside them arrive intact.
  const std::string m =
      "From: =?UTF-8?B?YQ0KYglj?= <a@x>\nTo: =?ISO-2022-JP?B?eA0KeQ==?=\nSubject: s\n"
      "Message-ID: <t@x>\n\nbody\n";
  ScriptedServer server(Script().Stat(1).Retr(1, m).ListAll({9}).Quit().steps);
  f.Aim(server);
  ReceiveRun(f.context).Run();
  ASSERT_EQ(server.Finish(), "");
  ASSERT_EQ(f.IndexOnDisk(f.state.current_folder).size(), 1u);
  EXPECT_EQ(store::SplitRecord(f.IndexOnDisk(f.state.current_folder)[0]).size(), 7u);
  const std::string file = f.MessageFile(f.state.current_folder, "<t@x>");
  const std::vector<std::string> lines = store::SplitLines(file);
  ASSERT_GE(lines.size(), 11u);
  EXPECT_EQ(lines[0].rfind("To=", 0), 0u);
  EXPECT_EQ(lines[1].rfind("ReplyTo=", 0), 0u);
  EXPECT_EQ(lines[5].rfind(S("差出人："), 0), 0u);
  EXPECT_EQ(lines[9], "-------------------");
  EXPECT_EQ(lines[10], "body");
}

TEST(ReceiveRunTest, UnwritableFolderStopsTheRunWithoutDeletingWhatWasNotStored) {
  Fixture f(/*delete_after=*/true);
  f.state.fs.WriteFileAtomic("rule.ini", S("件名\tblocked\tacct\\full\r\n"));
  // A file where the rule's folder should be: nothing can be written below it.
  f.state.fs.WriteFileAtomic(store::AccountFolder("acct") + "full", "x");
  ScriptedServer server(Script()
                            .Stat(3)
                            .Retr(1, Mail("<a@x>", "fine"))
                            .ListAll({1, 1, 0})
                            .Retr(2, Mail("<b@x>", "blocked"))
                            .Dele(1)
                            .Quit()
                            .steps);
  f.Aim(server);
  RunResult r = ReceiveRun(f.context).Run();
  EXPECT_EQ(server.Finish(), "");
  EXPECT_EQ(r.outcome, RunResult::kWriteFailed);
  EXPECT_EQ(f.ui.Texts("error").size(), 1u);
  EXPECT_EQ(f.KeysOnDisk(), std::vector<std::string>{"<a@x>"});
}

TEST(ReceiveRunTest, ConnectionFailureShowsTheMessageAndChangesNothing) {
  Fixture f;
  f.state.POP.Port = 1;  // nothing listens there
  RunResult r = ReceiveRun(f.context).Run();
  EXPECT_EQ(r.outcome, RunResult::kNotConnected);
  EXPECT_EQ(f.ui.Texts("info"), std::vector<std::string>{S("接続できませんでした。")});
  EXPECT_EQ(f.view.mode, "");
}

TEST(ReceiveRunTest, RunDoesNotStartInsideAnotherCommand) {
  Fixture f;
  f.context.busy = true;
  EXPECT_EQ(ReceiveRun(f.context).Run().outcome, RunResult::kBusy);
  EXPECT_TRUE(f.ui.shown.empty());
}

TEST(ReceiveRunTest, SilentServerEndsTheRunAtItsReadTimeOut) {
  Fixture f(/*delete_after=*/true);
  ScriptedServer server(Script()
                            .Stat(2)
                            .Retr(1, Mail("<a@x>", "a"))
                            .ListAll({1, 0})
                            .Expect("RETR 2")
                            .Raw(transport::testing::ScriptStep::kStall, "")
                            .steps);
  f.Aim(server);
  f.state.POP.ReadTimeout = 300;
  RunResult r = ReceiveRun(f.context).Run();
  EXPECT_EQ(r.outcome, RunResult::kFetchFailed);
  EXPECT_EQ(f.ui.Texts("info"), std::vector<std::string>{S("読み込めないメール番号は2")});
  EXPECT_EQ(f.KeysOnDisk(), std::vector<std::string>{"<a@x>"});
  EXPECT_EQ(server.Received().find("DELE"), std::string::npos);
  server.Finish();
}

// Past a few megabytes the spool goes on in its file: the attachment and, for a message the
// reader refuses, the raw text still come out whole.
TEST(ReceiveRunTest, LargeMessagesComeThroughTheSpoolFileIntact) {
  std::string payload;
  for (int i = 0; i < 6 * 1024 * 1024 / 57; ++i)
    payload += std::string(57, static_cast<char>('a' + i % 26));
  std::string b64;
  for (std::size_t i = 0; i < payload.size(); i += 57) {
    b64 += jtext::Base64Encode(std::string_view(payload).substr(i, 57)) + "\n";
  }
  const std::string head =
      "From: a@x\nSubject: big\nMIME-Version: 1.0\n"
      "Content-Type: multipart/mixed; boundary=\"b\"\n\n--b\nContent-Type: text/plain\n\nhi\n"
      "--b\nContent-Type: application/octet-stream; name=\"big.bin\"\n"
      "Content-Transfer-Encoding: base64\n\n";
  const std::string big = "Message-ID: <big@x>\n" + head + b64 + "--b--\n";
  const std::string broken = "Message-ID: <broken@x>\n" + head + b64 + "QUJDR\n--b--\n";
  Fixture f;
  ScriptedServer server(
      Script().Stat(2).Retr(1, big).ListAll({1, 1}).Retr(2, broken).Quit().steps, 30000);
  f.Aim(server);
  EXPECT_EQ(ReceiveRun(f.context).Run().new_count, 2);
  ASSERT_EQ(server.Finish(), "");
  const std::string folder = f.state.current_folder;
  EXPECT_EQ(f.state.fs.ReadFile(store::AttachmentDirectory(folder, "<big@x>") + "big.bin"),
            std::optional<std::string>(payload));
  std::optional<std::string> raw =
      f.state.fs.ReadFile(store::AttachmentDirectory(folder, "<broken@x>") + "message.eml");
  ASSERT_TRUE(raw.has_value());
  EXPECT_EQ(raw->size(), broken.size() + std::count(broken.begin(), broken.end(), '\n'));
  EXPECT_TRUE(raw->ends_with("QUJDR\r\n--b--\r\n"));
}

TEST(ReceiveRunTest, LongMessageIdsSharingAPrefixKeepTheirOwnFiles) {
  const std::string prefix = "<" + std::string(60, 'n') + ".";
  testing::Fixture f;
  transport::testing::ScriptedServer server(testing::Script()
                                                .Stat(2)
                                                .Retr(1, testing::Mail(prefix + "1@x>", "one"))
                                                .ListAll({1, 1})
                                                .Retr(2, testing::Mail(prefix + "2@x>", "two"))
                                                .Quit()
                                                .steps);
  f.Aim(server);
  EXPECT_EQ(ReceiveRun(f.context).Run().new_count, 2);
  ASSERT_EQ(server.Finish(), "");
  const std::string folder = f.state.current_folder;
  EXPECT_NE(f.MessageFile(folder, prefix + "1@x>").find(testing::S("件名：one")),
            std::string::npos);
  EXPECT_NE(f.MessageFile(folder, prefix + "2@x>").find(testing::S("件名：two")),
            std::string::npos);
}

TEST(ReceiveRunTest, FolderClickDuringARunLosesNoRecord) {
  Fixture f;
  const std::string other = store::AccountFolder("acct") + "other\\";
  f.state.fs.ForceDirectories(other);
  ScriptedServer server(Script()
                            .Stat(2)
                            .Retr(1, Mail("<a@x>", "a"))
                            .ListAll({1, 1})
                            .Retr(2, Mail("<b@x>", "b"))
                            .Quit()
                            .steps);
  f.Aim(server);
  // Between the two messages the user lists another folder, as a tree click does.
  f.ui.on_process_events = [&] {
    if (f.ui.process_events_calls != 2) return;
    f.state.current_folder = other;
    f.state.folder_index.Load(f.state.fs, store::FolderIndexPath(other));
  };
  EXPECT_EQ(ReceiveRun(f.context).Run().new_count, 2);
  EXPECT_EQ(server.Finish(), "");
  EXPECT_EQ(f.IndexOnDisk(store::AccountFolder("acct")).size(), 2u);
  EXPECT_TRUE(f.IndexOnDisk(other).empty());
  EXPECT_EQ(f.KeysOnDisk().size(), 2u);
}

}  // namespace
}  // namespace receive
