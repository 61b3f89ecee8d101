// Fuzzes the sorted index list: any file content loads into lines in strict
// case-insensitive locale order, and lookups give what a top-down scan gives.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/collation.h"
#include "store/index_list.h"
#include "store/record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  store::IndexList list;
  list.SetText(text);
  for (size_t i = 1; i < list.size(); ++i) {
    if (platform::CompareText(list[i - 1], list[i], true) >= 0) std::abort();
  }
  // Lookups agree with the top-down scan that stops at the first field 0 sorting at or
  // after the key (checked for the first few records, the scan being slow).
  for (size_t i = 0; i < list.size() && i < 24; ++i) {
    for (const std::string& key : {store::GetField(list[i], 0), list[i]}) {
      int expected = -1;
      for (size_t j = 0; j < list.size(); ++j) {
        std::string f0 = store::GetField(list[j], 0);
        if (platform::SameIgnoringCase(f0, key)) {
          expected = static_cast<int>(j);
          break;
        }
        if (platform::CompareText(f0, key, true) > 0) break;
      }
      if (list.Find(key) != expected) std::abort();
    }
  }
  // Saving and loading again gives the same list.
  store::IndexList again;
  again.SetText(list.Text());
  if (again.lines() != list.lines()) std::abort();
  return 0;
}
