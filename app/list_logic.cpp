// Message-list rules: rows, comparisons, sort choices and row styles.
#include "app/list_logic.h"

#include <algorithm>
#include <cstdint>
#include <numeric>

#include "app/index_list.h"
#include "platform/collation.h"

namespace app {

Row RowFromRecord(std::string_view record) {
  // Record fields 0..6 go to columns 4, 0, 1, 2, 3, 5, 6; further fields are not shown.
  static constexpr int kColumnOfField[kColumnCount] = {4, 0, 1, 2, 3, 5, 6};
  Row r;
  size_t start = 0;
  for (int field = 0; field < kColumnCount; ++field) {
    size_t tab = record.find('\t', start);
    r.col[kColumnOfField[field]] = record.substr(start, tab == std::string_view::npos
                                                            ? std::string_view::npos
                                                            : tab - start);
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  return r;
}

std::string RecordFromRow(const Row& row) {
  return JoinRecord({row.col[4], row.col[0], row.col[1], row.col[2], row.col[3], row.col[5],
                     row.col[6]});
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

void SortRows(std::vector<Row>& rows, int column, int sort_state) {
  if (column < 0 || column >= kColumnCount) return;
  const bool descending = sort_state < 0;
  // Rows that compare equal keep their order: the position breaks ties.
  std::vector<uint32_t> order(rows.size());
  std::iota(order.begin(), order.end(), 0);
  if (column == 0) {
    // Collation keys made once per row: memcmp order equals the collator's order.
    std::vector<std::string> keys;
    keys.reserve(rows.size());
    for (const auto& r : rows) keys.push_back(platform::SortKey(r.col[0], false));
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
      int c = keys[a].compare(keys[b]);
      if (c == 0) return a < b;
      return descending ? c > 0 : c < 0;
    });
  } else {
    std::vector<std::string_view> keys;
    keys.reserve(rows.size());
    for (const auto& r : rows) keys.emplace_back(r.col[static_cast<size_t>(column)]);
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
      int c = CompareAsciiNoCase(keys[a], keys[b]);
      if (c == 0) return a < b;
      return descending ? c > 0 : c < 0;
    });
  }
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
    case 0: return SortChoice{0, -1};  // 件名順: subject ascending
    case 1: return SortChoice{1, -2};  // 差出人順: sender ascending
    case 2: return SortChoice{2, 3};   // 更新日順: newest first
    case 5: return SortChoice{5, -6};  // 添付ファイル付き順: with attachments first
    case 6: return SortChoice{6, -7};  // 未読順: unread first
    default: return std::nullopt;
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
  if (state == "1") s.bold = true;
  else if (state == "2") colour(0, 0, 0);
  else if (state == "3") colour(255, 0, 0);
  else if (state == "4") colour(0, 0, 255);
  else if (state == "5") colour(0, 128, 0);
  else if (state == "6") colour(255, 0, 255);
  else if (state == "7") colour(0, 255, 255);
  return s;
}

}  // namespace app
