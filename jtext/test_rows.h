// Helpers for the table-driven tests of the Japanese text unit.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace jtext::testing {

// Bytes as printable text with every byte outside 0x20..0x7E in hex, so a failing row
// shows exactly which byte differs.
inline std::string Show(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out.push_back(static_cast<char>(c));
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    }
  }
  return out;
}

// A named row: input bytes and the bytes expected from the operation under test.
struct Row {
  const char* name;
  std::string input;
  std::string expected;
};

// Runs `op` over every row and reports each mismatch with the row's name.
template <typename Op>
void ExpectRows(const Row* begin, const Row* end, Op op) {
  for (const Row* r = begin; r != end; ++r) {
    EXPECT_EQ(Show(op(r->input)), Show(r->expected)) << "row: " << r->name;
  }
}

template <typename Op, size_t N>
void ExpectRows(const Row (&rows)[N], Op op) {
  ExpectRows(rows, rows + N, op);
}

inline std::string Bytes(std::string_view s) { return std::string(s); }

}  // namespace jtext::testing
