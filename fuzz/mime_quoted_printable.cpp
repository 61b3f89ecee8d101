// Fuzzes the quoted-printable decoder: text without "=" only loses its trailing blanks.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "transport/quoted_printable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string out = transport::DecodeQuotedPrintable(text);
  if (text.find('=') == std::string::npos) {
    std::string expected = text;
    std::string tail;
    while (!expected.empty() && std::string(" \t\r\n").find(expected.back()) != std::string::npos) {
      if (expected.back() == '\r' || expected.back() == '\n')
        tail.insert(tail.begin(), expected.back());
      expected.pop_back();
    }
    if (out != expected + tail) std::abort();
  }
  return 0;
}
