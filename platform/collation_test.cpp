#include "platform/collation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/codepage.h"

namespace platform {
namespace {

TEST(CollationTest, IgnoringCaseTiesOnlyLetterCase) {
  EXPECT_EQ(CompareText("<ABC@x>", "<abc@X>", true), 0);
  EXPECT_NE(CompareText("<ABC@x>", "<abc@X>", false), 0);
  // Hiragana against katakana and full- against half-width stay distinct.
  EXPECT_NE(CompareText(Sjis("あいう"), Sjis("アイウ"), true), 0);
  EXPECT_NE(CompareText(Sjis("アイウ"), Sjis("ｱｲｳ"), true), 0);
  EXPECT_EQ(CompareText(Sjis("ＡＢ"), Sjis("ａｂ"), true), 0);
  EXPECT_TRUE(SameIgnoringCase(Sjis("ＡＢc"), Sjis("ａｂC")));
  EXPECT_FALSE(SameIgnoringCase(Sjis("あ"), Sjis("ア")));
}

TEST(CollationTest, SortKeysOrderAsTheComparisonDoes) {
  std::vector<std::string> lines = {"b", "A", "a", "B", "<x@y>", Sjis("表"), Sjis("あ"),
                                    Sjis("ア"), "10", "9", "", Sjis("ｱ")};
  for (bool ignore_case : {true, false}) {
    for (const auto& x : lines) {
      for (const auto& y : lines) {
        int by_compare = CompareText(x, y, ignore_case);
        int by_key = SortKey(x, ignore_case).compare(SortKey(y, ignore_case));
        EXPECT_EQ(by_compare < 0, by_key < 0) << x << " vs " << y;
        EXPECT_EQ(by_compare == 0, by_key == 0) << x << " vs " << y;
      }
    }
  }
}

TEST(CollationTest, OrdersLettersAlphabeticallyBeforeCase) {
  std::vector<std::string> v = {"b", "B", "a", "A"};
  std::sort(v.begin(), v.end(),
            [](const auto& x, const auto& y) { return CompareText(x, y, false) < 0; });
  EXPECT_EQ(v, (std::vector<std::string>{"a", "A", "b", "B"}));
}

}  // namespace
}  // namespace platform
