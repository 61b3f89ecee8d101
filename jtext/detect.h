// Guesses which Japanese code a byte text is written in (JIS, EUC-JP, Shift_JIS, ...).
#pragma once

#include <string_view>

namespace jtext {

// Classes of text; the numbers are stored and passed around, so they never change.
enum CodeClass : int {
  kCodeNone = 0,       // nothing decisive (for instance plain ASCII)
  kCodeNonText = 1,    // a byte below 0x08, or 0xFF
  kCodeJis = 2,        // ESC $ B seen
  kCodeOldJis = 3,     // ESC $ @ seen
  kCodeEuc = 4,        // a byte pattern only EUC-JP produces
  kCodeSjis = 5,       // a byte pattern only Shift_JIS produces
  kCodeUndecided = 6,  // double-byte characters valid in both EUC-JP and Shift_JIS
};

// Scans from the start; the first decisive class wins. Never fails.
CodeClass DetectCode(std::string_view text);

}  // namespace jtext
