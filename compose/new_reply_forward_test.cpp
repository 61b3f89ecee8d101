// New, Reply and Forward over the composer's fields: quoting, addresses, subjects, the
// signature's place and the attachments carried on.
#include "compose/new_reply_forward.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/testing/temp_app_dir.h"
#include "state/testing/fake_main_view.h"
#include "store/paths.h"

namespace compose {
namespace {

using Lines = std::vector<std::string>;

std::string S(const char* utf8) { return platform::Sjis(utf8); }

class NewReplyForwardTest : public ::testing::Test {
 protected:
  NewReplyForwardTest() : state_(dir_.path()) {
    state_.current_folder = S("受信\\main\\");
    selected_ = {"<k1@x>", S("会議の件"), "boss@example.test"};
    shown_ = {"To=me@example.test",
              "ReplyTo=reply@example.test",
              "References=<k0@x>",
              S("件名：会議の件"),
              "-------------------",
              "hello",
              "",
              "bye"};
  }
  void StoreMessageFile(const std::string& folder) {
    state_.fs.ForceDirectories(folder);
    state_.fs.WriteFileAtomic(store::MessageFilePath(folder, selected_.key), "x");
  }

  platform::testing::TempAppDir dir_;
  state::MainState state_;
  SelectedMessage selected_;
  Lines shown_;
  ComposerFields fields_;
};

TEST_F(NewReplyForwardTest, QuoteKeepsTheHeaderBlockAndQuotesFromTheFirstSeparator) {
  Quote({"a", "x--------y", "b", "", "-------------------", "c"}, fields_);
  EXPECT_EQ(BodyLines(fields_),
            (Lines{"a", "", "x--------y", ">  b", ">  ", ">  -------------------", ">  c"}));
  fields_.body = "kept";
  Quote({}, fields_);
  EXPECT_EQ(fields_.body, "kept");
}

TEST_F(NewReplyForwardTest, ReplyAddressesTheReplyToLineOrTheListedSender) {
  StoreMessageFile(state_.current_folder);
  fields_.attachments = {"/old.txt"};
  fields_.cc = "cc";
  ReplyMail(state_, selected_, shown_, "SIG", fields_);
  EXPECT_EQ(state_.ReplyReference, "<k1@x>");
  EXPECT_EQ(fields_.to, "reply@example.test");
  EXPECT_EQ(fields_.subject, S("返信:会議の件"));
  EXPECT_TRUE(fields_.cc.empty());
  EXPECT_TRUE(fields_.attachments.empty());
  EXPECT_EQ(BodyLines(fields_),
            (Lines{"To=me@example.test", "ReplyTo=reply@example.test", "References=<k0@x>",
                   S("件名：会議の件"), "", "-------------------", ">  hello", ">  ", ">  bye", "",
                   "", "", "SIG"}));

  shown_[1] = "ReplyTo=";
  ReplyMail(state_, selected_, shown_, "SIG", fields_);
  EXPECT_EQ(fields_.to, "boss@example.test");

  // Replying to a reply prefixes again.
  selected_.caption = fields_.subject;
  ReplyMail(state_, selected_, shown_, "SIG", fields_);
  EXPECT_EQ(fields_.subject, S("返信:返信:会議の件"));
}

TEST_F(NewReplyForwardTest, ReplyWithoutMessageFileUsesTheSenderAndNoQuote) {
  fields_.body = "left over";
  ReplyMail(state_, selected_, shown_, "SIG", fields_);
  EXPECT_EQ(fields_.to, "boss@example.test");
  EXPECT_EQ(BodyLines(fields_), (Lines{"", "", "", "SIG"}));
}

TEST_F(NewReplyForwardTest, ReplyInTheSentFolderLooksThere) {
  state_.sent_view = true;
  StoreMessageFile(store::SentFolder());
  ReplyMail(state_, selected_, shown_, "", fields_);
  EXPECT_EQ(fields_.to, "reply@example.test");
}

TEST_F(NewReplyForwardTest, ForwardQuotesSignsDirectlyAndCarriesAttachments) {
  StoreMessageFile(state_.current_folder);
  state_.ReplyReference = "<old>";
  fields_.to = "someone";
  fields_.merge = true;
  ForwardMail(state_, selected_, shown_, {"a.txt", S("写真.jpg")}, "SIG", fields_);
  EXPECT_TRUE(fields_.to.empty());
  EXPECT_FALSE(fields_.merge);
  EXPECT_TRUE(state_.ReplyReference.empty());
  EXPECT_EQ(fields_.subject, S("転送:会議の件"));
  const Lines body = BodyLines(fields_);
  EXPECT_EQ(body[body.size() - 2], ">  bye");
  EXPECT_EQ(body.back(), "SIG");
  ASSERT_EQ(fields_.attachments.size(), 2u);
  EXPECT_EQ(fields_.attachments[1],
            (dir_.path() / "受信/main/Attachment/0k1@x9/写真.jpg").string());
}

TEST_F(NewReplyForwardTest, NewStartsEmptyAndLeavesDeletionMode) {
  state::testing::FakeMainView view(&state_);
  state_.extraction_view = true;
  state_.ReplyReference = "<k>";
  fields_ = {"x", 0, true, "to", "cc", "bcc", "subj", "body", {"/a"}, {"row"}, "/m.csv"};
  NewMail(state_, view, "me@example.test", "--\r\nme", fields_);
  EXPECT_FALSE(state_.extraction_view);
  EXPECT_EQ(fields_.sender_text, "me@example.test");
  EXPECT_EQ(BodyLines(fields_), (Lines{"", "", "--", "me"}));
  EXPECT_TRUE(fields_.to.empty() && fields_.cc.empty() && fields_.bcc.empty() &&
              fields_.subject.empty() && fields_.attachments.empty() && fields_.merge_rows.empty());
  EXPECT_FALSE(fields_.merge);
  EXPECT_TRUE(state_.ReplyReference.empty());
}

}  // namespace
}  // namespace compose
