// Finding links in message bodies.
#include "app/link_logic.h"

namespace app {

namespace {
constexpr std::u16string_view kHttp = u"http://";
constexpr std::u16string_view kHttps = u"https://";

bool StartsLink(std::u16string_view text, size_t at) {
  std::u16string_view rest = text.substr(at);
  return rest.starts_with(kHttp) || rest.starts_with(kHttps);
}
}  // namespace

bool IsLinkChar(char16_t c) {
  if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')) {
    return true;
  }
  return std::u16string_view(u"#$%&+-./:=?_~").find(c) != std::u16string_view::npos;
}

std::vector<TextRange> LinkMarks(std::u16string_view text) {
  std::vector<TextRange> out;
  if (text.size() >= kLinkMarkLimit) return out;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t m = text.find(kHttp, pos);
    if (m == std::u16string_view::npos) m = text.find(kHttps, pos);
    if (m == std::u16string_view::npos) break;
    size_t eol = text.find_first_of(u"\r\n\u2029", m);
    if (eol == std::u16string_view::npos) eol = text.size();
    out.push_back({m, eol});
    pos = eol;
  }
  return out;
}

std::u16string LinkAt(std::u16string_view text, size_t pos) {
  if (pos >= text.size()) return {};
  size_t start = pos;
  for (;;) {
    if (StartsLink(text, start)) break;
    if (!IsLinkChar(text[start])) return {};
    if (start == 0) return {};
    --start;
  }
  size_t end = start;
  while (end < text.size() && end - start < 256 && IsLinkChar(text[end])) ++end;
  return std::u16string(text.substr(start, end - start));
}

}  // namespace app
