// Table-driven base64: four lookups per group of four characters on the fast path.
#include "transport/mime_base64.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace transport {
namespace {

static_assert(std::endian::native == std::endian::little,
              "the decoder stores groups little-endian");

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::uint32_t kBad = 0x01000000;  // set when a character is not in the alphabet

constexpr int ValueOf(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Tables of each character's bits already placed in the three output bytes (little end first),
// one table per position in the group.
struct Tables {
  std::array<std::uint32_t, 256> d[4];
};

constexpr Tables MakeTables() {
  Tables t{};
  for (int c = 0; c < 256; ++c) {
    int v = ValueOf(static_cast<unsigned char>(c));
    if (v < 0) {
      for (auto& d : t.d) d[c] = kBad;
      continue;
    }
    std::uint32_t u = static_cast<std::uint32_t>(v);
    t.d[0][c] = u << 2;
    t.d[1][c] = (u >> 4) | ((u & 15) << 12);
    t.d[2][c] = ((u >> 2) << 8) | ((u & 3) << 22);
    t.d[3][c] = u << 16;
  }
  return t;
}

constexpr Tables kTables = MakeTables();

// A group with fill characters or bytes outside the alphabet.
std::size_t DecodeOddGroup(const unsigned char* s, char* out) {
  int v[4];
  int used = 4;
  for (int i = 0; i < 4; ++i) {
    if (s[i] == '=') {
      if (used == 4) used = i;
      v[i] = 0;
    } else {
      int value = ValueOf(s[i]);
      v[i] = value < 0 ? 0 : value;
    }
  }
  unsigned char b[3] = {static_cast<unsigned char>((v[0] << 2) | (v[1] >> 4)),
                        static_cast<unsigned char>(((v[1] & 15) << 4) | (v[2] >> 2)),
                        static_cast<unsigned char>(((v[2] & 3) << 6) | v[3])};
  // "xx==" carries one byte, "xxx=" two; a group that starts with fill carries none.
  std::size_t n = used == 4 ? 3 : used <= 1 ? 0 : static_cast<std::size_t>(used - 1);
  std::memcpy(out, b, n);
  return n;
}

}  // namespace

long Base64DecodeLineTo(std::string_view line, char* dst) {
  if (line.size() % 4 != 0) return -1;
  char* const start = dst;
  const auto* s = reinterpret_cast<const unsigned char*>(line.data());
  const unsigned char* end = s + line.size();
  for (; s < end; s += 4) {
    std::uint32_t x =
        kTables.d[0][s[0]] | kTables.d[1][s[1]] | kTables.d[2][s[2]] | kTables.d[3][s[3]];
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

std::string Base64DecodeLoose(std::string_view text) {
  std::string out;
  out.reserve(text.size() / 4 * 3 + 3);
  for (std::size_t i = 0; i < text.size(); i += 4) {
    int v[4] = {0, 0, 0, 0};
    for (std::size_t k = 0; k < 4 && i + k < text.size(); ++k) {
      int value = ValueOf(static_cast<unsigned char>(text[i + k]));
      v[k] = value < 0 ? 0 : value;
    }
    out += static_cast<char>((v[0] << 2) | (v[1] >> 4));
    out += static_cast<char>(((v[1] & 15) << 4) | (v[2] >> 2));
    out += static_cast<char>(((v[2] & 3) << 6) | v[3]);
  }
  return out;
}

void Base64Encode(std::string_view data, std::string& out) {
  std::size_t old = out.size();
  out.resize(old + (data.size() + 2) / 3 * 4);
  char* dst = out.data() + old;
  const auto* s = reinterpret_cast<const unsigned char*>(data.data());
  std::size_t i = 0;
  for (; i + 3 <= data.size(); i += 3) {
    std::uint32_t x = (std::uint32_t{s[i]} << 16) | (std::uint32_t{s[i + 1]} << 8) | s[i + 2];
    *dst++ = kAlphabet[x >> 18];
    *dst++ = kAlphabet[(x >> 12) & 63];
    *dst++ = kAlphabet[(x >> 6) & 63];
    *dst++ = kAlphabet[x & 63];
  }
  if (i < data.size()) {
    std::uint32_t x = std::uint32_t{s[i]} << 16;
    if (i + 1 < data.size()) x |= std::uint32_t{s[i + 1]} << 8;
    *dst++ = kAlphabet[x >> 18];
    *dst++ = kAlphabet[(x >> 12) & 63];
    *dst++ = i + 1 < data.size() ? kAlphabet[(x >> 6) & 63] : '=';
    *dst++ = '=';
  }
}

}  // namespace transport
