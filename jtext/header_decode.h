// Decoding of received header values (encoded words, raw JIS or EUC) into Shift_JIS.
#pragma once

#include <string>
#include <string_view>

namespace jtext {

// Replaces the first "shift_jis" (any letter case) with "ISO-2022-JP", keeping at most
// 512 bytes after it, so Shift_JIS-labelled words pass through the ISO-2022-JP decoder.
std::string RelabelShiftJis(std::string_view value);

// "=?ISO-2022-JP?B?...?=" words through StrictJisToSjis. A "?=" outside a word is
// dropped; a word without its end is dropped with its payload.
std::string DecodeJisBWords(std::string_view value);

// "=?UTF-8?B?...?=" words through Utf8ToSjis, otherwise as DecodeJisBWords.
std::string DecodeUtf8BWords(std::string_view value);

// "=?ISO-2022-JP?Q?=1B$B...=1B(B?=" words: the payload is taken as JIS pairs.
std::string DecodeJisQWords(std::string_view value);

// The whole chain for one header value. `message_charset` is the upper-cased charset of
// the message's top-level Content-Type ("" when none); only "EUC" exactly changes the
// outcome.
std::string DecodeHeaderValue(std::string_view value, std::string_view message_charset);

}  // namespace jtext
