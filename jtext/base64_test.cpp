#include "jtext/base64.h"

#include <gtest/gtest.h>

#include <random>

#include "jtext/test_rows.h"

namespace jtext {
namespace {

using std::string_literals::operator""s;
using testing::Row;

TEST(Base64DecodeTest, DecodesGroupsOfFourLeniently) {
  const Row rows[] = {
      {"three bytes", "QUJD", "ABC"},
      {"one pad", "QUI=", "AB"},
      {"two pads", "QQ==", "A"},
      {"incomplete last group is dropped", "QUJDR", "ABC"},
      {"only an incomplete group", "QUJ", ""},
      {"empty", "", ""},
      {"zero byte in the second place is lost", "QQBC", "AB"},
      {"zero byte in the first place is kept", "AEFC", "\0AB"s},
      {"a space takes a place with zero bits", "QU J", "A@\t"},
      {"line break inside the payload takes a place", "QU\r\nJD", "A@"},
      {"url-safe characters are not in the alphabet", "-_-_", "\0"s},
      {"two groups", "GyRCJUYbKEI=", "\x1B$B%F\x1B(B"},
  };
  testing::ExpectRows(rows, [](std::string_view s) { return Base64Decode(s); });
}

// The header reader of the message model keeps every byte and fills a short last group; the
// fast body-line decoder gives exact bytes and honours "=" fill.
TEST(Base64DecodeTest, OptionsAndBodyLinesKeepTheBytesTheirCallersNeed) {
  const Row loose[] = {
      {"zero bytes are kept", "QQBC", "A\0B"s},
      {"fill gives zero bits", "QQ==", "A\0\0"s},
      {"short last group is filled", "QUJDR", "ABCD\0\0"s},
  };
  testing::ExpectRows(loose, [](std::string_view s) {
    return Base64Decode(s, {.keep_zero_bytes = true, .decode_short_group = true});
  });
  const Row lines[] = {
      {"fill ends the group", "QQ==", "A"},
      {"zero bytes are data", "AAAA", "\0\0\0"s},
      {"foreign byte is zero bits", "Q*JD",
       "@\x02"
       "C"},
      {"group starting with fill is empty", "====QUJD", "ABC"},
  };
  testing::ExpectRows(lines, [](std::string_view s) {
    std::string out = "x";
    EXPECT_TRUE(Base64DecodeLine(s, out));
    return out.substr(1);
  });
  std::string out;
  EXPECT_FALSE(Base64DecodeLine("QUJ", out));
  EXPECT_EQ(out, "");
}

TEST(Base64EncodeTest, WritesTheStandardAlphabetWithPadding) {
  const Row rows[] = {
      {"three bytes", "abc", "YWJj"},
      {"one byte", "\x1B", "Gw=="},
      {"two bytes", "ab", "YWI="},
      {"empty", "", ""},
      {"high bits", "\xFF\xFE\xFD", "//79"},
      {"a password", "\xff\xfe\x80pass", "//6AcGFzcw=="},
      {"zero bytes", "\0\0\0\0"s, "AAAAAA=="},
  };
  testing::ExpectRows(rows, Base64Encode);
}

TEST(Base64Test, RoundTripsBytesWithoutZeros) {
  std::mt19937 rng(20261208);
  for (int i = 0; i < 500; ++i) {
    std::string bytes(rng() % 64, '\0');
    for (char& c : bytes) c = static_cast<char>(1 + rng() % 255);
    const std::string encoded = Base64Encode(bytes);
    ASSERT_EQ(encoded.size() % 4, 0u);
    ASSERT_EQ(Base64Decode(encoded), bytes) << testing::Show(bytes);
    std::string fast;
    ASSERT_TRUE(Base64DecodeLine(encoded, fast));
    ASSERT_EQ(fast, bytes);
  }
}

}  // namespace
}  // namespace jtext
