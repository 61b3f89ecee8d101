// The quoted-printable decoder, used for the lines of quoted-printable parts and on its own.
#pragma once

#include <string>
#include <string_view>

namespace transport {

// Decodes "=XX" escapes; "=" before a line end is a soft break that joins the next line.
// Trailing spaces and tabs of the text are dropped (its line ends stay); "_" stays "_".
std::string DecodeQuotedPrintable(std::string_view text);

// The same, appending to `out` (no allocation when `out` has room).
void AppendQuotedPrintable(std::string_view text, std::string& out);

}  // namespace transport
