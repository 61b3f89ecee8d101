#include "jtext/header_encode.h"

#include <gtest/gtest.h>

#include "jtext/header_decode.h"
#include "jtext/test_rows.h"
#include "platform/codepage.h"

namespace jtext {
namespace {

using testing::Row;

TEST(EncodeHeaderWordsTest, EncodesEachRunOfDoubleByteCharacters) {
  const Row rows[] = {
      {"ascii unchanged", "Meeting at 10:00", "Meeting at 10:00"},
      {"empty", "", ""},
      {"kanji then ascii", platform::Sjis("会議 abc"), "=?ISO-2022-JP?B?GyRCMnE1RBsoSg==?= abc"},
      {"kanji only is exactly one word", platform::Sjis("日本語"),
       "=?ISO-2022-JP?B?GyRCRnxLXDhsGyhK?="},
      {"half-width kana only unchanged", "\xB1\xB2\xB3", "\xB1\xB2\xB3"},
      {"half-width kana stay between words", platform::Sjis("日本ｱ語"),
       "=?ISO-2022-JP?B?GyRCRnxLXBsoSg==?=\xB1=?ISO-2022-JP?B?GyRCOGwbKEo=?="},
      {"ascii between runs", platform::Sjis("a日b本c"),
       "a=?ISO-2022-JP?B?GyRCRnwbKEo=?=b=?ISO-2022-JP?B?GyRCS1wbKEo=?=c"},
      {"lead byte cut off by the end leaves an empty kanji run", "a\x93",
       "a=?ISO-2022-JP?B?GyRCGyhK?="},
  };
  testing::ExpectRows(rows, EncodeHeaderWords);
}

TEST(EncodeWholeWordTest, EncodesTheWholeValueOnceItHoldsADoubleByteCharacter) {
  const Row rows[] = {
      {"file name", platform::Sjis("資料.txt"), "=?ISO-2022-JP?B?GyRCO3FOQRsoQi50eHQ=?="},
      {"ascii unchanged", "report.pdf", "report.pdf"},
      {"empty", "", ""},
      {"half-width kana only unchanged", "\xB1\xB2.txt", "\xB1\xB2.txt"},
      {"half-width kana copied as they are", platform::Sjis("資ｱ"),
       "=?ISO-2022-JP?B?GyRCO3EbKEKx?="},
      {"lead byte cut off by the end leaves an empty kanji run", "a\x93",
       "=?ISO-2022-JP?B?YRskQhsoQg==?="},
  };
  testing::ExpectRows(rows, EncodeWholeWord);
}

TEST(HeaderEncodeTest, EncodedWordsDecodeBackToTheOriginal) {
  const std::string texts[] = {platform::Sjis("会議のお知らせ (第3回)"),
                               platform::Sjis("Re: 見積もり 2026年度"),
                               platform::Sjis("山田 太郎 <taro@example.jp>")};
  for (const auto& t : texts) {
    EXPECT_EQ(testing::Show(DecodeHeaderValue(EncodeHeaderWords(t), "")), testing::Show(t));
    EXPECT_EQ(testing::Show(DecodeHeaderValue(EncodeWholeWord(t), "")), testing::Show(t));
  }
}

}  // namespace
}  // namespace jtext
