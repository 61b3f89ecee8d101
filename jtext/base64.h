// The one base64 of the program: the encoder of encoded words and attachments, the decoder of
// encoded-word payloads (with the lenient rules stored mail depends on) and the fast decoder
// of base64 body lines.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace jtext {

// How a payload is read beyond the standard alphabet. Characters outside it (white space
// and "=" too) always count as zero bits in their place of a group.
struct Base64DecodeOptions {
  // Off: a zero byte in a group's second or third place is not output (the encoded-word
  // decoders of received headers); on: every group gives three bytes and the caller drops
  // zero bytes itself.
  bool keep_zero_bytes = false;
  // Off: an incomplete last group is dropped; on: it is filled with zero bits.
  bool decode_short_group = false;
};

// Groups of four characters decoded leniently, as the options say.
std::string Base64Decode(std::string_view text, Base64DecodeOptions options = {});

// Standard alphabet with "=" padding and no line breaks (57 bytes give one 76-character line).
std::string Base64Encode(std::string_view bytes);
void Base64EncodeAppend(std::string_view bytes, std::string& out);

// Body lines of a base64 part. A line must be a multiple of 4 long; "=" fill ends a group
// early and a byte outside the alphabet counts as zero bits. Appends the exact bytes to `out`,
// or answers false (appending nothing) for a line of another length.
bool Base64DecodeLine(std::string_view line, std::string& out);

// The same into `dst`, which has room for Base64DecodedBound(line.size()) + 1 bytes; answers
// the byte count, or -1 when the length is not a multiple of 4.
long Base64DecodeLineTo(std::string_view line, char* dst);

// Upper bound of the bytes a body line of `length` characters decodes to.
constexpr std::size_t Base64DecodedBound(std::size_t length) { return length / 4 * 3; }

}  // namespace jtext
