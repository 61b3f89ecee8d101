// End to end from the offscreen composer: typed into the controls, attachments added through
// the file dialog, sent with メール送信 through the loopback Postfix, read back over POP3 and
// checked by the python3 oracle.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <fstream>
#include <sstream>

#include "app/main_window_fixture.h"
#include "compose/compose_window.h"
#include "compose/testing/mailbox.h"

namespace compose {
namespace {

class ComposeWindowMailServerTest : public app::testing::MainWindowTest {};

TEST_F(ComposeWindowMailServerTest, TypedJapaneseMessageArrivesAsTyped) {
  WriteStandardStore();
  Open();
  form->state().AccountList = {testing::AliceAccount(YUBINKO_SMTP_PORT).Line()};
  TForm3* form3 = CreateComposeWindow(*form, {nullptr, [] { return std::string(); }, nullptr});
  form->action("mnuNewMail")->trigger();
  const std::size_t before = testing::BobsMail(YUBINKO_POP3_PORT).size();

  auto type = [form3](const char* name, const char* utf8) {
    form3->findChild<QLineEdit*>(name)->setText(QString::fromUtf8(utf8));
  };
  type("edtTo", "山田 太郎 <bob@example.test>");
  type("edtCC", "alice@example.test");
  type("edtBCC", "bob@example.test");
  type("edtSubject", "①の件～ﾃｽﾄ");
  form3->findChild<QPlainTextEdit*>("Memo1")->setPlainText(
      QString::fromUtf8("山田様\n① 確認～お願いします\nｶﾞｯｺｳ\n以上"));
  const std::filesystem::path txt = s.path() / "添付資料.txt";
  const std::filesystem::path png = s.path() / "画像.png";
  std::ofstream(txt, std::ios::binary) << "plain text\r\n";
  std::ofstream(png, std::ios::binary) << std::string("\x89PNG\r\n\x1a\n\0\0\0\x0d", 12);
  ui.open_results.push_back({txt.string(), png.string()});
  form3->findChild<QAction*>("mnuAttach")->trigger();
  form3->findChild<QAction*>("mnuSendMail")->trigger();
  ASSERT_FALSE(form3->isVisible()) << (ui.shown.empty() ? "" : ui.shown.back().text);

  const std::vector<std::string> texts = testing::WaitForBobsMail(YUBINKO_POP3_PORT, before + 1);
  ASSERT_GT(texts.size(), before);
  std::ostringstream expected;
  expected << R"({"subject": "①の件～ﾃｽﾄ", "from_name": "", "to_name": "山田 太郎",)"
           << R"( "body": "山田様\n① 確認～お願いします\nｶﾞｯｺｳ\n以上", "attachments": [)"
           << R"({"name": "添付資料.txt", "type": "text/plain", "path": ")" << txt.string()
           << R"("}, {"name": "画像.png", "type": "image/png", "path": ")" << png.string()
           << R"("}]})";
  std::string report;
  EXPECT_EQ(testing::RunOracle(s.path(), YUBINKO_ORACLE, texts.back(), expected.str(), report), 0)
      << report;
}

}  // namespace
}  // namespace compose

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();  // listing needs no display
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
