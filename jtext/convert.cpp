#include "jtext/convert.h"

#include "jtext/jis_to_sjis.h"
#include "jtext/sjis_to_jis.h"

namespace jtext {

std::string ConvertCode(std::string_view text, CodeClass target) {
  const CodeClass found = DetectCode(text);
  if (found == kCodeNone || found == kCodeNonText || found == kCodeUndecided || found == target) {
    return std::string(text);
  }
  if (target == kCodeSjis) {
    if (found == kCodeJis || found == kCodeOldJis) return JisToSjis(text);
    if (found == kCodeEuc) return EucToSjis(text);
  } else if (target == kCodeJis) {
    if (found == kCodeEuc) return EucToJis(text);
    if (found == kCodeSjis) return SjisToJis(text);
  }
  return std::string(text);
}

}  // namespace jtext
