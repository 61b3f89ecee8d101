// Building the shown text of an opened message file.
#include "transport/eml_view.h"

#include <vector>

#include "jtext/convert.h"
#include "jtext/header_decode.h"
#include "platform/clock.h"
#include "platform/codepage.h"

namespace transport {
namespace {

// The lines as one text, each followed by CR LF.
std::string LinesText(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) {
    out += line;
    out += "\r\n";
  }
  return out;
}

std::string RemoveAll(std::string text, std::string_view what) {
  for (std::size_t p; (p = text.find(what)) != std::string::npos;) text.erase(p, what.size());
  return text;
}

// The subject as shown: spaces and the old-JIS escape ESC $ @ removed, until none is left.
std::string CleanSubject(std::string subject) {
  while (true) {
    std::string cleaned = RemoveAll(RemoveAll(subject, "\x1b$@"), " ");
    if (cleaned == subject) return cleaned;
    subject = std::move(cleaned);
  }
}

// Splits at CR LF, LF or a lone CR; a final line break adds no line.
void AppendLines(std::string_view text, std::vector<std::string>& lines) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
}

}  // namespace

std::string BuildEmlViewText(const TIdMessage& msg) {
  std::string body = jtext::ConvertCode(LinesText(msg.Body), jtext::kCodeSjis);
  for (std::size_t i = 0; i < msg.Parts.Count(); ++i) {
    if (msg.Parts[i].Kind() != TIdPartKind::kText) continue;
    if (!body.empty()) body += "\r\n========\r\n";
    const auto& text = static_cast<const TIdText&>(msg.Parts[i]);
    body += jtext::ConvertCode(LinesText(text.Body), jtext::kCodeSjis);
  }
  static const std::string kFrom = platform::Sjis("差出人：");
  static const std::string kSubject = platform::Sjis("件名：");
  static const std::string kDate = platform::Sjis("日時：");
  std::vector<std::string> lines;
  lines.push_back("ReplyTo=" + (msg.ReplyTo.Count() > 0 ? msg.ReplyTo[0].GetText() : ""));
  lines.push_back("CCList=" + jtext::DecodeJisBWords(msg.Headers.GetValue("Cc")));
  lines.push_back("BccList=" + jtext::DecodeJisBWords(msg.Headers.GetValue("Bcc")));
  lines.push_back(kFrom + msg.From.GetText());
  lines.push_back(kSubject + CleanSubject(jtext::DecodeJisBWords(msg.Headers.GetValue("Subject"))));
  lines.push_back(kDate + platform::FormatDateTime("yyyy/mm/dd_hh:nn:ss", msg.Date));
  lines.push_back("-------------------");
  AppendLines(body, lines);
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += "\r\n";
    out += lines[i];
  }
  return out;
}

std::string LoadEmlViewText(const std::string& path) {
  TIdMessage msg;
  msg.DeleteTempFiles = true;  // attachments of a viewed file are not kept
  msg.LoadFromFile(path);
  return BuildEmlViewText(msg);
}

}  // namespace transport
