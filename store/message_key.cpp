// Message keys and file stems.
#include "store/message_key.h"

#include <cstdint>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/collation.h"

namespace store {
namespace {

constexpr size_t kStemBytes = 50;
// 1899-12-31 as a day count: dates before it count as "no date".
constexpr double kFirstUsableDate = 1.0;

char MapStemByte(char c) {
  switch (c) {
    case '<':
      return '0';
    case '>':
      return '9';
    case '\\':
      return '8';
    case '/':
      return '7';
    case '|':
      return '6';
    case '*':
      return '5';
    case ':':
      return '_';
    case '"':
      return '+';
    case '?':
      return '-';
    default:
      return c;
  }
}

}  // namespace

std::string GeneratedKey(double date) {
  return "<" + platform::FormatDateTime("yyyy/mm/dd_hhnnss", date) + "tegamin_TKWorld>";
}

std::string ReceivedMessageKey(std::string_view message_id, std::optional<double> date) {
  if (!message_id.empty()) return std::string(message_id);
  if (date && *date >= kFirstUsableDate) return GeneratedKey(*date);
  return GeneratedKey(platform::Now());
}

bool SameKey(std::string_view a, std::string_view b) { return platform::SameIgnoringCase(a, b); }

namespace {

// The mapped key cut to `limit` bytes, never ending in half a double-byte character.
std::string MappedStem(std::string_view key, size_t limit) {
  std::string stem;
  stem.reserve(limit);
  for (char c : key) {
    if (c != ' ') stem.push_back(c);
  }
  if (stem.size() > limit) stem.resize(limit);
  for (char& c : stem) c = MapStemByte(c);
  // Every "\" and "/" is mapped above, including a 0x5C trail byte, so a stem never holds
  // a separator. NUL and control bytes cannot be in a file name; they become "_".
  for (char& c : stem) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
  }
  // The cut can leave half a double-byte character at the end, whose lead byte would
  // pair with the "\" or "." that follows the stem in a path.
  for (size_t i = 0; i < stem.size(); ++i) {
    if (!platform::IsSjisLeadByte(static_cast<unsigned char>(stem[i]))) continue;
    if (i + 1 == stem.size()) stem[i] = '_';
    ++i;
  }
  return stem;
}

std::string NotDotsOnly(std::string stem) {
  // "", "." and ".." would name the folder itself or its parent.
  if (stem.find_first_not_of('.') == std::string::npos) stem.insert(0, "_");
  return stem;
}

size_t KeyLength(std::string_view key) {
  size_t n = 0;
  for (char c : key) n += c != ' ';
  return n;
}

}  // namespace

std::string LegacyFileStem(std::string_view key) {
  return NotDotsOnly(MappedStem(key, kStemBytes));
}

std::string FileStem(std::string_view key) {
  if (KeyLength(key) <= kStemBytes) return LegacyFileStem(key);
  constexpr size_t kKept = kStemBytes - 9;
  // FNV-1a over the key as compared: spaces dropped, ASCII letters folded.
  uint64_t hash = 14695981039346656037ull;
  for (char c : key) {
    if (c == ' ') continue;
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  static const char kHex[] = "0123456789abcdef";
  std::string stem = MappedStem(key, kKept);
  stem.push_back('~');
  for (int shift = 28; shift >= 0; shift -= 4) stem.push_back(kHex[(hash >> shift) & 0xF]);
  return stem;
}

}  // namespace store
