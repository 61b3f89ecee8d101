// Base64 for encoded words: a lenient decoder and a standard encoder.
#pragma once

#include <string>
#include <string_view>

namespace jtext {

// Groups of four characters; characters outside the alphabet count as zero bits, an
// incomplete last group is dropped, and zero bytes in a group's second or third place
// are not output (stored mail depends on this).
std::string Base64Decode(std::string_view text);

// Standard alphabet with "=" padding and no line breaks.
std::string Base64Encode(std::string_view bytes);

}  // namespace jtext
