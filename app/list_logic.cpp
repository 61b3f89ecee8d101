// Message-list rules: rows, comparisons, sort choices and row styles.
#include "app/list_logic.h"

#include <algorithm>
#include <cstdint>
#include <numeric>

#include "app/app_state.h"
#include "platform/collation.h"

namespace app {

Row RowFromRecord(std::string_view record) {
  // Record fields 0..6 go to columns 4, 0, 1, 2, 3, 5, 6; further fields are not shown.
  static constexpr int kColumnOfField[kColumnCount] = {4, 0, 1, 2, 3, 5, 6};
  Row r;
  size_t start = 0;
  for (int field = 0; field < kColumnCount; ++field) {
    size_t tab = record.find('\t', start);
    r.col[kColumnOfField[field]] =
        record.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start);
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  return r;
}

std::string RecordFromRow(const Row& row) {
  return JoinRecord(
      {row.col[4], row.col[0], row.col[1], row.col[2], row.col[3], row.col[5], row.col[6]});
}

int CompareAsciiNoCase(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(a[i]);
    auto y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = x - 'A' + 'a';
    if (y >= 'A' && y <= 'Z') y = y - 'A' + 'a';
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

namespace {

// Sorts positions by byte keys: the first sixteen bytes as two numbers decide almost every
// comparison without touching the strings; the rest of the key only on a tie; the position
// last, so rows that compare equal keep their order.
std::vector<uint32_t> OrderByKeys(const std::vector<std::string>& keys, bool descending) {
  struct Entry {
    uint64_t high;
    uint64_t low;
    uint32_t index;
  };
  auto word = [](const std::string& k, size_t from) {
    uint64_t v = 0;
    for (size_t i = from; i < from + 8; ++i) {
      v = (v << 8) | (i < k.size() ? static_cast<unsigned char>(k[i]) : 0u);
    }
    return v;
  };
  std::vector<Entry> entries(keys.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    entries[i] = {word(keys[i], 0), word(keys[i], 8), static_cast<uint32_t>(i)};
  }
  auto compare = [&](const Entry& a, const Entry& b) {
    if (a.high != b.high) return a.high < b.high ? -1 : 1;
    if (a.low != b.low) return a.low < b.low ? -1 : 1;
    const std::string& ka = keys[a.index];
    const std::string& kb = keys[b.index];
    if (ka.size() <= 16 && kb.size() <= 16) return 0;  // keys hold no zero bytes
    return std::string_view(ka)
        .substr(std::min<size_t>(16, ka.size()))
        .compare(std::string_view(kb).substr(std::min<size_t>(16, kb.size())));
  };
  std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
    int c = compare(a, b);
    if (c == 0) return a.index < b.index;
    return descending ? c > 0 : c < 0;
  });
  std::vector<uint32_t> order;
  order.reserve(entries.size());
  for (const Entry& e : entries) order.push_back(e.index);
  return order;
}

// The text with ASCII letters lowered: its byte order is CompareAsciiNoCase's order.
std::string AsciiLowered(const std::string& s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

}  // namespace

std::vector<uint32_t> SortOrder(const std::vector<Row>& rows, int column, int sort_state) {
  if (column < 0 || column >= kColumnCount) {
    std::vector<uint32_t> same(rows.size());
    std::iota(same.begin(), same.end(), 0u);
    return same;
  }
  std::vector<std::string> keys;
  keys.reserve(rows.size());
  for (const auto& r : rows) {
    const std::string& text = r.col[static_cast<size_t>(column)];
    // Subjects in the locale's order (collation keys: memcmp order is the collator's);
    // every other column as text, ASCII letters without case.
    keys.push_back(column == 0 ? platform::SortKey(text, false) : AsciiLowered(text));
  }
  return OrderByKeys(keys, sort_state < 0);
}

void SortRows(std::vector<Row>& rows, int column, int sort_state) {
  if (column < 0 || column >= kColumnCount) return;
  std::vector<uint32_t> order = SortOrder(rows, column, sort_state);
  std::vector<Row> sorted;
  sorted.reserve(rows.size());
  for (uint32_t i : order) sorted.push_back(std::move(rows[i]));
  rows = std::move(sorted);
}

int SortStateAfterHeaderClick(int sort_state, int column) {
  int wanted = column + 1;
  if (wanted == (sort_state < 0 ? -sort_state : sort_state)) return -sort_state;
  return wanted;
}

std::optional<SortChoice> SortChoiceForTag(int tag) {
  switch (tag) {
    case 0:
      return SortChoice{0, -1};  // 件名順: subject ascending
    case 1:
      return SortChoice{1, -2};  // 差出人順: sender ascending
    case 2:
      return SortChoice{2, 3};  // 更新日順: newest first
    case 5:
      return SortChoice{5, -6};  // 添付ファイル付き順: with attachments first
    case 6:
      return SortChoice{6, -7};  // 未読順: unread first
    default:
      return std::nullopt;
  }
}

RowStyle StyleForState(std::string_view state) {
  RowStyle s;
  auto colour = [&](unsigned char r, unsigned char g, unsigned char b) {
    s.has_colour = true;
    s.r = r;
    s.g = g;
    s.b = b;
  };
  if (state == "1")
    s.bold = true;
  else if (state == "2")
    colour(0, 0, 0);
  else if (state == "3")
    colour(255, 0, 0);
  else if (state == "4")
    colour(0, 0, 255);
  else if (state == "5")
    colour(0, 128, 0);
  else if (state == "6")
    colour(255, 0, 255);
  else if (state == "7")
    colour(0, 255, 255);
  return s;
}

}  // namespace app
