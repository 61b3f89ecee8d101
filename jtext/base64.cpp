// Table-driven base64: four lookups per group of four characters on the fast paths.
#include "jtext/base64.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace jtext {
namespace {

static_assert(std::endian::native == std::endian::little,
              "the line decoder stores groups little-endian");

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Value of every byte; 64 for everything outside the alphabet ("=" and white space too).
constexpr std::array<unsigned char, 256> MakeValues() {
  std::array<unsigned char, 256> v{};
  for (auto& x : v) x = 64;
  for (unsigned i = 0; i < 64; ++i) v[static_cast<unsigned char>(kAlphabet[i])] = i;
  return v;
}
constexpr std::array<unsigned char, 256> kValues = MakeValues();

constexpr std::uint32_t kBad = 0x01000000;  // set when a character is not in the alphabet

// Each character's bits already placed in the three output bytes (little end first), one
// table per place in the group.
struct LineTables {
  std::array<std::uint32_t, 256> d[4];
};

constexpr LineTables MakeLineTables() {
  LineTables t{};
  for (int c = 0; c < 256; ++c) {
    unsigned v = kValues[static_cast<std::size_t>(c)];
    if (v == 64) {
      for (auto& d : t.d) d[static_cast<std::size_t>(c)] = kBad;
      continue;
    }
    std::uint32_t u = v;
    t.d[0][static_cast<std::size_t>(c)] = u << 2;
    t.d[1][static_cast<std::size_t>(c)] = (u >> 4) | ((u & 15) << 12);
    t.d[2][static_cast<std::size_t>(c)] = ((u >> 2) << 8) | ((u & 3) << 22);
    t.d[3][static_cast<std::size_t>(c)] = u << 16;
  }
  return t;
}

constexpr LineTables kLineTables = MakeLineTables();

// The three bytes of one group of values (a value of 64 contributes zero bits).
void GroupBytes(const unsigned v[4], unsigned char b[3]) {
  b[0] = static_cast<unsigned char>((v[0] << 2) | ((v[1] & 0x30) >> 4));
  b[1] = static_cast<unsigned char>(((v[1] & 0x0F) << 4) | ((v[2] & 0x3C) >> 2));
  b[2] = static_cast<unsigned char>(((v[2] & 0x03) << 6) | (v[3] & 0x3F));
}

// A body group with fill characters or bytes outside the alphabet.
std::size_t DecodeOddGroup(const unsigned char* s, char* out) {
  unsigned v[4];
  int used = 4;
  for (int i = 0; i < 4; ++i) {
    if (s[i] == '=' && used == 4) used = i;
    v[i] = s[i] == '=' ? 0 : kValues[s[i]] & 63;
  }
  unsigned char b[3];
  GroupBytes(v, b);
  // "xx==" carries one byte, "xxx=" two; a group that starts with fill carries none.
  std::size_t n = used == 4 ? 3 : used <= 1 ? 0 : static_cast<std::size_t>(used - 1);
  std::memcpy(out, b, n);
  return n;
}

}  // namespace

std::string Base64Decode(std::string_view text, Base64DecodeOptions options) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t groups = text.size() / 4;
  const std::size_t rest = text.size() % 4;
  std::string out((groups + 1) * 3, '\0');
  auto* o = reinterpret_cast<unsigned char*>(out.data());
  unsigned char* const base = o;
  if (options.decode_short_group && rest > 0) ++groups;
  for (std::size_t g = 0; g < groups; ++g, s += 4) {
    unsigned v[4] = {64, 64, 64, 64};
    const std::size_t have = g * 4 + 4 <= text.size() ? 4 : rest;
    for (std::size_t k = 0; k < have; ++k) v[k] = kValues[s[k]];
    unsigned char b[3];
    GroupBytes(v, b);
    *o++ = b[0];
    if (options.keep_zero_bytes || b[1] != 0) *o++ = b[1];
    if (options.keep_zero_bytes || b[2] != 0) *o++ = b[2];
  }
  out.resize(static_cast<std::size_t>(o - base));
  return out;
}

void Base64EncodeAppend(std::string_view bytes, std::string& out) {
  const std::size_t old = out.size();
  out.resize(old + (bytes.size() + 2) / 3 * 4);
  char* dst = out.data() + old;
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    std::uint32_t x = (std::uint32_t{s[i]} << 16) | (std::uint32_t{s[i + 1]} << 8) | s[i + 2];
    *dst++ = kAlphabet[x >> 18];
    *dst++ = kAlphabet[(x >> 12) & 63];
    *dst++ = kAlphabet[(x >> 6) & 63];
    *dst++ = kAlphabet[x & 63];
  }
  if (i < bytes.size()) {
    std::uint32_t x = std::uint32_t{s[i]} << 16;
    if (i + 1 < bytes.size()) x |= std::uint32_t{s[i + 1]} << 8;
    *dst++ = kAlphabet[x >> 18];
    *dst++ = kAlphabet[(x >> 12) & 63];
    *dst++ = i + 1 < bytes.size() ? kAlphabet[(x >> 6) & 63] : '=';
    *dst++ = '=';
  }
}

std::string Base64Encode(std::string_view bytes) {
  std::string out;
  Base64EncodeAppend(bytes, out);
  return out;
}

long Base64DecodeLineTo(std::string_view line, char* dst) {
  if (line.size() % 4 != 0) return -1;
  char* const start = dst;
  const auto* s = reinterpret_cast<const unsigned char*>(line.data());
  const unsigned char* end = s + line.size();
  for (; s < end; s += 4) {
    std::uint32_t x = kLineTables.d[0][s[0]] | kLineTables.d[1][s[1]] | kLineTables.d[2][s[2]] |
                      kLineTables.d[3][s[3]];
    if (x & kBad) {
      dst += DecodeOddGroup(s, dst);
    } else {
      std::memcpy(dst, &x, 4);  // little-endian: the three bytes come first
      dst += 3;
    }
  }
  return static_cast<long>(dst - start);
}

bool Base64DecodeLine(std::string_view line, std::string& out) {
  if (line.size() % 4 != 0) return false;
  std::size_t old = out.size();
  out.resize(old + Base64DecodedBound(line.size()) + 1);  // one spare byte for 4-byte stores
  long n = Base64DecodeLineTo(line, out.data() + old);
  out.resize(old + static_cast<std::size_t>(n));
  return true;
}

}  // namespace jtext
