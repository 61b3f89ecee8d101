// Fuzzes the Date header reader: any text gives a finite date-time.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "transport/date_parse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  double value = transport::ParseDate(text);
  if (!std::isfinite(value)) std::abort();
  return 0;
}
