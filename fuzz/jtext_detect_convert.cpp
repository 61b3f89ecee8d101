// Fuzzes code detection and the body conversions in both directions.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "jtext/convert.h"
#include "jtext/detect.h"
#include "jtext/jis_to_sjis.h"
#include "jtext/sjis_to_jis.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// True when the text is ASCII without ESC and well-formed JIS X 0208 Shift_JIS pairs:
// the texts whose trip to ISO-2022-JP and back must be exact.
bool IsPlainSjis(const std::string& s) {
  for (size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      if (c == 0x1B) return false;
      continue;
    }
    if (!((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xEF)) || i + 1 >= s.size()) {
      return false;
    }
    const auto t = static_cast<unsigned char>(s[++i]);
    if (!((t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC))) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const jtext::CodeClass code = jtext::DetectCode(text);
  Check(code >= jtext::kCodeNone && code <= jtext::kCodeUndecided);

  const std::string to_sjis = jtext::ConvertCode(text, jtext::kCodeSjis);
  const std::string to_jis = jtext::ConvertCode(text, jtext::kCodeJis);
  if (code == jtext::kCodeNone || code == jtext::kCodeNonText || code == jtext::kCodeUndecided) {
    Check(to_sjis == text && to_jis == text);
  }
  // The decoders never write more than they read.
  Check(jtext::JisToSjis(text).size() <= size);
  Check(jtext::EucToSjis(text).size() <= size);
  Check(jtext::StrictJisToSjis(text).size() <= size);

  const std::string jis = jtext::SjisToJis(text);
  (void)jtext::EucToJis(text);
  if (IsPlainSjis(text)) {
    for (char c : jis) Check(static_cast<unsigned char>(c) < 0x80);
    Check(jtext::JisToSjis(jis) == text);
    Check(jtext::StrictJisToSjis(jis) == text);
  }
  return 0;
}
