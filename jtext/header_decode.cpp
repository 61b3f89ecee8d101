#include "jtext/header_decode.h"

#include <initializer_list>

#include "jtext/base64.h"
#include "jtext/convert.h"
#include "jtext/jis_to_sjis.h"
#include "jtext/utf8.h"

namespace jtext {
namespace {

constexpr std::string_view kJisBStart = "=?ISO-2022-JP?B?";
constexpr std::string_view kUtf8BStart = "=?UTF-8?B?";
constexpr std::string_view kJisQStartShort = "=?ISO-2022-JP?Q1B$B";
constexpr std::string_view kJisQStartLong = "=?ISO-2022-JP?Q?=1B$B";
constexpr std::string_view kJisQEndLong = "=1B(B?=";
constexpr std::string_view kJisQEndShort = "=1B(B";
constexpr std::string_view kGb2312BStart = "=?GB2312?B?";
constexpr std::string_view kWordEnd = "?=";

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// True when `upper_prefix` (upper case) begins at s[pos], comparing s upper-cased in the
// ASCII range. A prefix reaching past the end does not match.
bool StartsWithNoCase(std::string_view s, size_t pos, std::string_view upper_prefix) {
  if (pos > s.size() || s.size() - pos < upper_prefix.size()) return false;
  for (size_t k = 0; k < upper_prefix.size(); ++k) {
    if (UpperAscii(s[pos + k]) != upper_prefix[k]) return false;
  }
  return true;
}

bool StartsWithExact(std::string_view s, size_t pos, std::string_view prefix) {
  return pos <= s.size() && s.substr(pos).starts_with(prefix);
}

std::string UpperCopy(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = UpperAscii(c);
  return u;
}

bool ContainsNoCase(std::string_view s, std::string_view upper_needle) {
  return UpperCopy(s).find(upper_needle) != std::string::npos;
}

// End of the kept word starting at pos (past its "?=", or the end of the value), or 0
// when none of `keep` starts here.
size_t KeptWordEnd(std::string_view value, size_t pos,
                   std::initializer_list<std::string_view> keep) {
  for (std::string_view start : keep) {
    if (StartsWithNoCase(value, pos, start)) {
      const size_t end = value.find(kWordEnd, pos + start.size());
      return end == std::string_view::npos ? value.size() : end + kWordEnd.size();
    }
  }
  return 0;
}

// The B-word walk shared by the ISO-2022-JP and UTF-8 decoders. After a "?=" the byte
// that follows is handled within the same step, so a word that starts right after another
// word's end is still recognised.
// `keep` lists starts of words of other kinds that are copied whole, their "?=" included,
// so a later pass can still decode them; empty for the plain walk.
template <typename Inner>
std::string DecodeBWords(std::string_view value, std::string_view start, Inner inner,
                         std::initializer_list<std::string_view> keep = {}) {
  std::string out;
  if (value.empty()) return out;
  out.reserve(value.size());
  std::string payload;
  bool in_word = false;
  size_t pos = 0;
  while (pos < value.size()) {
    if (StartsWithNoCase(value, pos, start)) {
      in_word = true;
      pos += start.size();
      continue;
    }
    if (StartsWithExact(value, pos, kWordEnd)) {
      in_word = false;
      pos += kWordEnd.size();
    }
    const bool starts_here = StartsWithNoCase(value, pos, start);
    if (in_word) {
      if (pos < value.size()) payload.push_back(value[pos]);
    } else {
      if (!payload.empty()) {
        out += inner(Base64Decode(payload));
        payload.clear();
      }
      if (const size_t stop = KeptWordEnd(value, pos, keep); !starts_here && stop != 0) {
        out.append(value.substr(pos, stop - pos));
        pos = stop;
        continue;
      }
      if (pos < value.size() && !starts_here) out.push_back(value[pos]);
    }
    if (!starts_here) ++pos;
  }
  return out;  // a word still open here is dropped with its payload
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Replaces every "=?GB2312?B?" (any letter case) with the ISO-2022-JP B start.
std::string RelabelGb2312(std::string_view value) {
  std::string out;
  out.reserve(value.size() + 8);
  size_t pos = 0;
  while (pos < value.size()) {
    if (StartsWithNoCase(value, pos, kGb2312BStart)) {
      out += "=?iso-2022-jp?B?";
      pos += kGb2312BStart.size();
    } else {
      out.push_back(value[pos++]);
    }
  }
  return out;
}

}  // namespace

std::string RelabelShiftJis(std::string_view value) {
  constexpr std::string_view kLabel = "shift_jis";
  constexpr size_t kKeepAfter = 512;
  std::string lower(value);
  for (char& c : lower) c = LowerAscii(c);
  const size_t at = lower.find(kLabel);
  if (at == std::string::npos) return std::string(value);
  std::string out(value.substr(0, at));
  out += "ISO-2022-JP";
  out += value.substr(at + kLabel.size(), kKeepAfter);
  return out;
}

std::string DecodeJisBWords(std::string_view value) {
  return DecodeBWords(value, kJisBStart, [](const std::string& p) { return StrictJisToSjis(p); });
}

std::string DecodeUtf8BWords(std::string_view value) {
  return DecodeBWords(value, kUtf8BStart, [](const std::string& p) { return Utf8ToSjis(p); });
}

std::string DecodeJisQWords(std::string_view value) {
  std::string out;
  if (value.empty()) return out;
  out.reserve(value.size());
  std::string payload;
  bool in_word = false;
  size_t pos = 0;
  const size_t n = value.size();
  while (pos < n) {
    if (StartsWithNoCase(value, pos, kJisQStartShort)) {
      in_word = true;
      pos += kJisQStartShort.size();
      continue;
    }
    if (StartsWithNoCase(value, pos, kJisQStartLong)) {
      in_word = true;
      pos += kJisQStartLong.size();
      continue;
    }
    if (StartsWithExact(value, pos, kJisQEndLong)) {
      in_word = false;
      pos += kJisQEndLong.size();
    } else if (StartsWithExact(value, pos, kJisQEndShort)) {
      in_word = false;
      pos += kJisQEndShort.size();
    }
    if (in_word) {
      if (pos < n) {
        if (value[pos] == '=') {
          // "=XX" is one byte; anything else after "=" is kept as written.
          const int hi = pos + 1 < n ? HexValue(value[pos + 1]) : -1;
          const int lo = pos + 2 < n ? HexValue(value[pos + 2]) : -1;
          if (hi >= 0 && lo >= 0) {
            payload.push_back(static_cast<char>(hi << 4 | lo));
          } else {
            payload += value.substr(pos, 3);
          }
          pos += 2;
        } else {
          payload.push_back(value[pos]);
        }
      }
    } else {
      if (!payload.empty()) {
        // Pairs from the first byte; an odd last byte has no partner and is dropped.
        for (size_t k = 0; k + 1 < payload.size(); k += 2) {
          out += JisPairToSjis(static_cast<unsigned char>(payload[k]),
                               static_cast<unsigned char>(payload[k + 1]), PairCheck::kStrict);
        }
        payload.clear();
      }
      if (pos < n) out.push_back(value[pos]);
    }
    ++pos;
  }
  return out;
}

std::string DecodeHeaderValue(std::string_view value, std::string_view message_charset) {
  std::string v(value);
  const bool euc = message_charset == "EUC";
  bool decoded_b_words = false;
  if (ContainsNoCase(v, "=?ISO-2022-JP?B?")) {
    const auto jis = [](const std::string& p) { return StrictJisToSjis(p); };
    if (ContainsNoCase(v, "?ISO-2022-JP?Q")) {
      // A Q word ends the decoding right after this pass, so no word is kept for later.
      std::string plain = DecodeBWords(v, kJisBStart, jis);
      if (ContainsNoCase(plain, "?ISO-2022-JP?Q")) return DecodeJisQWords(plain);
    }
    // The words a later step decodes (GB2312 under the EUC charset, UTF-8 otherwise)
    // survive this pass whole; the plain walk would drop their "?=" and with it the whole
    // word. Words no later step decodes go through the plain walk like any other text.
    const std::string_view decoded_later = euc ? kGb2312BStart : kUtf8BStart;
    v = DecodeBWords(v, kJisBStart, jis, {decoded_later});
    decoded_b_words = true;
  }
  if (ContainsNoCase(v, "?ISO-2022-JP?Q")) return DecodeJisQWords(v);
  if (euc) {
    if (ContainsNoCase(v, "?GB2312?B?")) return DecodeJisBWords(RelabelGb2312(v));
    // Text already decoded into Shift_JIS above must not be read as EUC-JP again.
    return decoded_b_words ? v : EucToSjis(v);
  }
  if (ContainsNoCase(v, "=?UTF-8?B?")) return DecodeUtf8BWords(v);
  // Same reason: Shift_JIS decoded above with lead bytes 0xF0..0xFC (IBM extension kanji
  // common in names) looks like EUC-JP to detection. Raw JIS left in the value still goes.
  if (decoded_b_words && DetectCode(v) == kCodeEuc) return v;
  return ConvertCode(v, kCodeSjis);
}

}  // namespace jtext
