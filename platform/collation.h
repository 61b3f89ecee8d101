// Text comparison in the user's locale (ICU), on Shift_JIS text.
// The locale comes from LC_ALL, LC_COLLATE or LANG; C and POSIX mean Japanese.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Locale order of two Shift_JIS texts: <0, 0 or >0. With ignore_case, letter case alone
// makes no difference; without it, lower case sorts before upper case on a tie.
int CompareText(std::string_view a, std::string_view b, bool ignore_case);

// A byte string whose plain byte order (memcmp) equals CompareText's order. Sorting by
// keys made once is much cheaper than comparing with the collator over and over.
std::string SortKey(std::string_view sjis, bool ignore_case);

// A short key for sorting many lines cheaply in CompareText(.., true) order: the primary
// weight ranks of the leading characters, at most about `bytes` bytes. When two prefixes
// differ within their common length, their byte order is the texts' order; when one
// begins the other (or they are equal), the full keys (SortKey) must decide.
std::string SortKeyPrefix(std::string_view sjis, size_t bytes);

// True when a and b are the same text apart from the case of letters (ASCII and
// full-width Latin). Unlike the collator's weaker strengths, this never equates hiragana
// with katakana or half-width with full-width forms, so distinct lines are never merged.
bool SameIgnoringCase(std::string_view a, std::string_view b);

// The locale name the collator was opened with ("ja" for C/POSIX), for diagnostics.
std::string CollationLocale();

}  // namespace platform
