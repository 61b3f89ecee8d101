// Conversions from Shift_JIS and EUC-JP into ISO-2022-JP for sending.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace jtext {

// One Shift_JIS double-byte character as its two-byte JIS X 0208 code.
std::string SjisPairToJis(unsigned char lead, unsigned char trail);

// The half-width katakana at text[pos] as a full-width JIS X 0208 code; a following
// voiced or semi-voiced mark that combines with it is merged. Advances pos past what it
// used (one or two bytes). text[pos] must be a byte 0xA1..0xDF.
std::string HalfKanaToJis(std::string_view text, size_t& pos);

// The two flavours of the conversion toward ISO-2022-JP. Bodies leave kanji mode with
// ESC ( J and pair every 8-bit byte; the message writer leaves it with ESC ( B (what each
// encoded word must end in) and copies a byte that starts no Shift_JIS character (0x80,
// 0xA0, 0xFD to 0xFF, a lead byte cut off by the end) as it is, so it can encode it later.
struct ToJisOptions {
  bool leave_with_ascii = false;  // ESC ( B instead of ESC ( J
  bool copy_stray_bytes = false;
};

// Shift_JIS -> ISO-2022-JP. Kanji runs are closed with ESC ( J, lines always end outside
// kanji mode and half-width katakana become full-width.
std::string SjisToJis(std::string_view sjis, ToJisOptions options = {});

// EUC-JP -> ISO-2022-JP, with the same mode switching as SjisToJis.
std::string EucToJis(std::string_view euc);

}  // namespace jtext
