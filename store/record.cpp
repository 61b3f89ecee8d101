// Tab-separated records.
#include "store/record.h"

namespace store {

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  const char* p = text.data();
  const char* end = p + text.size();
  while (p < end) {
    const char* e = p;
    while (e < end && *e != '\r' && *e != '\n') ++e;
    lines.emplace_back(p, e);
    if (e < end && *e == '\r' && e + 1 < end && e[1] == '\n') ++e;
    p = e + 1;
  }
  return lines;
}

Fields SplitRecord(std::string_view line) {
  Fields fields;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos) {
      fields.emplace_back(line.substr(start));
      return fields;
    }
    fields.emplace_back(line.substr(start, tab - start));
    start = tab + 1;
  }
}

std::string JoinRecord(const Fields& fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line.push_back('\t');
    for (char c : fields[i]) line.push_back(c == '\t' || c == '\r' || c == '\n' ? ' ' : c);
  }
  return line;
}

std::string GetField(std::string_view line, int index) {
  size_t start = 0;
  for (int i = 0; i < index; ++i) {
    size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos) return "";
    start = tab + 1;
  }
  return std::string(line.substr(start, line.find('\t', start) - start));
}

std::string WithField(std::string_view line, int index, std::string_view value) {
  Fields fields = SplitRecord(line);
  if (fields.size() <= static_cast<size_t>(index)) fields.resize(static_cast<size_t>(index) + 1);
  fields[static_cast<size_t>(index)] = std::string(value);
  return JoinRecord(fields);
}

}  // namespace store
