// Memo lines of the composer's body.
#include "compose/composer_fields.h"

#include "store/record.h"

namespace compose {

std::vector<std::string> BodyLines(const ComposerFields& fields) {
  return store::SplitLines(fields.body);
}

void SetBodyLines(ComposerFields& fields, const std::vector<std::string>& lines) {
  fields.body.clear();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) fields.body += "\r\n";
    fields.body += lines[i];
  }
}

}  // namespace compose
