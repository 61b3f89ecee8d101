// RFC 2231 parameter values.
#include "transport/mime_params.h"

#include <charconv>
#include <map>

#include "jtext/jis_to_sjis.h"
#include "jtext/utf8.h"
#include "transport/mime_strings.h"

namespace transport {
namespace {

struct Piece {
  bool encoded = false;  // "name*N*=": percent-encoded
  std::string text;
};

std::string PercentDecoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && mime::IsHexDigit(text[i + 1]) &&
        mime::IsHexDigit(text[i + 2])) {
      out += static_cast<char>(mime::HexValue(text[i + 1]) * 16 + mime::HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string ToSjis(std::string bytes, std::string_view charset) {
  if (mime::EqualsIgnoringCase(charset, "UTF-8")) {
    std::string sjis = jtext::Utf8ToSjis(bytes);
    return sjis.empty() ? bytes : sjis;  // malformed UTF-8 keeps its bytes rather than no name
  }
  if (mime::EqualsIgnoringCase(charset, "ISO-2022-JP")) return jtext::JisToSjis(bytes);
  if (mime::EqualsIgnoringCase(charset, "EUC-JP")) return jtext::EucToSjis(bytes);
  return bytes;
}

}  // namespace

std::optional<std::string> ExtendedParameter(std::string_view value, std::string_view name) {
  std::map<int, Piece> pieces;
  std::size_t pos = value.find(';');
  while (pos != std::string_view::npos && pos < value.size()) {
    // One parameter: from after the ";" to the next ";" outside quotes.
    std::size_t start = pos + 1;
    std::size_t end = start;
    bool quoted = false;
    for (; end < value.size() && (quoted || value[end] != ';'); ++end) {
      if (value[end] == '"') quoted = !quoted;
    }
    std::string_view param = mime::Trim(value.substr(start, end - start));
    pos = end < value.size() ? end : std::string_view::npos;
    std::size_t eq = param.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view key = mime::Trim(param.substr(0, eq));
    std::string_view text = mime::Trim(param.substr(eq + 1));
    if (key.size() <= name.size() || !mime::StartsWithIgnoringCase(key, name) ||
        key[name.size()] != '*') {
      continue;
    }
    key.remove_prefix(name.size() + 1);
    Piece piece;
    int number = 0;
    if (key.empty()) {
      piece.encoded = true;  // "name*=": one encoded piece
    } else {
      piece.encoded = key.back() == '*';
      if (piece.encoded) key.remove_suffix(1);
      auto [end_num, ec] = std::from_chars(key.data(), key.data() + key.size(), number);
      if (ec != std::errc() || end_num != key.data() + key.size() || number < 0) continue;
    }
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
      text = text.substr(1, text.size() - 2);
    }
    piece.text = std::string(text);
    pieces.emplace(number, std::move(piece));
  }
  if (pieces.empty() || pieces.begin()->first != 0) return std::nullopt;
  std::string charset;
  std::string bytes;
  int expected = 0;
  for (auto& [number, piece] : pieces) {
    if (number != expected++) break;  // a missing piece ends the value
    std::string_view text = piece.text;
    if (number == 0 && piece.encoded) {
      // charset'language'value
      std::size_t q1 = text.find('\'');
      std::size_t q2 = q1 == std::string_view::npos ? q1 : text.find('\'', q1 + 1);
      if (q2 != std::string_view::npos) {
        charset = std::string(text.substr(0, q1));
        text.remove_prefix(q2 + 1);
      }
    }
    bytes += piece.encoded ? PercentDecoded(text) : std::string(text);
  }
  return ToSjis(std::move(bytes), charset);
}

}  // namespace transport
