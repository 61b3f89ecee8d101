// Message keys and file stems.
#include "store/message_key.h"

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

std::string FileStem(std::string_view key) {
  std::string stem;
  stem.reserve(kStemBytes);
  for (char c : key) {
    if (c != ' ') stem.push_back(c);
  }
  if (stem.size() > kStemBytes) stem.resize(kStemBytes);
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
  // "", "." and ".." would name the folder itself or its parent.
  if (stem.find_first_not_of('.') == std::string::npos) stem.insert(0, "_");
  return stem;
}

}  // namespace store
