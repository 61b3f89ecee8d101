// The shown text of an opened message file.
#include "transport/eml_view.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/tempfiles.h"
#include "transport/exceptions.h"

namespace transport {
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

}  // namespace
}  // namespace transport
