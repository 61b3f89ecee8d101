// Link marking and the link under the pointer.
#include "app/link_logic.h"

#include <gtest/gtest.h>

namespace app {
namespace {

TEST(LinkLogicTest, HttpIsSearchedBeforeHttpsAndMarksRunToTheLineEnd) {
  std::u16string text = u"see https://a.example/x\nthen http://b.example/y tail\nend";
  auto marks = LinkMarks(text);
  // Only the http:// link: https:// is looked for when no http:// is left after it.
  ASSERT_EQ(marks.size(), 1u);
  EXPECT_EQ(text.substr(marks[0].start, marks[0].end - marks[0].start), u"http://b.example/y tail");

  std::u16string only_https = u"a https://x.example\nb https://y.example";
  auto m2 = LinkMarks(only_https);
  ASSERT_EQ(m2.size(), 2u);
  EXPECT_EQ(m2[1].end, only_https.size());

  std::u16string two = u"http://a\nhttp://b\nhttps://c";
  // Two http:// links, then the https:// one after the last http://.
  EXPECT_EQ(LinkMarks(two).size(), 3u);
}

TEST(LinkLogicTest, LongBodiesAreNotMarked) {
  std::u16string text(kLinkMarkLimit - 20, u'a');
  text += u" http://x";
  EXPECT_EQ(LinkMarks(text).size(), 1u);
  text.append(30, u'b');
  EXPECT_TRUE(LinkMarks(text).empty());
}

TEST(LinkLogicTest, LinkUnderPointerFollowsLinkCharacters) {
  std::u16string text = u"go <http://ex.com/a?b=1&c=~d#e> now";
  const size_t in_link = text.find(u"ex.com");
  EXPECT_EQ(LinkAt(text, in_link), u"http://ex.com/a?b=1&c=~d#e");
  EXPECT_EQ(LinkAt(text, text.find(u"http")), u"http://ex.com/a?b=1&c=~d#e");
  EXPECT_EQ(LinkAt(text, text.find(u'>')), u"");
  EXPECT_EQ(LinkAt(text, text.find(u"now")), u"");
  // An address written without a scheme is no link.
  std::u16string bare = u"www.example.com/page";
  EXPECT_EQ(LinkAt(bare, 5), u"");
  // Non-ASCII characters end a link.
  std::u16string jp = u"http://a.jp/\u65E5\u672C";
  EXPECT_EQ(LinkAt(jp, 3), u"http://a.jp/");
  EXPECT_EQ(LinkAt(jp, jp.size() - 1), u"");
  EXPECT_EQ(LinkAt(u"https://s.example", 10), u"https://s.example");
}

TEST(LinkLogicTest, LinkIsCutAt256Characters) {
  std::u16string text = u"http://" + std::u16string(400, u'a');
  EXPECT_EQ(LinkAt(text, 300).size(), 256u);
  EXPECT_EQ(LinkAt(text, text.size()), u"");  // past the end
}

}  // namespace
}  // namespace app
