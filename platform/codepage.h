// Code page 932 (Shift_JIS with the Windows extensions) to and from Unicode.
// The one module that owns the code-page converter; everything else goes through here.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// UTF-8 -> code page 932. Every character the code page cannot hold becomes one "?".
// Malformed UTF-8 bytes become "?" too.
std::string Cp932FromUtf8(std::string_view utf8);

// Code page 932 -> UTF-8. Bytes that form no character become U+FFFD.
std::string Cp932ToUtf8(std::string_view sjis);

// UTF-16 -> code page 932, unmappable characters (and lone surrogates) become "?".
std::string Cp932FromUtf16(std::u16string_view utf16);

// Code page 932 -> UTF-16. Bytes that form no character become U+FFFD.
std::u16string Cp932ToUtf16(std::string_view sjis);

// Japanese literals are written in UTF-8 in the source and turned into Shift_JIS once here:
//   static const std::string kReceived = platform::Sjis("受信");
inline std::string Sjis(std::string_view utf8) { return Cp932FromUtf8(utf8); }

// Error texts come from both sides of the boundary: the file layer names native (UTF-8)
// paths, the mail code's messages are Shift_JIS. A text that is well-formed UTF-8 with bytes
// above ASCII is taken as UTF-8 (short Shift_JIS text almost never is), anything else as
// Shift_JIS. These give the text in the form the caller shows.
bool IsWellFormedUtf8(std::string_view text);
std::string ErrorTextToSjis(std::string_view what);
std::string ErrorTextToUtf8(std::string_view what);

// True when byte b starts a double-byte character in code page 932.
constexpr bool IsSjisLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

}  // namespace platform
