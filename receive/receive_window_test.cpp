// The receiving commands in the real main window, offscreen, against scripted servers; and
// TForm5.
#include "receive/receive_window.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QAction>
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>
#include <memory>

#include "app/main_window.h"
#include "app/message_model.h"
#include "receive/receive_test_support.h"
#include "transport/testing/tls_server.h"

namespace receive {
namespace {

using testing::Mail;
using testing::S;
using testing::Script;
using transport::testing::ScriptedServer;

std::string U(const QString& s) { return s.toStdString(); }

class ReceiveWindowTest : public ::testing::Test {
 protected:
  void Open(const ScriptedServer& server) {
    store::AccountRecord account;
    account.AccountName = "acct";
    platform::FileSystem fs(dir.path());
    fs.WriteFileAtomic("Account.ini", account.Line() + "\r\n");
    form1 = std::make_unique<app::TForm1>(dir.path(), ui);
    form5 = CreateReceiveWindow(*form1);
    state::MainState& s = form1->state();
    s.POP.Host = "127.0.0.1";
    s.POP.Port = server.Port();
    s.POP.Username = "alice";
    s.POP.Password = "pw";
  }
  void Trigger(const char* name) { form1->action(QString::fromLatin1(name))->trigger(); }
  QTableView* List() { return form1->findChild<QTableView*>(QStringLiteral("ListView1")); }
  std::string Cell(int row, int column) {
    return U(form1->model().index(row, column).data().toString());
  }

  platform::testing::TempAppDir dir;
  platform::testing::ScriptedUiServices ui;
  std::unique_ptr<app::TForm1> form1;
  TForm5* form5 = nullptr;
};

TEST_F(ReceiveWindowTest, ReceiveListsNewMailNewestFirstInBold) {
  const std::string kNewer =
      "From: b@x\nSubject: second\nMessage-ID: <b@x>\nDate: Wed, 2 Dec 2026 10:00:00 +0900\n\nx\n";
  ScriptedServer server(Script()
                            .Stat(2)
                            .Retr(1, Mail("<a@x>", "first"))
                            .ListAll({10, 20})
                            .Retr(2, kNewer)
                            .Quit()
                            .steps);
  Open(server);
  Trigger("tbRecieve");
  EXPECT_EQ(server.Finish(), "");
  ASSERT_EQ(form1->model().rowCount(), 2);
  EXPECT_EQ(Cell(0, 0), "second");
  EXPECT_EQ(Cell(1, 0), "first");
  EXPECT_TRUE(form1->model().index(0, 0).data(Qt::FontRole).value<QFont>().bold());
  EXPECT_EQ(U(form1->StatusText(1)), "新着メールは2件です。");
  EXPECT_EQ(U(form1->ModeText()), "通常");  // back when the connection closed
}

TEST_F(ReceiveWindowTest, EscapeDuringARunStopsItAfterTheCurrentMessage) {
  ScriptedServer server(Script().Stat(3).Retr(1, Mail("<a@x>", "a")).ListAll({1, 1, 1}).Quit().steps);
  Open(server);
  ui.on_process_events = [&] {
    if (ui.process_events_calls == 2) QTest::keyClick(List(), Qt::Key_Escape);
  };
  Trigger("mnuRecieve");
  EXPECT_EQ(server.Finish(), "");
  EXPECT_EQ(form1->model().rowCount(), 1);
  EXPECT_EQ(U(form1->StatusText(1)), "新着メールは1件です。");
  EXPECT_EQ(form1->state().received_keys.size(), 1);
}

TEST_F(ReceiveWindowTest, DeletionModeListsTheServerInFuchsiaAndLeavesBackToTheFolder) {
  ScriptedServer server(Script()
                            .Stat(2)
                            .Retr(1, Mail("<a@x>", "one"))
                            .List(1, 11)
                            .Retr(2, Mail("<b@x>", "two"))
                            .List(2, 22)
                            .Dele(2)
                            .Quit()
                            .steps);
  ScriptedServer relisting(Script().Stat(1).Retr(1, Mail("<a@x>", "one")).List(1, 11).Quit().steps);
  Open(server);
  // Each listing connects afresh: the relisting goes to the second server.
  form1->state().POP.OnDisconnected = [this, &relisting] {
    form1->SetMode(S("通常"), 0, 255, 255);
    form1->state().POP.Port = relisting.Port();
  };
  Trigger("tbDelMode");
  EXPECT_EQ(U(form1->ModeText()), "削除");
  QLabel* mode_label = form1->findChild<QLabel*>(QStringLiteral("LblMode"));
  ASSERT_NE(mode_label, nullptr);
  EXPECT_TRUE(mode_label->styleSheet().contains(QStringLiteral("rgb(255, 0, 255)")));
  ASSERT_EQ(form1->model().rowCount(), 2);
  EXPECT_EQ(Cell(0, 0), "one");  // server order
  EXPECT_EQ(U(form1->StatusText(1)), "削除モードで接続中。メールは2件です。");
  // The local-delete command in this mode deletes the marked message on the server and lists
  // what is left (on the second server).
  List()->selectRow(1);
  Trigger("tbLocalDel");
  EXPECT_EQ(server.Finish(), "");
  ASSERT_EQ(form1->model().rowCount(), 1);
  EXPECT_EQ(Cell(0, 0), "one");
  Trigger("mnuPopDelModeEnd");
  EXPECT_EQ(relisting.Finish(), "");
  EXPECT_FALSE(form1->state().deletion_mode);
  EXPECT_EQ(form1->model().rowCount(), 0);
  EXPECT_EQ(U(form1->ModeText()), "通常");
}

TEST_F(ReceiveWindowTest, NewMailWindowShapeAndCloseStopsTheCheck) {
  ScriptedServer server(Script().Stat(0).Quit().steps);
  Open(server);
  EXPECT_EQ(form5->size(), QSize(469, 243));
  EXPECT_TRUE(form5->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(U(form5->windowTitle()), "新着チェック情報");
  EXPECT_EQ(U(form5->findChild<QLabel*>(QStringLiteral("Label1"))->text()), "新着は？");
  auto* list = form5->findChild<QTreeWidget*>(QStringLiteral("ListView1"));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->columnCount(), 7);
  form5->AddRow(S("<k@x>\t件名\tfrom\t2026/12/01_10:00:00\t12\t\t"));
  EXPECT_EQ(U(list->topLevelItem(0)->text(0)), "件名");
  EXPECT_EQ(U(list->topLevelItem(0)->text(4)), "<k@x>");

  form1->state().new_check_run = true;
  form1->state().new_check_interval = "3";
  form5->mnuNewCheckClick();
  EXPECT_EQ(server.Finish(), "");
  EXPECT_EQ(ui.timer_interval, 180000);
  EXPECT_TRUE(ui.timer_enabled);
  EXPECT_EQ(U(form1->StatusText(1)), "タイマー起動中（3分間隔）");
  form5->show();
  form5->findChild<QPushButton*>(QStringLiteral("Button1"))->click();
  EXPECT_FALSE(ui.timer_enabled);
  EXPECT_FALSE(form5->isVisible());
}

// 受信 against a server whose certificate is self-signed: the window asks, the user declines,
// the refusal with its reason and fingerprint is shown, nothing reaches the server and no
// certificate is pinned.
TEST_F(ReceiveWindowTest, RefusedCertificateIsExplainedAndNothingIsSent) {
  const std::string certs = YUBINKO_TLS_CERT_DIR;
  setenv("SSL_CERT_FILE", (certs + "/ca.pem").c_str(), 1);
  transport::testing::TlsTestServer server(certs + "/selfsigned.pem", certs + "/selfsigned.key",
                                           "+OK ready\r\n", {});
  store::AccountRecord account;
  account.AccountName = "acct";
  platform::FileSystem(dir.path()).WriteFileAtomic("Account.ini", account.Line() + "\r\n");
  form1 = std::make_unique<app::TForm1>(dir.path(), ui);
  form5 = CreateReceiveWindow(*form1);
  state::MainState& s = form1->state();
  s.AccountPosition = 1;
  s.POP.Host = "127.0.0.1";
  s.POP.Port = server.Port();
  s.POP.Tls.Mode = transport::tlsImplicit;
  ui.answers.push_back(platform::Answer::kNo);
  Trigger("tbRecieve");
  EXPECT_EQ(server.Finish(), "");
  ASSERT_EQ(ui.Texts("warning").size(), 1u);
  const std::vector<std::string> shown = ui.Texts("info");
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_NE(shown[0].find(S("自己署名の証明書")), std::string::npos);
  EXPECT_NE(shown[0].find(S("SHA-256")), std::string::npos);
  EXPECT_EQ(U(form1->ModeText()), "通常");
  EXPECT_FALSE(s.fs.FileExists(store::AccountFolder("acct") + "Certificates.ini"));
}

}  // namespace
}  // namespace receive

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();  // listing needs no display
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
