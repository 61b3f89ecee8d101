// Cheap ordering of many lines in the case-insensitive locale order.
#include "store/text_key.h"

#include <algorithm>

#include "platform/collation.h"

namespace store {
namespace {

// 23 characters tell apart nearly all message keys, including the generated
// "<yyyy/mm/dd_hhnnss..." ones that agree in their first characters. A complete text
// adds a two-byte end mark, so a prefix takes at most 48 bytes: six words.
constexpr size_t kPrefixBytes = 46;

}  // namespace

KeyPrefix MakeKeyPrefix(std::string_view text) {
  std::string bytes = platform::SortKeyPrefix(text, kPrefixBytes);
  KeyPrefix prefix;
  size_t n = std::min(bytes.size(), prefix.words.size() * 8);
  for (size_t i = 0; i < n; ++i) {
    prefix.words[i / 8] |= uint64_t{static_cast<unsigned char>(bytes[i])} << (56 - 8 * (i % 8));
  }
  prefix.size = static_cast<uint8_t>(n);
  return prefix;
}

std::vector<KeyPrefix> MakeKeyPrefixes(const std::vector<std::string_view>& texts) {
  std::vector<KeyPrefix> out;
  out.reserve(texts.size());
  for (std::string_view text : texts) out.push_back(MakeKeyPrefix(text));
  return out;
}

int ComparePrefixes(const KeyPrefix& a, const KeyPrefix& b) {
  size_t common = std::min(a.size, b.size);
  size_t whole = common / 8;
  for (size_t w = 0; w < whole; ++w) {
    if (a.words[w] != b.words[w]) return a.words[w] < b.words[w] ? -1 : 1;
  }
  size_t rest = common % 8;
  if (rest == 0) return 0;
  uint64_t mask = ~uint64_t{0} << (64 - 8 * rest);
  uint64_t x = a.words[whole] & mask;
  uint64_t y = b.words[whole] & mask;
  return x == y ? 0 : x < y ? -1 : 1;
}

int CompareKeyed(const KeyPrefix& prefix_a, std::string_view a, const KeyPrefix& prefix_b,
                 std::string_view b) {
  if (int c = ComparePrefixes(prefix_a, prefix_b); c != 0) return c;
  if (platform::SameIgnoringCase(a, b)) return 0;
  std::string ka = platform::SortKey(a, true);
  std::string kb = platform::SortKey(b, true);
  return ka < kb ? -1 : ka > kb ? 1 : 0;
}

}  // namespace store
