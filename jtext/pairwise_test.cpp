// One text in Shift_JIS, ISO-2022-JP, EUC-JP and UTF-8, converted pairwise; the JIS and
// EUC forms come from the C library's converters, not from this unit.
#include <gtest/gtest.h>
#include <iconv.h>

#include <stdexcept>
#include <string>

#include "jtext/convert.h"
#include "jtext/test_rows.h"
#include "jtext/utf8.h"
#include "platform/codepage.h"

namespace jtext {
namespace {

using testing::Show;

std::string Iconv(const std::string& in, const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no converter");
  std::string out(in.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  char* dst = out.data();
  size_t dst_left = out.size();
  const size_t rc = iconv(cd, &src, &src_left, &dst, &dst_left);
  const size_t flushed = iconv(cd, nullptr, nullptr, &dst, &dst_left);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1) || flushed == static_cast<size_t>(-1)) {
    throw std::runtime_error("text not convertible");
  }
  out.resize(out.size() - dst_left);
  return out;
}

TEST(PairwiseTest, OneTextInEveryCodeConvertsToTheSameShiftJis) {
  struct Text {
    const char* utf8;
    bool euc_decided;  // whether EUC-JP bytes alone tell the text from Shift_JIS
  };
  const Text texts[] = {
      {"お世話になっております。\r\n会議の資料を添付します。\r\nABC 123 テスト\r\n", true},
      {"ん", true},
      {"漢字とかなとASCIIの混在 (2026年12月8日)", true},
      // Every EUC-JP byte pair here is also valid Shift_JIS: left alone, not guessed.
      {"件名: 見積もりの件\nよろしくお願いいたします。", false},
  };
  for (const auto& t : texts) {
    const std::string sjis = platform::Sjis(t.utf8);
    const std::string euc = Iconv(t.utf8, "EUC-JP", "UTF-8");
    const std::string jis = Iconv(t.utf8, "ISO-2022-JP", "UTF-8");
    EXPECT_EQ(Show(ConvertCode(jis, kCodeSjis)), Show(sjis)) << t.utf8;
    EXPECT_EQ(Show(Utf8ToSjis(t.utf8)), Show(sjis)) << t.utf8;
    // Outgoing text: the C library reads our ISO-2022-JP back to the same characters.
    const std::string ours = ConvertCode(sjis, kCodeJis);
    EXPECT_EQ(Iconv(ours, "UTF-8", "ISO-2022-JP"), t.utf8) << Show(ours);
    if (t.euc_decided) {
      EXPECT_EQ(Show(ConvertCode(euc, kCodeSjis)), Show(sjis)) << t.utf8;
      EXPECT_EQ(Show(ConvertCode(euc, kCodeJis)), Show(ours)) << t.utf8;
    } else {
      EXPECT_EQ(DetectCode(euc), kCodeUndecided) << t.utf8;
      EXPECT_EQ(Show(ConvertCode(euc, kCodeSjis)), Show(euc)) << t.utf8;
      EXPECT_EQ(Show(ConvertCode(euc, kCodeJis)), Show(euc)) << t.utf8;
    }
  }
}

}  // namespace
}  // namespace jtext
