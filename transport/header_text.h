// Encoded words in header text, both ways: the reader's decoding of ISO and WINDOWS charset
// words, and the writer's encoding of header text into ISO-2022-JP (or locale) encoded words.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace transport {

// The header character setting. Text inside is always Shift_JIS, so mail goes out as
// ISO-2022-JP whatever the locale of the process; only OnInitializeISO may change it.
struct HeaderCharsetSetting {
  char encoding = 'B';  // 'B' or 'Q'
  std::string charset = "ISO-2022-JP";
  bool convert_from_sjis = true;  // Shift_JIS text is turned into ISO-2022-JP first
};

// Decodes every "=?ISO...?=" word (or, when none is left, "=?WINDOWS...?=" word) in place;
// ISO-2022-JP words become Shift_JIS, other charsets keep their bytes. Words of other charsets
// stay as they are. Zero bytes are removed from the result.
std::string DecodeHeaderText(std::string_view text);

// Shift_JIS -> ISO-2022-JP: double-byte characters become JIS X 0208 between ESC $ B and
// ESC ( B, half-width katakana become full-width (voiced marks merged). ASCII, ISO-2022-JP
// text and other single bytes pass unchanged.
std::string SjisToIso2022Jp(std::string_view text);

// ISO-2022-JP text cut into pieces of at most `max_bytes` bytes of whole characters, each
// starting in ASCII mode and returning to it, so that each piece decodes on its own.
std::vector<std::string> SplitIso2022Jp(std::string_view jis, std::size_t max_bytes);

// Encodes the words of `text` that hold control bytes, 8-bit bytes or `specials` as encoded
// words of at most 75 characters separated by single spaces (the header is folded there).
// Each ISO-2022-JP word holds whole characters and opens and closes its own kanji mode, so
// it decodes on its own. Encoded words already in the text are kept as they are and never
// wrapped into another one.
// A display name (phrase) keeps each run in one encoded word, however long.
enum class HeaderContext { kText, kPhrase };
std::string EncodeHeaderText(std::string_view text, std::string_view specials,
                             const HeaderCharsetSetting& setting,
                             HeaderContext context = HeaderContext::kText);

}  // namespace transport
