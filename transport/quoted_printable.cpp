// Quoted-printable decoding.
#include "transport/quoted_printable.h"

#include "transport/mime_strings.h"

namespace transport {

void AppendQuotedPrintable(std::string_view text, std::string& out) {
  // Spaces and tabs at the very end go; CR and LF among them stay in their order.
  std::size_t end = text.size();
  while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r' ||
                     text[end - 1] == '\n')) {
    --end;
  }
  std::string trimmed;
  if (text.find_first_of(" \t", end) != std::string_view::npos) {
    trimmed.assign(text.substr(0, end));
    for (char c : text.substr(end)) {
      if (c == '\r' || c == '\n') trimmed += c;
    }
    text = trimmed;
  }

  auto skip_line_end = [&](std::size_t& i) {
    for (int n = 0; n < 2 && i < text.size() && (text[i] == '\r' || text[i] == '\n'); ++n) ++i;
  };
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t eq = text.find('=', i);
    if (eq == std::string_view::npos) {
      out.append(text.substr(i));
      break;
    }
    out.append(text.substr(i, eq - i));
    i = eq + 1;
    int digits = 0, value = 0;
    while (digits < 2 && i < text.size() && mime::IsHexDigit(text[i])) {
      value = value * 16 + mime::HexValue(text[i]);
      ++digits;
      ++i;
    }
    if (digits == 0) {
      skip_line_end(i);  // a soft line break
      continue;
    }
    out += static_cast<char>(value);
    if (value == ' ' && i < text.size() && (text[i] == '\r' || text[i] == '\n')) {
      out += "\r\n";
      skip_line_end(i);
    }
  }
}

std::string DecodeQuotedPrintable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendQuotedPrintable(text, out);
  return out;
}

}  // namespace transport
