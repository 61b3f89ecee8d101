// Encoding of outgoing header values into ISO-2022-JP B encoded words.
#pragma once

#include <string>
#include <string_view>

namespace jtext {

// Every maximal run of double-byte characters becomes one encoded word; everything
// else (ASCII, spaces, half-width katakana) stays as it is. Used for subject and sender.
std::string EncodeHeaderWords(std::string_view sjis);

// The whole value as one encoded word when it holds any double-byte character,
// otherwise unchanged. Used for attachment file names and the Message-ID.
std::string EncodeWholeWord(std::string_view sjis);

}  // namespace jtext
