// Receiving with UIDL against scripted servers: known mail is not fetched again, new mail among
// known mail is, a listing that changed since the last run loses nothing and fetches nothing
// twice, and a server without UIDL or a damaged id file gives the run without ids. Also the
// headers-only fetch (TOP) of the deletion-mode listing and the new-mail check.
#include <gtest/gtest.h>

#include "receive/deletion_mode.h"
#include "receive/new_mail_check.h"
#include "receive/receive_run.h"
#include "receive/receive_test_support.h"
#include "receive/uidl_file.h"
#include "store/record.h"

namespace receive {
namespace {

using testing::Fixture;
using testing::Mail;
using testing::S;
using testing::Script;
using transport::testing::ScriptedServer;

constexpr char kCapa[] = "USER\r\nUIDL\r\nTOP";

std::string Id(int i) { return "<m" + std::to_string(i) + "@x>"; }
std::string Numbered(int i) { return Mail(Id(i), "s" + std::to_string(i)); }

// The id file as a map from id to key, or "unusable".
std::map<std::string, std::string> IdsOnDisk(const Fixture& f) {
  const UidlFile file = UidlFile::Load(f.state.fs, f.state.account_dir);
  std::map<std::string, std::string> ids;
  if (!file.usable()) return {{"unusable", ""}};
  for (const char* uid : {"u1", "u2", "u3", "u4", "u5", "u6", "u7"}) {
    if (const std::string* key = file.KeyOf(uid)) ids[uid] = *key;
  }
  return ids;
}

RunResult RunAgainst(Fixture& f, const Script& script) {
  ScriptedServer server(script.steps);
  f.Aim(server);
  RunResult r = ReceiveRun(f.context).Run();
  EXPECT_EQ(server.Finish(), "");
  return r;
}

// First run: every message fetched, ids recorded. Later runs fetch only unknown ids.
TEST(UidlReceiveTest, SecondRunFetchesOnlyTheNewMessageAmongKnownOnes) {
  Fixture f;
  Script first(kCapa);
  first.Stat(2).Uidl({"u1", "u2"});
  first.Retr(1, Numbered(1)).ListAll({10, 20}).Retr(2, Numbered(2));
  RunResult r1 = RunAgainst(f, first.Quit());
  EXPECT_EQ(r1.new_count, 2);
  EXPECT_EQ(IdsOnDisk(f), (std::map<std::string, std::string>{{"u1", Id(1)}, {"u2", Id(2)}}));

  // u3 arrived between the two known messages' neighbours: only message 2 is fetched.
  Script second(kCapa);
  second.Stat(3).Uidl({"u1", "u3", "u2"}).Retr(2, Numbered(3)).ListAll({10, 30, 20}).Quit();
  RunResult r2 = RunAgainst(f, second);
  EXPECT_EQ(r2.outcome, RunResult::kCompleted);
  EXPECT_EQ(r2.new_count, 1);
  EXPECT_EQ(f.view.status[1], S("新着メールは1件です。"));
  EXPECT_EQ(f.IndexOnDisk(f.state.current_folder).size(), 3u);
  EXPECT_EQ(f.KeysOnDisk().size(), 3u);
  EXPECT_EQ(IdsOnDisk(f),
            (std::map<std::string, std::string>{{"u1", Id(1)}, {"u2", Id(2)}, {"u3", Id(3)}}));

  // Nothing new: STAT, UIDL and QUIT only, and the status reports 0 as before.
  Script third(kCapa);
  RunResult r3 = RunAgainst(f, third.Stat(3).Uidl({"u1", "u3", "u2"}).Quit());
  EXPECT_EQ(r3.new_count, 0);
  EXPECT_EQ(f.view.status[1], S("新着メールは0件です。"));
}

TEST(UidlReceiveTest, MessagesDeletedElsewhereLoseNothingAndNothingIsFetchedTwice) {
  Fixture f(/*delete_after=*/false);
  Script first(kCapa);
  first.Stat(5).Uidl({"u1", "u2", "u3", "u4", "u5"});
  for (int i = 1; i <= 5; ++i) {
    first.Retr(i, Numbered(i));
    if (i == 1) first.ListAll({1, 2, 3, 4, 5});
  }
  RunAgainst(f, first.Quit());

  // Another client removed u1 and u3 and u6 came: the numbers moved, only u6 is fetched, and
  // the ids of the removed messages leave the file while their mail stays in the store.
  Script second(kCapa);
  second.Stat(4).Uidl({"u2", "u4", "u5", "u6"}).Retr(4, Numbered(6)).ListAll({2, 4, 5, 6}).Quit();
  RunResult r = RunAgainst(f, second);
  EXPECT_EQ(r.new_count, 1);
  EXPECT_EQ(f.IndexOnDisk(f.state.current_folder).size(), 6u);
  for (int i = 1; i <= 6; ++i) EXPECT_GE(f.state.folder_index.Find(Id(i)), 0) << i;
  EXPECT_EQ(IdsOnDisk(f), (std::map<std::string, std::string>{
                              {"u2", Id(2)}, {"u4", Id(4)}, {"u5", Id(5)}, {"u6", Id(6)}}));
}

// Without ids the run is the one without UIDL: every message fetched, known ones by their key.
TEST(UidlReceiveTest, ServerWithoutUidlFetchesEverythingAndKnowsMailByKey) {
  for (const std::string& capa : {std::string("USER"), std::string()}) {
    SCOPED_TRACE(capa.empty() ? "CAPA refused" : "CAPA without UIDL");
    Fixture f;
    f.state.received_keys.Add(Id(1));
    Script script(capa);
    script.Stat(2);
    // A server that does not say what it supports is asked; -ERR means no ids.
    if (capa.empty()) script.Expect("UIDL").Send("-ERR unknown command");
    script.Retr(1, Numbered(1)).Retr(2, Numbered(2)).ListAll({10, 20}).Quit();
    RunResult r = RunAgainst(f, script);
    EXPECT_EQ(r.new_count, 1);
    EXPECT_FALSE(f.state.fs.FileExists(UidlFile::Path(f.state.account_dir)));
  }
}

TEST(UidlReceiveTest, DamagedOrStaleIdFileNeverHidesMail) {
  Fixture f;
  // Damaged: the count at the end does not match, so none of its ids is trusted.
  f.state.fs.WriteFileAtomic(
      UidlFile::Path(f.state.account_dir),
      "YUBINKO-UIDL 1\r\nu1\t" + Id(1) + "\r\nu2\t" + Id(2) + "\r\nEND 3\r\n");
  f.state.received_keys.Add(Id(1));
  Script script(kCapa);
  script.Stat(2).Uidl({"u1", "u2"}).Retr(1, Numbered(1)).Retr(2, Numbered(2)).ListAll({1, 2}).Quit();
  EXPECT_EQ(RunAgainst(f, script).new_count, 1);
  // Rewritten whole from what this run saw.
  EXPECT_EQ(IdsOnDisk(f), (std::map<std::string, std::string>{{"u1", Id(1)}, {"u2", Id(2)}}));

  // Stale: the file knows u1, but its key is no longer among the received keys (the list was
  // replaced): the message is fetched and stored again rather than skipped.
  f.state.received_keys.Clear();
  f.state.received_keys.Save(f.state.fs, store::ReceivedKeysPath(f.state.account_dir));
  f.state.received_keys.Add(Id(2));
  Script again(kCapa);
  again.Stat(2).Uidl({"u1", "u2"}).Retr(1, Numbered(1)).ListAll({1, 2}).Quit();
  EXPECT_EQ(RunAgainst(f, again).new_count, 1);
}

TEST(UidlReceiveTest, OnlyMailSafelyStoredIsRecordedById) {
  Fixture f;
  f.state.fs.WriteFileAtomic("rule.ini", S("件名\tspam\t削除\r\n"));
  Script first(kCapa);
  first.Stat(2).Uidl({"u1", "u2"});
  first.Retr(1, Mail(Id(1), "spam")).ListAll({1, 2}).Dele(1);
  first.Retr(2, Numbered(2)).Quit();
  RunAgainst(f, first);
  // The message a rule deleted is not remembered: if the server still has it, it is fetched.
  EXPECT_EQ(IdsOnDisk(f), (std::map<std::string, std::string>{{"u2", Id(2)}}));

  // A run stopped after its first message keeps the ids of the rest that it had before.
  Script second(kCapa);
  second.Stat(3).Uidl({"u1", "u2", "u3"}).Retr(1, Mail(Id(1), "spam")).ListAll({1, 2, 3}).Dele(1).Quit();
  const int before = f.ui.process_events_calls;
  f.ui.on_process_events = [&] {
    if (f.ui.process_events_calls == before + 2) f.view.StopCommand();
  };
  RunResult r = RunAgainst(f, second);
  EXPECT_EQ(r.outcome, RunResult::kStopped);
  EXPECT_EQ(IdsOnDisk(f), (std::map<std::string, std::string>{{"u2", Id(2)}}));
}

TEST(UidlFileTest, ReadsBackWhatItWroteAndRefusesDamage) {
  Fixture f;
  UidlFile file;
  file.Set("u1", Id(1));
  file.Set("u2", S("<日本@x>"));
  file.Save(f.state.fs, f.state.account_dir, true);
  UidlFile back = UidlFile::Load(f.state.fs, f.state.account_dir);
  ASSERT_TRUE(back.usable());
  EXPECT_EQ(back.size(), 2u);
  ASSERT_NE(back.KeyOf("u2"), nullptr);
  EXPECT_EQ(*back.KeyOf("u2"), S("<日本@x>"));
  EXPECT_EQ(back.KeyOf("u3"), nullptr);

  const std::string good = file.Text();
  const std::vector<std::string> damaged = {
      good.substr(0, good.size() - 2),                      // last line cut
      good.substr(good.find("\r\n") + 2),                   // no first line
      "YUBINKO-UIDL 1\r\nu1\t<a>\r\nu1\t<b>\r\nEND 2\r\n",  // one id twice
      "YUBINKO-UIDL 1\r\nu1 <a>\r\nEND 1\r\n",              // no TAB
      "YUBINKO-UIDL 1\r\nu 1\t<a>\r\nEND 1\r\n",            // space in the id
      "YUBINKO-UIDL 1\r\nEND x\r\n",
      "",
  };
  for (const std::string& text : damaged) {
    f.state.fs.WriteFileAtomic(UidlFile::Path(f.state.account_dir), text);
    EXPECT_FALSE(UidlFile::Load(f.state.fs, f.state.account_dir).usable()) << text;
  }
  f.state.fs.WriteFileAtomic(UidlFile::Path(f.state.account_dir), "YUBINKO-UIDL 1\r\nEND 0\r\n");
  EXPECT_TRUE(UidlFile::Load(f.state.fs, f.state.account_dir).usable());
}

TEST(UidlFileTest, IdsThatCannotTellMessagesApartAreNotUsed) {
  const std::vector<transport::TIdUidlEntry> listing = {{1, "a"}, {2, "dup"}, {3, "dup"}, {4, "b"},
                                                        {4, "c"}, {9, "far"}, {5, "e"}};
  EXPECT_EQ(UidsByNumber(listing, 5), (std::vector<std::string>{"", "a", "", "", "", "e"}));
}

TEST(HeaderOnlyFetchTest, DeletionModeListsWithTopAndFallsBackToRetr) {
  for (const bool top : {true, false}) {
    SCOPED_TRACE(top ? "TOP" : "no TOP");
    Fixture f;
    Script script(top ? kCapa : "USER");
    script.Stat(2);
    for (int i : {1, 2}) {
      if (top) {
        script.Top(i, Mail(Id(i), "s" + std::to_string(i), "", "long body\n"));
      } else {
        script.Retr(i, Mail(Id(i), "s" + std::to_string(i), "", "long body\n"));
      }
      script.List(i, 100 + i);
    }
    script.Quit();
    ScriptedServer server(script.steps);
    f.Aim(server);
    DeletionMode(f.context).Enter();
    ASSERT_EQ(f.view.rows.size(), 2u);
    EXPECT_EQ(
        store::SplitRecord(f.view.rows[1]),
        (store::Fields{Id(2), "s2", "taro@example.test", "2026/12/01_10:00:00", "102", "", ""}));
    EXPECT_EQ(f.view.status[1], S("削除モードで接続中。メールは2件です。"));
    f.state.POP.Disconnect();
    EXPECT_EQ(server.Finish(), "");
  }
}

TEST(HeaderOnlyFetchTest, NewMailCheckReadsHeadersAndFetchesWholeOnlyWithoutMessageId) {
  Fixture f;
  const std::string no_id = Mail("", "noid", "", "only the body tells it apart\n");
  // The message without a Message-ID was received before: its key comes from its whole text.
  {
    Script receive;
    receive.Stat(1).Retr(1, no_id).ListAll({1}).Quit();
    RunAgainst(f, receive);
  }
  ASSERT_EQ(f.state.received_keys.size(), 1);
  testing::FakeNewMailWindow window;
  Script script("USER\r\nTOP");  // no ids: every message is looked at
  script.Stat(2).Top(1, no_id).Retr(1, no_id).Top(2, Numbered(2)).List(2, 22).Quit();
  ScriptedServer server(script.steps);
  f.Aim(server);
  EXPECT_TRUE(NewMailCheck(f.context, window).CheckOnce());
  EXPECT_EQ(server.Finish(), "");
  ASSERT_EQ(window.rows.size(), 1u);
  EXPECT_EQ(store::GetField(window.rows[0], 0), Id(2));
}

// Five messages of which the third and fifth are new: with ids only those are fetched, header
// only, one report per check, and a message reported once is not even fetched again.
TEST(HeaderOnlyFetchTest, NewMailCheckWithIdsFetchesOnlyUnknownHeaders) {
  Fixture f;
  UidlFile received;
  for (int i : {1, 2, 4}) {
    f.state.received_keys.Add(Id(i));
    received.Set("u" + std::to_string(i), Id(i));
  }
  received.Save(f.state.fs, f.state.account_dir, true);
  const std::vector<std::string> ids = {"u1", "u2", "u3", "u4", "u5"};
  testing::FakeNewMailWindow window;
  NewMailCheck check(f.context, window);
  Script first(kCapa);
  first.Stat(5).Uidl(ids).Top(3, Numbered(3)).List(3, 33).Quit();
  Script second(kCapa);
  second.Stat(5).Uidl(ids).Top(5, Numbered(5)).List(5, 55).Quit();
  Script third(kCapa);
  third.Stat(5).Uidl(ids).Quit();
  for (const Script* script : {&first, &second, &third}) {
    ScriptedServer server(script->steps);
    f.Aim(server);
    check.CheckOnce();
    EXPECT_EQ(server.Finish(), "");
  }
  ASSERT_EQ(window.rows.size(), 2u);
  EXPECT_EQ(store::GetField(window.rows[0], 0), Id(3));
  EXPECT_EQ(store::GetField(window.rows[1], 0), Id(5));
}

}  // namespace
}  // namespace receive
