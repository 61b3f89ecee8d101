// Cheap ordering of many Shift_JIS lines in the case-insensitive locale order: a short
// prefix of each line's collation weights decides almost every comparison, and the full
// key is made only for the rare ties.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace store {

// A key prefix as big-endian words, zero-padded, compared without touching memory
// elsewhere.
struct KeyPrefix {
  std::array<uint64_t, 6> words{};
  uint8_t size = 0;  // bytes in use
};

KeyPrefix MakeKeyPrefix(std::string_view text);
std::vector<KeyPrefix> MakeKeyPrefixes(const std::vector<std::string_view>& texts);

// -1 or 1 when the prefixes alone decide the order of their texts, 0 when they cannot.
int ComparePrefixes(const KeyPrefix& a, const KeyPrefix& b);

// Order of two texts given their prefixes: <0, 0 (the same text ignoring case) or >0.
// Equals platform::CompareText(a, b, true).
int CompareKeyed(const KeyPrefix& prefix_a, std::string_view a, const KeyPrefix& prefix_b,
                 std::string_view b);

}  // namespace store
