#include "jtext/base64.h"

#include <array>

namespace jtext {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Value of every byte; 64 for everything outside the alphabet ("=" and white space too).
constexpr std::array<unsigned char, 256> MakeValues() {
  std::array<unsigned char, 256> v{};
  for (auto& x : v) x = 64;
  for (unsigned i = 0; i < 64; ++i) v[static_cast<unsigned char>(kAlphabet[i])] = i;
  return v;
}
constexpr std::array<unsigned char, 256> kValues = MakeValues();

}  // namespace

std::string Base64Decode(std::string_view text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const size_t groups = text.size() / 4;
  std::string out(groups * 3, '\0');
  auto* o = reinterpret_cast<unsigned char*>(out.data());
  unsigned char* const base = o;
  for (size_t g = 0; g < groups; ++g, s += 4) {
    const unsigned v1 = kValues[s[0]], v2 = kValues[s[1]], v3 = kValues[s[2]], v4 = kValues[s[3]];
    const unsigned char b1 = static_cast<unsigned char>((v1 << 2) | ((v2 & 0x30) >> 4));
    const unsigned char b2 = static_cast<unsigned char>(((v2 & 0x0F) << 4) | ((v3 & 0x3C) >> 2));
    const unsigned char b3 = static_cast<unsigned char>(((v3 & 0x03) << 6) | (v4 & 0x3F));
    *o++ = b1;
    if (b2 != 0) *o++ = b2;
    if (b3 != 0) *o++ = b3;
  }
  out.resize(static_cast<size_t>(o - base));
  return out;
}

std::string Base64Encode(std::string_view bytes) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  std::string out((n + 2) / 3 * 4, '\0');
  char* o = out.data();
  size_t i = 0;
  for (; i + 3 <= n; i += 3) {
    const unsigned v = (s[i] << 16) | (s[i + 1] << 8) | s[i + 2];
    *o++ = kAlphabet[v >> 18];
    *o++ = kAlphabet[(v >> 12) & 0x3F];
    *o++ = kAlphabet[(v >> 6) & 0x3F];
    *o++ = kAlphabet[v & 0x3F];
  }
  if (n - i == 1) {
    const unsigned v = s[i] << 16;
    *o++ = kAlphabet[v >> 18];
    *o++ = kAlphabet[(v >> 12) & 0x3F];
    *o++ = '=';
    *o++ = '=';
  } else if (n - i == 2) {
    const unsigned v = (s[i] << 16) | (s[i + 1] << 8);
    *o++ = kAlphabet[v >> 18];
    *o++ = kAlphabet[(v >> 12) & 0x3F];
    *o++ = kAlphabet[(v >> 6) & 0x3F];
    *o++ = '=';
  }
  return out;
}

}  // namespace jtext
