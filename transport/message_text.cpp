// Body text of a received message in Shift_JIS.
#include "transport/message_text.h"

#include "jtext/convert.h"
#include "jtext/utf8.h"
#include "transport/mime_strings.h"

namespace transport {
std::string JoinLinesCrLf(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) {
    out += line;
    out += "\r\n";
  }
  return out;
}

std::string TextToSjis(std::string_view text, std::string_view charset_or_type) {
  if (mime::FindIgnoringCase(charset_or_type, "UTF-8") != std::string_view::npos) {
    std::string sjis = jtext::Utf8ToSjis(text);
    if (!sjis.empty() || text.empty()) return sjis;
  }
  return jtext::ConvertCode(text, jtext::kCodeSjis);
}

std::string BodyTextSjis(const TIdMessage& msg) {
  std::string body = TextToSjis(JoinLinesCrLf(msg.Body), msg.CharSet);
  for (std::size_t i = 0; i < msg.Parts.Count(); ++i) {
    if (msg.Parts[i].Kind() != TIdPartKind::kText) continue;
    if (!body.empty()) body += "\r\n========\r\n";
    const auto& text = static_cast<const TIdText&>(msg.Parts[i]);
    body += TextToSjis(JoinLinesCrLf(text.Body), text.ContentType());
  }
  return body;
}

}  // namespace transport
