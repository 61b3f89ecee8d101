// Encoded words in header text, both ways: the reader's decoding of ISO and WINDOWS charset
// words, and the writer's encoding of header text into ISO-2022-JP (or locale) encoded words.
#pragma once

#include <string>
#include <string_view>

namespace transport {

// The header character setting chosen from the user's locale.
struct HeaderCharsetSetting {
  char encoding = 'B';  // 'B' or 'Q'
  std::string charset = "ISO-2022-JP";
  bool convert_from_sjis = true;  // Shift_JIS text is turned into ISO-2022-JP first
};

// Japanese (and the C locale) -> ISO-2022-JP/B; simplified Chinese -> GB2312; other Chinese ->
// Big5; Korean -> EUC-KR; anything else -> ISO-8859-1/Q. Read from LC_ALL, LC_CTYPE, LANG.
HeaderCharsetSetting HeaderCharsetForLocale();

// Decodes every "=?ISO...?=" word (or, when none is left, "=?WINDOWS...?=" word) in place;
// ISO-2022-JP words become Shift_JIS, other charsets keep their bytes. Words of other charsets
// stay as they are. Zero bytes are removed from the result.
std::string DecodeHeaderText(std::string_view text);

// Shift_JIS -> ISO-2022-JP: double-byte characters become JIS X 0208 between ESC $ B and
// ESC ( B, half-width katakana become full-width (voiced marks merged). ASCII, ISO-2022-JP
// text and other single bytes pass unchanged.
std::string SjisToIso2022Jp(std::string_view text);

// Encodes the words of `text` that hold control bytes, 8-bit bytes or `specials` as encoded
// words of at most 75 characters, joined by CR LF + tab.
std::string EncodeHeaderText(std::string_view text, std::string_view specials,
                             const HeaderCharsetSetting& setting);

}  // namespace transport
