// The values a received message contributes to the store and the lists: its key, its decoded
// header texts and the date and size texts, all Shift_JIS. The receive run, the deletion-mode
// listing and the new-mail check all read a message through these functions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "transport/message.h"

namespace receive {

// Deletes spaces, full-width spaces and ESC $ @ (and TABs when asked) until none is left,
// walking whole Shift_JIS characters so a trail byte never starts a match.
std::string SqueezeSubject(std::string_view subject, bool remove_tabs);

// The subject as listed and stored: decoded, then squeezed.
std::string DecodedSubject(const transport::TIdMessage& msg, bool remove_tabs);
// The sender: the text of From with its remaining encoded words decoded.
std::string DecodedSender(const transport::TIdMessage& msg);

// The key of a message: its Message-ID, or, without one, a key made from its date and a
// fingerprint of its content ("<yyyy/mm/dd_hhnnss-" + 12 hex digits + "tegamin_TKWorld>"), so
// a message left on the server gets the same key on every fetch and two messages of the same
// second never share one. A message without a usable date takes the zero date.
std::string MessageKey(const transport::TIdMessage& msg, std::uint64_t content_hash);

// "yyyy/mm/dd_hh:nn:ss" of the message's date, or of now when it has no usable date.
std::string DateText(const transport::TIdMessage& msg);

// Everything the receive run stores about one new message. Line breaks and TABs are gone from
// every value: one would split the message file's header line, the other an index record.
struct MessageValues {
  std::string key;
  std::string to;
  std::string reply_to;
  std::string cc;
  std::string references;
  std::string sender;
  std::string subject;
  std::string date;
  std::string size;
};

MessageValues DecodeValues(const transport::TIdMessage& msg, std::string key, int size);

}  // namespace receive
