#include "jtext/header_encode.h"

#include "jtext/base64.h"
#include "jtext/pair_math.h"
#include "jtext/sjis_to_jis.h"
#include "platform/codepage.h"

namespace jtext {
namespace {

constexpr std::string_view kWordStart = "=?ISO-2022-JP?B?";
constexpr std::string_view kWordEnd = "?=";

bool IsLead(char c) { return platform::IsSjisLeadByte(static_cast<unsigned char>(c)); }

void AppendWord(std::string& out, std::string_view iso2022jp) {
  out += kWordStart;
  out += Base64Encode(iso2022jp);
  out += kWordEnd;
}

}  // namespace

std::string EncodeHeaderWords(std::string_view sjis) {
  std::string out;
  out.reserve(sjis.size() * 2 + 32);
  std::string single;  // pending single-byte part
  std::string run;     // pending run of double-byte characters
  bool last_double = false;
  size_t pos = 0;
  while (pos < sjis.size()) {
    if (IsLead(sjis[pos])) {
      if (!last_double && !single.empty()) {
        out += single;
        single.clear();
      }
      run.append(sjis.substr(pos, 2));  // a lead byte cut off by the end: SjisToJis drops it
      last_double = true;
      pos += 2;
    } else {
      if (last_double && !run.empty()) {
        AppendWord(out, SjisToJis(run));
        run.clear();
      }
      single.push_back(sjis[pos]);
      last_double = false;
      pos += 1;
    }
  }
  if (last_double) {
    if (!run.empty()) AppendWord(out, SjisToJis(run));
  } else {
    out += single;
  }
  return out;
}

std::string EncodeWholeWord(std::string_view sjis) {
  if (sjis.empty()) return {};
  bool any_lead = false;
  for (char c : sjis) any_lead = any_lead || IsLead(c);
  if (!any_lead) return std::string(sjis);

  std::string jis;
  jis.reserve(sjis.size() * 2 + 8);
  bool kanji = false;
  size_t pos = 0;
  while (pos < sjis.size()) {
    if (IsLead(sjis[pos])) {
      if (!kanji) {
        jis += "\x1B$B";
        kanji = true;
      }
      if (pos + 1 >= sjis.size()) break;  // a lead byte cut off by the end is dropped
      unsigned char pair[2];
      detail::SjisPair(static_cast<unsigned char>(sjis[pos]),
                       static_cast<unsigned char>(sjis[pos + 1]), pair);
      jis.append(reinterpret_cast<const char*>(pair), 2);
      pos += 2;
    } else {
      if (kanji) {
        jis += "\x1B(B";
        kanji = false;
      }
      jis.push_back(sjis[pos]);  // half-width katakana are copied as they are
      pos += 1;
    }
  }
  if (kanji) jis += "\x1B(B";
  std::string out;
  AppendWord(out, jis);
  return out;
}

}  // namespace jtext
