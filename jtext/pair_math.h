// Inline byte arithmetic shared by the converters (not part of the unit's interface).
#pragma once

#include <cstdint>

namespace jtext::detail {

constexpr unsigned char kEsc = 0x1B;

// JIS X 0208 row/cell -> Shift_JIS lead/trail, every result kept to eight bits. The hot
// loops read the same arithmetic from tables: the lead by row, the trail by row parity.
struct JisPairTables {
  unsigned char lead[256];
  unsigned char trail[2][256];
};

constexpr JisPairTables MakeJisPairTables() {
  JisPairTables t{};
  for (unsigned c = 0; c < 256; ++c) {
    t.lead[c] = static_cast<unsigned char>(((c + 1) >> 1) + (c < 0x5F ? 0x70 : 0xB0));
    t.trail[0][c] = static_cast<unsigned char>(c + 0x7E);
    t.trail[1][c] = static_cast<unsigned char>(c + (c < 0x60 ? 0x1F : 0x20));
  }
  return t;
}

inline constexpr JisPairTables kJisPairTables = MakeJisPairTables();

inline void JisPair(unsigned c1, unsigned c2, unsigned char* out) {
  out[0] = kJisPairTables.lead[c1 & 0xFF];
  out[1] = kJisPairTables.trail[c1 & 1][c2 & 0xFF];
}

// Shift_JIS lead/trail -> JIS X 0208 row/cell, every result kept to eight bits. A trail
// below 0x9F selects the odd row of the lead's pair of rows.
struct SjisPairTables {
  unsigned char row[256];       // even row of the lead byte
  unsigned char odd_step[256];  // 1 when the trail selects the odd row
  unsigned char cell[256];
};

constexpr SjisPairTables MakeSjisPairTables() {
  SjisPairTables t{};
  for (unsigned c = 0; c < 256; ++c) {
    t.row[c] = static_cast<unsigned char>((c < 0xA0 ? c - 0x70 : c - 0xB0) * 2);
    t.odd_step[c] = c < 0x9F ? 1 : 0;
    t.cell[c] = static_cast<unsigned char>(c < 0x9F ? (c > 0x7F ? c - 0x20 : c - 0x1F) : c - 0x7E);
  }
  return t;
}

inline constexpr SjisPairTables kSjisPairTables = MakeSjisPairTables();

inline void SjisPair(unsigned s1, unsigned s2, unsigned char* out) {
  out[0] = static_cast<unsigned char>(kSjisPairTables.row[s1 & 0xFF] -
                                      kSjisPairTables.odd_step[s2 & 0xFF]);
  out[1] = kSjisPairTables.cell[s2 & 0xFF];
}

inline bool IsHalfKana(unsigned c) { return c >= 0xA1 && c <= 0xDF; }

// Full-width JIS code of half-width katakana `kana` (0xA1..0xDF), merged with `mark` when
// the mark (0xDE voiced, 0xDF semi-voiced) combines with it. Returns whether the mark was
// used.
bool HalfKana(unsigned kana, int mark, unsigned char* out);

}  // namespace jtext::detail
