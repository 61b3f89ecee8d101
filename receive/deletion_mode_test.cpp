// Server deletion mode against scripted servers: listing, deleting the marked messages with a
// fresh listing, leaving, and deleting by number.
#include "receive/deletion_mode.h"

#include <gtest/gtest.h>

#include <memory>

#include "receive/receive_test_support.h"
#include "store/record.h"

namespace receive {
namespace {

using testing::Fixture;
using testing::Mail;
using testing::S;
using testing::Script;
using transport::testing::ScriptedServer;

std::string Numbered(int i) {
  return Mail("<m" + std::to_string(i) + "@x>", "s" + std::to_string(i));
}

TEST(DeletionModeTest, MarkedRowsAreDeletedLastFirstAndWhatIsLeftIsListedAgain) {
  Fixture f;
  Script first;
  first.Stat(5);
  for (int i = 1; i <= 5; ++i) first.Retr(i, Numbered(i)).List(i, 100 + i);
  first.Dele(3).Dele(1).Quit();
  Script second;
  second.Stat(3);
  for (int i : {2, 4, 5}) {
    const int n = i == 2 ? 1 : i - 2;
    second.Retr(n, Numbered(i)).List(n, 100 + i);
  }
  second.Quit();
  ScriptedServer server1(first.steps);
  ScriptedServer server2(second.steps);
  f.Aim(server1);
  // Each listing connects afresh: the second one goes to the second server.
  f.state.POP.OnDisconnected = [&] { f.state.POP.Port = server2.Port(); };

  DeletionMode mode(f.context);
  mode.Enter();
  ASSERT_EQ(f.view.rows.size(), 5u);
  EXPECT_TRUE(f.state.deletion_mode);
  EXPECT_EQ(f.view.mode, S("削除"));
  EXPECT_EQ(f.view.mode_colour, (std::vector<int>{255, 0, 255}));
  EXPECT_EQ(f.view.status[1], S("削除モードで接続中。メールは5件です。"));
  EXPECT_EQ(
      store::SplitRecord(f.view.rows[2]),
      (store::Fields{"<m3@x>", "s3", "taro@example.test", "2026/12/01_10:00:00", "103", "", ""}));

  f.view.selected = {0, 2};
  mode.DeleteMarked();
  EXPECT_EQ(server1.Finish(), "");
  ASSERT_EQ(f.view.rows.size(), 3u);
  EXPECT_EQ(store::GetField(f.view.rows[0], 0), "<m2@x>");
  EXPECT_EQ(f.view.status[1], S("削除モードで接続中。メールは3件です。"));

  f.view.selected.clear();
  mode.DeleteMarked();  // nothing marked: nothing happens, the connection stays
  EXPECT_TRUE(f.state.POP.IsConnected());
  mode.Leave();
  EXPECT_EQ(server2.Finish(), "");
  EXPECT_FALSE(f.state.deletion_mode);
  EXPECT_TRUE(f.state.abort);
}

TEST(DeletionModeTest, EmptyMailboxAndUnreadableOrUndatedMessagesAreListed) {
  Fixture f;
  const std::string undated = "From: a@x\nSubject: no date\nMessage-ID: <u@x>\n\nx\n";
  const std::string broken =
      "From: b@x\nSubject: broken\nMIME-Version: 1.0\n"
      "Content-Type: multipart/mixed; boundary=\"b\"\n\n--b\n"
      "Content-Type: application/octet-stream; name=\"x\"\nContent-Transfer-Encoding: base64\n"
      "\nQUJDR\n--b--\n";
  ScriptedServer server(
      Script().Stat(2).Retr(1, undated).List(1, 5).Retr(2, broken).List(2, 6).steps);
  f.Aim(server);
  DeletionMode(f.context).Enter();
  ASSERT_EQ(f.view.rows.size(), 2u);
  EXPECT_EQ(store::GetField(f.view.rows[0], 3), "1899/12/30_00:00:00");
  EXPECT_EQ(store::GetField(f.view.rows[1], 1), "broken");
  f.state.POP.Disconnect();
  server.Finish();

  Fixture g;
  ScriptedServer empty(Script().Stat(0).Quit().steps);
  g.Aim(empty);
  DeletionMode(g.context).Enter();
  EXPECT_TRUE(g.view.rows.empty());
  EXPECT_EQ(g.view.status[1], S("削除モードで接続中。メールは0件です。"));
  g.state.POP.Disconnect();
  EXPECT_EQ(empty.Finish(), "");
}

TEST(DeletionModeTest, FetchFailureEndsTheListingButKeepsTheMode) {
  Fixture f;
  ScriptedServer server(
      Script().Stat(3).Retr(1, Numbered(1)).List(1, 1).Expect("RETR 2").Close().steps);
  f.Aim(server);
  DeletionMode(f.context).Enter();
  EXPECT_EQ(server.Finish(), "");
  EXPECT_EQ(f.ui.Texts("info"), std::vector<std::string>{S("読み込めないメール番号は2")});
  EXPECT_EQ(f.view.rows.size(), 1u);
  EXPECT_TRUE(f.state.deletion_mode);
  EXPECT_EQ(f.view.status[1], "2/3");
}

TEST(DeletionModeTest, DeleteByNumberRefusesTextAndReportsSuccess) {
  Fixture f;
  // "abc": refused before anything is sent; an open connection only gets its QUIT.
  ScriptedServer server(Script().Quit().steps);
  f.Aim(server);
  f.state.POP.Connect();
  f.ui.inputs = {"abc"};
  DeletionMode(f.context).DeleteByNumber();
  EXPECT_EQ(server.Finish(), "");
  EXPECT_EQ(f.ui.Texts("info"), std::vector<std::string>{S("数値以外は指定できません。")});

  Fixture g;
  ScriptedServer server2(Script().Dele(4).Quit().steps);
  g.Aim(server2);
  g.ui.inputs = {"4", ""};
  DeletionMode mode(g.context);
  mode.DeleteByNumber();
  mode.DeleteByNumber();  // an empty answer: nothing at all
  EXPECT_EQ(server2.Finish(), "");
  EXPECT_EQ(g.ui.Texts("info"), std::vector<std::string>{S("削除完了!")});
  EXPECT_EQ(g.ui.Texts("input"),
            std::vector<std::string>(2, S("直接削除|削除したいメールの番号を入力してください。")));

  Fixture h;
  ScriptedServer server3(Script().Expect("DELE 9").Send("-ERR no such message").Quit().steps);
  h.Aim(server3);
  h.ui.inputs = {"9"};
  DeletionMode(h.context).DeleteByNumber();
  EXPECT_EQ(server3.Finish(), "");
  EXPECT_EQ(h.ui.Texts("info"), std::vector<std::string>{S("数値以外は指定できません。")});
}

}  // namespace
}  // namespace receive
