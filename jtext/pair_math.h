// Inline byte arithmetic shared by the converters (not part of the unit's interface).
#pragma once

#include <cstdint>

namespace jtext::detail {

constexpr unsigned char kEsc = 0x1B;

// JIS X 0208 row/cell -> Shift_JIS lead/trail, every result kept to eight bits.
inline void JisPair(unsigned c1, unsigned c2, unsigned char* out) {
  unsigned trail = (c1 & 1) ? c2 + (c2 < 0x60 ? 0x1F : 0x20) : c2 + 0x7E;
  unsigned lead = ((c1 + 1) >> 1) + (c1 < 0x5F ? 0x70 : 0xB0);
  out[0] = static_cast<unsigned char>(lead);
  out[1] = static_cast<unsigned char>(trail);
}

// Shift_JIS lead/trail -> JIS X 0208 row/cell, every result kept to eight bits.
inline void SjisPair(unsigned s1, unsigned s2, unsigned char* out) {
  unsigned row = (s1 < 0xA0 ? s1 - 0x70 : s1 - 0xB0) * 2;
  unsigned cell;
  if (s2 < 0x9F) {
    row -= 1;
    cell = s2 > 0x7F ? s2 - 0x20 : s2 - 0x1F;
  } else {
    cell = s2 - 0x7E;
  }
  out[0] = static_cast<unsigned char>(row);
  out[1] = static_cast<unsigned char>(cell);
}

inline bool IsHalfKana(unsigned c) { return c >= 0xA1 && c <= 0xDF; }

// Full-width JIS code of half-width katakana `kana` (0xA1..0xDF), merged with `mark` when
// the mark (0xDE voiced, 0xDF semi-voiced) combines with it. Returns whether the mark was
// used.
bool HalfKana(unsigned kana, int mark, unsigned char* out);

}  // namespace jtext::detail
