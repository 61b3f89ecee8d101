// UTF-8 to Shift_JIS (code page 932) for UTF-8 encoded words and bodies.
#pragma once

#include <string>
#include <string_view>

namespace jtext {

// Characters code page 932 cannot hold become "?" (a character outside the Basic
// Multilingual Plane too). Malformed UTF-8 anywhere makes the whole result empty.
std::string Utf8ToSjis(std::string_view utf8);

}  // namespace jtext
