// The new-mail check against scripted servers: one report per check, never the same message
// twice, never a received one, and the start with its timer.
#include "receive/new_mail_check.h"

#include <gtest/gtest.h>

#include <memory>

#include "receive/receive_test_support.h"
#include "store/record.h"

namespace receive {
namespace {

using testing::FakeNewMailWindow;
using testing::Fixture;
using testing::Mail;
using testing::S;
using testing::Script;
using transport::testing::ScriptedServer;

std::string Numbered(int i) {
  return Mail("<m" + std::to_string(i) + "@x>", "s" + std::to_string(i));
}

// Three consecutive checks of a mailbox of five whose third and fifth messages are new.
TEST(NewMailCheckTest, ReportsThirdThenFifthThenNothing) {
  Fixture f;
  for (int i : {1, 2, 4}) f.state.received_keys.Add("<m" + std::to_string(i) + "@x>");
  Script first;
  first.Stat(5).Retr(1, Numbered(1)).Retr(2, Numbered(2)).Retr(3, Numbered(3)).List(3, 33).Quit();
  Script second;
  second.Stat(5);
  for (int i = 1; i <= 5; ++i) second.Retr(i, Numbered(i));
  second.List(5, 55).Quit();
  Script third;
  third.Stat(5);
  for (int i = 1; i <= 5; ++i) third.Retr(i, Numbered(i));
  third.Quit();
  std::vector<std::unique_ptr<ScriptedServer>> servers;
  servers.push_back(std::make_unique<ScriptedServer>(first.steps));
  servers.push_back(std::make_unique<ScriptedServer>(second.steps));
  servers.push_back(std::make_unique<ScriptedServer>(third.steps));
  std::size_t next = 1;
  f.Aim(*servers[0]);
  f.state.POP.OnDisconnected = [&] {
    if (next < servers.size()) f.state.POP.Port = servers[next++]->Port();
  };
  FakeNewMailWindow window;
  window.label.clear();
  NewMailCheck check(f.context, window);

  EXPECT_TRUE(check.CheckOnce());
  EXPECT_EQ(servers[0]->Finish(), "");
  ASSERT_EQ(window.rows.size(), 1u);
  EXPECT_EQ(store::GetField(window.rows[0], 0), "<m3@x>");
  EXPECT_EQ(store::GetField(window.rows[0], 4), "33");
  EXPECT_TRUE(window.label.starts_with(S("新着１号発見! 日時は、"))) << window.label;
  const std::string first_label = window.label;
  EXPECT_EQ(f.ui.beeps, 3);
  EXPECT_EQ(f.ui.slept_ms, 2100);

  f.ui.on_tick = [&] { check.Tick(); };
  f.ui.on_tick();
  EXPECT_EQ(servers[1]->Finish(), "");
  ASSERT_EQ(window.rows.size(), 2u);
  EXPECT_EQ(store::GetField(window.rows[1], 0), "<m5@x>");
  EXPECT_EQ(window.label, first_label);

  EXPECT_FALSE(check.CheckOnce());
  EXPECT_EQ(servers[2]->Finish(), "");
  EXPECT_EQ(window.rows.size(), 2u);
  EXPECT_EQ(window.shown, 2);
}

TEST(NewMailCheckTest, StartChecksSetsTheTimerAndSkipsBusyTicks) {
  Fixture f;
  ScriptedServer server(Script().Stat(0).Quit().steps);
  f.Aim(server);
  FakeNewMailWindow window;
  NewMailCheck check(f.context, window);
  check.Start(false, "2");  // "中止" or closed otherwise: nothing changes
  EXPECT_EQ(window.label, "?");
  check.Start(true, "10");
  EXPECT_EQ(server.Finish(), "");
  EXPECT_EQ(window.label, "");
  EXPECT_EQ(f.ui.timer_interval, 600000);
  EXPECT_TRUE(f.ui.timer_enabled);
  EXPECT_EQ(window.minimised, 1);
  EXPECT_EQ(f.view.status[1], S("タイマー起動中（10分間隔）"));
  // A tick while another command runs does nothing (no connection is even tried).
  f.context.busy = true;
  f.state.POP.Port = 1;
  check.Tick();
  EXPECT_TRUE(f.ui.Texts("info").empty());
}

TEST(NewMailCheckTest, UnreachableServerIsReportedAndTheTimerIsNotTouched) {
  Fixture f;
  f.state.POP.Port = 1;
  FakeNewMailWindow window;
  NewMailCheck check(f.context, window);
  EXPECT_FALSE(check.CheckOnce());
  EXPECT_EQ(f.ui.Texts("info"), std::vector<std::string>{S("接続できませんでした。")});
  EXPECT_THROW(check.Start(true, "x"), std::exception);
  EXPECT_FALSE(f.ui.timer_enabled);
}

}  // namespace
}  // namespace receive
