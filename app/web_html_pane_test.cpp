// The web-engine HTML view: created on first use, shows the scratch page, runs no script and
// loads nothing from the network. Its own executable, so the other window tests stay free of
// the browser engine.
#include "app/web_html_pane.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTableView>
#include <QTcpServer>
#include <QTest>
#include <QTextEdit>
#include <QWebEngineView>
#include <cstdlib>
#include <filesystem>

#include "app/main_window.h"
#include "app/message_model.h"
#include "app/test_store.h"
#include "platform/testing/scripted_ui_services.h"

namespace app {
namespace {

using testing::P;
using testing::Rec;
using testing::TestStore;

TEST(WebHtmlPaneTest, OnlyTheScratchPageMayLoad) {
  const QUrl page = QUrl::fromLocalFile(QStringLiteral("/app/test.htm"));
  EXPECT_TRUE(WebRequestAllowed(page, page));
  EXPECT_TRUE(WebRequestAllowed(QUrl(QStringLiteral("file:///app/test.htm#part")), page));
  EXPECT_FALSE(WebRequestAllowed(QUrl::fromLocalFile(QStringLiteral("/app/Account.ini")), page));
  EXPECT_FALSE(WebRequestAllowed(QUrl::fromLocalFile(QStringLiteral("/app/test.htm/x")), page));
  EXPECT_FALSE(WebRequestAllowed(QUrl(QStringLiteral("http://127.0.0.1/x.png")), page));
  EXPECT_FALSE(WebRequestAllowed(QUrl(QStringLiteral("https://example.com/")), page));
  EXPECT_FALSE(WebRequestAllowed(QUrl(QStringLiteral("data:text/html,hi")), page));
  EXPECT_FALSE(WebRequestAllowed(page, QUrl()));  // nothing before the window names a page
}

// Loads a page into a fresh pane and waits for it; the refused requests are collected.
struct LoadedPane {
  explicit LoadedPane(const std::filesystem::path& page)
      : pane(MakeWebHtmlPane(&parent, [this](const QUrl& url) { refused.push_back(url); })),
        view(qobject_cast<QWebEngineView*>(pane->widget())) {
    QSignalSpy finished(view, &QWebEngineView::loadFinished);
    pane->Navigate(page);
    loaded = finished.wait(20000) && finished.front().front().toBool();
  }
  QWidget parent;
  std::unique_ptr<HtmlPane> pane;
  QWebEngineView* view;
  std::vector<QUrl> refused;
  bool loaded = false;
};

TEST(WebHtmlPaneTest, OtherLocalFilesAndNavigationsAreRefused) {
  TestStore s;
  platform::WriteFileAtomic(s.path() / "Account.ini", "acc\tpop\tuser\tsecret\r\n");
  platform::WriteFileAtomic(s.path() / "other.htm", "<html><title>other</title></html>");
  const std::filesystem::path page = s.path() / "test.htm";
  platform::WriteFileAtomic(
      page,
      "<html><head><title>scratch</title><meta http-equiv=\"refresh\" content=\"0; "
      "url=other.htm\"></head><body><iframe src=\"Account.ini\"></iframe>"
      "<img src=\"other.htm\"></body></html>\r\n");
  LoadedPane loaded(page);
  ASSERT_TRUE(loaded.loaded);
  QTest::qWait(500);  // time for the refresh to fire
  EXPECT_EQ(loaded.view->title(), QStringLiteral("scratch"));
  EXPECT_EQ(loaded.view->url(), QUrl::fromLocalFile(QString::fromStdString(page.string())));
  const QUrl account =
      QUrl::fromLocalFile(QString::fromStdString((s.path() / "Account.ini").string()));
  bool account_refused = false;
  for (const QUrl& url : loaded.refused) account_refused = account_refused || url == account;
  EXPECT_TRUE(account_refused) << loaded.refused.size();
  const QUrl other = QUrl::fromLocalFile(QString::fromStdString((s.path() / "other.htm").string()));
  bool other_refused = false;
  for (const QUrl& url : loaded.refused) other_refused = other_refused || url == other;
  EXPECT_TRUE(other_refused);  // the refresh, and the image of a local file
  QString html;
  bool got = false;
  loaded.view->page()->toHtml([&](const QString& h) {
    html = h;
    got = true;
  });
  ASSERT_TRUE(QTest::qWaitFor([&] { return got; }, 10000));
  EXPECT_FALSE(html.contains(QStringLiteral("secret")));
}

TEST(WebHtmlPaneTest, TheMarkedUtf8PageIsReadAsUtf8WhateverItsHtmlSays) {
  TestStore s;
  const std::filesystem::path page = s.path() / "test.htm";
  for (const char* charset : {"iso-2022-jp", "utf-8", "shift_jis"}) {
    platform::WriteFileAtomic(page, std::string("\xEF\xBB\xBF<html><head><meta charset=\"") +
                                        charset + "\"><title>会議の案内</title></head></html>");
    LoadedPane loaded(page);
    ASSERT_TRUE(loaded.loaded) << charset;
    EXPECT_EQ(loaded.view->title(), QString::fromUtf8("会議の案内")) << charset;
  }
}

TEST(WebHtmlPaneTest, PageShowsWithoutScriptsOrRemoteLoads) {
  QTcpServer server;
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
  int connections = 0;
  QObject::connect(&server, &QTcpServer::newConnection, [&] {
    ++connections;
    while (QTcpSocket* s = server.nextPendingConnection()) s->close();
  });
  TestStore s;
  const QString remote = QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort());
  const std::filesystem::path page = s.path() / "test.htm";
  platform::WriteFileAtomic(
      page, ("<html><head><title>static</title><link rel=stylesheet href=\"" +
             remote.toStdString() + "s.css\"></head><body><img src=\"" + remote.toStdString() +
             "i.png\"><script>document.title='scripted';</script>hello</body></html>\r\n"));

  QWidget parent;
  auto pane = MakeWebHtmlPane(&parent);
  auto* view = qobject_cast<QWebEngineView*>(pane->widget());
  ASSERT_NE(view, nullptr);
  QSignalSpy finished(view, &QWebEngineView::loadFinished);
  pane->Navigate(page);
  ASSERT_TRUE(finished.wait(20000));
  EXPECT_TRUE(finished.front().front().toBool());
  QTest::qWait(300);  // give a stray request time to arrive
  EXPECT_EQ(view->title(), QStringLiteral("static"));
  EXPECT_EQ(connections, 0);
}

TEST(WebHtmlPaneTest, MainWindowCreatesTheViewOnFirstUseAndSwitchesBack) {
  TestStore s;
  s.WriteLines("Account.ini", {"acc\tpop\tu\tp\tsmtp\tme@x\t110\t25\t0"});
  s.WriteLines("受信\\acc\\MsgID.ini", {Rec("<h@x>", "html", "2"), Rec("<t@x>", "text", "2")});
  s.Write("受信\\acc\\0h@x9.txt", "To=\r\n-------------------\r\n<html><body>x</body></html>\r\n");
  s.Write("受信\\acc\\0t@x9.txt", "To=\r\n-------------------\r\nplain\r\n");
  platform::testing::ScriptedUiServices ui;
  int made = 0;
  TForm1 form(s.path(), ui, [&](QWidget* parent) {
    ++made;
    return MakeWebHtmlPane(parent);
  });
  form.show();
  auto* list = form.findChild<QTableView*>("ListView1");
  auto* body = form.findChild<QTextEdit*>("memBody");
  auto select = [&](const char* key) {
    const auto& rows = form.model().rows();
    for (size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].key() == key) {
        list->selectionModel()->setCurrentIndex(
            form.model().index(static_cast<int>(i), 0),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
      }
    }
    form.ListView1Click();
  };
  select("<t@x>");
  form.HTML1Click();  // no "<html" in the body: nothing happens
  EXPECT_EQ(made, 0);
  EXPECT_EQ(form.findChild<QWebEngineView*>("WebBrowser1"), nullptr);

  select("<h@x>");
  form.HTML1Click();
  ASSERT_EQ(made, 1);
  auto* view = form.findChild<QWebEngineView*>("WebBrowser1");
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(view->isVisible());
  EXPECT_FALSE(body->isVisible());
  form.N33Click();
  EXPECT_TRUE(body->isVisible());
  EXPECT_FALSE(view->isVisible());
  form.HTML1Click();
  EXPECT_EQ(made, 1);  // created once
  select("<t@x>");     // the next row click returns to the text view
  EXPECT_TRUE(body->isVisible());
  EXPECT_FALSE(view->isVisible());
}

}  // namespace
}  // namespace app

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();  // listing needs no display
  // The engine writes into the runtime and cache folders: fresh ones for this run.
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  std::string runtime = (base / "yubinko-web-run-XXXXXX").string();
  std::string cache = (base / "yubinko-web-cache-XXXXXX").string();
  if (::mkdtemp(runtime.data()) == nullptr || ::mkdtemp(cache.data()) == nullptr) return 1;
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  setenv("XDG_CACHE_HOME", cache.c_str(), 1);
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication application(argc, argv);
  const int result = RUN_ALL_TESTS();
  std::error_code ec;
  std::filesystem::remove_all(runtime, ec);
  std::filesystem::remove_all(cache, ec);
  return result;
}
