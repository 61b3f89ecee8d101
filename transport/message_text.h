// The readable text of a received message in Shift_JIS, shared by the receive run (what it
// stores) and the message-file view (what it shows).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "transport/message.h"

namespace transport {

// The lines as one text, each followed by CR LF.
std::string JoinLinesCrLf(const std::vector<std::string>& lines);

// `text` converted to Shift_JIS by a declared charset or content type: UTF-8 through
// Utf8ToSjis (malformed UTF-8 keeps its bytes rather than vanishing), anything else by code
// detection (ConvertCode).
std::string TextToSjis(std::string_view text, std::string_view charset_or_type);

// The message's body, then each text part after a line "========", each line ended by CR LF
// and each converted by its own declared charset: the body by the message's, a part by its
// content type.
std::string BodyTextSjis(const TIdMessage& msg);

}  // namespace transport
