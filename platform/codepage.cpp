#include "platform/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <stdexcept>

namespace platform {
namespace {

// One iconv descriptor per direction and thread, opened on first use.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts `in`; on a character that cannot be converted (or cannot be read), appends
  // `replacement` and skips `skip_bad(in, pos)` input bytes.
  template <typename SkipBad>
  std::string Run(std::string_view in, std::string_view replacement, SkipBad skip_bad) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    out.resize(in.size() * 2 + 16);
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    size_t written = 0;
    while (src_left > 0) {
      char* dst = out.data() + written;
      size_t dst_left = out.size() - written;
      size_t rc = iconv(cd_, &src, &src_left, &dst, &dst_left);
      written = out.size() - dst_left;
      if (rc != static_cast<size_t>(-1)) break;
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
        continue;
      }
      // EILSEQ or EINVAL: one unconvertible or cut-off character.
      out.resize(written);
      out.append(replacement);
      written = out.size();
      out.resize(written + src_left * 2 + 16);
      size_t pos = static_cast<size_t>(src - in.data());
      size_t n = skip_bad(in, pos);
      src += n;
      src_left -= n;
    }
    out.resize(written);
    return out;
  }

 private:
  iconv_t cd_;
};

// Length of the UTF-8 sequence starting at pos (at least 1, never past the end).
size_t Utf8SequenceLength(std::string_view s, size_t pos) {
  unsigned char b = static_cast<unsigned char>(s[pos]);
  size_t len = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 1;
  size_t n = 1;
  while (n < len && pos + n < s.size() &&
         (static_cast<unsigned char>(s[pos + n]) & 0xC0) == 0x80) {
    ++n;
  }
  return n;
}

size_t SjisSequenceLength(std::string_view s, size_t pos) {
  unsigned char b = static_cast<unsigned char>(s[pos]);
  return (IsSjisLeadByte(b) && pos + 1 < s.size()) ? 2 : 1;
}

// A surrogate pair is one character and earns one "?"; a lone surrogate is one unit.
size_t Utf16UnitLength(std::string_view s, size_t pos) {
  auto unit = [&](size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(s[at])) |
           (static_cast<unsigned>(static_cast<unsigned char>(s[at + 1])) << 8);
  };
  if (pos + 4 <= s.size() && unit(pos) >= 0xD800 && unit(pos) < 0xDC00 &&
      unit(pos + 2) >= 0xDC00 && unit(pos + 2) < 0xE000) {
    return 4;
  }
  return pos + 2 <= s.size() ? 2 : s.size() - pos;
}

}  // namespace

std::string Cp932FromUtf8(std::string_view utf8) {
  thread_local Converter conv("CP932", "UTF-8");
  return conv.Run(utf8, "?", Utf8SequenceLength);
}

std::string Cp932ToUtf8(std::string_view sjis) {
  thread_local Converter conv("UTF-8", "CP932");
  return conv.Run(sjis, "\xEF\xBF\xBD", SjisSequenceLength);
}

std::string Cp932FromUtf16(std::u16string_view utf16) {
  thread_local Converter conv("CP932", "UTF-16LE");
  std::string_view bytes(reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2);
  return conv.Run(bytes, "?", Utf16UnitLength);
}

std::u16string Cp932ToUtf16(std::string_view sjis) {
  thread_local Converter conv("UTF-16LE", "CP932");
  std::string bytes = conv.Run(sjis, std::string_view("\xFD\xFF", 2), SjisSequenceLength);
  std::u16string out(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return out;
}

bool IsWellFormedUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    std::size_t n = 0;
    std::uint32_t cp = 0;
    if (b < 0x80) {
      ++i;
      continue;
    } else if (b >= 0xC2 && b <= 0xDF) {
      n = 1, cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      n = 2, cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      n = 3, cp = b & 0x07;
    } else {
      return false;
    }
    if (i + n >= text.size()) return false;
    for (std::size_t k = 1; k <= n; ++k) {
      const auto c = static_cast<unsigned char>(text[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
    static constexpr std::uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return false;
    i += n + 1;
  }
  return true;
}

std::string ErrorTextToSjis(std::string_view what) {
  return IsWellFormedUtf8(what) ? Cp932FromUtf8(what) : std::string(what);
}

std::string ErrorTextToUtf8(std::string_view what) {
  return IsWellFormedUtf8(what) ? std::string(what) : Cp932ToUtf8(what);
}

}  // namespace platform
