// Base64 for the MIME reader and writer: a fast line decoder for attachment bodies, the lenient
// decoder of encoded words, and the line encoder of outgoing attachments.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace transport {

// Decodes one body line whose length is a multiple of 4, appending to `out`. "=" fill ends a
// group early; a byte outside the alphabet counts as zero bits. Answers false when the length
// is not a multiple of 4 (nothing is appended then).
bool Base64DecodeLine(std::string_view line, std::string& out);

// The same into `dst`, which has room for Base64DecodedBound(line.size()) + 1 bytes; answers
// the byte count, or -1 when the length is not a multiple of 4.
long Base64DecodeLineTo(std::string_view line, char* dst);

// Upper bound of the bytes Base64DecodeLine appends for `length` characters.
constexpr std::size_t Base64DecodedBound(std::size_t length) { return length / 4 * 3; }

// Decodes an encoded-word payload: every character fills one place of a group of four (bytes
// outside the alphabet and "=" give zero bits); a short last group is filled with zero bits.
// Zero bytes are kept; the caller drops them.
std::string Base64DecodeLoose(std::string_view text);

// Encodes `data` (57 bytes give one full 76-character line) without line breaks.
void Base64Encode(std::string_view data, std::string& out);

}  // namespace transport
