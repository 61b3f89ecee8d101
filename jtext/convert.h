// Converts a text of unknown Japanese code to Shift_JIS or to ISO-2022-JP.
#pragma once

#include <string>
#include <string_view>

#include "jtext/detect.h"

namespace jtext {

// target is kCodeSjis (received text) or kCodeJis (outgoing text). Text that is plain,
// non-text, undecided or already in the target code comes back unchanged.
std::string ConvertCode(std::string_view text, CodeClass target);

}  // namespace jtext
