// MIME parameters in their RFC 2231 form: "filename*=UTF-8''%E8%AB%8B.pdf" and the numbered
// pieces "filename*0*=", "filename*1=" of a long value.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace transport {

// The value of parameter `name` of a header value (a content type or disposition) given in
// the RFC 2231 form, percent-decoded, its pieces joined and converted to Shift_JIS by its
// charset (UTF-8, ISO-2022-JP, EUC-JP; others keep their bytes). nullopt when the parameter
// has no such form.
std::optional<std::string> ExtendedParameter(std::string_view value, std::string_view name);

}  // namespace transport
