#include "store/text_key.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/collation.h"

namespace store {
namespace {

using platform::Sjis;

int Sign(int v) { return (v > 0) - (v < 0); }

// Texts built from pieces where the collator is at its most context-dependent: the
// prolonged sound mark and iteration marks after kana, kana kinds and widths, case,
// full-width letters, punctuation, control bytes, a cut-off lead byte.
std::vector<std::string> RandomTexts(unsigned seed, int count) {
  const std::vector<std::string> pieces = {"a",
                                           "A",
                                           "l",
                                           "L",
                                           "4",
                                           "<",
                                           ">",
                                           "@",
                                           ".",
                                           "_",
                                           "/",
                                           " ",
                                           "\t",
                                           "\x01",
                                           "-",
                                           "'",
                                           Sjis("あ"),
                                           Sjis("ア"),
                                           Sjis("ｱ"),
                                           Sjis("か"),
                                           Sjis("カ"),
                                           Sjis("ｶ"),
                                           Sjis("ー"),
                                           Sjis("ゝ"),
                                           Sjis("ゞ"),
                                           Sjis("ヽ"),
                                           Sjis("々"),
                                           Sjis("表"),
                                           Sjis("ソ"),
                                           Sjis("能"),
                                           Sjis("Ａ"),
                                           Sjis("ａ"),
                                           Sjis("・"),
                                           Sjis("ﾞ"),
                                           Sjis("ﾟ"),
                                           Sjis("①"),
                                           Sjis("㈱"),
                                           Sjis("〜"),
                                           "\x81",
                                           "tegamin_TKWorld",
                                           "2005/09/01_0930"};
  std::mt19937 rng(seed);
  std::vector<std::string> texts;
  for (int i = 0; i < count; ++i) {
    std::string t;
    int n = static_cast<int>(rng() % 10);
    for (int j = 0; j < n; ++j) t += pieces[rng() % pieces.size()];
    texts.push_back(t);
  }
  return texts;
}

TEST(TextKeyTest, KeyedComparisonEqualsTheCollator) {
  std::vector<std::string> texts = RandomTexts(11, 260);
  std::vector<KeyPrefix> prefixes;
  for (const std::string& t : texts) prefixes.push_back(MakeKeyPrefix(t));
  int decided_by_prefix = 0;
  for (size_t i = 0; i < texts.size(); ++i) {
    for (size_t j = 0; j < texts.size(); ++j) {
      int expected = Sign(platform::CompareText(texts[i], texts[j], true));
      ASSERT_EQ(Sign(CompareKeyed(prefixes[i], texts[i], prefixes[j], texts[j])), expected)
          << texts[i] << " / " << texts[j];
      if (int by_prefix = ComparePrefixes(prefixes[i], prefixes[j]); by_prefix != 0) {
        ++decided_by_prefix;
        ASSERT_EQ(by_prefix, expected) << texts[i] << " / " << texts[j];
      }
    }
  }
  // The prefixes must actually carry the order, not leave everything to the full keys.
  EXPECT_GT(decided_by_prefix, static_cast<int>(texts.size() * texts.size() / 2));
}

TEST(TextKeyTest, PrefixesOfMessageKeysDecideAlone) {
  // Keys differing in their last seconds or in a late character still sort by prefix.
  std::vector<std::string> keys = {
      "<2005/09/01_093005tegamin_TKWorld>", "<2005/09/01_093006tegamin_TKWorld>",
      "<20051201123456.ABCD@mail.example.co.jp>", "<20051201123456.ABCE@mail.example.co.jp>"};
  for (size_t i = 0; i + 1 < keys.size(); i += 2) {
    EXPECT_EQ(ComparePrefixes(MakeKeyPrefix(keys[i]), MakeKeyPrefix(keys[i + 1])), -1) << keys[i];
  }
  EXPECT_EQ(ComparePrefixes(MakeKeyPrefix("<KEY@X>"), MakeKeyPrefix("<key@x>")), 0);
  // A text that ends sorts before its own continuation, by prefix alone.
  EXPECT_EQ(ComparePrefixes(MakeKeyPrefix("<a>"), MakeKeyPrefix("<a>b")), -1);
}

}  // namespace
}  // namespace store
