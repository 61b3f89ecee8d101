// Links in a shown message body, on the viewer's text (UTF-16, one character per line break):
// which stretches are underlined when a message is shown, and which link lies under a given
// character when the pointer rests there.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace app {

// Bodies this long or longer are shown without marking links.
constexpr size_t kLinkMarkLimit = 15000;

struct TextRange {
  size_t start;
  size_t end;  // one past the last character
  bool operator==(const TextRange&) const = default;
};

// From the start: "http://" case-sensitively, and "https://" only once no "http://" is left;
// each match is marked from its start to the end of its line. Empty when the text is too long.
std::vector<TextRange> LinkMarks(std::u16string_view text);

// The link around the character at index pos (from 0): scanning back for "http://" or
// "https://" over link characters, then forwards through at most 256 link characters.
std::u16string LinkAt(std::u16string_view text, size_t pos);

bool IsLinkChar(char16_t c);

}  // namespace app
