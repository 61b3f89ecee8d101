#include "platform/collation.h"

#include <unicode/ucol.h>
#include <unicode/uiter.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "platform/codepage.h"

namespace platform {
namespace {

std::string LocaleFromEnvironment() {
  for (const char* var : {"LC_ALL", "LC_COLLATE", "LANG"}) {
    const char* v = std::getenv(var);
    if (v != nullptr && *v != '\0') {
      std::string name(v);
      name = name.substr(0, name.find_first_of(".@"));
      if (name == "C" || name == "POSIX") return "ja";
      return name;
    }
  }
  return "ja";
}

struct CollatorCloser {
  void operator()(UCollator* c) const { ucol_close(c); }
};
using CollatorPtr = std::unique_ptr<UCollator, CollatorCloser>;

CollatorPtr OpenCollator(bool ignore_case) {
  UErrorCode status = U_ZERO_ERROR;
  CollatorPtr c(ucol_open(LocaleFromEnvironment().c_str(), &status));
  if (U_FAILURE(status)) {
    status = U_ZERO_ERROR;
    c.reset(ucol_open("ja", &status));
  }
  if (U_FAILURE(status)) throw std::runtime_error("cannot open the collator");
  if (ignore_case) {
    // Secondary strength ignores case but also ties kana kinds and widths; callers break
    // those ties on the case-folded text (see CompareText).
    ucol_setStrength(c.get(), UCOL_SECONDARY);
  } else {
    ucol_setStrength(c.get(), UCOL_TERTIARY);
    ucol_setAttribute(c.get(), UCOL_CASE_FIRST, UCOL_LOWER_FIRST, &status);
  }
  return c;
}

UCollator* Collator(bool ignore_case) {
  thread_local CollatorPtr exact = OpenCollator(false);
  thread_local CollatorPtr folded = OpenCollator(true);
  return ignore_case ? folded.get() : exact.get();
}

bool IsAsciiText(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Folds ASCII and full-width Latin letters (82 60..82 79 -> 82 81..82 9A) to lower case.
std::string FoldCase(std::string_view s) {
  std::string out(s);
  for (size_t i = 0; i < out.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(out[i]);
    if (IsSjisLeadByte(b) && i + 1 < out.size()) {
      unsigned char t = static_cast<unsigned char>(out[i + 1]);
      if (b == 0x82 && t >= 0x60 && t <= 0x79) out[i + 1] = static_cast<char>(t + 0x21);
      ++i;
    } else if (b >= 'A' && b <= 'Z') {
      out[i] = static_cast<char>(b + 32);
    }
  }
  return out;
}

}  // namespace

namespace {

int Collate(std::string_view a, std::string_view b, bool ignore_case) {
  UErrorCode status = U_ZERO_ERROR;
  UCollationResult r;
  if (IsAsciiText(a) && IsAsciiText(b)) {
    r = ucol_strcollUTF8(Collator(ignore_case), a.data(), static_cast<int32_t>(a.size()),
                         b.data(), static_cast<int32_t>(b.size()), &status);
  } else {
    std::u16string ua = Cp932ToUtf16(a);
    std::u16string ub = Cp932ToUtf16(b);
    r = ucol_strcoll(Collator(ignore_case), reinterpret_cast<const UChar*>(ua.data()),
                     static_cast<int32_t>(ua.size()), reinterpret_cast<const UChar*>(ub.data()),
                     static_cast<int32_t>(ub.size()));
  }
  return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
}

}  // namespace

int CompareText(std::string_view a, std::string_view b, bool ignore_case) {
  int r = Collate(a, b, ignore_case);
  if (r != 0 || !ignore_case) return r;
  // Tied apart from case, kana kind and width: only letter case may stay tied, so the
  // case-folded texts decide, first by the full collator and then by their bytes.
  std::string fa = FoldCase(a);
  std::string fb = FoldCase(b);
  if (fa == fb) return 0;
  r = Collate(fa, fb, false);
  if (r != 0) return r;
  return fa < fb ? -1 : 1;
}

namespace {

std::string CollatorKey(std::string_view sjis, bool ignore_case) {
  std::u16string u = Cp932ToUtf16(sjis);
  std::string key(u.size() * 4 + 16, '\0');
  for (;;) {
    int32_t n = ucol_getSortKey(Collator(ignore_case), reinterpret_cast<const UChar*>(u.data()),
                                static_cast<int32_t>(u.size()),
                                reinterpret_cast<uint8_t*>(key.data()),
                                static_cast<int32_t>(key.size()));
    if (n <= static_cast<int32_t>(key.size())) {
      key.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);  // drop the terminating zero
      return key;
    }
    key.resize(static_cast<size_t>(n));
  }
}

}  // namespace

std::string SortKey(std::string_view sjis, bool ignore_case) {
  if (!ignore_case) return CollatorKey(sjis, false);
  // Same three steps as CompareText; collator keys hold no zero byte, so a zero
  // separates the steps and a shorter key still sorts first.
  std::string folded = FoldCase(sjis);
  std::string key = CollatorKey(sjis, true);
  key.push_back('\0');
  key += CollatorKey(folded, false);
  key.push_back('\0');
  key += folded;
  return key;
}

// Code page 932 keeps ASCII as it is, so only the span from the first to the last other
// byte needs the converter; index lines are mostly ASCII, and the conversion is most of
// the cost of a key prefix.
std::u16string Utf16OfMostlyAscii(std::string_view sjis) {
  auto is_ascii = [](char c) { return static_cast<unsigned char>(c) < 0x80; };
  size_t first = 0;
  while (first < sjis.size() && is_ascii(sjis[first])) ++first;
  std::u16string u(sjis.begin(), sjis.begin() + static_cast<std::ptrdiff_t>(first));
  if (first == sjis.size()) return u;
  size_t last = sjis.size();
  while (last > first && is_ascii(sjis[last - 1])) --last;
  // A trail byte can be ASCII-like (0x40..0x7E): keep it with its lead byte.
  size_t end = first;
  while (end < last) end += IsSjisLeadByte(static_cast<unsigned char>(sjis[end])) ? 2 : 1;
  last = std::min(end, sjis.size());
  u += Cp932ToUtf16(sjis.substr(first, last - first));
  for (size_t i = last; i < sjis.size(); ++i) u.push_back(static_cast<char16_t>(sjis[i]));
  return u;
}

std::string SortKeyPrefix(std::string_view sjis, size_t bytes) {
  std::u16string u = Utf16OfMostlyAscii(sjis);
  UCharIterator it;
  uiter_setString(&it, reinterpret_cast<const UChar*>(u.data()), static_cast<int32_t>(u.size()));
  uint32_t state[2] = {0, 0};
  std::string out(bytes, '\0');
  UErrorCode status = U_ZERO_ERROR;
  int32_t n = ucol_nextSortKeyPart(Collator(true), &it, state,
                                   reinterpret_cast<uint8_t*>(out.data()),
                                   static_cast<int32_t>(bytes), &status);
  if (U_FAILURE(status) || n < 0) return SortKey(sjis, true).substr(0, bytes);
  out.resize(static_cast<size_t>(n));
  // A part shorter than asked is the whole collator key; SortKey goes on with a zero.
  if (static_cast<size_t>(n) < bytes) out.push_back('\0');
  return out;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && FoldCase(a) == FoldCase(b);
}

std::string CollationLocale() { return LocaleFromEnvironment(); }

}  // namespace platform
