// Header lines of a message or a part: "Name: value" lines with their continuation lines,
// looked up by name (ignoring case) with folded values joined, and set with folding at 78.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace transport {

class TIdHeaderList {
 public:
  static constexpr std::size_t kFoldLength = 78;

  // Index of the first line whose name equals `name` ignoring case, or -1.
  int IndexOfName(std::string_view name) const;
  // The value of the first line called `name`, its continuation lines joined by single spaces,
  // trimmed; empty when there is no such line.
  std::string GetValue(std::string_view name) const;
  // Replaces (or appends) the header `name`, folded; an empty value removes it.
  void SetValue(std::string_view name, std::string_view value);

  void Add(std::string line) { lines_.push_back(std::move(line)); }
  void Clear() { lines_.clear(); }
  std::size_t Count() const { return lines_.size(); }
  bool empty() const { return lines_.empty(); }
  const std::string& operator[](std::size_t i) const { return lines_[i]; }
  std::string& operator[](std::size_t i) { return lines_[i]; }
  const std::vector<std::string>& Lines() const { return lines_; }
  auto begin() const { return lines_.begin(); }
  auto end() const { return lines_.end(); }

 private:
  std::size_t ContinuationEnd(std::size_t index) const;
  std::vector<std::string> lines_;
};

// Folds "text" with CR LF + space once a line passes `max_col` columns: the break comes after
// the last space or tab outside double quotes; CR LF + space already in the text counts
// as a break; a Shift_JIS double-byte character is never split. No break comes before
// `first_break` (the header name stays with the start of its value).
std::string FoldHeaderLine(std::string_view text, std::size_t max_col = TIdHeaderList::kFoldLength,
                           std::size_t first_break = 0);

}  // namespace transport
