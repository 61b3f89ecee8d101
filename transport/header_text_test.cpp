// Encoded words: the reader's decoding, the writer's encoding (checked by python3's email
// package), the writer's Shift_JIS to ISO-2022-JP conversion, and quoted-printable lines.
#include "transport/header_text.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "jtext/base64.h"
#include "platform/codepage.h"
#include "transport/quoted_printable.h"

namespace transport {
namespace {

struct Row {
  const char* input;
  const char* expected;
};

TEST(DecodeHeaderTextTest, DecodesIsoAndWindowsWordsOnly) {
  const std::string test = platform::Sjis("テスト");
  const std::string rows[][2] = {
      {"=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=", test},
      {"=?iso-2022-jp?b?GyRCJUYlOSVIGyhC?= =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=", test + " " + test},
      {"Re: =?ISO-2022-JP?Q?=1B$B%F%9%H=1B(B?= x", "Re: " + test + " x"},
      {"=?ISO-8859-1?Q?caf=E9_au_lait?=", "caf\xE9 au lait"},
      // ESC ( J ends a kanji run like ESC ( B: the space and the padding stay single bytes.
      {"=?ISO-2022-JP?B?GyRCJUYlOSVIGyhKIGEbJEIlRiU5JUgbKEo=?=", test + " a" + test},
      {"=?windows-1252?B?Y2Fm6Q==?=", "caf\xE9"},
      {"=?UTF-8?B?44OG44K544OI?=", "=?UTF-8?B?44OG44K544OI?="},
      {"=?ISO-8859-1?Q?bad=ZZescape?=", "bad=ZZescape"},
      {"=?ISO-8859-1?B?QQ==?=", "A"},
      {"plain text ?= here", "plain text ?= here"},
      {"=?ISO-2022-JP?B?unterminated", "=?ISO-2022-JP?B?unterminated"},
      {std::string("zero\0byte", 9), "zerobyte"},
  };
  for (const auto& r : rows) EXPECT_EQ(DecodeHeaderText(r[0]), r[1]) << r[0];
}

// python3 encodes random Japanese texts as ISO-2022-JP B and Q words; decoding them gives the
// code page 932 bytes of the same texts.
TEST(DecodeHeaderTextTest, AgreesWithPythonOnIso2022JpWords) {
  const char* script = R"(
import random
from email.charset import Charset, BASE64, QP
pool = 'あいうえおかがきくけこさしすせそアイウエオカガキクケコ漢字日本語表示予定能力十ソ　ー、。abcXYZ09 -'
rng = random.Random(20261208)
for i in range(40):
    text = ''.join(rng.choice(pool) for _ in range(rng.randint(1, 10)))
    cs = Charset('iso-2022-jp')
    cs.header_encoding = QP if i % 2 else BASE64
    print(cs.header_encode(text) + '\t' + text.encode('cp932').hex())
)";
  std::string out;
  std::string cmd = std::string("python3 -c \"") + script + "\"";
  // The script has no double quote, dollar sign or backquote: one double-quoted argument.
  if (FILE* p = ::popen(cmd.c_str(), "r")) {
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    ::pclose(p);
  }
  int rows = 0;
  for (std::size_t pos = 0, end; (end = out.find('\n', pos)) != std::string::npos; pos = end + 1) {
    std::string line = out.substr(pos, end - pos);
    std::size_t tab = line.find('\t');
    ASSERT_NE(tab, std::string::npos) << line;
    std::string expected;
    for (std::size_t i = tab + 1; i + 1 < line.size(); i += 2) {
      expected += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
    }
    EXPECT_EQ(DecodeHeaderText(line.substr(0, tab)), expected) << line;
    ++rows;
  }
  EXPECT_EQ(rows, 40);
}

TEST(SjisToIso2022JpTest, MatchesPythonsEncoderAfterWideningHalfWidthKana) {
  // Half-width kana become their full-width forms (NFKC composes the voiced marks).
  const std::string utf8 = "ｶﾞｷﾞﾊﾟﾋﾟｳﾞｱｲｳ｡｢｣､･ｰ漢字とかな混じり";
  std::string jis = SjisToIso2022Jp("abc " + platform::Sjis(utf8) + " xyz");
  auto dir = std::filesystem::temp_directory_path() / ("sjis_jis_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "in.txt", std::ios::binary) << utf8;
  std::string cmd =
      "python3 -c \"import sys,unicodedata; t=open(sys.argv[1],encoding='utf-8')"
      ".read(); sys.stdout.buffer.write(('abc '+unicodedata.normalize('NFKC', t)"
      "+' xyz').encode('iso2022_jp'))\" " +
      (dir / "in.txt").string();
  std::string expected;
  if (FILE* p = ::popen(cmd.c_str(), "r")) {
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) expected.append(buf, n);
    ::pclose(p);
  }
  std::filesystem::remove_all(dir);
  EXPECT_EQ(jis, expected);
  // Lone marks, an NEC special character, text already converted.
  EXPECT_EQ(SjisToIso2022Jp("\xDE\xDF"), "\x1b$B!+!,\x1b(B");
  EXPECT_EQ(SjisToIso2022Jp(platform::Sjis("①")), "\x1b$B-!\x1b(B");
  EXPECT_EQ(SjisToIso2022Jp("already \x1b$B%F\x1b(B ascii"), "already \x1b$B%F\x1b(B ascii");
}

TEST(EncodeHeaderTextTest, EncodesOnlyRunsThatNeedItAndNeverEncodesAnEncodedWordAgain) {
  HeaderCharsetSetting jp;
  EXPECT_EQ(EncodeHeaderText("=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=", "", jp),
            "=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=");
  EXPECT_EQ(EncodeHeaderText("Re: \x1b$B%F\x1b(B done", "", jp),
            "Re: =?ISO-2022-JP?B?GyRCJUYbKEI=?= done");
  EXPECT_EQ(EncodeHeaderText(platform::Sjis("会議") + " abc", "", jp),
            "=?ISO-2022-JP?B?GyRCMnE1RBsoQg==?= abc");
  // The composer leaves half-width katakana beside its encoded word: the word stays whole and
  // the katakana get a word of their own.
  EXPECT_EQ(EncodeHeaderText("=?ISO-2022-JP?B?GyRCMnE1RBsoSg==?=" + platform::Sjis("ｾﾐﾅｰ"), "", jp),
            "=?ISO-2022-JP?B?GyRCMnE1RBsoSg==?= =?ISO-2022-JP?B?GyRCJTslXyVKITwbKEI=?=");
  HeaderCharsetSetting latin{'Q', "ISO-8859-1", false};
  EXPECT_EQ(EncodeHeaderText("caf\xE9 au_lait=x? ok", "", latin),
            "=?ISO-8859-1?Q?caf=E9?= au_lait=x? ok");
  EXPECT_EQ(EncodeHeaderText("a \xE9 \xE9 b", "", latin), "a =?ISO-8859-1?Q?=E9_=E9?= b");
}

// A long run is cut into words of at most 75 characters, each of whole characters that opens
// and closes its own kanji mode, so a reader that decodes word by word loses nothing.
TEST(EncodeHeaderTextTest, EachWordOfALongRunDecodesOnItsOwn) {
  HeaderCharsetSetting jp;
  for (const char* utf8 : {"あいうえおかきくけこさしすせそたちつてとなにぬねの",
                           "a日b本c語dの文字とASCIIが交互にeまじるf件名gです。hijk長い長い",
                           "ｶﾞｷﾞｸﾞｹﾞｺﾞﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ①②③～〜あいうえおかきくけこさしすせそ"}) {
    const std::string sjis = platform::Sjis(utf8);
    const std::string encoded = EncodeHeaderText(sjis, "", jp);
    std::size_t words = 0;
    std::string joined;
    for (std::size_t start = 0; start <= encoded.size(); ++words) {
      std::size_t p = std::min(encoded.find(' ', start), encoded.size());
      std::string word = encoded.substr(start, p - start);
      start = p + 1;
      ASSERT_TRUE(word.starts_with("=?ISO-2022-JP?B?") && word.ends_with("?=")) << word;
      EXPECT_LE(word.size(), 75u) << word;
      std::string jis = jtext::Base64Decode(word.substr(16, word.size() - 18));
      bool kanji = false;
      std::size_t pair_bytes = 0;
      for (std::size_t i = 0; i < jis.size();) {
        if (jis[i] == '\x1b') {
          EXPECT_EQ(pair_bytes % 2, 0u) << "character cut in " << word;
          kanji = jis.substr(i + 1, 2) == "$B";
          pair_bytes = 0;
          i += 3;
        } else {
          pair_bytes += kanji;
          ++i;
        }
      }
      EXPECT_FALSE(kanji) << "word ends in kanji mode: " << word;
      joined += DecodeHeaderText(word);
    }
    EXPECT_GT(words, 1u) << utf8;
    const std::string whole =
        "=?ISO-2022-JP?B?" + jtext::Base64Encode(SjisToIso2022Jp(sjis)) + "?=";
    EXPECT_EQ(joined, DecodeHeaderText(whole)) << utf8;
  }
}

TEST(DecodeQuotedPrintableTest, DecodesEscapesSoftBreaksAndTrailingSpace) {
  const Row rows[] = {
      {"caf=E9\r\n", "caf\xE9\r\n"},
      {"soft =\r\n", "soft "},
      {"lower =e9 and one digit =9x\r\n", "lower \xE9 and one digit \x09x\r\n"},
      {"trailing   \t\r\n", "trailing\r\n"},
      {"space=20\r\n", "space \r\n"},
      {"under_score = dropped\r\n", "under_score  dropped\r\n"},
      {"=3D=\r\n", "="},
      {"", ""},
  };
  for (const auto& r : rows) EXPECT_EQ(DecodeQuotedPrintable(r.input), r.expected) << r.input;
}

}  // namespace
}  // namespace transport
