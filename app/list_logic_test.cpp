// Message-list sort orders, header clicks, sort choices and row styles.
#include "app/list_logic.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace app {
namespace {

std::vector<Row> Rows(const std::vector<std::string>& records) {
  std::vector<Row> rows;
  for (const auto& r : records) rows.push_back(RowFromRecord(r));
  return rows;
}

std::vector<std::string> Keys(const std::vector<Row>& rows) {
  std::vector<std::string> keys;
  for (const auto& r : rows) keys.push_back(r.key());
  return keys;
}

TEST(ListLogicTest, RowsHoldRecordFieldsInColumnOrderAndRoundTrip) {
  const std::string rec = "<k@x>\tSubj\tFrom\t2024/01/02_03:04:05\t1234\t1\t2";
  Row row = RowFromRecord(rec);
  EXPECT_EQ(row.col[0], "Subj");
  EXPECT_EQ(row.col[3], "1234");
  EXPECT_EQ(row.key(), "<k@x>");
  EXPECT_TRUE(row.has_attachment());
  EXPECT_EQ(row.state(), "2");
  EXPECT_EQ(RecordFromRow(row), rec);
  // A related-view line carries an eighth field that the row does not show.
  EXPECT_EQ(RecordFromRow(RowFromRecord(rec + "\t<ref>")), rec);
}

TEST(ListLogicTest, SizesAndDatesSortAsTextAndDescendingInverts) {
  auto rows = Rows({"<a>\ts\tf\t2024/01/02_00:00:00\t999\t2\t2",
                    "<b>\ts\tf\t2023/12/31_00:00:00\t1000\t2\t1",
                    "<c>\ts\tf\t2024/01/01_00:00:00\t20\t1\t3"});
  SortRows(rows, 3, 4);  // size ascending: "1000" < "20" < "999"
  EXPECT_EQ(Keys(rows), (std::vector<std::string>{"<b>", "<c>", "<a>"}));
  SortRows(rows, 2, -3);  // date, newest first
  EXPECT_EQ(Keys(rows), (std::vector<std::string>{"<a>", "<c>", "<b>"}));
  SortRows(rows, 6, 7);  // state: unread first
  EXPECT_EQ(Keys(rows), (std::vector<std::string>{"<b>", "<a>", "<c>"}));
}

TEST(ListLogicTest, SubItemsIgnoreAsciiCaseOnlyAndSubjectsUseTheCollator) {
  EXPECT_EQ(CompareAsciiNoCase("ABC", "abc"), 0);
  EXPECT_LT(CompareAsciiNoCase("abc", "ABD"), 0);
  EXPECT_LT(CompareAsciiNoCase("ab", "abc"), 0);
  // Full-width letters are bytes: no case folding there.
  EXPECT_NE(CompareAsciiNoCase(platform::Sjis("Ａ"), platform::Sjis("ａ")), 0);

  auto rows = Rows({"<1>\tb\tx\td\t1\t2\t2", "<2>\tB\tx\td\t1\t2\t2", "<3>\ta\tx\td\t1\t2\t2"});
  SortRows(rows, 0, 1);
  // Locale order, case-sensitive: lower case before upper case on a tie.
  EXPECT_EQ(Keys(rows), (std::vector<std::string>{"<3>", "<1>", "<2>"}));
  SortRows(rows, 0, -1);
  EXPECT_EQ(Keys(rows), (std::vector<std::string>{"<2>", "<1>", "<3>"}));
}

TEST(ListLogicTest, HeaderClickFlipsSameColumnAndStartsOthersAscending) {
  EXPECT_EQ(SortStateAfterHeaderClick(-3, 2), 3);  // date newest-first -> oldest-first
  EXPECT_EQ(SortStateAfterHeaderClick(3, 2), -3);
  EXPECT_EQ(SortStateAfterHeaderClick(-3, 0), 1);  // another column: ascending
  EXPECT_EQ(SortStateAfterHeaderClick(2, 5), 6);
}

TEST(ListLogicTest, SortChoicesGiveTheDocumentedOrdersAfterTheirClick) {
  struct Case {
    int tag;
    int column;
    int final_state;
  };
  for (const Case& c :
       {Case{0, 0, 1}, Case{1, 1, 2}, Case{2, 2, -3}, Case{5, 5, 6}, Case{6, 6, 7}}) {
    auto choice = SortChoiceForTag(c.tag);
    ASSERT_TRUE(choice) << c.tag;
    EXPECT_EQ(choice->column, c.column);
    EXPECT_EQ(SortStateAfterHeaderClick(choice->state_before_click, choice->column), c.final_state)
        << c.tag;
  }
  EXPECT_FALSE(SortChoiceForTag(3));
}

TEST(ListLogicTest, StatesMapToBoldOrColour) {
  EXPECT_TRUE(StyleForState("1").bold);
  EXPECT_FALSE(StyleForState("1").has_colour);
  struct Case {
    const char* state;
    int r, g, b;
  };
  for (const Case& c : {Case{"2", 0, 0, 0}, Case{"3", 255, 0, 0}, Case{"4", 0, 0, 255},
                        Case{"5", 0, 128, 0}, Case{"6", 255, 0, 255}, Case{"7", 0, 255, 255}}) {
    RowStyle s = StyleForState(c.state);
    EXPECT_FALSE(s.bold);
    ASSERT_TRUE(s.has_colour) << c.state;
    EXPECT_EQ((std::vector<int>{s.r, s.g, s.b}), (std::vector<int>{c.r, c.g, c.b})) << c.state;
  }
  EXPECT_FALSE(StyleForState("#").has_colour);
  EXPECT_FALSE(StyleForState("#").bold);
}

}  // namespace
}  // namespace app
