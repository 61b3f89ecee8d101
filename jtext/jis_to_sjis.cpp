#include "jtext/jis_to_sjis.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "jtext/pair_math.h"

namespace jtext {
namespace {

using detail::kEsc;

const unsigned char* Bytes(std::string_view s) {
  return reinterpret_cast<const unsigned char*>(s.data());
}

// Every decoder here writes at most one byte per byte read, so the output is sized once.
class Writer {
 public:
  explicit Writer(size_t bound) : out_(bound, '\0'), p_(Base()) {}
  unsigned char* p() { return p_; }
  void set_p(unsigned char* p) { p_ = p; }
  std::string Take() {
    out_.resize(static_cast<size_t>(p_ - Base()));
    return std::move(out_);
  }

 private:
  unsigned char* Base() { return reinterpret_cast<unsigned char*>(out_.data()); }
  std::string out_;
  unsigned char* p_;
};

}  // namespace

std::string JisPairToSjis(unsigned char c1, unsigned char c2, PairCheck check) {
  if (check == PairCheck::kStrict && (c1 < 0x21 || c1 > 0x7E)) return {};
  unsigned char out[2];
  detail::JisPair(c1, c2, out);
  return std::string(reinterpret_cast<const char*>(out), 2);
}

std::string JisToSjis(std::string_view jis) {
  const unsigned char* s = Bytes(jis);
  const unsigned char* const end = s + jis.size();
  Writer w(jis.size());
  unsigned char* o = w.p();
  bool kanji = false;
  while (s < end) {
    if (*s == kEsc) {
      // A sequence cut off by the end of the text ends the conversion.
      if (end - s < 3) break;
      if (s[1] == '$') kanji = true;
      if (s[1] == '(') kanji = false;
      s += 3;
      continue;
    }
    if (kanji) {
      // Pairs until the next escape; a byte without its partner at the end is dropped.
      while (end - s >= 2 && *s != kEsc) {
        detail::JisPair(s[0], s[1], o);
        o += 2;
        s += 2;
      }
      if (end - s == 1 && *s != kEsc) break;
    } else {
      const void* esc = std::memchr(s, kEsc, static_cast<size_t>(end - s));
      const unsigned char* stop = esc ? static_cast<const unsigned char*>(esc) : end;
      std::memcpy(o, s, static_cast<size_t>(stop - s));
      o += stop - s;
      s = stop;
    }
  }
  w.set_p(o);
  return w.Take();
}

std::string EucToSjis(std::string_view euc) {
  const unsigned char* s = Bytes(euc);
  const unsigned char* const end = s + euc.size();
  Writer w(euc.size());
  unsigned char* o = w.p();
  while (s < end) {
    const unsigned c = *s;
    if (c <= 0x80 || c == 0xFF) {
      *o++ = static_cast<unsigned char>(c);
      ++s;
      continue;
    }
    if (end - s < 2) break;  // a double-byte character cut off by the end is dropped
    if (c == 0x8E) {
      *o++ = s[1];  // half-width katakana keep their single-byte code
    } else {
      detail::JisPair(c & 0x7F, s[1] & 0x7F, o);
      o += 2;
    }
    s += 2;
  }
  w.set_p(o);
  return w.Take();
}

std::string StrictJisToSjis(std::string_view jis, WordJisOptions options) {
  const unsigned char* s = Bytes(jis);
  const unsigned char* const end = s + jis.size();
  Writer w(jis.size());
  unsigned char* o = w.p();
  bool kanji = false;
  while (s < end) {
    if (*s == kEsc && end - s >= 3) {
      if (s[1] == '$' && s[2] == 'B') {
        kanji = true;
        s += 3;
        continue;
      }
      if (s[1] == '(' && (s[2] == 'B' || s[2] == 'J')) {
        kanji = false;
        s += 3;
        continue;
      }
    }
    if (*s == kEsc && options.drop_unknown_escapes) {
      s += std::min<std::ptrdiff_t>(3, end - s);
      continue;
    }
    if (kanji) {
      if (end - s < 2) break;  // a single byte left at the end is dropped
      if (options.pairs == PairCheck::kGeneral || (s[0] >= 0x21 && s[0] <= 0x7E)) {
        detail::JisPair(s[0], s[1], o);
        o += 2;
      }
      s += 2;
    } else {
      *o++ = *s++;
    }
  }
  w.set_p(o);
  return w.Take();
}

}  // namespace jtext
