// The shown text of an opened message file.
#include "mailview/eml_view.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/tempfiles.h"
#include "transport/exceptions.h"

namespace mailview {

using transport::EIdException;
namespace {

namespace fs = std::filesystem;

class EmlViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("eml_view_test_" + std::to_string(::getpid()));
    fs::create_directories(dir_ / "tmp");
    platform::SetTempDirectoryForTesting(dir_ / "tmp");
  }
  void TearDown() override {
    platform::SetTempDirectoryForTesting({});
    fs::remove_all(dir_);
  }
  std::string Show(const std::string& eml) {
    std::string path = (dir_ / "m.eml").string();
    std::ofstream(path, std::ios::binary) << eml;
    return LoadEmlViewText(path);
  }
  fs::path dir_;
  platform::FixedClock clock_{platform::EncodeDateTime(2026, 12, 8), -540};
  platform::ScopedClock scoped_{clock_};
};

TEST_F(EmlViewTest, MultipartShowsHeaderBlockPreambleAndTextPartsInShiftJis) {
  std::string text = Show(
      "From: =?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= <yamada@example.jp>\r\n"
      "Cc: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?= <c@example.jp>\r\n"
      "Subject: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?= re port\r\n"
      "Date: Tue, 01 Dec 2026 10:00:00 +0900\r\n"
      "Content-Type: multipart/mixed; boundary=\"b\"\r\n"
      "\r\n"
      "pre\r\n"
      "--b\r\n"
      "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
      "\r\n"
      "\x1b$BF|K\\8l\x1b(B\r\n"
      "--b\r\n"
      "Content-Type: application/octet-stream; name=a.bin\r\n"
      "Content-Transfer-Encoding: base64\r\n"
      "\r\n"
      "QUJD\r\n"
      "--b--\r\n");
  std::string expected = platform::Sjis(
      "ReplyTo=\r\n"
      "CCList=テスト <c@example.jp>\r\n"
      "BccList=\r\n"
      "差出人：\"山田\" <yamada@example.jp>\r\n"
      "件名：テストreport\r\n"
      "日時：2026/12/01_10:00:00\r\n"
      "-------------------\r\n"
      "pre\r\n"
      "\r\n"
      "========\r\n"
      "日本語");
  EXPECT_EQ(text, expected);
  EXPECT_TRUE(fs::is_empty(dir_ / "tmp"));  // the attachment's temporary file is gone
}

TEST_F(EmlViewTest, PlainMessageWithReplyToAndNoDateAndUnreadableFile) {
  std::string text = Show(
      "Reply-To: R <r@example.jp>\n"
      "Subject: hi\n"
      "\n"
      "line1\n"
      "\n"
      "line3");
  EXPECT_EQ(text, platform::Sjis("ReplyTo=R <r@example.jp>\r\nCCList=\r\nBccList=\r\n差出人：\r\n"
                                 "件名：hi\r\n日時：1899/12/30_09:00:00\r\n-------------------\r\n"
                                 "line1\r\n\r\nline3"));
  EXPECT_THROW(LoadEmlViewText((dir_ / "none.eml").string()), EIdException);
  EXPECT_THROW(Show("Content-Type: multipart/mixed; boundary=b\n\n--b\nContent-Type: x"),
               EIdException);
}

// A single base64 UTF-8 body, as much mail comes today, is shown as text, not as base64.
TEST_F(EmlViewTest, SingleBase64Utf8BodyIsShownAsShiftJisText) {
  std::string text = Show(
      "Subject: x\r\n"
      "Content-Type: text/plain; charset=\"utf-8\"\r\n"
      "Content-Transfer-Encoding: base64\r\n"
      "\r\n"
      "44OG44K544OIDQrooYwy\r\n");
  EXPECT_TRUE(text.ends_with(platform::Sjis("-------------------\r\nテスト\r\n行2"))) << text;
}

// The shown text is the viewer's lines separated by CR LF: the header items, then the body's
// lines; the line break that ends the last line adds no line.
TEST_F(EmlViewTest, LinesAreSeparatedByCrLfWithNoBreakAfterTheLast) {
  const std::string block = platform::Sjis(
      "ReplyTo=\r\nCCList=\r\nBccList=\r\n差出人：\r\n件名：x\r\n日時：1899/12/30_09:00:00\r\n"
      "-------------------");
  struct Case {
    const char* name;
    std::string eml;
    std::string body;
  } cases[] = {
      {"no body", "Subject: x\r\n\r\n", ""},
      {"header only, no blank line", "Subject: x\r\n", ""},
      {"one line", "Subject: x\r\n\r\nhello\r\n", "\r\nhello"},
      {"no final line break", "Subject: x\r\n\r\nhello", "\r\nhello"},
      {"blank last line", "Subject: x\r\n\r\nhello\r\n\r\n", "\r\nhello\r\n"},
      {"LF only", "Subject: x\n\na\nb\n", "\r\na\r\nb"},
      {"lone CR inside a line", "Subject: x\r\n\r\na\rb\r\n", "\r\na\r\nb"},
      {"empty text part after nothing",
       "Subject: x\r\nContent-Type: multipart/mixed; boundary=b\r\n"
       "\r\n--b\r\nContent-Type: text/plain\r\n\r\n--b--\r\n",
       ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Show(c.eml), block + c.body) << c.name;
  }
}

// A file with CR line ends only is a single line: all of it is the first header line, and the
// viewer breaks it at each CR. A line break decoded from an encoded word breaks the line too.
TEST_F(EmlViewTest, LineBreaksInsideHeaderValuesBecomeCrLf) {
  EXPECT_EQ(Show("Subject: a b\rFrom: x@y\r\rbody\r"),
            platform::Sjis("ReplyTo=\r\nCCList=\r\nBccList=\r\n差出人：\r\n"
                           "件名：ab\r\nFrom:x@y\r\n\r\nbody\r\n"
                           "日時：1899/12/30_09:00:00\r\n-------------------"));
  // "x" LF "y" in ISO-2022-JP, then "z" in a second line of the same header.
  EXPECT_EQ(Show("Cc: =?ISO-2022-JP?B?eAp5?=\r\n z\r\n\r\n"),
            platform::Sjis("ReplyTo=\r\nCCList=x\r\ny z\r\nBccList=\r\n差出人：\r\n件名：\r\n"
                           "日時：1899/12/30_09:00:00\r\n-------------------"));
}

// A raw (not encoded) subject in old JIS starts with ESC $ @: the escape is removed as a
// whole; a raw ISO-2022-JP value, and a quoted raw display name, keep their leading ESC $ B.
TEST_F(EmlViewTest, RawJisSubjectLosesItsOldJisEscapeAndKeepsItsNewOne) {
  EXPECT_EQ(Show("Subject: \x1b$@%F\x1b(B\r\nCc: \x1b$B%F\x1b(B <c@d>\r\n"
                 "From: \"\x1b$B%F\x1b(B\" <f@d>\r\n\r\n"),
            platform::Sjis("ReplyTo=\r\nCCList=\x1b$B%F\x1b(B <c@d>\r\nBccList=\r\n"
                           "差出人：\"\x1b$B%F\x1b(B\" <f@d>\r\n"
                           "件名：%F\x1b(B\r\n日時：1899/12/30_09:00:00\r\n-------------------"));
}

}  // namespace
}  // namespace mailview
