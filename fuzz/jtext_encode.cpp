// Fuzzes the header encoders for sending.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "jtext/header_encode.h"
#include "platform/codepage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string words = jtext::EncodeHeaderWords(text);
  const std::string whole = jtext::EncodeWholeWord(text);
  bool has_lead = false;
  for (char c : text)
    has_lead = has_lead || platform::IsSjisLeadByte(static_cast<unsigned char>(c));
  if (!has_lead && (words != text || whole != text)) std::abort();
  if (has_lead && (!whole.starts_with("=?ISO-2022-JP?B?") || !whole.ends_with("?="))) {
    std::abort();
  }
  return 0;
}
