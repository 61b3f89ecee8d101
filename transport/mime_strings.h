// Small byte-string helpers shared by the message model, the writer and the reader. Texts are
// bytes (Shift_JIS or 7-bit wire text); case folding touches ASCII letters only.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace transport::mime {

constexpr char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

// Removes every byte at or below the space from both ends (control characters included).
inline std::string_view Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

// The same, but an ESC stays: it starts the escape sequence of a raw ISO-2022-JP text, which
// cannot be read without it.
inline std::string_view TrimKeepingEscape(std::string_view s) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' ' && c != '\x1b'; };
  std::size_t b = 0, e = s.size();
  while (b < e && blank(s[b])) ++b;
  while (e > b && blank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

inline bool StartsWithIgnoringCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && EqualsIgnoringCase(s.substr(0, prefix.size()), prefix);
}

inline std::string UpperCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiUpper(c);
  return out;
}

// Position of `needle` in `hay` ignoring ASCII case, from `from` on; npos when absent.
inline std::size_t FindIgnoringCase(std::string_view hay, std::string_view needle,
                                    std::size_t from = 0) {
  if (needle.empty()) return from <= hay.size() ? from : std::string_view::npos;
  if (hay.size() < needle.size()) return std::string_view::npos;
  const char first = AsciiUpper(needle[0]);
  for (std::size_t i = from; i + needle.size() <= hay.size(); ++i) {
    if (AsciiUpper(hay[i]) == first && EqualsIgnoringCase(hay.substr(i, needle.size()), needle)) {
      return i;
    }
  }
  return std::string_view::npos;
}

inline bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

inline int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

}  // namespace transport::mime
