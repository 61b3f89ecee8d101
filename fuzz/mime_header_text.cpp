// Fuzzes encoded-word decoding and encoding, and the body and payload base64 decoders against
// each other.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "jtext/base64.h"
#include "transport/header_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  (void)transport::DecodeHeaderText(text);

  // Encoded output is plain 7-bit text: printable ASCII and the separators only.
  for (const auto& setting : {transport::HeaderCharsetSetting{},
                              transport::HeaderCharsetSetting{'Q', "ISO-8859-1", false}}) {
    for (unsigned char c : transport::EncodeHeaderText(text, "()<>@,;:", setting)) {
      if (c >= 127 || (c < 32 && c != ' ' && c != '\t' && c != '\r' && c != '\n')) std::abort();
    }
  }

  // Round trip through the line encoder and the fast decoder.
  std::string encoded, decoded;
  jtext::Base64EncodeAppend(text, encoded);
  if (!jtext::Base64DecodeLine(encoded, decoded) || decoded != text) std::abort();

  // On text without fill characters the fast decoder agrees with the lenient one.
  if (text.size() % 4 == 0 && text.find('=') == std::string::npos) {
    std::string fast;
    jtext::Base64DecodeLine(text, fast);
    if (fast != jtext::Base64Decode(text, {.keep_zero_bytes = true})) std::abort();
  }
  return 0;
}
