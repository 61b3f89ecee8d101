#include "jtext/utf8.h"

#include <array>
#include <mutex>

#include "platform/codepage.h"

namespace jtext {
namespace {

// Code page 932 form of every Basic Multilingual Plane character, taken from the platform
// converter a block of 256 characters at a time on first use (a header needs only a few
// blocks): a double-byte code as lead << 8 | trail, a single byte as itself.
constexpr char32_t kBlock = 256;

class CodeTable {
 public:
  unsigned Code(char32_t u) {
    const size_t block = u / kBlock;
    std::call_once(filled_[block], [this, block] { Fill(static_cast<char32_t>(block * kBlock)); });
    return codes_[u];
  }

 private:
  static bool IsSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDFFF; }

  void Fill(char32_t first) {
    if (IsSurrogate(first)) {
      for (char32_t u = first; u < first + kBlock; ++u) codes_[u] = '?';
      return;
    }
    if (!Convert(first, kBlock)) {
      for (char32_t u = first; u < first + kBlock; ++u) Convert(u, 1);
    }
  }

  // Fills entries [first, first + count) from one converter call. Every character converts
  // to exactly one code page 932 character ("?" when unmappable), so the result splits back
  // into one code per input character; returns false when it does not.
  bool Convert(char32_t first, char32_t count) {
    std::u16string block;
    for (char32_t u = first; u < first + count; ++u) block.push_back(static_cast<char16_t>(u));
    const std::string sjis = platform::Cp932FromUtf16(block);
    size_t k = 0;
    for (char32_t u = first; u < first + count; ++u) {
      if (k >= sjis.size()) return false;
      const auto lead = static_cast<unsigned char>(sjis[k]);
      if (platform::IsSjisLeadByte(lead) && k + 1 < sjis.size()) {
        codes_[u] =
            static_cast<unsigned short>(lead << 8 | static_cast<unsigned char>(sjis[k + 1]));
        k += 2;
      } else {
        codes_[u] = lead;
        k += 1;
      }
    }
    return k == sjis.size();
  }

  std::array<std::once_flag, 0x10000 / kBlock> filled_;
  std::array<unsigned short, 0x10000> codes_{};
};

CodeTable& Table() {
  static CodeTable table;
  return table;
}

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

std::string Utf8ToSjis(std::string_view utf8) {
  CodeTable& table = Table();
  const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
  const unsigned char* const end = s + utf8.size();
  // Every character becomes at most as many bytes as its UTF-8 form.
  std::string out(utf8.size(), '\0');
  auto* o = reinterpret_cast<unsigned char*>(out.data());
  unsigned char* const base = o;
  while (s < end) {
    const unsigned c = *s;
    char32_t u;
    if (c < 0x80) {
      *o++ = static_cast<unsigned char>(c);  // ASCII is the same in code page 932
      s += 1;
      continue;
    }
    if (c >= 0xC0 && c < 0xE0) {
      if (end - s < 2 || !IsContinuation(s[1])) return {};
      u = ((c & 0x1F) << 6) | (s[1] & 0x3F);
      s += 2;
    } else if (c >= 0xE0 && c < 0xF0) {
      if (end - s < 3 || !IsContinuation(s[1]) || !IsContinuation(s[2])) return {};
      u = ((c & 0x0F) << 12) | ((s[1] & 0x3F) << 6) | (s[2] & 0x3F);
      s += 3;
    } else if (c >= 0xF0 && c < 0xF8) {
      // Outside the Basic Multilingual Plane: code page 932 has no such character.
      if (end - s < 4 || !IsContinuation(s[1]) || !IsContinuation(s[2]) || !IsContinuation(s[3])) {
        return {};
      }
      *o++ = '?';
      s += 4;
      continue;
    } else {
      return {};  // a stray continuation byte or a byte no UTF-8 sequence starts with
    }
    const unsigned code = table.Code(u);
    if (code > 0xFF) *o++ = static_cast<unsigned char>(code >> 8);
    *o++ = static_cast<unsigned char>(code & 0xFF);
  }
  out.resize(static_cast<size_t>(o - base));
  return out;
}

}  // namespace jtext
