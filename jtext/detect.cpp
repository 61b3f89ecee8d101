#include "jtext/detect.h"

#include <algorithm>

#include "jtext/pair_math.h"

namespace jtext {
namespace {

constexpr size_t kPrescanLimit = 512;

bool IsNonTextByte(unsigned c) { return c < 0x08 || c == 0xFF; }

}  // namespace

CodeClass DetectCode(std::string_view text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  if (n == 0) return kCodeNone;

  // The last byte is never examined by the prescan, and the prescan stops at 512 bytes.
  const size_t prescan = std::min(kPrescanLimit, n - 1);
  for (size_t i = 0; i < prescan; ++i) {
    if (IsNonTextByte(s[i])) return kCodeNonText;
  }

  // A byte looked at beyond the end matches nothing: -1 is outside every range below.
  auto at = [&](size_t i) -> int { return i < n ? s[i] : -1; };
  CodeClass result = kCodeNone;
  size_t i = 0;
  // The last byte never starts a character, so s[i + 1] always exists inside the loop.
  while ((result == kCodeNone || result == kCodeUndecided) && i + 1 < n) {
    const unsigned c = s[i];
    const unsigned d = s[i + 1];
    if (c == detail::kEsc) {
      if (d == '$') {
        const int e = at(i + 2);
        if (e == 'B') result = kCodeJis;
        if (e == '@') result = kCodeOldJis;
        i += 3;
      } else {
        i += 2;
      }
    } else if (IsNonTextByte(c)) {
      result = kCodeNonText;
      i += 1;
    } else if (c <= 0x7F) {
      i += 1;
    } else if ((c >= 0x81 && c <= 0x8D) || (c >= 0x8F && c <= 0x9F)) {
      result = kCodeSjis;
      i += 1;
    } else if (c == 0x8E) {
      if ((d >= 0x40 && d <= 0x7E) || (d >= 0x80 && d <= 0xA0) || (d >= 0xE0 && d <= 0xFC)) {
        result = kCodeSjis;
      } else if (d >= 0xA1 && d <= 0xDF) {
        result = kCodeUndecided;
      }
      i += 2;
    } else if (c >= 0xA1 && c <= 0xDF) {
      if (d >= 0xF0 && d <= 0xFE) {
        result = kCodeEuc;
      } else if (d >= 0xA1 && d <= 0xDF) {
        result = kCodeUndecided;
      } else if (d >= 0xE0 && d <= 0xEF) {
        // Both codes allow this pair; look on through the following 8-bit bytes for one
        // that only one of the codes uses. The scan ends at the first byte below 0x40.
        result = kCodeUndecided;
        size_t j = i + 2;
        while (j < n && s[j] >= 0x40 && result == kCodeUndecided) {
          const unsigned b = s[j];
          if ((b >= 0x81 && b <= 0x8D) || (b >= 0x8F && b <= 0x9C)) result = kCodeSjis;
          if (b == 0xFD || b == 0xFE) result = kCodeEuc;
          ++j;
        }
        i = j + 1;
        continue;
      } else if (d <= 0x9F) {
        result = kCodeSjis;
      }
      i += 2;
    } else if (c >= 0xF0 && c <= 0xFE) {
      result = kCodeEuc;
      i += 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      if ((d >= 0x40 && d <= 0x7E) || (d >= 0x80 && d <= 0xA0)) {
        result = kCodeSjis;
      } else if (d == 0xFD || d == 0xFE) {
        result = kCodeEuc;
      } else if (d >= 0xA1 && d <= 0xFC) {
        result = kCodeUndecided;
      }
      i += 2;
    } else {  // 0x80 or 0xA0
      i += 1;
    }
  }
  return result;
}

}  // namespace jtext
