// Cheap ordering of many Shift_JIS lines in the case-insensitive locale order: a short
// prefix of each line's sort key decides almost every comparison, and the full key is
// made only for the rare ties.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace store {

// The prefix kept for every line.
std::string TextKeyPrefix(std::string_view text);

// Prefixes of many texts.
std::vector<std::string> TextKeyPrefixes(const std::vector<std::string_view>& texts);

// Order of two texts given their prefixes: <0, 0 (the same text ignoring case) or >0.
// Equals platform::CompareText(a, b, true).
int CompareKeyed(std::string_view prefix_a, std::string_view a, std::string_view prefix_b,
                 std::string_view b);

}  // namespace store
