// Decoding a received message's header values.
#include "receive/message_values.h"

#include <cstdio>

#include "jtext/header_decode.h"
#include "platform/clock.h"
#include "platform/codepage.h"

namespace receive {
namespace {

constexpr double kFirstUsableDate = 1.0;

bool HasUtf8BWord(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper.find("=?UTF-8?B?") != std::string::npos;
}

// A decoded value goes on one line of the message file and into one field of an index record.
std::string OneField(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  }
  return text;
}

// One pass over whole characters; answers whether anything was removed.
bool SqueezeOnce(std::string& text, bool remove_tabs) {
  std::string out;
  out.reserve(text.size());
  bool removed = false;
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == ' ' || (remove_tabs && c == '\t')) {
      removed = true;
      ++i;
    } else if (c == 0x1B && text.compare(i, 3, "\x1B$@") == 0) {
      removed = true;
      i += 3;
    } else if (platform::IsSjisLeadByte(c) && i + 1 < text.size()) {
      if (c == 0x81 && text[i + 1] == 0x40) {
        removed = true;
      } else {
        out.append(text, i, 2);
      }
      i += 2;
    } else {
      out.push_back(text[i]);
      ++i;
    }
  }
  text = std::move(out);
  return removed;
}

}  // namespace

std::string SqueezeSubject(std::string_view subject, bool remove_tabs) {
  std::string text(subject);
  while (SqueezeOnce(text, remove_tabs)) {
  }
  return text;
}

std::string DecodedSubject(const transport::TIdMessage& msg, bool remove_tabs) {
  std::string decoded = jtext::DecodeHeaderValue(
      jtext::RelabelShiftJis(msg.Headers.GetValue("Subject")), msg.CharSet);
  return SqueezeSubject(decoded, remove_tabs);
}

std::string DecodedSender(const transport::TIdMessage& msg) {
  std::string text = msg.From.GetText();
  if (HasUtf8BWord(text)) return jtext::DecodeUtf8BWords(text);
  return jtext::DecodeJisBWords(jtext::RelabelShiftJis(text));
}

std::string MessageKey(const transport::TIdMessage& msg, std::uint64_t content_hash) {
  if (!msg.MessageId.empty()) return msg.MessageId;
  const double date = msg.Date >= kFirstUsableDate ? msg.Date : 0.0;
  char print[16];
  std::snprintf(print, sizeof print, "%012llx",
                static_cast<unsigned long long>(content_hash & 0xFFFFFFFFFFFFull));
  return "<" + platform::FormatDateTime("yyyy/mm/dd_hhnnss", date) + "-" + print +
         "tegamin_TKWorld>";
}

std::string DateText(const transport::TIdMessage& msg) {
  const double date = msg.Date >= kFirstUsableDate ? msg.Date : platform::Now();
  return platform::FormatDateTime("yyyy/mm/dd_hh:nn:ss", date);
}

MessageValues DecodeValues(const transport::TIdMessage& msg, std::string key, int size) {
  MessageValues v;
  v.key = OneField(std::move(key));
  v.to = OneField(jtext::DecodeJisBWords(jtext::RelabelShiftJis(msg.Headers.GetValue("To"))));
  if (msg.ReplyTo.Count() > 0) {
    v.reply_to = OneField(jtext::DecodeJisBWords(jtext::RelabelShiftJis(msg.ReplyTo[0].GetText())));
  }
  v.cc = OneField(jtext::DecodeJisBWords(msg.Headers.GetValue("Cc")));
  v.references = OneField(jtext::DecodeJisBWords(msg.Headers.GetValue("References")));
  v.sender = OneField(DecodedSender(msg));
  v.subject = OneField(DecodedSubject(msg, true));
  v.date = DateText(msg);
  v.size = std::to_string(size);
  return v;
}

}  // namespace receive
