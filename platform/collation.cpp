#include "platform/collation.h"

#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/uset.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

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

namespace {

// Per-character primary ranks for SortKeyPrefix, indexed by the Shift_JIS code of a
// character (the byte, or lead << 8 | trail). A rank orders characters as their primary
// weights do; kIgnorable marks characters without one, kStop those whose weight can
// depend on their neighbours (contractions, prefix contexts) or that expand to several
// weights, where a prefix has to end.
constexpr uint16_t kIgnorable = 0;
constexpr uint16_t kStop = 0xFFFF;

struct UsetCloser {
  void operator()(USet* s) const { uset_close(s); }
};
using UsetPtr = std::unique_ptr<USet, UsetCloser>;

// Calls f(code, bytes) for every single byte and every lead and trail byte pair.
template <typename F>
void ForEachSjisCharacter(F f) {
  for (int b = 0; b < 256; ++b) {
    if (IsSjisLeadByte(static_cast<unsigned char>(b))) continue;
    char byte = static_cast<char>(b);
    f(static_cast<uint16_t>(b), std::string_view(&byte, 1));
  }
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsSjisLeadByte(static_cast<unsigned char>(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      f(static_cast<uint16_t>(lead << 8 | trail), std::string_view(pair, 2));
    }
  }
}

std::vector<uint16_t> BuildPrimaryRanks() {
  std::vector<uint16_t> ranks(65536, kStop);
  UErrorCode status = U_ZERO_ERROR;
  CollatorPtr primary(ucol_open(LocaleFromEnvironment().c_str(), &status));
  if (U_FAILURE(status)) {
    status = U_ZERO_ERROR;
    primary.reset(ucol_open("ja", &status));
  }
  if (U_FAILURE(status)) return ranks;  // every character stops: prefixes stay empty
  ucol_setStrength(primary.get(), UCOL_PRIMARY);

  // Code points that Shift_JIS text can hold: a contraction with any other character
  // never occurs in it.
  UsetPtr reachable(uset_openEmpty());
  ForEachSjisCharacter([&](uint16_t, std::string_view bytes) {
    std::u16string u = Cp932ToUtf16(bytes);
    if (u.size() == 1) uset_add(reachable.get(), u[0]);
  });
  auto all_reachable = [&](const UChar* chars, int32_t len) {
    for (int32_t k = 0; k < len; ++k) {
      if (!uset_contains(reachable.get(), chars[k])) return false;
    }
    return true;
  };

  // A contraction's first character and a prefix context's last character (the one whose
  // weight depends on what precedes it) stop a prefix.
  UsetPtr contractions(uset_openEmpty());
  UsetPtr with_prefixes(uset_openEmpty());
  UsetPtr expansions(uset_openEmpty());
  ucol_getContractionsAndExpansions(Collator(true), contractions.get(), expansions.get(), false,
                                    &status);
  ucol_getContractionsAndExpansions(Collator(true), with_prefixes.get(), nullptr, true, &status);
  if (U_FAILURE(status)) return ranks;
  UsetPtr touched(uset_openEmpty());
  // Numeric ordering weighs a run of digits as one number.
  UErrorCode attribute_status = U_ZERO_ERROR;
  if (ucol_getAttribute(Collator(true), UCOL_NUMERIC_COLLATION, &attribute_status) == UCOL_ON) {
    uset_applyIntPropertyValue(touched.get(), UCHAR_GENERAL_CATEGORY_MASK, U_GC_ND_MASK,
                               &attribute_status);
  }
  UChar buffer[64];
  for (int32_t i = 0; i < uset_getItemCount(with_prefixes.get()); ++i) {
    UChar32 start = 0;
    UChar32 end = 0;
    UErrorCode item_status = U_ZERO_ERROR;
    int32_t len = uset_getItem(with_prefixes.get(), i, &start, &end, buffer, 64, &item_status);
    if (len == 0) {
      uset_addRange(touched.get(), start, end);  // listed as bare characters: stop at them
    } else if (U_FAILURE(item_status)) {
      continue;
    } else if (all_reachable(buffer, len)) {
      bool contraction = uset_containsString(contractions.get(), buffer, len);
      uset_add(touched.get(), contraction ? buffer[0] : buffer[len - 1]);
    }
  }

  std::vector<std::pair<std::string, uint16_t>> keyed;  // (primary key, code)
  auto consider = [&](uint16_t code, std::string_view bytes) {
    std::u16string u = Cp932ToUtf16(bytes);
    if (u.size() != 1 || u[0] == 0xFFFD || (u[0] >= 0xD800 && u[0] <= 0xDFFF)) return;
    UChar32 c = u[0];
    if (uset_contains(touched.get(), c) || uset_contains(expansions.get(), c)) return;
    uint8_t key[32];
    int32_t n = ucol_getSortKey(primary.get(), reinterpret_cast<const UChar*>(u.data()), 1, key,
                                sizeof key);
    if (n <= 0 || n > static_cast<int32_t>(sizeof key)) return;
    if (n == 1) {
      ranks[code] = kIgnorable;  // only the terminating zero: no primary weight
      return;
    }
    keyed.emplace_back(std::string(reinterpret_cast<const char*>(key), static_cast<size_t>(n)),
                       code);
  };
  ForEachSjisCharacter(consider);
  std::sort(keyed.begin(), keyed.end());
  uint16_t rank = 0;
  for (size_t i = 0; i < keyed.size(); ++i) {
    if (i == 0 || keyed[i].first != keyed[i - 1].first) ++rank;
    if (rank >= kStop) break;
    ranks[keyed[i].second] = rank;
  }
  return ranks;
}

const std::vector<uint16_t>& PrimaryRanks() {
  static const std::vector<uint16_t> ranks = BuildPrimaryRanks();
  return ranks;
}

}  // namespace

std::string SortKeyPrefix(std::string_view sjis, size_t bytes) {
  const std::vector<uint16_t>& ranks = PrimaryRanks();
  std::string out;
  out.reserve(bytes + 2);
  size_t i = 0;
  while (i < sjis.size()) {
    if (out.size() >= bytes) return out;
    unsigned char b = static_cast<unsigned char>(sjis[i]);
    uint16_t code = b;
    size_t len = 1;
    if (IsSjisLeadByte(b)) {
      if (i + 1 >= sjis.size()) return out;  // a cut-off character: the full key decides
      code = static_cast<uint16_t>(b << 8 | static_cast<unsigned char>(sjis[i + 1]));
      len = 2;
    }
    uint16_t rank = ranks[code];
    if (rank == kStop) return out;
    if (rank != kIgnorable) {
      out.push_back(static_cast<char>(rank >> 8));
      out.push_back(static_cast<char>(rank & 0xFF));
    }
    i += len;
  }
  // The whole text fitted: a zero rank marks its end, below every character's.
  out.push_back('\0');
  out.push_back('\0');
  return out;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && FoldCase(a) == FoldCase(b);
}

std::string CollationLocale() { return LocaleFromEnvironment(); }

}  // namespace platform
