// The text shown for a message file opened from disk: a header block like that of a stored
// message, then the body and the text parts, all in Shift_JIS. No window needed.
#pragma once

#include <string>

#include "transport/message.h"

namespace mailview {

// The header block and body of a message already read, lines joined with CR LF.
std::string BuildEmlViewText(const transport::TIdMessage& msg);

// Reads the message file at `path` and builds its text. Any failure raises (EIdException and
// its family, or a conversion failure); the caller shows its own message.
std::string LoadEmlViewText(const std::string& path);

}  // namespace mailview
