#include "store/record.h"

#include <gtest/gtest.h>

namespace store {
namespace {

TEST(RecordTest, SplitsAtEveryTab) {
  EXPECT_EQ(SplitRecord(""), (Fields{""}));
  EXPECT_EQ(SplitRecord("a"), (Fields{"a"}));
  EXPECT_EQ(SplitRecord("a\t\tb\t"), (Fields{"a", "", "b", ""}));
  EXPECT_EQ(SplitRecord("\t"), (Fields{"", ""}));
  const std::string line = "<k>\tsub\tfrom\t2005/09/01_09:30:05\t-1\t2\t1";
  EXPECT_EQ(JoinRecord(SplitRecord(line)), line);
  EXPECT_EQ(GetField(line, kSizeField), "-1");
  EXPECT_EQ(GetField(line, kStateField), "1");
  EXPECT_EQ(GetField(line, 7), "");
}

TEST(RecordTest, JoinKeepsFieldsInPlace) {
  // A TAB or line break inside a field would shift the record or split the line.
  EXPECT_EQ(JoinRecord({"<k>", "s", "Name\tx <a@b>", "d\r\n"}), "<k>\ts\tName x <a@b>\td  ");
  EXPECT_EQ(SplitRecord(JoinRecord({"a\tb", "c"})).size(), 2u);
  EXPECT_EQ(WithField("a\tb", 3, "z"), "a\tb\t\tz");
  EXPECT_EQ(WithField("a\tb\tc", 1, "B"), "a\tB\tc");
}

TEST(RecordTest, SplitLinesAcceptsCrLfAndBareEnds) {
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n"), (std::vector<std::string>{"a"}));
  EXPECT_EQ(SplitLines("\r\n\r\n"), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(SplitLines("a\n\rb"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_TRUE(SplitLines("").empty());
}

}  // namespace
}  // namespace store
