// Mail-merge file rules: splitting a row into fields the way a comma text is split, joining
// cells back for "保存し直す", the first-line check and the per-row body with "%TK1".."%TK3".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace compose {

// Fields are separated by commas and by runs of bytes at or below the space; a field in
// double quotes keeps its inner text, a doubled quote standing for one. A comma at the end
// of the line adds no empty field; an empty line has none.
std::vector<std::string> SplitCommaText(std::string_view line);
// The inverse for one row: cells joined by commas; a cell holding a control byte, a space,
// a comma or a double quote is quoted with its quotes doubled.
std::string JoinCommaText(const std::vector<std::string>& cells);

// The first row must have at most three fields and an "@" in its first. An empty file has
// no first row and is rejected too.
bool MergeFileLooksValid(const std::vector<std::string>& rows);

struct MergeRow {
  std::string body;                 // the body with this row's values put in
  std::vector<std::string> fields;  // the row's fields; field 0 becomes the recipients
};
// Replaces "%TK1", "%TK2", "%TK3" in this order, ignoring case, by the row's fields 1 to 3;
// placeholders of columns the row lacks stay.
MergeRow BuildMergeRow(std::string_view body, std::string_view row_line);

// "差し込むファイル(CSV)を指定します。..." and "CSVファイルのデータ配列が間違っています。"
const std::string& MergeExplanationText();
const std::string& MergeFileErrorText();

}  // namespace compose
