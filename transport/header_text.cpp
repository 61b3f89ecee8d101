// Encoded-word decoding of header text, and the Shift_JIS to ISO-2022-JP step of the writer.
#include "transport/header_text.h"

#include "jtext/base64.h"
#include "jtext/jis_to_sjis.h"
#include "jtext/sjis_to_jis.h"
#include "transport/mime_strings.h"

namespace transport {
namespace {

std::string DecodeQ(std::string_view payload) {
  std::string out;
  for (std::size_t i = 0; i < payload.size(); ++i) {
    char c = payload[i];
    if (c == '_') {
      out += ' ';
    } else if (c == '=' && i + 2 < payload.size() && mime::IsHexDigit(payload[i + 1]) &&
               mime::IsHexDigit(payload[i + 2])) {
      out +=
          static_cast<char>(mime::HexValue(payload[i + 1]) * 16 + mime::HexValue(payload[i + 2]));
      i += 2;
    } else {
      out += c;  // a broken escape is kept as it is rather than failing the whole header
    }
  }
  return out;
}

// The next place of `needle` at or after a position that only grows from call to call: a
// search is repeated only once the position passes the last place found, so a text full of
// broken word starts costs linear time, not quadratic.
class NextPlace {
 public:
  NextPlace(std::string_view text, std::string_view needle, bool ignore_case)
      : text_(text), needle_(needle), ignore_case_(ignore_case) {}
  std::size_t From(std::size_t pos) {
    if (!known_ || (at_ != std::string_view::npos && at_ < pos)) {
      at_ = ignore_case_ ? mime::FindIgnoringCase(text_, needle_, pos) : text_.find(needle_, pos);
      known_ = true;
    }
    return at_;
  }

 private:
  std::string_view text_, needle_;
  bool ignore_case_;
  bool known_ = false;
  std::size_t at_ = 0;
};

}  // namespace

std::string DecodeHeaderText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  NextPlace iso(text, "=?ISO", true), windows(text, "=?WINDOWS", true);
  NextPlace question(text, "?", false), word_end(text, "?=", false);
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t start = iso.From(pos);
    if (start == std::string_view::npos) start = windows.From(pos);
    if (start == std::string_view::npos) break;
    std::size_t q1 = question.From(start + 2);
    std::size_t payload = q1 == std::string_view::npos ? q1 : q1 + 3;
    std::size_t end = payload == std::string_view::npos || payload > text.size()
                          ? std::string_view::npos
                          : word_end.From(payload);
    if (end == std::string_view::npos || text[q1 + 2] != '?') {
      // Not a complete word: keep its start as text and look further on.
      out.append(text.substr(pos, start + 2 - pos));
      pos = start + 2;
      continue;
    }
    out.append(text.substr(pos, start - pos));
    std::string_view charset = text.substr(start + 2, q1 - start - 2);
    char letter = mime::AsciiUpper(text[q1 + 1]);
    std::string_view data = text.substr(payload, end - payload);
    // Every place of a group counts, and the zero bytes that fill produces go at the end.
    std::string decoded =
        letter == 'Q'
            ? DecodeQ(data)
            : jtext::Base64Decode(data, {.keep_zero_bytes = true, .decode_short_group = true});
    if (mime::EqualsIgnoringCase(charset, "ISO-2022-JP"))
      decoded = jtext::StrictJisToSjis(
          decoded, {.drop_unknown_escapes = true, .pairs = jtext::PairCheck::kGeneral});
    out += decoded;
    pos = end + 2;
  }
  if (pos < text.size()) out.append(text.substr(pos));
  std::erase(out, '\0');
  return out;
}

std::string SjisToIso2022Jp(std::string_view text) {
  return jtext::SjisToJis(text, {.leave_with_ascii = true, .copy_stray_bytes = true});
}

}  // namespace transport
