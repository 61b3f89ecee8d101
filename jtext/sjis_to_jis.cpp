#include "jtext/sjis_to_jis.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "jtext/out_buffer.h"
#include "jtext/pair_math.h"

namespace jtext {
namespace detail {
namespace {

// Full-width JIS X 0208 code of each half-width katakana 0xA1..0xDF.
constexpr unsigned short kHalfKana[63] = {
    0x2123, 0x2156, 0x2157, 0x2122, 0x2126, 0x2572, 0x2521, 0x2523,  // A1..A8
    0x2525, 0x2527, 0x2529, 0x2563, 0x2565, 0x2567, 0x2543, 0x213C,  // A9..B0
    0x2522, 0x2524, 0x2526, 0x2528, 0x252A, 0x252B, 0x252D, 0x252F,  // B1..B8
    0x2531, 0x2533, 0x2535, 0x2537, 0x2539, 0x253B, 0x253D, 0x253F,  // B9..C0
    0x2541, 0x2544, 0x2546, 0x2548, 0x254A, 0x254B, 0x254C, 0x254D,  // C1..C8
    0x254E, 0x254F, 0x2552, 0x2555, 0x2558, 0x255B, 0x255E, 0x255F,  // C9..D0
    0x2560, 0x2561, 0x2562, 0x2564, 0x2566, 0x2568, 0x2569, 0x256A,  // D1..D8
    0x256B, 0x256C, 0x256D, 0x256F, 0x2573, 0x212B, 0x212C,          // D9..DF
};

constexpr int kVoiced = 0xDE;
constexpr int kSemiVoiced = 0xDF;

}  // namespace

bool HalfKana(unsigned kana, int mark, unsigned char* out) {
  unsigned code = kHalfKana[kana - 0xA1];
  bool merged = false;
  if (kana == 0xB3 && mark == kVoiced) {
    code = 0x2574;  // ｳﾞ -> ヴ
    merged = true;
  } else if (kana >= 0xB6 && kana <= 0xC4 && mark == kVoiced) {
    code += 1;
    merged = true;
  } else if (kana >= 0xCA && kana <= 0xCE && (mark == kVoiced || mark == kSemiVoiced)) {
    code += mark == kVoiced ? 1 : 2;
    merged = true;
  }
  out[0] = static_cast<unsigned char>(code >> 8);
  out[1] = static_cast<unsigned char>(code & 0xFF);
  return merged;
}

}  // namespace detail

namespace {

using detail::kEsc;

constexpr unsigned char kEnterKanji[3] = {kEsc, '$', 'B'};
constexpr unsigned char kLeaveKanji[3] = {kEsc, '(', 'J'};
constexpr unsigned char kLeaveKanjiAscii[3] = {kEsc, '(', 'B'};

// How a converter reads one double-byte step starting at a byte >= 0x80: writes two JIS
// bytes and returns the number of input bytes used, or 0 when the character is cut off.
struct SjisStep {
  // A byte that starts no character: neither a lead byte with its trail nor half-width
  // katakana.
  static bool Stray(const unsigned char* s, const unsigned char* end) {
    const unsigned c = s[0];
    if (detail::IsHalfKana(c)) return false;
    const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    return !lead || end - s < 2;
  }
  size_t operator()(const unsigned char* s, const unsigned char* end, unsigned char* o) const {
    if (detail::IsHalfKana(s[0])) {
      int mark = end - s >= 2 ? s[1] : -1;
      return detail::HalfKana(s[0], mark, o) ? 2 : 1;
    }
    if (end - s < 2) return 0;
    detail::SjisPair(s[0], s[1], o);
    return 2;
  }
};

struct EucStep {
  static bool Stray(const unsigned char*, const unsigned char*) { return false; }
  size_t operator()(const unsigned char* s, const unsigned char* end, unsigned char* o) const {
    if (end - s < 2) return 0;
    if (s[0] == 0x8E && detail::IsHalfKana(s[1])) {
      // A following mark is itself a single-shift pair 0x8E 0xDE or 0x8E 0xDF.
      int mark = (end - s >= 4 && s[2] == 0x8E) ? s[3] : -1;
      return detail::HalfKana(s[1], mark, o) ? 4 : 2;
    }
    o[0] = s[0] & 0x7F;
    o[1] = s[1] & 0x7F;
    return 2;
  }
};

// Length of the run of 7-bit bytes at s, eight bytes at a time where possible.
size_t AsciiRun(const unsigned char* s, const unsigned char* end) {
  const unsigned char* p = s;
  while (end - p >= 8) {
    uint64_t word;
    std::memcpy(&word, p, 8);
    if (word & 0x8080808080808080ull) break;
    p += 8;
  }
  while (p < end && *p < 0x80) ++p;
  return static_cast<size_t>(p - s);
}

// One pass shared by SjisToJis and EucToJis: 7-bit bytes are copied outside kanji mode
// (CR and LF included, so every line ends outside it), 8-bit characters are written as
// JIS pairs inside it, and runs are closed with ESC ( J.
template <typename Step>
std::string ToJis(std::string_view text, Step step, ToJisOptions options = {}) {
  constexpr size_t kChunk = 4096;  // characters converted per check for output room
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned char* const end = s + text.size();
  detail::OutBuffer out(text.size() + text.size() / 4 + 16);
  const unsigned char* leave = options.leave_with_ascii ? kLeaveKanjiAscii : kLeaveKanji;
  bool kanji = false;
  while (s < end) {
    const bool stray = *s >= 0x80 && options.copy_stray_bytes && Step::Stray(s, end);
    if (*s < 0x80 || stray) {
      const size_t run = stray ? 1 : AsciiRun(s, end);
      unsigned char* o = out.Room(run + 3);
      if (kanji) {
        std::memcpy(o, leave, 3);
        o += 3;
        kanji = false;
      }
      std::memcpy(o, s, run);
      out.SetEnd(o + run);
      s += run;
      continue;
    }
    if (!kanji) {
      out.Append(kEnterKanji, sizeof kEnterKanji);
      kanji = true;
    }
    // The run of 8-bit characters, in chunks so the room check is not paid per character.
    // Each step reads at least one byte and writes two.
    while (s < end && *s >= 0x80) {
      const size_t steps = std::min(kChunk, static_cast<size_t>(end - s));
      unsigned char* o = out.Room(2 * steps);
      unsigned char* const stop = o + 2 * steps;
      while (o < stop && s < end && *s >= 0x80) {
        if (options.copy_stray_bytes && Step::Stray(s, end)) break;
        const size_t used = step(s, end, o);
        if (used == 0) {  // a lead byte cut off by the end of the text is dropped
          s = end;
          break;
        }
        o += 2;
        s += used;
      }
      out.SetEnd(o);
      if (s < end && options.copy_stray_bytes && Step::Stray(s, end)) break;
    }
  }
  if (kanji) out.Append(leave, 3);
  return out.Take();
}

}  // namespace

std::string SjisPairToJis(unsigned char lead, unsigned char trail) {
  unsigned char out[2];
  detail::SjisPair(lead, trail, out);
  return std::string(reinterpret_cast<const char*>(out), 2);
}

std::string HalfKanaToJis(std::string_view text, size_t& pos) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  if (pos >= text.size() || !detail::IsHalfKana(s[pos])) {
    ++pos;  // not half-width katakana: nothing to convert
    return {};
  }
  int mark = pos + 1 < text.size() ? s[pos + 1] : -1;
  unsigned char out[2];
  pos += detail::HalfKana(s[pos], mark, out) ? 2 : 1;
  return std::string(reinterpret_cast<const char*>(out), 2);
}

std::string SjisToJis(std::string_view sjis, ToJisOptions options) {
  return ToJis(sjis, SjisStep{}, options);
}

std::string EucToJis(std::string_view euc) { return ToJis(euc, EucStep{}); }

}  // namespace jtext
