// Fuzzes the encoded-word decoders and the header decoding chain.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "jtext/header_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte picks the message character set, the rest is the header value.
  static const char* const kCharsets[] = {"", "EUC", "EUC-JP", "ISO-2022-JP"};
  const std::string charset = kCharsets[data[0] % 4];
  const std::string value(reinterpret_cast<const char*>(data + 1), size - 1);

  const std::string relabelled = jtext::RelabelShiftJis(value);
  (void)jtext::DecodeJisBWords(value);
  (void)jtext::DecodeUtf8BWords(value);
  const std::string q = jtext::DecodeJisQWords(value);
  (void)jtext::DecodeHeaderValue(relabelled, charset);

  // Text without any word syntax passes the word decoders unchanged.
  if (value.find('?') == std::string::npos && value.find('=') == std::string::npos) {
    if (jtext::DecodeJisBWords(value) != value || jtext::DecodeUtf8BWords(value) != value ||
        q != value) {
      std::abort();
    }
  }
  return 0;
}
