// Cheap ordering of many lines in the case-insensitive locale order.
#include "store/text_key.h"

#include <algorithm>
#include <cstring>

#include "platform/collation.h"

namespace store {
namespace {

// 24 characters tell apart nearly all message keys, including the generated
// "<yyyy/mm/dd_hhnnss..." ones that agree in their first characters.
constexpr size_t kPrefixBytes = 48;

}  // namespace

std::string TextKeyPrefix(std::string_view text) {
  return platform::SortKeyPrefix(text, kPrefixBytes);
}

std::vector<std::string> TextKeyPrefixes(const std::vector<std::string_view>& texts) {
  std::vector<std::string> out;
  out.reserve(texts.size());
  for (std::string_view text : texts) out.push_back(TextKeyPrefix(text));
  return out;
}

int CompareKeyed(std::string_view prefix_a, std::string_view a, std::string_view prefix_b,
                 std::string_view b) {
  size_t n = std::min(prefix_a.size(), prefix_b.size());
  int c = std::memcmp(prefix_a.data(), prefix_b.data(), n);
  if (c != 0) return c < 0 ? -1 : 1;
  if (platform::SameIgnoringCase(a, b)) return 0;
  std::string ka = platform::SortKey(a, true);
  std::string kb = platform::SortKey(b, true);
  return ka < kb ? -1 : ka > kb ? 1 : 0;
}

}  // namespace store
