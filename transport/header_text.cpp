// Encoded-word decoding and encoding of header text.
#include "transport/header_text.h"

#include <cstdlib>
#include <cstring>

#include "platform/codepage.h"
#include "transport/mime_base64.h"
#include "transport/mime_strings.h"

namespace transport {
namespace {

// One ISO-2022-JP pair to Shift_JIS, as the reader's own conversion does it.
void AppendJisPairAsSjis(unsigned char j1, unsigned char j2, std::string& out) {
  unsigned char s1 = static_cast<unsigned char>(((j1 - 1) / 2) + (j1 <= 94 ? 113 : 177));
  unsigned char s2;
  if (j1 % 2 == 0) {
    s2 = static_cast<unsigned char>(j2 + 126);
  } else {
    s2 = static_cast<unsigned char>(j2 >= 96 ? j2 + 32 : j2 + 31);
  }
  out += static_cast<char>(s1);
  out += static_cast<char>(s2);
}

std::string JisWordToSjis(std::string_view bytes) {
  std::string out;
  bool double_byte = false;
  for (std::size_t i = 0; i < bytes.size();) {
    if (bytes[i] == '\x1b') {
      if (bytes.substr(i, 3) == "\x1b$B") {
        double_byte = true;
      } else if (bytes.substr(i, 3) == "\x1b(B" || bytes.substr(i, 3) == "\x1b(J") {
        // ESC ( J (JIS Roman) is single-byte too, and is what many Japanese mailers, our
        // own writer among them, put after a kanji run; staying in double-byte mode would
        // pair the ASCII and padding bytes that follow into garbage characters.
        double_byte = false;
      }
      i += 3;
    } else if (double_byte) {
      if (i + 1 < bytes.size()) {
        AppendJisPairAsSjis(static_cast<unsigned char>(bytes[i]),
                            static_cast<unsigned char>(bytes[i + 1]), out);
      }
      i += 2;
    } else {
      out += bytes[i++];
    }
  }
  return out;
}

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

}  // namespace

HeaderCharsetSetting HeaderCharsetForLocale() {
  const char* locale = nullptr;
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* v = std::getenv(name);
    if (v != nullptr && *v != '\0') {
      locale = v;
      break;
    }
  }
  std::string_view l = locale == nullptr ? "" : locale;
  HeaderCharsetSetting s;
  if (l.empty() || l == "C" || l == "POSIX" || l.starts_with("C.") || l.starts_with("ja")) {
    return s;
  }
  s.convert_from_sjis = false;
  if (l.starts_with("zh_CN") || l.starts_with("zh_SG")) {
    s.charset = "GB2312";
  } else if (l.starts_with("zh")) {
    s.charset = "Big5";
  } else if (l.starts_with("ko")) {
    s.charset = "EUC-KR";
  } else {
    s.charset = "ISO-8859-1";
    s.encoding = 'Q';
  }
  return s;
}

std::string DecodeHeaderText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t start = mime::FindIgnoringCase(text, "=?ISO", pos);
    if (start == std::string_view::npos) start = mime::FindIgnoringCase(text, "=?WINDOWS", pos);
    if (start == std::string_view::npos) break;
    std::size_t q1 = text.find('?', start + 2);
    std::size_t payload = q1 == std::string_view::npos ? q1 : q1 + 3;
    std::size_t end = payload == std::string_view::npos || payload > text.size()
                          ? std::string_view::npos
                          : text.find("?=", payload);
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
    std::string decoded = letter == 'Q' ? DecodeQ(data) : Base64DecodeLoose(data);
    if (mime::EqualsIgnoringCase(charset, "ISO-2022-JP")) decoded = JisWordToSjis(decoded);
    out += decoded;
    pos = end + 2;
  }
  if (pos < text.size()) out.append(text.substr(pos));
  std::erase(out, '\0');
  return out;
}

namespace {

// JIS X 0208 codes of the half-width katakana 0xA1 to 0xDF.
constexpr unsigned short kHalfKana[63] = {
    0x2123, 0x2156, 0x2157, 0x2122, 0x2126, 0x2572, 0x2521, 0x2523, 0x2525, 0x2527, 0x2529,
    0x2563, 0x2565, 0x2567, 0x2543, 0x213C, 0x2522, 0x2524, 0x2526, 0x2528, 0x252A, 0x252B,
    0x252D, 0x252F, 0x2531, 0x2533, 0x2535, 0x2537, 0x2539, 0x253B, 0x253D, 0x253F, 0x2541,
    0x2544, 0x2546, 0x2548, 0x254A, 0x254B, 0x254C, 0x254D, 0x254E, 0x254F, 0x2552, 0x2555,
    0x2558, 0x255B, 0x255E, 0x255F, 0x2560, 0x2561, 0x2562, 0x2564, 0x2566, 0x2568, 0x2569,
    0x256A, 0x256B, 0x256C, 0x256D, 0x256F, 0x2573, 0x212B, 0x212C};

}  // namespace

std::string SjisToIso2022Jp(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  bool kanji = false;
  auto enter = [&] {
    if (!kanji) out += "\x1b$B";
    kanji = true;
  };
  auto leave = [&] {
    if (kanji) out += "\x1b(B";
    kanji = false;
  };
  for (std::size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (platform::IsSjisLeadByte(c) && i + 1 < text.size()) {
      unsigned char c2 = static_cast<unsigned char>(text[i + 1]);
      int s1 = c >= 0xE0 ? c - 0x40 : c;
      int j1 = (s1 - 0x81) * 2 + 0x21;
      int j2;
      if (c2 >= 0x9F) {
        ++j1;
        j2 = c2 - 0x7E;
      } else {
        j2 = c2 - 0x1F - (c2 >= 0x80 ? 1 : 0);
      }
      enter();
      out += static_cast<char>(j1);
      out += static_cast<char>(j2);
      i += 2;
    } else if (c >= 0xA1 && c <= 0xDF) {
      unsigned short code = kHalfKana[c - 0xA1];
      unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
      std::size_t used = 1;
      if (next == 0xDE && c == 0xB3) {
        code = 0x2574;
        used = 2;
      } else if (next == 0xDE && ((c >= 0xB6 && c <= 0xC4) || (c >= 0xCA && c <= 0xCE))) {
        code += 1;
        used = 2;
      } else if (next == 0xDF && c >= 0xCA && c <= 0xCE) {
        code += 2;
        used = 2;
      }
      enter();
      out += static_cast<char>(code >> 8);
      out += static_cast<char>(code & 0xFF);
      i += used;
    } else {
      leave();
      out += static_cast<char>(c);
      ++i;
    }
  }
  leave();
  return out;
}

namespace {

bool IsWordSeparator(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool NeedsEncoding(unsigned char c, std::string_view specials) {
  return c < 32 || c >= 127 || specials.find(static_cast<char>(c)) != std::string_view::npos;
}

void EncodeRunB(std::string_view run, const std::string& prefix, std::string& out) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const std::size_t empty_len = prefix.size() + 2;
  std::size_t len = empty_len;
  out += prefix;
  for (std::size_t i = 0; i < run.size(); i += 3) {
    if (len + 4 > 75) {
      out += "?=\r\n\t";
      out += prefix;
      len = empty_len;
    }
    unsigned b0 = static_cast<unsigned char>(run[i]);
    unsigned b1 = i + 1 < run.size() ? static_cast<unsigned char>(run[i + 1]) : 0;
    unsigned b2 = i + 2 < run.size() ? static_cast<unsigned char>(run[i + 2]) : 0;
    out += kAlphabet[b0 >> 2];
    out += kAlphabet[((b0 & 3) << 4) | (b1 >> 4)];
    out += i + 1 < run.size() ? kAlphabet[((b1 & 15) << 2) | (b2 >> 6)] : '=';
    out += i + 2 < run.size() ? kAlphabet[b2 & 63] : '=';
    len += 4;
  }
  out += "?=";
}

void EncodeRunQ(std::string_view run, std::string_view specials, const std::string& prefix,
                std::string& out) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const std::size_t empty_len = prefix.size() + 2;
  std::size_t len = empty_len;
  out += prefix;
  for (char ch : run) {
    unsigned char c = static_cast<unsigned char>(ch);
    std::string item;
    if (c == ' ') {
      item = "_";
    } else if (!NeedsEncoding(c, specials) && c != '?' && c != '=' && c != '_') {
      item = std::string(1, ch);
    } else {
      item = {'=', kHex[c >> 4], kHex[c & 15]};
    }
    if (len + item.size() > 75) {
      out += "?=\r\n\t";
      out += prefix;
      len = empty_len;
    }
    out += item;
    len += item.size();
  }
  out += "?=";
}

}  // namespace

std::string EncodeHeaderText(std::string_view input, std::string_view specials,
                             const HeaderCharsetSetting& setting) {
  std::string converted;
  std::string_view text = input;
  if (setting.convert_from_sjis) {
    converted = SjisToIso2022Jp(input);
    text = converted;
  }
  auto word_needs = [&](std::string_view word) {
    for (char c : word) {
      if (NeedsEncoding(static_cast<unsigned char>(c), specials)) return true;
    }
    return false;
  };
  // Splits off the next word: [ws_start, word_start) is whitespace, [word_start, word_end) the
  // word.
  auto next_word = [&](std::size_t from, std::size_t& word_start, std::size_t& word_end) {
    word_start = from;
    while (word_start < text.size() && IsWordSeparator(text[word_start])) ++word_start;
    word_end = word_start;
    while (word_end < text.size() && !IsWordSeparator(text[word_end])) ++word_end;
  };
  const std::string prefix = "=?" + setting.charset + "?" + setting.encoding + "?";
  std::string out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t ws, we;
    next_word(pos, ws, we);
    if (ws == we || !word_needs(text.substr(ws, we - ws))) {
      out.append(text.substr(pos, we - pos));
      pos = we;
      continue;
    }
    out.append(text.substr(pos, ws - pos));
    std::size_t run_end = we;
    while (true) {
      std::size_t ns, ne;
      next_word(run_end, ns, ne);
      if (ns == ne || !word_needs(text.substr(ns, ne - ns))) break;
      run_end = ne;
    }
    std::string_view run = text.substr(ws, run_end - ws);
    if (setting.encoding == 'Q') {
      EncodeRunQ(run, specials, prefix, out);
    } else {
      EncodeRunB(run, prefix, out);
    }
    pos = run_end;
  }
  return out;
}

}  // namespace transport
