// Message-list rules without widgets: rows made from index records, the sort comparisons,
// header clicks and sort choices, and how a row's state is drawn.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace app {

constexpr int kColumnCount = 7;

// One row: the record's fields in column order (subject, sender, date, size, key,
// attachment flag, state). Columns 4 to 6 are never seen but hold data.
struct Row {
  std::array<std::string, kColumnCount> col;
  const std::string& key() const { return col[4]; }
  const std::string& state() const { return col[6]; }
  bool has_attachment() const { return col[5] == "1"; }
};

Row RowFromRecord(std::string_view record);
// The record as the row holds it now (key, subject, sender, date, size, flag, state).
std::string RecordFromRow(const Row& row);

// Text comparison of two sub-items: ASCII letters without case, other bytes by value.
int CompareAsciiNoCase(std::string_view a, std::string_view b);

// Sorts rows by column (0 = subject, locale order, case-sensitive; others as text ignoring
// ASCII case); descending when sort_state is negative. Rows that compare equal keep order.
void SortRows(std::vector<Row>& rows, int column, int sort_state);
// The same order as positions: element i is the position before sorting of the row that
// sorts to place i (the list's selection follows its rows with it).
std::vector<uint32_t> SortOrder(const std::vector<Row>& rows, int column, int sort_state);

// A click on header i: the new sort state (flips when i + 1 == |state|, else ascending).
int SortStateAfterHeaderClick(int sort_state, int column);

// A sort choice of the view menu: the column of its tag and the state set before the
// header click that follows.
struct SortChoice {
  int column;
  int state_before_click;
};
std::optional<SortChoice> SortChoiceForTag(int tag);

// How a row is drawn for its state.
struct RowStyle {
  bool bold = false;
  bool has_colour = false;
  unsigned char r = 0, g = 0, b = 0;
};
RowStyle StyleForState(std::string_view state);

}  // namespace app
