// Conversions from ISO-2022-JP and EUC-JP bytes into Shift_JIS.
#pragma once

#include <string>
#include <string_view>

namespace jtext {

enum class PairCheck {
  kGeneral,  // any two bytes are converted by the arithmetic
  kStrict,   // a first byte outside 0x21..0x7E yields nothing
};

// One JIS X 0208 code (row byte c1, cell byte c2) as two Shift_JIS bytes, or "" when
// `check` is strict and c1 is outside 0x21..0x7E.
std::string JisPairToSjis(unsigned char c1, unsigned char c2,
                          PairCheck check = PairCheck::kGeneral);

// Body conversion: any ESC x y switches modes ("$" enters kanji mode, "(" leaves it).
std::string JisToSjis(std::string_view jis);

// EUC-JP: SS2 half-width katakana keep their single byte; other pairs lose their top bits.
std::string EucToSjis(std::string_view euc);

// How a decoded encoded word is read. The header decoders of received mail keep any other
// escape sequence as text and drop pairs outside the JIS rows; the message reader's own word
// decoding drops other escape sequences and converts every pair.
struct WordJisOptions {
  bool drop_unknown_escapes = false;
  PairCheck pairs = PairCheck::kStrict;
};

// Header conversion: only ESC $ B, ESC ( B and ESC ( J switch modes; a single byte left in
// kanji mode at the end is dropped.
std::string StrictJisToSjis(std::string_view jis, WordJisOptions options = {});

}  // namespace jtext
