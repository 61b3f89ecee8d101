// Building the shown text of an opened message file.
#include "mailview/eml_view.h"

#include <string_view>
#include <vector>

#include "jtext/header_decode.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "transport/message_text.h"

namespace mailview {

using transport::TIdMessage;
namespace {

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

// The viewer breaks a line at CR LF, at a lone CR and at a lone LF alike; its text has CR LF
// for each.
std::string WithCrLfLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n') {
      out += c;
      continue;
    }
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    out += "\r\n";
  }
  return out;
}

}  // namespace

std::string BuildEmlViewText(const TIdMessage& msg) {
  std::string body = transport::BodyTextSjis(msg);
  static const std::string kFrom = platform::Sjis("差出人：");
  static const std::string kSubject = platform::Sjis("件名：");
  static const std::string kDate = platform::Sjis("日時：");
  std::vector<std::string> header = {
      "ReplyTo=" + (msg.ReplyTo.Count() > 0 ? msg.ReplyTo[0].GetText() : ""),
      "CCList=" + jtext::DecodeJisBWords(msg.Headers.GetValue("Cc")),
      "BccList=" + jtext::DecodeJisBWords(msg.Headers.GetValue("Bcc")),
      kFrom + msg.From.GetText(),
      kSubject + CleanSubject(jtext::DecodeJisBWords(msg.Headers.GetValue("Subject"))),
      kDate + platform::FormatDateTime("yyyy/mm/dd_hh:nn:ss", msg.Date),
      "-------------------"};
  // The viewer holds lines: every header item is one, the body's lines follow, and a header
  // value may hold line breaks of its own (a CR-only file is one long header line). The text
  // is those lines separated by CR LF, so a final line break adds no line.
  std::string text = WithCrLfLineBreaks(transport::JoinLinesCrLf(header) + body);
  text.resize(text.size() - 2);  // JoinLinesCrLf always ends the block with CR LF
  return text;
}

std::string LoadEmlViewText(const std::string& path) {
  TIdMessage msg;
  msg.DeleteTempFiles = true;  // attachments of a viewed file are not kept
  msg.LoadFromFile(path);
  return BuildEmlViewText(msg);
}

}  // namespace mailview
