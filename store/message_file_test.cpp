#include "store/message_file.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/testing/temp_app_dir.h"

namespace store {
namespace {

using platform::Sjis;

ReceivedMessage Sample() {
  ReceivedMessage m;
  m.to = "to@example.jp";
  m.reply_to = "";
  m.cc = "cc@example.jp";
  m.key = "<k@x>";
  m.references = "<r1@x> <r2@x>";
  m.sender = Sjis("山田 <y@x>");
  m.subject = Sjis("件名テスト");
  m.date = "2005/09/01_09:30:05";
  m.size = "1234";
  m.texts = {"first\r\nline2", "second"};
  return m;
}

TEST(MessageFileTest, ReceivedFileLayout) {
  std::string expected =
      "To=to@example.jp\r\nReplyTo=\r\nCCList=cc@example.jp\r\n"
      "Message-ID=<k@x>\r\nReferences=<r1@x> <r2@x>\r\n" +
      Sjis("差出人：山田 <y@x>\r\n件名：件名テスト\r\n") +
      Sjis("日時：2005/09/01_09:30:05\r\nﾌｧｲﾙｻｲｽﾞ：1234\r\n") +
      "-------------------\r\nfirst\r\nline2\r\n========\r\nsecond\r\n";
  EXPECT_EQ(FormatReceivedMessage(Sample()), expected);
  // The labels carry the full-width colon 81 46; the size label is half-width katakana.
  EXPECT_NE(expected.find(Sjis("件名") + "\x81\x46"), std::string::npos);
  EXPECT_NE(expected.find("\xCC\xA7\xB2\xD9\xBB\xB2\xBD\xDE\x81\x46"), std::string::npos);
}

TEST(MessageFileTest, BodyLineEndsBecomeCrLfAndHeadersStayOneLine) {
  ReceivedMessage m = Sample();
  m.texts = {"a\nb\rc\r\n"};
  m.references = "<r1@x>\r\n <r2@x>";
  std::string text = FormatReceivedMessage(m);
  EXPECT_NE(text.find("References=<r1@x>   <r2@x>\r\n"), std::string::npos);
  EXPECT_EQ(text.substr(text.find("---\r\n") + 5), "a\r\nb\r\nc\r\n");
  m.texts.clear();
  EXPECT_TRUE(FormatReceivedMessage(m).ends_with("-------------------\r\n"));
}

TEST(MessageFileTest, SentFileLayout) {
  SentMessage m;
  m.reply_to = "me@x";
  m.cc = "c@x";
  m.bcc = "b@x";
  m.to = "t@x";
  m.subject = Sjis("件名");
  m.date = "2005/09/01_093005";
  m.attachment_names = {"a.txt", Sjis("表.doc")};
  m.body = "hello";
  EXPECT_EQ(FormatSentMessage(m),
            "ReplyTo=me@x\r\nCCList=c@x\r\nBccList=b@x\r\n" +
                Sjis("あて名：t@x\r\n件名：件名\r\n") +
                Sjis("日時：2005/09/01_093005\r\n添付ファイル：a.txt;表.doc;\r\n") +
                "-------------------\r\nhello\r\n");
  m.attachment_names.clear();
  EXPECT_NE(FormatSentMessage(m).find(Sjis("添付ファイル：\r\n")), std::string::npos);
}

TEST(MessageFileTest, WritesIntoTheFolderUnderTheStem) {
  platform::testing::TempAppDir dir;
  platform::FileSystem fs(dir.path());
  const std::string folder = Sjis("受信\\能力\\");
  WriteReceivedMessage(fs, folder, Sample());
  EXPECT_EQ(*fs.ReadFile(folder + "0k@x9.txt"), FormatReceivedMessage(Sample()));

  SentMessage sent;
  sent.body = "b";
  WriteSentMessage(fs, "<s@x>", sent);
  EXPECT_EQ(*fs.ReadFile(Sjis("送信\\0s@x9.txt")), FormatSentMessage(sent));

  // A key made to climb out still writes inside the folder.
  ReceivedMessage hostile = Sample();
  hostile.key = "../../escape";
  WriteReceivedMessage(fs, folder, hostile);
  EXPECT_TRUE(fs.FileExists(folder + "..7..7escape.txt"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "escape.txt"));
}

TEST(MessageFileTest, HeaderLinesAreFoundByContent) {
  std::string text = FormatReceivedMessage(Sample());
  EXPECT_EQ(ReadHeaderValue(text, "References"), "<r1@x> <r2@x>");
  EXPECT_EQ(ReadHeaderValue(text, "ReplyTo"), "");
  EXPECT_EQ(ReadHeaderValue(text, "Missing"), "");
  // The first line that contains the name wins, wherever the name stands in it.
  EXPECT_EQ(ReadHeaderValue("xReplyTo:a\nReplyTo=b\n", "ReplyTo"), "a");
  EXPECT_EQ(ReadHeaderValue("ReplyTo", "ReplyTo"), "");
  EXPECT_EQ(ReadHeaderValue("body\rReferences=<z>\r", "References"), "<z>");
}

}  // namespace
}  // namespace store
